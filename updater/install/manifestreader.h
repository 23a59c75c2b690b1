#ifndef MANIFESTREADER_H
#define MANIFESTREADER_H

#include <QList>
#include <QPair>
#include <QString>
#include <QXmlStreamReader>

class QIODevice;

// Walks a package manifest and stops at each `package` and `file` start tag, by local name,
// wherever it stands in the document; everything else is passed over.
class ManifestReader
{
    Q_DISABLE_COPY(ManifestReader)

public:
    enum Element { Package, File, End };

    // A `file` element: attributes by local name, the later of two duplicates winning,
    // `action` lower-cased; absent attributes are empty.
    struct FileElement
    {
        QString name;
        QString path;
        QString action;
    };

    explicit ManifestReader(QIODevice *device);

    // The next recognised element, or End at the end of the document or at its first fault.
    Element readNext();

    // The `project`, `name` and `type` attributes of the current `package` element as
    // (local name, value), in the order they stand in the start tag.
    QList<QPair<QString, QString>> packageAttributes() const;
    FileElement fileElement() const;

    // After End: whether the document stopped on a fault rather than its end.
    bool hasError() const { return xml.hasError(); }
    QString errorString() const { return xml.errorString(); }
    qint64 lineNumber() const { return xml.lineNumber(); }

private:
    QXmlStreamReader xml;
};

#endif
