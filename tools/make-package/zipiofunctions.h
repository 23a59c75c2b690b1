#ifndef ZIPIOFUNCTIONS_H
#define ZIPIOFUNCTIONS_H

#include <minizip/ioapi.h>

// minizip's file functions backed by QFile, so archives open under any path the platform
// allows. The "path" handed to minizip's open calls must point to a QString.
zlib_filefunc64_def qfileZipIoFunctions();

#endif
