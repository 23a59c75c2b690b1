#include "queryserver.h"

#include <QTcpSocket>

QueryServer::QueryServer(const QString &catalogueFolder, const ConnectionLimits &limits)
    : folder(catalogueFolder)
    , limits(limits)
{
    connect(&server, &QTcpServer::newConnection, this, &QueryServer::accept);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &QueryServer::reload);
    connect(&watcher, &QFileSystemWatcher::fileChanged, this, &QueryServer::reload);
    offered.load(folder);
    watcher.addPath(folder);
    if (!offered.files().isEmpty())
        watcher.addPaths(offered.files());
}

bool QueryServer::listen(const QHostAddress &address, quint16 port)
{
    return server.listen(address, port);
}

void QueryServer::accept()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        auto *connection = new QueryConnection(socket, offered, limits, this);
        connect(connection, &QueryConnection::logLine, this, &QueryServer::logLine);
    }
}

void QueryServer::reload()
{
    if (!watcher.files().isEmpty())
        watcher.removePaths(watcher.files());
    offered.load(folder);
    if (!offered.files().isEmpty())
        watcher.addPaths(offered.files());
    QString line
        = QStringLiteral("catalogue reloaded: %1 component(s)").arg(offered.entries().size());
    for (const QString &problem : offered.problems())
        line += QStringLiteral("; left out %1").arg(problem);
    emit logLine(line);
}
