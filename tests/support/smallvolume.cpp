#include "smallvolume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>

SmallVolume::SmallVolume(const QString &folder)
    : folder(folder)
{
    QDir().mkpath(folder);
    mounted = run("mount", { "-t", "tmpfs", "-o", "size=64k", "tmpfs", folder })
        && QStorageInfo(folder).rootPath() == QFileInfo(folder).canonicalFilePath();
}

SmallVolume::~SmallVolume()
{
    if (mounted)
        run("umount", { folder });
}

bool SmallVolume::fill() const
{
    QFile file(folder + "/filler");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'f');
    while (file.write(block) == block.size()) { }
    return file.error() != QFileDevice::NoError;
}

bool SmallVolume::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}
