#ifndef ZIPARCHIVE_H
#define ZIPARCHIVE_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <unzip.h>

// A ZIP archive open for reading through minizip, closed when the object goes. It walks the
// entries in central-directory order; ZipEntry reads the entry it stands on.
class ZipArchive
{
    Q_DISABLE_COPY(ZipArchive)

public:
    // What the central directory says about the current entry.
    struct EntryInfo
    {
        QByteArray name; // as read into a 256-byte buffer: at most 255 bytes
        qint64 nameLength = 0; // the name's true length in the archive
        int method = 0; // compression method
        bool encrypted = false;
    };

    // The archive is opened through QFile, so `path` may hold any characters.
    explicit ZipArchive(const QString &path);
    ~ZipArchive();

    bool isOpen() const { return handle != nullptr; }
    bool goToFirstEntry();
    // False when there is no further entry or moving fails.
    bool goToNextEntry();
    bool currentEntry(EntryInfo *info) const;

private:
    friend class ZipEntry;
    unzFile handle = nullptr;
};

#endif
