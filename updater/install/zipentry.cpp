#include "zipentry.h"

#include "ziparchive.h"

ZipEntry::ZipEntry(ZipArchive &archive)
    : archive(archive)
{
    ZipArchive::EntryInfo info;
    if (!archive.currentEntry(&info) || info.encrypted
        || (info.method != 0 && info.method != Z_DEFLATED))
        return;
    open = unzOpenCurrentFile(archive.handle) == UNZ_OK;
}

ZipEntry::~ZipEntry()
{
    close();
}

qint64 ZipEntry::read(char *buffer, int maxSize)
{
    if (!open)
        return -1;
    const int n = unzReadCurrentFile(archive.handle, buffer, unsigned(maxSize));
    return n < 0 ? -1 : qint64(n);
}

bool ZipEntry::close()
{
    if (!open)
        return false;
    open = false;
    return unzCloseCurrentFile(archive.handle) == UNZ_OK;
}
