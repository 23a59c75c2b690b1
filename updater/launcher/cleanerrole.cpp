#include "processroles.h"

#include "relaunchpaths.h"

#include <QFile>
#include <QThread>

namespace {
const int removalAttempts = 10;
const unsigned long removalPauseMs = 500;
}

int runCleanerRole(const QString &programPath)
{
    // The worker starts us as its last act, so its file may stay locked for a moment.
    const QString copyPath = workerCopyPath(programPath);
    for (int attempt = 0; attempt < removalAttempts; ++attempt) {
        if (QFile::remove(copyPath))
            break;
        QThread::msleep(removalPauseMs);
    }
    return 0;
}
