#include "packageinstaller.h"

#include "engine/updaterecord.h"

// Placeholder until the installer lands.
PackageInstaller::PackageInstaller(const UpdateRecord *record) : record(record) {}

bool PackageInstaller::install(const QString &, QString *, QStringList *)
{
    return false;
}

bool PackageInstaller::rollback(const QString &)
{
    return true;
}
