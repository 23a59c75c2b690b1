#include "entrypoint.h"

#include "interfacelanguage.h"
#include "launchflags.h"
#include "processroles.h"

#include <QApplication>
#include <QStringList>
#include <QTranslator>

int runUpdater(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(updater);
    QTranslator translator;
    InterfaceLanguage language(translator);

    // The arguments as the application left them (toolkit options taken out), decoded the
    // way the platform means them, so any folder name round-trips to the worker copy.
    const QStringList arguments = QCoreApplication::arguments();
    const QString programPath = arguments.value(0);
    const LaunchFlags flags = scanFlags(arguments);
    switch (flags.role) {
    case LaunchFlags::Cleaner:
        return runCleanerRole(programPath);
    case LaunchFlags::Worker:
        return runWorkerRole(programPath, flags.quiet);
    case LaunchFlags::Launcher:
        break;
    }
    return runLauncherRole(programPath, flags.quiet);
}
