#ifndef ZIPENTRY_H
#define ZIPENTRY_H

#include <QtGlobal>

class ZipArchive;

// The current entry of a ZipArchive, open for reading and closed when the object goes.
// Only stored and deflated entries without encryption open: minizip would hand out the raw
// bytes of other methods as if they were the data.
class ZipEntry
{
    Q_DISABLE_COPY(ZipEntry)

public:
    explicit ZipEntry(ZipArchive &archive);
    ~ZipEntry();

    bool isOpen() const { return open; }
    // Bytes read, 0 at the end of the entry, negative when the data is damaged.
    qint64 read(char *buffer, int maxSize);
    // False when the data read did not match the entry's CRC-32, or closing failed.
    bool close();

private:
    ZipArchive &archive;
    bool open = false;
};

#endif
