#include "veskupdaterengine.h"

// Placeholders until the download lands.
void VeskUpdaterEngine::beginDownload() {}
void VeskUpdaterEngine::abortDownload() {}
void VeskUpdaterEngine::requestFinished(int, bool) {}
void VeskUpdaterEngine::dataReadProgress(qint64, qint64) {}
void VeskUpdaterEngine::responseHeaderReceived(const HttpResponseHeader &) {}
void VeskUpdaterEngine::startFileDownload() {}
void VeskUpdaterEngine::finishFileDownload() {}
