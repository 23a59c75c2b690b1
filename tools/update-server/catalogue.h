#ifndef CATALOGUE_H
#define CATALOGUE_H

#include "catalogueentry.h"

#include <QList>
#include <QString>
#include <QStringList>

// The components the server offers: every "*.component" file of one folder.
class Catalogue
{
public:
    // Reads the folder afresh. Files that are not entries are left out and described in
    // problems(); false only when the folder cannot be read.
    bool load(const QString &folder);

    // The entry for a requested component: same project and name; the type must match too
    // when the request names one. Null when the catalogue has none.
    const CatalogueEntry *find(
        const QString &project, const QString &name, const QString &type) const;

    QList<CatalogueEntry> entries() const { return list; }
    QStringList problems() const { return issues; }
    QStringList files() const { return paths; }

private:
    QList<CatalogueEntry> list;
    QStringList issues;
    QStringList paths;
};

#endif
