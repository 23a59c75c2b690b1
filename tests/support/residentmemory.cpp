#include "residentmemory.h"

#include <QByteArray>
#include <QFile>

namespace {

// Reads a "Name:   1234 kB" line of /proc/self/status.
qint64 statusKilobytes(const QByteArray &name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (!line.startsWith(name + ':'))
            continue;
        bool ok = false;
        const qint64 kb = line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong(&ok);
        return ok ? kb * 1024 : -1;
    }
    return -1;
}

} // namespace

qint64 residentMemoryBytes()
{
    return statusKilobytes("VmRSS");
}

qint64 peakResidentMemoryBytes()
{
    return statusKilobytes("VmHWM");
}
