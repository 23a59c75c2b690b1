#ifndef RESIDENTMEMORY_H
#define RESIDENTMEMORY_H

#include <QtGlobal>

// This process's resident memory, now and at its peak, in bytes; -1 where the system does
// not tell (no /proc/self/status). Callers skip their check then.
qint64 residentMemoryBytes();
qint64 peakResidentMemoryBytes();

#endif
