#include "queryconnection.h"

#include "componentrequest.h"
#include "responsebuilder.h"

#include <QDateTime>
#include <QTcpSocket>

QueryConnection::QueryConnection(
    QTcpSocket *socket, const Catalogue &catalogue, const ConnectionLimits &limits, QObject *parent)
    : QObject(parent)
    , socket(socket)
    , catalogue(catalogue)
    , limits(limits)
{
    socket->setParent(this);
    peer = QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());

    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, [this] {
        reject(QStringLiteral("no complete request within %1 ms").arg(this->limits.timeoutMs));
    });
    deadline.start(limits.timeoutMs);

    connect(socket, &QTcpSocket::readyRead, this, &QueryConnection::readRequest);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        report(QStringLiteral("closed by the client after %1 bytes, no complete request")
                   .arg(received.size()));
        end();
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (this->socket->state() != QAbstractSocket::ConnectedState) {
            report(QStringLiteral("connection failed: %1").arg(this->socket->errorString()));
            end();
        }
    });

    // Bytes may already wait in the socket's buffer when it is handed over.
    if (socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &QueryConnection::readRequest, Qt::QueuedConnection);
}

void QueryConnection::readRequest()
{
    if (reported)
        return;
    received.append(socket->read(limits.maxRequestBytes + 1 - received.size()));
    if (received.size() > limits.maxRequestBytes) {
        reject(QStringLiteral("request larger than %1 bytes").arg(limits.maxRequestBytes));
        return;
    }
    switch (RequestParser::examine(received)) {
    case RequestParser::Framing::Incomplete:
        break;
    case RequestParser::Framing::Malformed:
        reject(QStringLiteral("malformed request: does not begin with <s>"));
        break;
    case RequestParser::Framing::Complete:
        answer();
        break;
    }
}

void QueryConnection::answer()
{
    QList<ComponentRequest> components;
    QString error;
    if (!RequestParser::parse(received, &components, &error)) {
        reject(QStringLiteral("malformed request: %1").arg(error));
        return;
    }
    ResponseBuilder builder(catalogue);
    socket->write(builder.build(components));
    report(QStringLiteral("answered %1 component(s): %2")
               .arg(components.size())
               .arg(components.isEmpty() ? QStringLiteral("none") : builder.summary()));
    // Closes once the answer is written; the deadline still bounds a client that never reads.
    socket->disconnectFromHost();
}

void QueryConnection::reject(const QString &reason)
{
    report(QStringLiteral("closed: %1").arg(reason));
    socket->abort();
    end();
}

void QueryConnection::report(const QString &outcome)
{
    if (reported)
        return;
    reported = true;
    emit logLine(QStringLiteral("%1 %2 %3")
                     .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODate), peer, outcome));
}

void QueryConnection::end()
{
    if (ended)
        return;
    ended = true;
    deadline.stop();
    deleteLater();
}
