#include "launchflags.h"

LaunchFlags scanFlags(const QStringList &arguments)
{
    LaunchFlags flags;
    bool worker = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("-q")) {
            flags.quiet = true;
        } else if (argument == QLatin1String("-u")) {
            worker = true;
        } else if (argument == QLatin1String("-d")) {
            flags.role = LaunchFlags::Cleaner;
            return flags;
        }
    }
    flags.role = worker ? LaunchFlags::Worker : LaunchFlags::Launcher;
    return flags;
}
