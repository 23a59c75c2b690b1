#include "catalogueentry.h"

#include <QList>

namespace {

QString *field(CatalogueEntry *entry, QStringView key)
{
    if (key == u"project")
        return &entry->project;
    if (key == u"name")
        return &entry->name;
    if (key == u"type")
        return &entry->type;
    if (key == u"version")
        return &entry->version;
    if (key == u"description")
        return &entry->description;
    if (key == u"copyrights")
        return &entry->copyrights;
    if (key == u"author")
        return &entry->author;
    if (key == u"webpage")
        return &entry->webpage;
    if (key == u"email")
        return &entry->email;
    if (key == u"changelog")
        return &entry->changelog;
    if (key == u"link")
        return &entry->link;
    return nullptr;
}

void writeLine(QByteArray *out, const char *key, const QString &value)
{
    out->append(key);
    out->append(':');
    const QStringList lines = value.split(u'\n');
    if (!lines.first().isEmpty())
        out->append(' ').append(lines.first().toUtf8());
    out->append('\n');
    for (qsizetype i = 1; i < lines.size(); ++i)
        out->append(' ').append(lines.at(i).toUtf8()).append('\n');
}

} // namespace

bool CatalogueEntry::parse(const QByteArray &text, CatalogueEntry *entry, QString *error)
{
    *entry = CatalogueEntry();
    QString critical = QStringLiteral("false");
    QString timestamp = QStringLiteral("0");
    QString *current = nullptr;
    QStringList seen;

    const QStringList lines = QString::fromUtf8(text).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString where = QStringLiteral("line %1: ").arg(i + 1);
        if (line.startsWith(u' ') || line.startsWith(u'\t')) {
            if (!current) {
                *error = where + QStringLiteral("continuation without a key above it");
                return false;
            }
            current->append(u'\n').append(line.mid(1));
            continue;
        }
        current = nullptr;
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0) {
            *error = where + QStringLiteral("expected \"key: value\"");
            return false;
        }
        const QString key = line.left(colon).trimmed();
        const QString value = line.mid(colon + 1).trimmed();
        if (seen.contains(key)) {
            *error = where + QStringLiteral("%1 given twice").arg(key);
            return false;
        }
        seen.append(key);
        if (key == u"critical")
            critical = value;
        else if (key == u"timestamp")
            timestamp = value;
        else if ((current = field(entry, key)))
            *current = value;
        else {
            *error = where + QStringLiteral("unknown key %1").arg(key);
            return false;
        }
    }

    if (critical != u"true" && critical != u"false") {
        *error = QStringLiteral("critical must be true or false");
        return false;
    }
    entry->critical = critical == u"true";
    bool ok = false;
    entry->timestamp = timestamp.toUInt(&ok, 10);
    if (!ok) {
        *error = QStringLiteral("timestamp must be a number from 0 to 4294967295");
        return false;
    }
    for (const char *required : { "name", "version", "link" }) {
        if (field(entry, QString::fromLatin1(required))->isEmpty()) {
            *error = QStringLiteral("%1 is missing").arg(QLatin1String(required));
            return false;
        }
    }
    return true;
}

QByteArray CatalogueEntry::toText() const
{
    QByteArray out;
    writeLine(&out, "project", project);
    writeLine(&out, "name", name);
    writeLine(&out, "type", type);
    writeLine(&out, "version", version);
    writeLine(&out, "description", description);
    writeLine(&out, "copyrights", copyrights);
    writeLine(&out, "author", author);
    writeLine(&out, "webpage", webpage);
    writeLine(&out, "email", email);
    writeLine(&out, "changelog", changelog);
    writeLine(&out, "link", link);
    writeLine(&out, "critical", critical ? QStringLiteral("true") : QStringLiteral("false"));
    writeLine(&out, "timestamp", QString::number(timestamp));
    return out;
}
