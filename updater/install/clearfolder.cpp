#include "clearfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileInfoList>

namespace {

// Symbolic links, Windows shortcuts and junctions all lead out of the folder.
bool isLink(const QFileInfo &info)
{
    return info.isSymLink() || info.isJunction();
}

void removeLink(const QFileInfo &info)
{
    const QString path = info.absoluteFilePath();
    // A Windows link to a folder only goes away as a folder; removing the link itself never
    // touches what it points to.
    if (!QFile::remove(path) && info.isDir())
        QDir().rmdir(path);
}

} // namespace

void clearFolder(const QString &folder)
{
    // System lists broken links too, which neither Dirs nor Files would.
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::Dirs | QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDir::Unsorted);

    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !isLink(entry))
            clearFolder(folder + "/" + entry.fileName());
    }
    for (const QFileInfo &entry : entries) {
        if (isLink(entry))
            removeLink(entry);
        else if (!entry.isDir())
            QFile::remove(entry.absoluteFilePath());
    }
}
