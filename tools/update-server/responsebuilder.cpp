#include "responsebuilder.h"

#include "catalogue.h"
#include "versioncompare.h"

#include <QXmlStreamWriter>

namespace {

// The client's texts are echoed back; characters XML cannot carry would make the whole
// document unreadable for the updater, which then waits for the rest of it in vain.
QString xmlSafe(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out.append(c).append(text.at(++i));
        } else if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF
            || (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r')) {
            out.append(QChar::ReplacementCharacter);
        } else {
            out.append(c);
        }
    }
    return out;
}

void writeIdentity(
    QXmlStreamWriter &xml, const QString &project, const QString &name, const QString &type)
{
    xml.writeAttribute(QStringLiteral("project"), xmlSafe(project));
    xml.writeAttribute(QStringLiteral("name"), xmlSafe(name));
    xml.writeAttribute(QStringLiteral("type"), xmlSafe(type));
}

void writeText(QXmlStreamWriter &xml, const QString &element, const QString &text)
{
    xml.writeTextElement(element, xmlSafe(text));
}

} // namespace

QByteArray ResponseBuilder::build(const QList<ComponentRequest> &components)
{
    answers.clear();
    QByteArray document;
    QXmlStreamWriter xml(&document);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("response"));
    for (const ComponentRequest &component : components) {
        const QString who
            = QStringLiteral("%1/%2 %3").arg(component.project, component.name, component.version);
        xml.writeStartElement(QStringLiteral("request"));
        const CatalogueEntry *entry
            = catalogue.find(component.project, component.name, component.type);
        if (!entry) {
            writeIdentity(xml, component.project, component.name, component.type);
            xml.writeEmptyElement(QStringLiteral("noSuchComponent"));
            answers.append(who + QStringLiteral(" -> no such component"));
        } else if (compareVersions(component.version, entry->version) >= 0) {
            writeIdentity(xml, component.project, component.name, component.type);
            xml.writeEmptyElement(QStringLiteral("latest"));
            answers.append(who + QStringLiteral(" -> latest"));
        } else {
            // The catalogue's identity: the package's manifest is compared with it.
            writeIdentity(xml, entry->project, entry->name, entry->type);
            writeText(xml, QStringLiteral("version"), entry->version);
            writeText(xml, QStringLiteral("description"), entry->description);
            writeText(xml, QStringLiteral("copyrights"), entry->copyrights);
            writeText(xml, QStringLiteral("author"), entry->author);
            writeText(xml, QStringLiteral("webpage"), entry->webpage);
            writeText(xml, QStringLiteral("email"), entry->email);
            writeText(xml, QStringLiteral("changelog"), entry->changelog);
            writeText(xml, QStringLiteral("link"), entry->link);
            writeText(xml, QStringLiteral("critical"),
                entry->critical ? QStringLiteral("true") : QStringLiteral("false"));
            writeText(xml, QStringLiteral("timestamp"), QString::number(entry->timestamp));
            answers.append(who + QStringLiteral(" -> update %1").arg(entry->version));
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return document;
}
