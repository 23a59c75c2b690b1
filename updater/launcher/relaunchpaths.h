#ifndef RELAUNCHPATHS_H
#define RELAUNCHPATHS_H

#include <QString>

// The program path is the first argument as the process received it, never the executable's
// location as the system reports it: the three roles find each other through it.

// Where the launcher puts the copy that runs the update: the whole path + "_copy.exe".
QString workerCopyPath(const QString &programPath);

// The program the worker starts as the cleaner: its own path without any "_copy.exe".
QString launcherPath(const QString &programPath);

#endif
