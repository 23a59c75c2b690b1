#ifndef HTTPCLIENT_H
#define HTTPCLIENT_H

#include "httpresponseheader.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QString>

class QIODevice;
class QNetworkReply;

// A small sequential HTTP client: requests, host settings included, run strictly one after
// another in the order queued, each identified by the id its call returns. Every step ends
// with requestFinished(id, error); a failed step drops everything still queued.
//
// Only 2xx answers succeed: any other final status fails its request with a text naming the
// status. Redirects are followed (never from https down to http). A request that receives
// nothing for transferTimeout() ms fails.
class HttpClient : public QObject
{
    Q_OBJECT
public:
    explicit HttpClient(QObject *parent = nullptr);
    ~HttpClient() override;

    // The requests queued after this step go to scheme://host:port. Only "http" and "https"
    // can be fetched, and port 0 names no server: a request under either fails with an
    // error text.
    int setHost(
        const QString &host, quint16 port = 80, const QString &scheme = QStringLiteral("http"));
    // `path` as it goes on the request line: percent-encoded, query not included.
    int head(const QString &path);
    // The body goes into `to` as it arrives, never held whole in memory. `to` must be open
    // for writing until the request ends; without a device the body is discarded. A file
    // is flushed before the request counts as done, so a full disk fails the request.
    int get(const QString &path, QIODevice *to);

    // Whether steps are queued that have not started yet (the running one not counted).
    bool hasPendingRequests() const;
    // Ends the running request with requestFinished(id, true) and drops the queue.
    void abort();
    // The description of the last failure.
    QString errorString() const;

    int transferTimeout() const { return m_transferTimeoutMs; }
    void setTransferTimeout(int ms) { m_transferTimeoutMs = ms; }

signals:
    void requestFinished(int id, bool error);
    // Body bytes of the running GET so far, and its Content-Length (0 when unknown).
    void dataReadProgress(qint64 done, qint64 total);
    // Sent once per successful request, for its final (non-redirect) response.
    void responseHeaderReceived(const HttpResponseHeader &resp);

private:
    Q_DISABLE_COPY(HttpClient)

    enum class StepKind { SetHost, Head, Get };
    struct Step
    {
        int id = 0;
        StepKind kind = StepKind::SetHost;
        QString scheme;
        QString host;
        quint16 port = 0;
        QString path;
        QPointer<QIODevice> device;
    };

    int enqueue(Step step);
    void scheduleStart();
    void runQueue();
    void startRequest(const Step &step);
    void takeHeader();
    void readBody();
    void onReplyFinished();
    QString failureText() const;
    void endCurrent(bool error, const QString &text);

    QNetworkAccessManager m_manager;
    QQueue<Step> m_queue;
    QString m_scheme = QStringLiteral("http");
    QString m_host;
    quint16 m_port = 80;

    // The running request.
    QNetworkReply *m_reply = nullptr;
    int m_currentId = 0;
    QPointer<QIODevice> m_device;
    bool m_headerTaken = false;
    bool m_bodyWanted = false;
    qint64 m_bodyDone = 0;
    qint64 m_bodyTotal = 0;
    QString m_writeError;

    QByteArray m_buffer;
    bool m_startScheduled = false;
    int m_nextId = 1;
    int m_transferTimeoutMs = 60000;
    QString m_errorString;
};

#endif
