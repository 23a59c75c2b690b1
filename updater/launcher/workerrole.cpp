#include "processroles.h"

#include "engine/veskupdaterengine.h"
#include "exceptionguard.h"
#include "launchermessages.h"
#include "relaunchpaths.h"
#include "ui/veskchangelogdialog.h"
#include "ui/veskdownloaddialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

int runWorkerRole(const QString &programPath, bool quiet)
{
    bool windowsShown = false;
    const std::optional<int> result = runGuarded([&]() -> int {
        VeskUpdaterEngine engine;
        if (!engine.checkUpdates())
            return 0; // the query has told the user
        if (!engine.hasUpdates()) {
            if (!quiet)
                showUpdateInformation(
                    QCoreApplication::translate("translation", "No updates available.", "nc"));
            return 0;
        }
        // The first window owns itself; the ones after it follow from it.
        if (quiet)
            new VeskDownloadDialog(&engine);
        else
            new VeskChangelogDialog(&engine);
        windowsShown = true;
        return QApplication::exec();
    }); // the engine is gone here, before the cleaner starts

    if (!result)
        return 1; // no cleaner after an exception: the next launcher replaces the copy
    if (windowsShown)
        QProcess::startDetached(launcherPath(programPath), { QStringLiteral("-d") });
    return *result;
}
