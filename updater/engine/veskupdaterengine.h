#ifndef VESKUPDATERENGINE_H
#define VESKUPDATERENGINE_H

#include "httpclient.h"
#include "httpresponseheader.h"
#include "updaterecord.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QVector>

// Holds the whole state of one update run: the announced updates, the download and the
// installation. The windows drive it through its public slots and observe its signals.
class VeskUpdaterEngine : public QObject
{
    Q_OBJECT
public:
    enum DownloadState { Idle = 0, Sizing = 1, Downloading = 2, Aborted = 3 };

    VeskUpdaterEngine();
    ~VeskUpdaterEngine() override;

    bool checkUpdates();
    bool hasUpdates() const;
    QVector<UpdateRecord *> updateList() const;
    QString installationLog() const;
    bool installSucceeded() const;

signals:
    void downloadProgress(int done);
    void downloadFile(const QString &name);
    void downloadFinished();
    void installProgress(int done);
    void installFile(const QString &name);
    void installFinished();
    void error(const QString &str);

public slots:
    void beginDownload();
    void abortDownload();
    void installUpdates();

private slots:
    void requestFinished(int id, bool error);
    void dataReadProgress(qint64 done, qint64 total);
    void responseHeaderReceived(const HttpResponseHeader &resp);

private:
    Q_DISABLE_COPY(VeskUpdaterEngine)
    friend class VeskEngineTestAccess; // tests only: fills `updates`, shortens waits

    void startFileDownload();
    void finishFileDownload();
    void deleteUpdates();

    QTcpSocket socket;
    HttpClient http;
    QString installLog;
    QFile outputFile;
    QVector<UpdateRecord *> updates;
    int currentIndex = 0;
    QString stagingDir;
    qint64 fileBytesDone = 0;
    qint64 bytesDone = 0;
    qint64 bytesTotal = 0;
    int requestId = 0;
    int downloadState = Idle;
    bool installOk = false;

    // Bounded waits; tests shorten them.
    int networkWaitMs = 30000;
    int clientWaitMs = 60000;
};

#endif
