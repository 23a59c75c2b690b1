#include "relaunchpaths.h"

namespace {
const QLatin1String copySuffix("_copy.exe");
}

QString workerCopyPath(const QString &programPath)
{
    return programPath + copySuffix;
}

QString launcherPath(const QString &programPath)
{
    return QString(programPath).remove(copySuffix, Qt::CaseSensitive);
}
