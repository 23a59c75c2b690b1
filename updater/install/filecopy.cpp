#include "filecopy.h"

#include <QFile>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

namespace {

constexpr qint64 chunkSize = 64 * 1024;

enum class Transfer { Done, Failed, Unsupported };

// The kernel copies without passing the bytes through this process, as cp does; where it
// cannot (another file system type, an old kernel), the caller copies through a buffer.
Transfer kernelCopy(QFile &in, QFile &out, QString *error)
{
#ifdef Q_OS_LINUX
    const int from = in.handle();
    const int to = out.handle();
    bool first = true;
    for (;;) {
        const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (n > 0) {
            first = false;
            continue;
        }
        if (n == 0)
            return Transfer::Done;
        if (first && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
            return Transfer::Unsupported;
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return Transfer::Failed;
    }
#else
    Q_UNUSED(in)
    Q_UNUSED(out)
    Q_UNUSED(error)
    return Transfer::Unsupported;
#endif
}

bool bufferedCopy(QFile &in, QFile &out, QFile **failed)
{
    QByteArray buffer(chunkSize, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), chunkSize);
        if (n < 0) {
            *failed = &in;
            return false;
        }
        if (n == 0)
            return true;
        if (out.write(buffer.constData(), n) != n) {
            *failed = &out;
            return false;
        }
    }
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
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(in);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return fail(out);

    QString kernelError;
    QFile *failed = nullptr;
    switch (kernelCopy(in, out, &kernelError)) {
    case Transfer::Done:
        break;
    case Transfer::Failed:
        if (errorText)
            *errorText = kernelError;
        out.close();
        out.remove();
        return false;
    case Transfer::Unsupported:
        if (!bufferedCopy(in, out, &failed)) {
            fail(*failed);
            out.close();
            out.remove();
            return false;
        }
        break;
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
