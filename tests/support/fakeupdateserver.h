#ifndef FAKEUPDATESERVER_H
#define FAKEUPDATESERVER_H

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

class FakeUpdateServerCore;

// A TCP update server on loopback for tests. It runs in a thread of its own, because the
// update query blocks the thread that calls it. Every connection is handled the same way:
// the server reads the request until it ends with "</s>" or nothing more comes for a moment
// (a request may be empty), then plays its answer.
class FakeUpdateServer
{
public:
    enum Ending {
        KeepOpen, // after the answer, leave the connection open
        Close, // after the answer, close the connection
    };

    FakeUpdateServer();
    ~FakeUpdateServer();
    Q_DISABLE_COPY(FakeUpdateServer)

    // The answer, sent in the given pieces with `delayMs` between them. No pieces with
    // KeepOpen is a server that never answers; no pieces with Close one that hangs up.
    void setAnswer(const QList<QByteArray> &pieces, int delayMs = 0, Ending ending = KeepOpen);
    void setAnswer(const QByteArray &whole) { setAnswer(QList<QByteArray> { whole }); }
    // After the pieces, sends `filler` over and over until `totalBytes` have gone out or the
    // client hangs up (an answer that never ends).
    void setEndlessFiller(const QByteArray &filler, qint64 totalBytes);

    quint16 port() const { return m_port; }
    // The value of VESK_UPDATE_SERVER that points the updater here.
    QString address() const;

    // The bytes received on each connection so far, in connection order.
    QList<QByteArray> requests() const;
    int connectionCount() const;
    // Bytes sent on all connections so far.
    qint64 bytesSent() const;

    // A loopback port on which nothing listens (connecting to it is refused).
    static quint16 closedPort();

private:
    friend class FakeUpdateServerCore;
    struct Script
    {
        QList<QByteArray> pieces;
        int delayMs = 0;
        Ending ending = KeepOpen;
        QByteArray filler;
        qint64 fillerBytes = 0;
    };
    Script script() const;
    int addConnection();
    void addRequestBytes(int connection, const QByteArray &bytes);
    void addBytesSent(qint64 bytes);

    mutable QMutex m_mutex;
    Script m_script;
    QList<QByteArray> m_requests;
    qint64 m_bytesSent = 0;

    QThread m_thread;
    FakeUpdateServerCore *m_core = nullptr;
    quint16 m_port = 0;
};

#endif
