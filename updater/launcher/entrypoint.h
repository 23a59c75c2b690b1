#ifndef ENTRYPOINT_H
#define ENTRYPOINT_H

// The process entry: start-up, then the role chosen by the command line. Returns the exit code.
int runUpdater(int argc, char *argv[]);

#endif
