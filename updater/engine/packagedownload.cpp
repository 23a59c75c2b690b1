#include "veskupdaterengine.h"

#include <QCoreApplication>
#include <QStringList>
#include <QUrl>

#include <limits>

namespace {

QUrl linkOf(const UpdateRecord &record)
{
    return QUrl(QString::fromUtf8(record.link().c_str()));
}

// The link is honoured as written: its scheme, and its port when it names one. A link
// that does not parse (a port out of range, say) gets port 0, which fails its requests
// rather than guess a server.
void queueHostOf(HttpClient &http, const QUrl &url)
{
    const quint16 defaultPort = url.scheme() == QLatin1String("https") ? 443 : 80;
    const quint16 port = url.isValid() ? quint16(url.port(defaultPort)) : 0;
    http.setHost(url.host(), port, url.scheme());
}

QString requestPathOf(const QUrl &url)
{
    return url.path(QUrl::FullyEncoded);
}

// The link's path names the package's file inside the staging folder. A "." or ".."
// segment, or a "\" that Windows takes for a separator, would let it name a file anywhere.
bool namesFileInStagingFolder(const QString &linkPath)
{
    if (linkPath.contains(QLatin1Char('\\')))
        return false;
    const QStringList segments = linkPath.split(QLatin1Char('/'));
    return !segments.contains(QLatin1String(".")) && !segments.contains(QLatin1String(".."));
}

} // namespace

void VeskUpdaterEngine::beginDownload()
{
    downloadState = Sizing;
    for (const UpdateRecord *record : std::as_const(updates)) {
        const QUrl url = linkOf(*record);
        queueHostOf(http, url);
        http.head(requestPathOf(url));
    }
}

void VeskUpdaterEngine::responseHeaderReceived(const HttpResponseHeader &resp)
{
    if (downloadState != Sizing)
        return;
    bytesTotal += resp.contentLength();
    // No request left means this header answers the last size request.
    if (!http.hasPendingRequests()) {
        currentIndex = 0;
        downloadState = Downloading;
        startFileDownload();
    }
}

void VeskUpdaterEngine::startFileDownload()
{
    const UpdateRecord *record = updates.at(currentIndex);
    const QUrl url = linkOf(*record);
    emit downloadFile(QString::fromUtf8(record->name().c_str()));
    fileBytesDone = 0;

    // A file left open by an aborted or failed earlier run is let go before reuse.
    if (outputFile.isOpen())
        outputFile.close();
    if (!namesFileInStagingFolder(url.path())) {
        emit error(QCoreApplication::translate(
            "translation", "The link %1 names a file outside the download folder.", "nc")
                       .arg(url.toDisplayString()));
        return;
    }
    outputFile.setFileName(QStringLiteral("%1/%2").arg(stagingDir, url.path()));
    if (!outputFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        emit error(outputFile.errorString());
        return;
    }
    queueHostOf(http, url);
    requestId = http.get(requestPathOf(url), &outputFile);
}

void VeskUpdaterEngine::requestFinished(int id, bool error)
{
    if (error) {
        if (downloadState != Aborted)
            emit this->error(http.errorString());
        return;
    }
    if (downloadState == Downloading && id == requestId)
        finishFileDownload();
}

void VeskUpdaterEngine::finishFileDownload()
{
    outputFile.close();
    ++currentIndex;
    if (currentIndex < updates.size()) {
        startFileDownload();
    } else {
        downloadState = Idle;
        emit downloadFinished();
    }
}

void VeskUpdaterEngine::dataReadProgress(qint64 done, qint64 total)
{
    Q_UNUSED(total) // the percentage refers to the sizes gathered by the size requests
    if (downloadState != Downloading)
        return;
    const qint64 delta = done - fileBytesDone;
    fileBytesDone = done;
    bytesDone += delta;
    // Not clamped to 100: under-announced sizes show as more than 100 percent. Only a
    // value beyond int is held at its limit, so it cannot wrap into a negative one.
    const qint64 percent = bytesTotal > 0 ? bytesDone * 100 / bytesTotal : 0;
    emit downloadProgress(int(qMin<qint64>(percent, std::numeric_limits<int>::max())));
}

void VeskUpdaterEngine::abortDownload()
{
    downloadState = Aborted;
    http.abort();
}
