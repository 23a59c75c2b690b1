#include "vesktestsupport.h"

void VeskEngineTestAccess::setUpdates(
    VeskUpdaterEngine &engine, const QVector<UpdateRecord *> &records)
{
    engine.deleteUpdates();
    engine.updates = records;
}

void VeskEngineTestAccess::setWaits(VeskUpdaterEngine &engine, int networkWaitMs, int clientWaitMs)
{
    engine.networkWaitMs = networkWaitMs;
    engine.clientWaitMs = clientWaitMs;
}

UpdateRecord *makeRecord(
    const QString &name, const QString &type, const QString &link, const QString &project)
{
    const auto u = [](const QString &s) { return s.toStdString(); };
    return new UpdateRecord(u(project), u(name), u(type), "1.0", u(name + " description"),
        "copyright", "author", "http://example.invalid/", "dev@example.invalid",
        u(name + " changelog"), u(link), false, 0);
}
