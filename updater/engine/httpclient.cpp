#include "httpclient.h"

#include <QCoreApplication>
#include <QFileDevice>
#include <QIODevice>
#include <QMetaObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

// Large enough to keep up with a local network, small enough that a package never sits in
// memory: the reply buffers at most this much before the socket is paused.
constexpr qint64 readBufferSize = 1024 * 1024;

QString failedText(const QString &url, const QString &why)
{
    return QCoreApplication::translate("translation", "Download of %1 failed: %2", "nc")
        .arg(url, why);
}

bool isSupportedScheme(const QString &scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

} // namespace

HttpClient::HttpClient(QObject *parent)
    : QObject(parent)
{
    m_buffer.resize(readBufferSize);
}

HttpClient::~HttpClient()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

int HttpClient::setHost(const QString &host, quint16 port, const QString &scheme)
{
    Step step;
    step.kind = StepKind::SetHost;
    step.host = host;
    step.port = port;
    step.scheme = scheme.toLower();
    return enqueue(step);
}

int HttpClient::head(const QString &path)
{
    Step step;
    step.kind = StepKind::Head;
    step.path = path;
    return enqueue(step);
}

int HttpClient::get(const QString &path, QIODevice *to)
{
    Step step;
    step.kind = StepKind::Get;
    step.path = path;
    step.device = to;
    return enqueue(step);
}

bool HttpClient::hasPendingRequests() const
{
    return !m_queue.isEmpty();
}

void HttpClient::abort()
{
    m_queue.clear();
    if (m_reply)
        endCurrent(true, QCoreApplication::translate("translation", "Request aborted", "nc"));
}

QString HttpClient::errorString() const
{
    return m_errorString;
}

int HttpClient::enqueue(Step step)
{
    step.id = m_nextId++;
    m_queue.enqueue(step);
    scheduleStart();
    return step.id;
}

// Steps start from the event loop, never inside the call that queues them, so a caller can
// queue several steps and connect to their ids before anything runs.
void HttpClient::scheduleStart()
{
    if (m_startScheduled)
        return;
    m_startScheduled = true;
    QMetaObject::invokeMethod(this, &HttpClient::runQueue, Qt::QueuedConnection);
}

void HttpClient::runQueue()
{
    m_startScheduled = false;
    while (!m_reply && !m_queue.isEmpty()) {
        const Step step = m_queue.dequeue();
        if (step.kind == StepKind::SetHost) {
            m_scheme = step.scheme;
            m_host = step.host;
            m_port = step.port;
            emit requestFinished(step.id, false);
        } else {
            startRequest(step);
        }
    }
}

void HttpClient::startRequest(const Step &step)
{
    QUrl url;
    url.setScheme(m_scheme);
    url.setHost(m_host);
    url.setPort(m_port == 0 ? -1 : m_port);
    url.setPath(step.path.isEmpty() ? QStringLiteral("/") : step.path, QUrl::TolerantMode);

    QString failure;
    if (!isSupportedScheme(m_scheme))
        failure = failedText(url.toDisplayString(),
            QCoreApplication::translate(
                "translation", "only http and https links are supported", "nc"));
    else if (m_host.isEmpty() || m_port == 0)
        failure = failedText(url.toDisplayString(),
            QCoreApplication::translate(
                "translation", "the link names no valid server and port", "nc"));
    else if (step.kind == StepKind::Get && step.device && !step.device->isWritable())
        failure = failedText(url.toDisplayString(),
            QCoreApplication::translate(
                "translation", "the destination is not open for writing", "nc"));
    if (!failure.isEmpty()) {
        m_errorString = failure;
        m_queue.clear();
        emit requestFinished(step.id, true);
        return;
    }

    QNetworkRequest request(url);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // Packages are stored byte for byte: no transparent decompression.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(m_transferTimeoutMs);

    m_currentId = step.id;
    m_device = step.device;
    m_headerTaken = false;
    m_bodyWanted = false;
    m_bodyDone = 0;
    m_bodyTotal = 0;
    m_writeError.clear();

    m_reply = step.kind == StepKind::Head ? m_manager.head(request) : m_manager.get(request);
    m_reply->setReadBufferSize(readBufferSize);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &HttpClient::takeHeader);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpClient::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &HttpClient::onReplyFinished);
}

void HttpClient::takeHeader()
{
    if (!m_reply || m_headerTaken)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A redirect is followed; the header that counts comes later. A 3xx that ends the
    // reply fails it.
    if (status >= 300 && status < 400)
        return;
    m_headerTaken = true;
    if (status < 200 || status >= 300)
        return; // fails when the reply finishes; its body is no package
    m_bodyWanted = true;
    m_bodyTotal = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    const QString reason
        = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    emit responseHeaderReceived(HttpResponseHeader(status, reason, m_bodyTotal));
}

void HttpClient::readBody()
{
    if (!m_reply)
        return;
    takeHeader();
    QNetworkReply *const reply = m_reply;
    while (m_reply == reply && reply->bytesAvailable() > 0) {
        const qint64 n = reply->read(m_buffer.data(), m_buffer.size());
        if (n <= 0)
            break;
        if (!m_bodyWanted || !m_writeError.isEmpty())
            continue;
        if (m_device && m_device->write(m_buffer.constData(), n) != n) {
            m_writeError = failedText(reply->url().toDisplayString(), m_device->errorString());
            reply->abort();
            return;
        }
        m_bodyDone += n;
        // A receiver may abort here; the loop then stops at its condition.
        emit dataReadProgress(m_bodyDone, m_bodyTotal);
    }
}

void HttpClient::onReplyFinished()
{
    if (!m_reply)
        return;
    if (m_writeError.isEmpty())
        readBody();
    if (!m_reply)
        return;
    // What a file still buffers must reach the disk before the package counts as fetched.
    auto *const file = qobject_cast<QFileDevice *>(m_device.data());
    if (file && m_bodyWanted && m_writeError.isEmpty() && m_reply->error() == QNetworkReply::NoError
        && !file->flush())
        m_writeError = failedText(m_reply->url().toDisplayString(), file->errorString());
    const QString failure = failureText();
    endCurrent(!failure.isEmpty(), failure);
}

QString HttpClient::failureText() const
{
    if (!m_writeError.isEmpty())
        return m_writeError;
    const QString where = m_reply->url().toDisplayString();
    if (m_reply->error() == QNetworkReply::OperationCanceledError) {
        // We abort replies only through abort(), which never waits for this; so it was
        // the transfer timeout.
        return failedText(where,
            QCoreApplication::translate("translation", "no data arrived for %1 seconds", "nc")
                .arg(QString::number(m_transferTimeoutMs / 1000.0)));
    }
    const QVariant statusValue = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusValue.toInt();
    const bool statusFailed = statusValue.isValid() && (status < 200 || status >= 300);
    // An error status names the failure better than the network layer's text for it;
    // a failed redirect (too many, or down to plain http) is better told by that text.
    if (statusFailed && (status >= 400 || m_reply->error() == QNetworkReply::NoError)) {
        const QString reason
            = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        return failedText(where,
            QCoreApplication::translate("translation", "the server answered %1 %2", "nc")
                .arg(status)
                .arg(reason));
    }
    if (m_reply->error() != QNetworkReply::NoError)
        return failedText(where, m_reply->errorString());
    return QString();
}

void HttpClient::endCurrent(bool error, const QString &text)
{
    QNetworkReply *const reply = m_reply;
    m_reply = nullptr;
    m_device = nullptr;
    reply->disconnect(this);
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();

    if (error) {
        m_errorString = text;
        m_queue.clear();
    }
    emit requestFinished(m_currentId, error);
    if (!m_queue.isEmpty())
        scheduleStart();
}
