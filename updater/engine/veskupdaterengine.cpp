#include "veskupdaterengine.h"

#include <QDir>
#include <QStandardPaths>

VeskUpdaterEngine::VeskUpdaterEngine()
    : QObject(nullptr)
    , stagingDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/vupdates/")
{
    // A folder that cannot be made shows up as the first download's file error.
    QDir().mkpath(stagingDir);

    connect(&http, &HttpClient::requestFinished, this, &VeskUpdaterEngine::requestFinished);
    connect(&http, &HttpClient::dataReadProgress, this, &VeskUpdaterEngine::dataReadProgress);
    connect(&http, &HttpClient::responseHeaderReceived, this,
        &VeskUpdaterEngine::responseHeaderReceived);
}

VeskUpdaterEngine::~VeskUpdaterEngine()
{
    deleteUpdates();
}

void VeskUpdaterEngine::deleteUpdates()
{
    qDeleteAll(updates);
    updates.clear();
}

bool VeskUpdaterEngine::hasUpdates() const
{
    return updates.size() > 0;
}

QVector<UpdateRecord *> VeskUpdaterEngine::updateList() const
{
    return updates;
}

QString VeskUpdaterEngine::installationLog() const
{
    return installLog;
}

bool VeskUpdaterEngine::installSucceeded() const
{
    return installOk;
}
