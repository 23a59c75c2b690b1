#include "zipwriter.h"

#include "install/qfilezipio.h"

#include <QIODevice>

ZipWriter::ZipWriter(const QString &path)
    : path(path)
{
    zlib_filefunc64_def functions;
    fillQFileZipFunctions(&functions);
    handle = zipOpen2_64(&this->path, APPEND_STATUS_CREATE, nullptr, &functions);
}

ZipWriter::~ZipWriter()
{
    if (handle)
        zipClose(handle, nullptr);
}

bool ZipWriter::addEntry(
    const QByteArray &name, QIODevice *source, const QDateTime &modified, QString *error)
{
    if (!handle) {
        *error = QStringLiteral("%1: cannot be written").arg(path);
        return false;
    }
    zip_fileinfo info = {};
    const QDateTime local
        = modified.isValid() ? modified.toLocalTime() : QDateTime::currentDateTime();
    info.tmz_date.tm_year = uInt(local.date().year());
    info.tmz_date.tm_mon = uInt(local.date().month() - 1);
    info.tmz_date.tm_mday = uInt(local.date().day());
    info.tmz_date.tm_hour = uInt(local.time().hour());
    info.tmz_date.tm_min = uInt(local.time().minute());
    info.tmz_date.tm_sec = uInt(local.time().second());
    if (zipOpenNewFileInZip64(handle, name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
            Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0)
        != ZIP_OK) {
        *error = QStringLiteral("%1: cannot add %2").arg(path, QString::fromLatin1(name));
        return false;
    }
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = source->read(buffer, sizeof buffer);
        if (n < 0) {
            *error = QStringLiteral("cannot read %1: %2")
                         .arg(QString::fromLatin1(name), source->errorString());
            zipCloseFileInZip(handle);
            return false;
        }
        if (n == 0)
            break;
        if (zipWriteInFileInZip(handle, buffer, unsigned(n)) != ZIP_OK) {
            *error = QStringLiteral("%1: cannot write %2").arg(path, QString::fromLatin1(name));
            zipCloseFileInZip(handle);
            return false;
        }
    }
    if (zipCloseFileInZip(handle) != ZIP_OK) {
        *error = QStringLiteral("%1: cannot finish %2").arg(path, QString::fromLatin1(name));
        return false;
    }
    return true;
}

bool ZipWriter::close(QString *error)
{
    if (!handle) {
        *error = QStringLiteral("%1: cannot be written").arg(path);
        return false;
    }
    const int result = zipClose(handle, nullptr);
    handle = nullptr;
    if (result != ZIP_OK) {
        *error = QStringLiteral("%1: cannot be completed").arg(path);
        return false;
    }
    return true;
}
