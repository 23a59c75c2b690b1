#include "manifestreader.h"

ManifestReader::ManifestReader(QIODevice *device)
    : xml(device)
{ }

ManifestReader::Element ManifestReader::readNext()
{
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("package"))
            return Package;
        if (xml.name() == QLatin1String("file"))
            return File;
    }
    return End;
}

QList<QPair<QString, QString>> ManifestReader::packageAttributes() const
{
    QList<QPair<QString, QString>> result;
    const QXmlStreamAttributes attributes = xml.attributes();
    for (const QXmlStreamAttribute &a : attributes) {
        const QString name = a.name().toString();
        if (name == QLatin1String("project") || name == QLatin1String("name")
            || name == QLatin1String("type"))
            result.append({ name, a.value().toString() });
    }
    return result;
}

ManifestReader::FileElement ManifestReader::fileElement() const
{
    FileElement file;
    const QXmlStreamAttributes attributes = xml.attributes();
    for (const QXmlStreamAttribute &a : attributes) {
        if (a.name() == QLatin1String("name"))
            file.name = a.value().toString();
        else if (a.name() == QLatin1String("path"))
            file.path = a.value().toString();
        else if (a.name() == QLatin1String("action"))
            file.action = a.value().toString().toLower();
    }
    return file;
}
