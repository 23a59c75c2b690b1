#ifndef PACKAGEINSTALLER_H
#define PACKAGEINSTALLER_H

#include <QFileDevice>
#include <QString>
#include <QStringList>

class UpdateRecord;

// Installs the package of one update and can roll that installation back. What it backed up
// is recorded only in this object, so only the object that installed can roll back.
class PackageInstaller
{
public:
    explicit PackageInstaller(const UpdateRecord *record);

    bool install(const QString &stagingDir, QString *errorText, QStringList *fileList);
    bool rollback(const QString &stagingDir);

private:
    const UpdateRecord *record;
    QString unwindDir;
    QString targetDir;
    QString manifestBase;
    QStringList backedUpDirs;
    QStringList backedUpFiles;
    QFileDevice::Permissions targetPermissions;
};

#endif
