#ifndef HTTPCLIENT_H
#define HTTPCLIENT_H

#include "httpresponseheader.h"

#include <QObject>
#include <QString>

class QIODevice;

// A small sequential HTTP client: requests (host settings included) run strictly one
// after another in the order queued, each identified by an id.
class HttpClient : public QObject
{
    Q_OBJECT
public:
    explicit HttpClient(QObject *parent = nullptr);
    ~HttpClient() override;

    int setHost(const QString &host, quint16 port = 80);
    int head(const QString &path);
    int get(const QString &path, QIODevice *to);
    bool hasPendingRequests() const;
    void abort();
    QString errorString() const;

signals:
    void requestFinished(int id, bool error);
    void dataReadProgress(qint64 done, qint64 total);
    void responseHeaderReceived(const HttpResponseHeader &resp);

private:
    Q_DISABLE_COPY(HttpClient)
    int m_nextId = 1;
    QString m_errorString;
};

#endif
