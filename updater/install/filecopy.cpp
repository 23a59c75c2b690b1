#include "filecopy.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStorageInfo>

namespace {

constexpr qint64 chunkSize = 64 * 1024;

// The volume that holds `folder`. A package asks about the same few folders for thousands
// of files, and every fresh look-up reads the whole mount table.
QStorageInfo volumeOf(const QString &folder)
{
    static QHash<QString, QStorageInfo> known;
    const auto it = known.constFind(folder);
    if (it != known.cend())
        return *it;
    const QStorageInfo volume(folder);
    if (volume.isValid())
        known.insert(folder, volume);
    return volume;
}

bool onSameVolume(const QString &source, const QString &destination)
{
    const QStorageInfo from = volumeOf(QFileInfo(source).absolutePath());
    return from.isValid() && from == volumeOf(QFileInfo(destination).absolutePath());
}

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
    // Some file systems report a failed write only when the file is closed.
    out.close();
    if (out.error() != QFileDevice::NoError) {
        fail(out);
        out.remove();
        return false;
    }
    QFile::setPermissions(destination, in.permissions());
    return true;
}

bool moveFile(const QString &source, const QString &destination, QString *errorText)
{
    if (onSameVolume(source, destination)) {
        QFile file(source); // refuses an existing destination
        if (file.rename(destination))
            return true;
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    // QFile::rename would copy here too, but it removes the source before the last of the
    // copy is written, so a full volume would lose the file.
    if (!copyFile(source, destination, errorText))
        return false;
    QFile file(source);
    if (file.remove())
        return true;
    if (errorText)
        *errorText = file.errorString();
    QFile::remove(destination);
    return false;
}
