#include "windowprobeplugin.h"

#include "windowobserver.h"

QObject *WindowProbePlugin::create(const QString &, const QString &)
{
    // The application deletes the objects its generic plugins create when it goes away.
    return new WindowObserver;
}
