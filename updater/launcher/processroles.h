#ifndef PROCESSROLES_H
#define PROCESSROLES_H

class QString;

// The three roles one executable plays in three successive processes, so that the update
// never runs from the installed file. Each returns the process's exit code.

// Copies the program to its worker copy and starts that with "-u" (and "-q").
int runLauncherRole(const QString &programPath, bool quiet);

// The update run; when its windows have closed, starts the launcher path with "-d".
int runWorkerRole(const QString &programPath, bool quiet);

// Removes the worker copy, retrying while the ending worker may still hold it.
int runCleanerRole(const QString &programPath);

#endif
