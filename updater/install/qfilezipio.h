#ifndef QFILEZIPIO_H
#define QFILEZIPIO_H

#include <ioapi.h>

// Fills minizip's file functions with ones backed by QFile. The "file name" handed to
// minizip's open calls is then a pointer to a QString, so a path with any characters opens
// on every platform, without a round trip through an 8-bit encoding.
void fillQFileZipFunctions(zlib_filefunc64_def *functions);

#endif
