#include "processroles.h"

#include "launchermessages.h"
#include "relaunchpaths.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>

int runLauncherRole(const QString &programPath, bool quiet)
{
    const QString copyPath = workerCopyPath(programPath);
    QFile program(programPath);
    if (!program.copy(copyPath)) {
        // Usually a copy left by an earlier worker that ended without its cleaner.
        QFile::remove(copyPath);
        program.unsetError();
        if (!program.copy(copyPath)) {
            showUpdateError(program.errorString());
            return 1;
        }
    }

    QStringList arguments { QStringLiteral("-u") };
    if (quiet)
        arguments << QStringLiteral("-q");
    if (!QProcess::startDetached(copyPath, arguments)) {
        showUpdateError(QCoreApplication::translate("translation", "Cannot run update!", "nc"));
        return 1;
    }
    return 0;
}
