#ifndef CATALOGUEENTRY_H
#define CATALOGUEENTRY_H

#include <QByteArray>
#include <QString>

// One component the server offers: the thirteen texts of an update answer.
//
// On disk an entry is a small UTF-8 text file of "key: value" lines. A line that begins with
// a space or a tab continues the value above it on a new line (its first character dropped),
// so a changelog can span lines; "#" begins a comment line. Keys: project, name, type,
// version, description, copyrights, author, webpage, email, changelog, link, critical
// ("true" or "false"), timestamp (seconds since 1970, 0 to 4294967295). name, version and
// link are required.
struct CatalogueEntry
{
    QString project;
    QString name;
    QString type;
    QString version;
    QString description;
    QString copyrights;
    QString author;
    QString webpage;
    QString email;
    QString changelog;
    QString link;
    bool critical = false;
    quint32 timestamp = 0;

    // False with the line and reason when the text is not an entry.
    static bool parse(const QByteArray &text, CatalogueEntry *entry, QString *error);
    QByteArray toText() const;
};

#endif
