#include "boxprobeplugin.h"

#include "boxprobeobserver.h"

QObject *BoxProbePlugin::create(const QString &, const QString &)
{
    // The application deletes the objects its generic plugins create when it goes away.
    return new BoxProbeObserver;
}
