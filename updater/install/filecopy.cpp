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

// `error` receives the failing side's error.
bool bufferedCopy(QFile &in, QFile &out, QString *error)
{
    QByteArray buffer(chunkSize, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), chunkSize);
        if (n < 0) {
            *error = in.errorString();
            return false;
        }
        if (n == 0)
            return true;
        if (out.write(buffer.constData(), n) != n) {
            *error = out.errorString();
            return false;
        }
    }
}

} // namespace

bool copyFile(const QString &source, const QString &destination, QString *errorText)
{
    auto fail = [errorText](const QString &text) {
        if (errorText)
            *errorText = text;
        return false;
    };
    QFile in(source);
    QFile out(destination);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(in.errorString());
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return fail(out.errorString());

    QString error;
    Transfer result = kernelCopy(in, out, &error);
    if (result == Transfer::Unsupported)
        result = bufferedCopy(in, out, &error) ? Transfer::Done : Transfer::Failed;
    // Some file systems report a failed write only when the file is closed.
    out.close();
    if (result == Transfer::Done && out.error() != QFileDevice::NoError) {
        error = out.errorString();
        result = Transfer::Failed;
    }
    if (result != Transfer::Done) {
        out.remove();
        return fail(error);
    }
    QFile::setPermissions(destination, in.permissions());
    return true;
}
