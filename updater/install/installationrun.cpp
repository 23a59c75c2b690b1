#include "engine/veskupdaterengine.h"

// Placeholder until the installation run lands.
void VeskUpdaterEngine::installUpdates()
{
    emit installFinished();
}
