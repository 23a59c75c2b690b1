#include "filecopy.h"

#include <QFile>

namespace {

constexpr qint64 chunkSize = 64 * 1024;

} // namespace

bool copyFile(const QString &source, const QString &destination, QString *errorText)
{
    QFile in(source);
    QFile out(destination);
    auto fail = [&](const QFile &file) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    };
    if (!in.open(QIODevice::ReadOnly))
        return fail(in);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return fail(out);

    QByteArray buffer(chunkSize, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), chunkSize);
        if (n < 0) {
            out.remove();
            return fail(in);
        }
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n) {
            fail(out);
            out.remove();
            return false;
        }
    }
    out.close();
    QFile::setPermissions(destination, in.permissions());
    return true;
}

bool moveFile(const QString &source, const QString &destination, QString *errorText)
{
    QFile file(source); // refuses an existing destination
    if (file.rename(destination))
        return true;
    if (errorText)
        *errorText = file.errorString();
    return false;
}
