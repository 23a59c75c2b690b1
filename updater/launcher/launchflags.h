#ifndef LAUNCHFLAGS_H
#define LAUNCHFLAGS_H

#include <QStringList>

// What the command line asks this process to be.
struct LaunchFlags
{
    enum Role { Launcher, Worker, Cleaner };

    Role role = Launcher;
    bool quiet = false;
};

// Scans the arguments after the program path (arguments.first()). Only the exact arguments
// "-q", "-u" and "-d" count; "-d" wins at once over anything before or after it.
LaunchFlags scanFlags(const QStringList &arguments);

#endif
