#include "zipiofunctions.h"

#include <QFile>
#include <QString>

namespace {

voidpf ZCALLBACK openFile(voidpf, const void *path, int mode)
{
    auto *file = new QFile(*static_cast<const QString *>(path));
    QIODevice::OpenMode openMode;
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ)
        openMode = QIODevice::ReadOnly;
    else if (mode & ZLIB_FILEFUNC_MODE_EXISTING)
        openMode = QIODevice::ReadWrite;
    else
        openMode = QIODevice::WriteOnly | QIODevice::Truncate;
    if (!file->open(openMode)) {
        delete file;
        return nullptr;
    }
    return file;
}

uLong ZCALLBACK readFile(voidpf, voidpf stream, void *buffer, uLong size)
{
    const qint64 n = static_cast<QFile *>(stream)->read(static_cast<char *>(buffer), qint64(size));
    return n < 0 ? 0 : uLong(n);
}

uLong ZCALLBACK writeFile(voidpf, voidpf stream, const void *buffer, uLong size)
{
    const qint64 n
        = static_cast<QFile *>(stream)->write(static_cast<const char *>(buffer), qint64(size));
    return n < 0 ? 0 : uLong(n);
}

ZPOS64_T ZCALLBACK tellFile(voidpf, voidpf stream)
{
    return ZPOS64_T(static_cast<QFile *>(stream)->pos());
}

long ZCALLBACK seekFile(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *file = static_cast<QFile *>(stream);
    qint64 target = qint64(offset);
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        target += file->pos();
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        target += file->size();
    return file->seek(target) ? 0 : -1;
}

int ZCALLBACK closeFile(voidpf, voidpf stream)
{
    auto *file = static_cast<QFile *>(stream);
    const bool flushed = !file->isWritable() || file->flush();
    delete file;
    return flushed ? 0 : -1;
}

int ZCALLBACK fileError(voidpf, voidpf stream)
{
    return static_cast<QFile *>(stream)->error() == QFileDevice::NoError ? 0 : 1;
}

} // namespace

zlib_filefunc64_def qfileZipIoFunctions()
{
    zlib_filefunc64_def functions;
    functions.zopen64_file = openFile;
    functions.zread_file = readFile;
    functions.zwrite_file = writeFile;
    functions.ztell64_file = tellFile;
    functions.zseek64_file = seekFile;
    functions.zclose_file = closeFile;
    functions.zerror_file = fileError;
    functions.opaque = nullptr;
    return functions;
}
