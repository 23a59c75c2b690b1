#ifndef PACKAGEINSTALLER_H
#define PACKAGEINSTALLER_H

#include <QFileDevice>
#include <QString>
#include <QStringList>

class UpdateRecord;
class ZipArchive;
class ManifestReader;

// Installs the package of one update and can roll that installation back. What it backed up
// is recorded only in this object, so only the object that installed can roll back.
class PackageInstaller
{
public:
    explicit PackageInstaller(const UpdateRecord *record);

    // Unpacks the archive into `stagingDir`, lists the unpacked files (" - " + entry name,
    // the manifest left out) in `fileList` and carries out the manifest, backing up every
    // file it replaces or deletes into stagingDir + "/unwind/". On failure `errorText` says
    // why where there is more to say than the failing step itself.
    bool install(const QString &stagingDir, QString *errorText, QStringList *fileList);
    // Puts back what install backed up; false at the first folder or file it cannot restore.
    bool rollback(const QString &stagingDir);

private:
    bool extract(const QString &stagingDir, QString *errorText, QStringList *fileList);
    bool extractEntry(ZipArchive &archive, const QString &stagingDir, const QString &name,
        QString *errorText, QStringList *fileList);
    bool applyManifest(const QString &stagingDir, QString *errorText);
    bool packageMatches(const ManifestReader &reader) const;
    bool applyFile(const QString &stagingDir, const QString &path, const QString &name,
        const QString &action, QString *errorText);

    const UpdateRecord *record;
    QString unwindDir;
    QString targetDir;
    QString manifestBase;
    QStringList backedUpDirs;
    QStringList backedUpFiles;
    QFileDevice::Permissions targetPermissions;
};

#endif
