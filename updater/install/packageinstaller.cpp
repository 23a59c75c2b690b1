#include "packageinstaller.h"

#include "engine/updaterecord.h"
#include "install/filecopy.h"
#include "install/manifestreader.h"
#include "install/ziparchive.h"
#include "install/zipentry.h"
#include "launcher/roamingappdata.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace {

constexpr int chunkSize = 4096;
constexpr qint64 maxEntryNameLength = 255;

QString text(const char *source)
{
    return QCoreApplication::translate("translation", source, "nc");
}

QString fromUtf8(const std::string &s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QString linkPath(const UpdateRecord *record)
{
    return QUrl(fromUtf8(record->link())).path();
}

// A name that would place its output outside the staging folder, with either separator,
// since the archive may come from a system whose separator is "\".
bool isUnsafeEntryName(const QString &name, qint64 length)
{
    if (length > maxEntryNameLength)
        return true;
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')))
        return true;
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':') && name.at(0).isLetter())
        return true;
    const QStringList segments = name.split(QRegularExpression(QStringLiteral("[/\\\\]")));
    for (const QString &segment : segments) {
        if (segment == QLatin1String(".") || segment == QLatin1String(".."))
            return true;
    }
    return false;
}

QString absoluteCleanPath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool isFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString parentOf(const QString &relativePath)
{
    const qsizetype slash = relativePath.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : relativePath.left(slash);
}

} // namespace

PackageInstaller::PackageInstaller(const UpdateRecord *record)
    : record(record)
{
    manifestBase = linkPath(record);
    manifestBase.chop(4);

    const QString type = fromUtf8(record->type());
    if (type == QLatin1String("app")) {
        targetDir = QCoreApplication::applicationDirPath();
    } else if (type == QLatin1String("plugin")) {
        bool found = false;
        const QString appData = roamingAppDataFolder(QProcess::systemEnvironment(), &found);
        if (found)
            targetDir = appData + QStringLiteral("/Veskora/plugins/");
    }
    targetPermissions
        = targetDir.isEmpty() ? QFileDevice::Permissions() : QFileInfo(targetDir).permissions();
}

bool PackageInstaller::install(const QString &stagingDir, QString *errorText, QStringList *fileList)
{
    unwindDir = stagingDir + QStringLiteral("/unwind/");
    // An empty root would resolve every target against the file system's root.
    if (targetDir.isEmpty()) {
        *errorText = text("The package type \"%1\" has no installation folder.")
                         .arg(fromUtf8(record->type()));
        return false;
    }
    QDir().mkpath(stagingDir);
    QDir().mkpath(unwindDir);

    return extract(stagingDir, errorText, fileList) && applyManifest(stagingDir, errorText);
}

bool PackageInstaller::extract(const QString &stagingDir, QString *errorText, QStringList *fileList)
{
    ZipArchive archive(stagingDir + QLatin1Char('/') + linkPath(record));
    if (!archive.isOpen())
        return false;

    // A hostile archive is refused whole, before any of its entries is written.
    for (bool more = archive.goToFirstEntry(); more; more = archive.goToNextEntry()) {
        ZipArchive::EntryInfo info;
        if (!archive.currentEntry(&info))
            return false;
        const QString name = QString::fromLatin1(info.name);
        if (isUnsafeEntryName(name, info.nameLength)) {
            *errorText = text("The package holds an entry with an unsafe name: %1").arg(name);
            return false;
        }
    }

    bool more = archive.goToFirstEntry();
    while (more) {
        ZipArchive::EntryInfo info;
        if (!archive.currentEntry(&info))
            return false;
        const QString name = QString::fromLatin1(info.name);
        if (name.endsWith(QLatin1Char('/'))) {
            const QString folder = stagingDir + QLatin1Char('/') + name;
            if (!QFileInfo::exists(folder))
                QDir().mkpath(folder);
        } else if (!extractEntry(archive, stagingDir, name, errorText, fileList)) {
            return false;
        }
        more = archive.goToNextEntry();
    }
    return true;
}

bool PackageInstaller::extractEntry(ZipArchive &archive, const QString &stagingDir,
    const QString &name, QString *errorText, QStringList *fileList)
{
    const QString outputPath = stagingDir + QLatin1Char('/') + name;
    if (name.contains(QLatin1Char('/')))
        QDir().mkpath(outputPath.left(outputPath.lastIndexOf(QLatin1Char('/'))));

    QFile output(outputPath);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *errorText = output.errorString();
        return false;
    }
    ZipEntry entry(archive);
    if (!entry.isOpen())
        return false;

    auto writeFailed = [&]() {
        *errorText = output.error() != QFileDevice::NoError
            ? output.errorString()
            : text("Could not write the file %1.").arg(outputPath);
        return false;
    };

    char buffer[chunkSize];
    for (;;) {
        const qint64 n = entry.read(buffer, chunkSize);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (output.write(buffer, n) != n)
            return writeFailed();
    }
    if (!output.flush())
        return writeFailed();

    const QString manifestName = manifestBase.mid(manifestBase.startsWith(QLatin1Char('/')) ? 1 : 0)
        + QStringLiteral(".xml");
    if (name != manifestName)
        fileList->append(QStringLiteral(" - ") + name);

    if (!entry.close()) {
        *errorText = text("The package entry %1 is damaged: its data does not match its checksum.")
                         .arg(name);
        return false;
    }
    output.close();
    return true;
}

bool PackageInstaller::applyManifest(const QString &stagingDir, QString *errorText)
{
    QFile manifest(stagingDir + QLatin1Char('/') + manifestBase + QStringLiteral(".xml"));
    if (!manifest.open(QIODevice::ReadOnly)) {
        *errorText = text("The package manifest %1 is missing or cannot be read: %2")
                         .arg(manifest.fileName(), manifest.errorString());
        return false;
    }

    ManifestReader reader(&manifest);
    for (;;) {
        switch (reader.readNext()) {
        case ManifestReader::Package:
            if (!packageMatches(reader))
                return false;
            break;
        case ManifestReader::File: {
            const ManifestReader::FileElement file = reader.fileElement();
            if (!applyFile(stagingDir, file.path, file.name, file.action, errorText))
                return false;
            break;
        }
        case ManifestReader::End:
            if (reader.hasError()) {
                *errorText = text("The package manifest %1 is not well-formed: %2 (line %3)")
                                 .arg(manifest.fileName(), reader.errorString())
                                 .arg(reader.lineNumber());
                return false;
            }
            return true;
        }
    }
}

bool PackageInstaller::packageMatches(const ManifestReader &reader) const
{
    const QList<QPair<QString, QString>> attributes = reader.packageAttributes();
    for (const auto &attribute : attributes) {
        const std::string &expected = attribute.first == QLatin1String("project")
            ? record->project()
            : attribute.first == QLatin1String("name") ? record->name()
                                                       : record->type();
        if (attribute.second != fromUtf8(expected))
            return false;
    }
    return true;
}

bool PackageInstaller::applyFile(const QString &stagingDir, const QString &path,
    const QString &name, const QString &action, QString *errorText)
{
    // Both sides absolute and free of "." and "..", compared on a folder boundary, so that
    // neither "../" nor a sibling folder sharing the root's name as a prefix gets through.
    const QString root = absoluteCleanPath(targetDir);
    const QString target
        = absoluteCleanPath(targetDir + QLatin1Char('/') + path + QLatin1Char('/') + name);
    const QString rootPrefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (target != root && !target.startsWith(rootPrefix))
        return true;

    // The file's place under the root names its backup and its source, whatever detours
    // `path` took to get there.
    const QString relative = target == root ? QString() : target.mid(rootPrefix.size());
    const QString relativeDir = parentOf(relative);

    if (isFile(target)) {
        const QString backup = unwindDir + relative;
        // The first copy holds the state from before the run; a later package keeps it.
        if (!QFileInfo::exists(backup)) {
            QDir().mkpath(unwindDir + relativeDir);
            // Always a copy: a file moved here while a running program holds it open could
            // not be cleared away after the run and would pass for the next run's backup.
            QString backupError;
            const bool saved = copyFile(target, backup, &backupError);
            if (!saved) {
                *errorText = text("Could not back up the file %1: %2").arg(target, backupError);
                return false;
            }
        }
        if (!backedUpDirs.contains(relativeDir))
            backedUpDirs.append(relativeDir);
        backedUpFiles.append(relative);
    }

    if (action == QLatin1String("remove")) {
        if (isFile(target))
            QFile::remove(target);
    } else if (action == QLatin1String("add")) {
        if (isFile(target))
            QFile::remove(target);
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!copyFile(stagingDir + QLatin1Char('/') + relative, target))
            return false;
        if (targetPermissions)
            QFile::setPermissions(target, targetPermissions);
    }
    return true;
}

bool PackageInstaller::rollback(const QString &stagingDir)
{
    unwindDir = stagingDir + QStringLiteral("/unwind/");
    for (const QString &dir : std::as_const(backedUpDirs)) {
        const QString folder = targetDir + QLatin1Char('/') + dir;
        if (!QFileInfo::exists(folder) && !QDir().mkpath(folder))
            return false;
    }
    for (const QString &file : std::as_const(backedUpFiles)) {
        const QString target = targetDir + QLatin1Char('/') + file;
        QFile::remove(target);
        if (!copyFile(unwindDir + file, target))
            return false;
    }
    return true;
}
