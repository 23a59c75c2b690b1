#ifndef ZIPWRITER_H
#define ZIPWRITER_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <minizip/zip.h>

class QIODevice;

// A ZIP archive being written; closes its minizip handle when destroyed.
class ZipWriter
{
public:
    explicit ZipWriter(const QString &path);
    ~ZipWriter();

    bool isOpen() const { return handle != nullptr; }
    // Adds one deflated entry with the bytes of source, read to its end in small chunks.
    bool addEntry(
        const QByteArray &name, QIODevice *source, const QDateTime &modified, QString *error);
    // Writes the central directory; false when the archive is not complete on disk.
    bool close(QString *error);

private:
    Q_DISABLE_COPY(ZipWriter)

    QString path;
    zipFile handle = nullptr;
};

#endif
