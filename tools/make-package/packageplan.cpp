#include "packageplan.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>

#include <algorithm>

namespace {

// Relative path -> absolute path of every regular file under folder.
bool listFiles(const QString &folder, QMap<QString, QString> *files, QString *error)
{
    const QDir root(folder);
    if (!root.exists()) {
        *error = QStringLiteral("%1: no such folder").arg(folder);
        return false;
    }
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink() || !info.isFile()) {
            *error = QStringLiteral("%1: not a regular file (links are not packaged)")
                         .arg(info.filePath());
            return false;
        }
        files->insert(root.relativeFilePath(info.absoluteFilePath()), info.absoluteFilePath());
    }
    return true;
}

QByteArray digest(const QString &path, QString *error)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return QByteArray();
    }
    return hash.result();
}

} // namespace

QString PackagePlan::checkRelativePath(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("empty path");
    if (path.startsWith(u'/') || (path.size() > 1 && path.at(1) == u':'))
        return QStringLiteral("%1: not a relative path").arg(path);
    if (path.contains(u'\\'))
        return QStringLiteral("%1: backslash in path").arg(path);
    for (const QString &part : path.split(u'/')) {
        if (part.isEmpty() || part == u"." || part == u"..")
            return QStringLiteral("%1: empty, \".\" or \"..\" part").arg(path);
    }
    for (QChar c : path) {
        if (c.unicode() > 0xFF || c.unicode() < 0x20)
            return QStringLiteral("%1: only Latin-1 characters can name archive entries").arg(path);
    }
    if (path.size() > 255)
        return QStringLiteral("%1: longer than 255 bytes").arg(path);
    return QString();
}

bool PackagePlan::add(const PlannedFile &file, QString *error)
{
    const QString problem = checkRelativePath(file.relativePath);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    for (const PlannedFile &other : planned) {
        if (other.relativePath == file.relativePath) {
            *error = QStringLiteral("%1: both %2 and %3")
                         .arg(file.relativePath, other.action, file.action);
            return false;
        }
    }
    const auto at = std::lower_bound(planned.begin(), planned.end(), file,
        [](const PlannedFile &a, const PlannedFile &b) { return a.relativePath < b.relativePath; });
    planned.insert(at, file);
    return true;
}

bool PackagePlan::addFolder(const QString &folder, QString *error)
{
    QMap<QString, QString> files;
    if (!listFiles(folder, &files, error))
        return false;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!add({ it.key(), QStringLiteral("add"), it.value() }, error))
            return false;
    }
    return true;
}

bool PackagePlan::addRemovals(const QStringList &removals, QString *error)
{
    for (const QString &path : removals) {
        if (!add({ path, QStringLiteral("remove"), QString() }, error))
            return false;
    }
    return true;
}

bool PackagePlan::addDifference(const QString &oldFolder, const QString &newFolder, QString *error)
{
    QMap<QString, QString> before;
    QMap<QString, QString> after;
    if (!listFiles(oldFolder, &before, error) || !listFiles(newFolder, &after, error))
        return false;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const QString old = before.value(it.key());
        if (!old.isEmpty() && QFileInfo(old).size() == QFileInfo(it.value()).size()) {
            const QByteArray oldDigest = digest(old, error);
            const QByteArray newDigest = digest(it.value(), error);
            if (oldDigest.isEmpty() || newDigest.isEmpty())
                return false;
            if (oldDigest == newDigest)
                continue;
        }
        if (!add({ it.key(), QStringLiteral("add"), it.value() }, error))
            return false;
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!after.contains(it.key())
            && !add({ it.key(), QStringLiteral("remove"), QString() }, error))
            return false;
    }
    return true;
}

int PackagePlan::count(const QString &action) const
{
    return int(std::count_if(planned.cbegin(), planned.cend(),
        [&](const PlannedFile &f) { return f.action == action; }));
}

bool PackagePlan::readList(const QString &path, QStringList *paths, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith(u'#'))
            paths->append(trimmed);
    }
    return true;
}
