#include "updateserver.h"
#include "veskupdaterengine.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QDomElement>
#include <QDomNodeList>
#include <QMessageBox>
#include <QProcess>

namespace {
// An answer that has not formed a document by then never will.
const qsizetype maxResponseBytes = 4 * 1024 * 1024;

void showQueryError(const QString &text)
{
    QMessageBox::critical(nullptr,
        QCoreApplication::translate("translation", "Check updates", "nc"), text, QMessageBox::Ok,
        QMessageBox::Ok);
}

// What the client prints for " -updatequery"; a client that hangs is killed and what it
// printed so far is used.
QByteArray clientOutput(int waitMs)
{
    const QString client = QCoreApplication::applicationDirPath() + QStringLiteral("/vesk7.exe");
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.startCommand(
        QLatin1Char('"') + client + QStringLiteral("\" -updatequery"), QIODevice::ReadWrite);
    process.waitForStarted(waitMs);
    if (!process.waitForFinished(waitMs) && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(waitMs);
    }
    return process.readAll();
}

// The block from the first "<s>" to the last "</s>", markers included, or nothing.
QByteArray requestBlock(const QByteArray &output)
{
    const qsizetype open = output.indexOf("<s>");
    const qsizetype close = output.lastIndexOf("</s>");
    if (open < 0 || close < open + 3)
        return {};
    const QByteArray block = "<s>" + output.mid(open + 3, close - open - 3) + "</s>";
    // The server expects the client's bytes as Latin-1 text sent in UTF-8.
    return QString::fromLatin1(block).toUtf8();
}

QString childText(const QDomElement &request, const QString &name)
{
    return request.firstChildElement(name).text();
}

std::string utf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

bool isAnswerWithoutUpdate(const QDomElement &request)
{
    for (const char *marker : { "latest", "noSuchUpdate", "noSuchComponent" }) {
        if (!request.firstChildElement(QLatin1String(marker)).isNull())
            return true;
    }
    return false;
}

UpdateRecord *newRecord(const QDomElement &request)
{
    bool ok = false;
    const uint timestamp = childText(request, QStringLiteral("timestamp")).toUInt(&ok, 10);
    return new UpdateRecord(utf8(request.attribute(QStringLiteral("project"))),
        utf8(request.attribute(QStringLiteral("name"))),
        utf8(request.attribute(QStringLiteral("type"))),
        utf8(childText(request, QStringLiteral("version"))),
        utf8(childText(request, QStringLiteral("description"))),
        utf8(childText(request, QStringLiteral("copyrights"))),
        utf8(childText(request, QStringLiteral("author"))),
        utf8(childText(request, QStringLiteral("webpage"))),
        utf8(childText(request, QStringLiteral("email"))),
        utf8(childText(request, QStringLiteral("changelog"))),
        utf8(childText(request, QStringLiteral("link"))),
        childText(request, QStringLiteral("critical")) == QLatin1String("true"),
        ok ? timestamp : 0);
}
}

bool VeskUpdaterEngine::checkUpdates()
{
    const QByteArray request = requestBlock(clientOutput(clientWaitMs));

    // Before connecting, so that a failed exchange leaves no records behind.
    deleteUpdates();

    const UpdateServer server = UpdateServer::fromEnvironment();
    socket.abort(); // a fresh connection for every query
    socket.connectToHost(server.host, server.port, QIODevice::ReadWrite);
    if (!socket.waitForConnected(networkWaitMs)) {
        showQueryError(QCoreApplication::translate("translation",
            "Couldn't connect to update server. Check your internet connection.", "nc"));
        return false;
    }

    socket.write(request);
    socket.waitForBytesWritten(networkWaitMs);

    // No framing: the answer is complete once the bytes so far parse as one document.
    QByteArray response;
    QDomDocument document;
    while (!document.setContent(response, false)) {
        // Bytes may already wait here: they can arrive while the request is being written.
        const bool overCap = response.size() > maxResponseBytes;
        if (overCap || (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(networkWaitMs))) {
            // Hang up on an endless answer, or the socket would go on buffering it while
            // the message waits for the user.
            if (overCap)
                socket.abort();
            showQueryError(QCoreApplication::translate("translation",
                "An error occured while comunicating update server. Check your internet "
                "connection.",
                "nc"));
            return false;
        }
        response += socket.readAll();
    }

    const QDomNodeList requests = document.elementsByTagName(QStringLiteral("request"));
    for (int i = 0; i < requests.size(); ++i) {
        const QDomElement answer = requests.at(i).toElement();
        if (!isAnswerWithoutUpdate(answer))
            updates.append(newRecord(answer));
    }
    return true;
}
