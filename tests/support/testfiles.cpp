#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath())
        && file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size() && file.flush();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool runsInOwnTestHome()
{
    const QString home
        = QFileInfo(QCoreApplication::applicationDirPath() + "/..").canonicalFilePath() + '/';
    // Canonical paths, so that neither a link nor ".." can lead out of the home unnoticed.
    const auto inHome = [&home](const QString &path) {
        return !path.isEmpty() && QFileInfo(path).canonicalFilePath().startsWith(home);
    };
    return home.size() > 1 && inHome(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
        && inHome(qEnvironmentVariable("APPDATA"));
}
