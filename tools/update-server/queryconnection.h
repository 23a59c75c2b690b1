#ifndef QUERYCONNECTION_H
#define QUERYCONNECTION_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class Catalogue;
class QTcpSocket;

struct ConnectionLimits
{
    qsizetype maxRequestBytes = 64 * 1024;
    int timeoutMs = 10000; // from accepting the connection to sending the answer
};

// One client's query: collects its request, answers it once and closes. Anything that is not
// a request within the limits closes the connection without an answer. Deletes itself when
// the connection is over.
class QueryConnection : public QObject
{
    Q_OBJECT
public:
    QueryConnection(QTcpSocket *socket, const Catalogue &catalogue, const ConnectionLimits &limits,
        QObject *parent);

signals:
    // Once per connection: who asked and what happened.
    void logLine(const QString &line);

private:
    Q_DISABLE_COPY(QueryConnection)

    void readRequest();
    void answer();
    void reject(const QString &reason);
    void report(const QString &outcome);
    void end();

    QTcpSocket *socket;
    const Catalogue &catalogue;
    ConnectionLimits limits;
    QByteArray received;
    QTimer deadline;
    QString peer;
    bool reported = false;
    bool ended = false;
};

#endif
