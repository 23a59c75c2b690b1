#include "veskupdaterengine.h"

// Placeholder until the update query lands.
bool VeskUpdaterEngine::checkUpdates()
{
    deleteUpdates();
    return true;
}
