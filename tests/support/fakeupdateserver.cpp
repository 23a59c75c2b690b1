#include "fakeupdateserver.h"

#include <QMutexLocker>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {
// How long a request may pause before it counts as complete.
const int requestQuietMs = 150;
const qint64 fillerChunkBytes = 64 * 1024;
}

// Lives in the server thread; plays the script on every connection.
class FakeUpdateServerCore : public QObject
{
public:
    explicit FakeUpdateServerCore(FakeUpdateServer *owner)
        : m_owner(owner)
    { }

    quint16 listen()
    {
        connect(m_server, &QTcpServer::newConnection, this, &FakeUpdateServerCore::accept);
        m_server->listen(QHostAddress::LocalHost);
        return m_server->serverPort();
    }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            const int connection = m_owner->addConnection();
            auto *quiet = new QTimer(socket);
            quiet->setSingleShot(true);
            quiet->setInterval(requestQuietMs);
            auto answered = std::make_shared<bool>(false);
            const auto answer = [this, socket, answered] {
                if (*answered)
                    return;
                *answered = true;
                play(socket, m_owner->script(), 0);
            };
            connect(quiet, &QTimer::timeout, socket, answer);
            connect(
                socket, &QTcpSocket::readyRead, socket, [this, socket, connection, quiet, answer] {
                    const QByteArray bytes = socket->readAll();
                    m_owner->addRequestBytes(connection, bytes);
                    if (bytes.endsWith("</s>"))
                        answer();
                    else
                        quiet->start();
                });
            quiet->start();
        }
    }

    void play(QPointer<QTcpSocket> socket, const FakeUpdateServer::Script &script, int index)
    {
        if (!socket || socket->state() != QAbstractSocket::ConnectedState)
            return;
        if (index < script.pieces.size()) {
            socket->write(script.pieces.at(index));
            socket->flush();
            m_owner->addBytesSent(script.pieces.at(index).size());
            QTimer::singleShot(script.delayMs, socket,
                [this, socket, script, index] { play(socket, script, index + 1); });
            return;
        }
        if (!script.filler.isEmpty()) {
            sendFiller(socket, script);
            return;
        }
        if (script.ending == FakeUpdateServer::Close)
            socket->disconnectFromHost();
    }

    void sendFiller(QTcpSocket *socket, const FakeUpdateServer::Script &script)
    {
        // Tops the socket up only as the peer takes the bytes, so memory here stays small.
        auto sent = std::make_shared<qint64>(0);
        const auto topUp = [this, socket, script, sent] {
            while (socket->bytesToWrite() < fillerChunkBytes && *sent < script.fillerBytes) {
                QByteArray chunk;
                while (chunk.size() < fillerChunkBytes)
                    chunk += script.filler;
                socket->write(chunk);
                *sent += chunk.size();
                m_owner->addBytesSent(chunk.size());
            }
            if (*sent >= script.fillerBytes && socket->bytesToWrite() == 0
                && script.ending == FakeUpdateServer::Close)
                socket->disconnectFromHost();
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
        topUp();
    }

    FakeUpdateServer *m_owner;
    QTcpServer *m_server = new QTcpServer(this); // a child, so it moves to the server thread
};

FakeUpdateServer::FakeUpdateServer()
{
    m_core = new FakeUpdateServerCore(this);
    m_core->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_core, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_core, [this] { m_port = m_core->listen(); }, Qt::BlockingQueuedConnection);
}

FakeUpdateServer::~FakeUpdateServer()
{
    m_thread.quit();
    m_thread.wait();
}

void FakeUpdateServer::setAnswer(const QList<QByteArray> &pieces, int delayMs, Ending ending)
{
    QMutexLocker lock(&m_mutex);
    m_script.pieces = pieces;
    m_script.delayMs = delayMs;
    m_script.ending = ending;
}

void FakeUpdateServer::setEndlessFiller(const QByteArray &filler, qint64 totalBytes)
{
    QMutexLocker lock(&m_mutex);
    m_script.filler = filler;
    m_script.fillerBytes = totalBytes;
}

QString FakeUpdateServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QList<QByteArray> FakeUpdateServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

int FakeUpdateServer::connectionCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_requests.size());
}

qint64 FakeUpdateServer::bytesSent() const
{
    QMutexLocker lock(&m_mutex);
    return m_bytesSent;
}

FakeUpdateServer::Script FakeUpdateServer::script() const
{
    QMutexLocker lock(&m_mutex);
    return m_script;
}

int FakeUpdateServer::addConnection()
{
    QMutexLocker lock(&m_mutex);
    m_requests.append(QByteArray());
    return int(m_requests.size()) - 1;
}

void FakeUpdateServer::addRequestBytes(int connection, const QByteArray &bytes)
{
    QMutexLocker lock(&m_mutex);
    m_requests[connection] += bytes;
}

void FakeUpdateServer::addBytesSent(qint64 bytes)
{
    QMutexLocker lock(&m_mutex);
    m_bytesSent += bytes;
}

quint16 FakeUpdateServer::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
