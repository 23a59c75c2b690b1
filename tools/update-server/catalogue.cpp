#include "catalogue.h"

#include <QDir>
#include <QFile>

bool Catalogue::load(const QString &folder)
{
    list.clear();
    issues.clear();
    paths.clear();
    const QDir dir(folder);
    if (!dir.exists() || !dir.isReadable()) {
        issues.append(QStringLiteral("%1: not a readable folder").arg(folder));
        return false;
    }
    const QFileInfoList infos = dir.entryInfoList(
        { QStringLiteral("*.component") }, QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &info : infos) {
        paths.append(info.absoluteFilePath());
        QFile file(info.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly)) {
            issues.append(QStringLiteral("%1: %2").arg(info.fileName(), file.errorString()));
            continue;
        }
        CatalogueEntry entry;
        QString error;
        if (!CatalogueEntry::parse(file.readAll(), &entry, &error)) {
            issues.append(QStringLiteral("%1: %2").arg(info.fileName(), error));
            continue;
        }
        if (find(entry.project, entry.name, entry.type)) {
            issues.append(QStringLiteral("%1: %2/%3 is already offered by an earlier file")
                              .arg(info.fileName(), entry.project, entry.name));
            continue;
        }
        list.append(entry);
    }
    return true;
}

const CatalogueEntry *Catalogue::find(
    const QString &project, const QString &name, const QString &type) const
{
    for (const CatalogueEntry &entry : list) {
        if (entry.project == project && entry.name == name
            && (type.isEmpty() || entry.type == type))
            return &entry;
    }
    return nullptr;
}
