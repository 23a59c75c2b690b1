#include "httptestserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Keeps the socket's send queue short, so a generated body is made as the peer reads it.
constexpr qint64 sendQueueLimit = 256 * 1024;
constexpr qint64 sendChunk = 64 * 1024;

// One client connection: reads requests one by one and plays each answer out.
class HttpTestConnection : public QObject
{
public:
    using Answer = std::function<HttpTestResponse(const HttpTestRequest &)>;

    HttpTestConnection(QTcpSocket *socket, const Answer &answer, QObject *parent)
        : QObject(parent)
        , m_socket(socket)
        , m_answer(answer)
    {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this] { readRequests(); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this] {
            if (m_responding && !m_waitingForTimer)
                pump();
        });
        connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    }

private:
    void readRequests()
    {
        m_input += m_socket->readAll();
        while (!m_responding && m_socket->state() == QAbstractSocket::ConnectedState) {
            const qsizetype end = m_input.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QByteArray head = m_input.left(end);
            m_input.remove(0, end + 4);
            respond(parse(head));
        }
    }

    static HttpTestRequest parse(const QByteArray &head)
    {
        HttpTestRequest request;
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == "host")
                request.host = line.mid(colon + 1).trimmed();
        }
        return request;
    }

    void respond(const HttpTestRequest &request)
    {
        m_response = m_answer(request);
        if (m_response.dropConnection) {
            m_socket->abort();
            deleteLater();
            return;
        }
        const qint64 bodySize
            = m_response.generatedSize >= 0 ? m_response.generatedSize : m_response.body.size();
        m_closeWhenDone = m_response.contentLength == HttpTestResponse::NoLength;

        QByteArray out = "HTTP/1.1 " + QByteArray::number(m_response.status) + ' '
            + m_response.reason + "\r\n";
        for (const auto &header : std::as_const(m_response.headers))
            out += header.first + ": " + header.second + "\r\n";
        if (m_response.contentLength != HttpTestResponse::NoLength) {
            const qint64 announced = m_response.contentLength == HttpTestResponse::AutoLength
                ? bodySize
                : m_response.contentLength;
            out += "Content-Length: " + QByteArray::number(announced) + "\r\n";
        }
        if (m_closeWhenDone)
            out += "Connection: close\r\n";
        out += "\r\n";
        m_socket->write(out);

        m_sent = 0;
        m_limit = request.method == "HEAD" ? 0 : bodySize;
        m_cut = false;
        m_stall = false;
        if (m_response.closeAfter >= 0 && m_response.closeAfter < m_limit) {
            m_limit = m_response.closeAfter;
            m_cut = true;
        } else if (m_response.stallAfter >= 0 && m_response.stallAfter < m_limit) {
            m_limit = m_response.stallAfter;
            m_stall = true;
        }
        m_responding = true;
        pump();
    }

    void pump()
    {
        const bool paced = m_response.pieceSize > 0 && m_response.pieceDelayMs > 0;
        while (m_sent < m_limit && m_socket->bytesToWrite() < sendQueueLimit) {
            const qint64 piece = m_response.pieceSize > 0 ? m_response.pieceSize : sendChunk;
            const qint64 n = qMin(piece, m_limit - m_sent);
            m_socket->write(m_response.generatedSize >= 0
                    ? HttpTestServer::generatedBytes(m_sent, n)
                    : m_response.body.mid(m_sent, n));
            m_sent += n;
            if (paced && m_sent < m_limit) {
                m_socket->flush();
                m_waitingForTimer = true;
                QTimer::singleShot(m_response.pieceDelayMs, this, [this] {
                    m_waitingForTimer = false;
                    pump();
                });
                return;
            }
        }
        if (m_sent < m_limit)
            return; // bytesWritten brings us back
        if (m_stall)
            return;
        if (m_cut || m_closeWhenDone) {
            m_socket->disconnectFromHost();
            return;
        }
        m_responding = false;
        QTimer::singleShot(0, this, [this] { readRequests(); });
    }

    QTcpSocket *m_socket;
    Answer m_answer;
    QByteArray m_input;
    HttpTestResponse m_response;
    bool m_responding = false;
    bool m_waitingForTimer = false;
    bool m_closeWhenDone = false;
    bool m_cut = false;
    bool m_stall = false;
    qint64 m_sent = 0;
    qint64 m_limit = 0;
};

} // namespace

HttpTestResponse HttpTestResponse::ok(const QByteArray &body)
{
    HttpTestResponse response;
    response.body = body;
    return response;
}

HttpTestResponse HttpTestResponse::generated(qint64 size)
{
    HttpTestResponse response;
    response.generatedSize = size;
    return response;
}

HttpTestResponse HttpTestResponse::error(int code, const QByteArray &reason)
{
    HttpTestResponse response;
    response.status = code;
    response.reason = reason;
    response.body = reason;
    return response;
}

HttpTestResponse HttpTestResponse::redirect(const QByteArray &location, int code)
{
    HttpTestResponse response;
    response.status = code;
    response.reason = code == 301 ? "Moved Permanently" : "Found";
    response.headers.append({ "Location", location });
    return response;
}

HttpTestResponse HttpTestResponse::drop()
{
    HttpTestResponse response;
    response.dropConnection = true;
    return response;
}

HttpTestResponse HttpTestResponse::inPieces(int size, int delayMs) const
{
    HttpTestResponse response = *this;
    response.pieceSize = size;
    response.pieceDelayMs = delayMs;
    return response;
}

HttpTestServer::HttpTestServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection())
            new HttpTestConnection(
                socket, [this](const HttpTestRequest &request) { return answer(request); }, this);
    });
    if (m_server.listen(QHostAddress::LocalHost, 0))
        m_port = m_server.serverPort();
}

HttpTestServer::~HttpTestServer() = default;

QString HttpTestServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

void HttpTestServer::close()
{
    m_server.close();
    qDeleteAll(findChildren<QObject *>(QString(), Qt::FindDirectChildrenOnly));
}

HttpTestResponse HttpTestServer::answer(const HttpTestRequest &request)
{
    m_requests.append(request);
    return m_handler ? m_handler(request) : HttpTestResponse::error(404, "Not Found");
}

QByteArray HttpTestServer::generatedBytes(qint64 offset, qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i) {
        const quint64 x = quint64(offset + i);
        bytes[i] = char(((x ^ (x >> 9) ^ (x >> 17)) * 0x9d) & 0xff);
    }
    return bytes;
}
