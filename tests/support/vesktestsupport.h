#ifndef VESKTESTSUPPORT_H
#define VESKTESTSUPPORT_H

#include "engine/veskupdaterengine.h"

#include <QString>
#include <QVector>

// Reaches into the engine where a test must set up or observe state that only a network
// exchange would otherwise produce.
class VeskEngineTestAccess
{
public:
    // The engine takes ownership of the records, as after an update query.
    static void setUpdates(VeskUpdaterEngine &engine, const QVector<UpdateRecord *> &records);
    static QString stagingDir(const VeskUpdaterEngine &engine) { return engine.stagingDir; }
    static int downloadState(const VeskUpdaterEngine &engine) { return engine.downloadState; }
    static qint64 bytesDone(const VeskUpdaterEngine &engine) { return engine.bytesDone; }
    static qint64 bytesTotal(const VeskUpdaterEngine &engine) { return engine.bytesTotal; }
    static HttpClient &http(VeskUpdaterEngine &engine) { return engine.http; }
    static void setWaits(VeskUpdaterEngine &engine, int networkWaitMs, int clientWaitMs);
    // The outcome of an installation run, as the summary window reads it.
    static void setInstallResult(VeskUpdaterEngine &engine, const QString &log, bool ok)
    {
        engine.installLog = log;
        engine.installOk = ok;
    }
};

// A record with the given name, type and link; other texts are filled from the name.
UpdateRecord *makeRecord(const QString &name, const QString &type, const QString &link,
    const QString &project = QStringLiteral("vesk"));

#endif
