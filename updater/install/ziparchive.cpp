#include "ziparchive.h"

#include "qfilezipio.h"

ZipArchive::ZipArchive(const QString &path)
{
    zlib_filefunc64_def functions;
    fillQFileZipFunctions(&functions);
    handle = unzOpen2_64(&path, &functions);
}

ZipArchive::~ZipArchive()
{
    if (handle)
        unzClose(handle);
}

bool ZipArchive::goToFirstEntry()
{
    return handle && unzGoToFirstFile(handle) == UNZ_OK;
}

bool ZipArchive::goToNextEntry()
{
    return handle && unzGoToNextFile(handle) == UNZ_OK;
}

bool ZipArchive::currentEntry(EntryInfo *info) const
{
    if (!handle)
        return false;
    unz_file_info64 fileInfo;
    char name[256] = {};
    if (unzGetCurrentFileInfo64(handle, &fileInfo, name, sizeof name, nullptr, 0, nullptr, 0)
        != UNZ_OK)
        return false;
    // minizip fills the buffer without a terminating zero when the name does not fit.
    info->name = QByteArray(name, int(qstrnlen(name, sizeof name - 1)));
    info->nameLength = qint64(fileInfo.size_filename);
    info->method = int(fileInfo.compression_method);
    info->encrypted = (fileInfo.flag & 1) != 0;
    return true;
}
