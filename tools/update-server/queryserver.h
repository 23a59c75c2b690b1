#ifndef QUERYSERVER_H
#define QUERYSERVER_H

#include "catalogue.h"
#include "queryconnection.h"

#include <QFileSystemWatcher>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

// Accepts the updater's queries and answers each from the catalogue folder, which it reads
// again whenever a file in it changes. All connections are served by the one event loop.
class QueryServer : public QObject
{
    Q_OBJECT
public:
    QueryServer(const QString &catalogueFolder, const ConnectionLimits &limits);

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return server.errorString(); }
    quint16 port() const { return server.serverPort(); }
    const Catalogue &catalogue() const { return offered; }

signals:
    void logLine(const QString &line);

private:
    Q_DISABLE_COPY(QueryServer)

    void accept();
    void reload();

    QString folder;
    ConnectionLimits limits;
    Catalogue offered;
    QFileSystemWatcher watcher;
    QTcpServer server;
};

#endif
