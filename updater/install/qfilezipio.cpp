#include "qfilezipio.h"

#include <QFile>
#include <QString>

namespace {

QFile *fileOf(voidpf stream)
{
    return static_cast<QFile *>(stream);
}

voidpf ZCALLBACK openFile(voidpf, const void *filename, int mode)
{
    if (!filename)
        return nullptr;
    QIODevice::OpenMode openMode;
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ)
        openMode = QIODevice::ReadOnly;
    else if (mode & ZLIB_FILEFUNC_MODE_EXISTING)
        openMode = QIODevice::ReadWrite;
    else
        openMode = QIODevice::ReadWrite | QIODevice::Truncate;

    auto *file = new QFile(*static_cast<const QString *>(filename));
    if (!file->open(openMode)) {
        delete file;
        return nullptr;
    }
    return file;
}

uLong ZCALLBACK readFile(voidpf, voidpf stream, void *buffer, uLong size)
{
    const qint64 n = fileOf(stream)->read(static_cast<char *>(buffer), qint64(size));
    return n < 0 ? 0 : uLong(n);
}

uLong ZCALLBACK writeFile(voidpf, voidpf stream, const void *buffer, uLong size)
{
    const qint64 n = fileOf(stream)->write(static_cast<const char *>(buffer), qint64(size));
    return n < 0 ? 0 : uLong(n);
}

ZPOS64_T ZCALLBACK tellFile(voidpf, voidpf stream)
{
    const qint64 pos = fileOf(stream)->pos();
    return pos < 0 ? ZPOS64_T(-1) : ZPOS64_T(pos);
}

long ZCALLBACK seekFile(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    QFile *file = fileOf(stream);
    qint64 base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        base = file->pos();
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        base = file->size();
        break;
    default:
        return -1;
    }
    return file->seek(base + qint64(offset)) ? 0 : -1;
}

int ZCALLBACK closeFile(voidpf, voidpf stream)
{
    QFile *file = fileOf(stream);
    // A write that only fails when the buffer is flushed must still count as an error.
    const bool flushed = !file->isWritable() || file->flush();
    file->close();
    const bool ok = flushed && file->error() == QFileDevice::NoError;
    delete file;
    return ok ? 0 : -1;
}

int ZCALLBACK errorOfFile(voidpf, voidpf stream)
{
    return fileOf(stream)->error() == QFileDevice::NoError ? 0 : 1;
}

} // namespace

void fillQFileZipFunctions(zlib_filefunc64_def *functions)
{
    functions->zopen64_file = openFile;
    functions->zread_file = readFile;
    functions->zwrite_file = writeFile;
    functions->ztell64_file = tellFile;
    functions->zseek64_file = seekFile;
    functions->zclose_file = closeFile;
    functions->zerror_file = errorOfFile;
    functions->opaque = nullptr;
}
