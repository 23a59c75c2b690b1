// installbench generate <dir> <MiB> <files>
//   Writes <dir>/package/bench.zip (half compressible text, half random bytes, manifest
//   bench.xml adding every file) and <dir>/app-orig/, the installation before the update,
//   where every other target already exists.
// installbench install <stagingDir>
//   Installs the "plugin" package bench.zip from the staging folder once (the plug-in root
//   follows APPDATA) and prints "ok files <n> ms <elapsed> peak_rss_kib <VmHWM>".

#include "engine/updaterecord.h"
#include "install/packageinstaller.h"
#include "install/qfilezipio.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTextStream>
#include <QXmlStreamWriter>

#include <zip.h>

#include <cstdio>

namespace {

qint64 peakRssKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QRegularExpression hwm(QStringLiteral("^VmHWM:\\s+(\\d+)"));
    for (const QString &line : QString::fromLatin1(status.readAll()).split('\n')) {
        const QRegularExpressionMatch m = hwm.match(line);
        if (m.hasMatch())
            return m.captured(1).toLongLong();
    }
    return -1;
}

QByteArray textData(QRandomGenerator &random, qint64 size)
{
    static const char *const words[]
        = { "update", "package", "client", "message", "sound", "window", "plugin", "folder",
              "archive", "version", "install", "backup", "restore", "network", "server" };
    QByteArray data;
    data.reserve(size + 64);
    while (data.size() < size) {
        data += words[random.bounded(15)];
        data += random.bounded(8) == 0 ? '\n' : ' ';
        if (random.bounded(16) == 0)
            data += QByteArray::number(random.bounded(100000)) + ' ';
    }
    data.truncate(size);
    return data;
}

QByteArray randomData(QRandomGenerator &random, qint64 size)
{
    QByteArray data(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(data.data()), size / 4);
    for (qint64 i = size / 4 * 4; i < size; ++i)
        data[i] = char(random.bounded(256));
    return data;
}

bool addEntry(zipFile zip, const QByteArray &name, const QByteArray &data, bool deflate)
{
    zip_fileinfo info = {};
    info.tmz_date.tm_year = 2024;
    info.tmz_date.tm_mday = 1;
    return zipOpenNewFileInZip64(zip, name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
               deflate ? Z_DEFLATED : 0, Z_DEFAULT_COMPRESSION, 0)
        == ZIP_OK
        && zipWriteInFileInZip(zip, data.constData(), unsigned(data.size())) == ZIP_OK
        && zipCloseFileInZip(zip) == ZIP_OK;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(path.left(path.lastIndexOf('/')));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

int generate(const QString &dir, qint64 mib, int count)
{
    QRandomGenerator random(42);
    const qint64 average = mib * 1024 * 1024 / count;
    const QString archive = dir + QStringLiteral("/package/bench.zip");
    QDir().mkpath(dir + QStringLiteral("/package"));

    zlib_filefunc64_def functions;
    fillQFileZipFunctions(&functions);
    zipFile zip = zipOpen2_64(&archive, APPEND_STATUS_CREATE, nullptr, &functions);
    if (!zip)
        return 2;

    QByteArray manifest;
    QXmlStreamWriter xml(&manifest);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("package"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("bench"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("plugin"));

    for (int i = 0; i < count; ++i) {
        const bool text = i % 2 == 0;
        // Sizes spread from half to one and a half times the average.
        const qint64 size = average / 2 + qint64(random.bounded(quint32(average)));
        const QString folder = QStringLiteral("data/d%1").arg(i % 20, 2, 10, QLatin1Char('0'));
        const QString name = QStringLiteral("file%1.%2")
                                 .arg(i, 4, 10, QLatin1Char('0'))
                                 .arg(text ? QStringLiteral("txt") : QStringLiteral("bin"));
        const QByteArray data = text ? textData(random, size) : randomData(random, size);
        // Random bytes are stored, as archivers do when deflating gains nothing.
        if (!addEntry(zip, (folder + '/' + name).toLatin1(), data, text))
            return 2;
        if (i % 4 < 2
            && !writeFile(
                dir + QStringLiteral("/app-orig/") + folder + '/' + name, QByteArray(size, 'o')))
            return 2;
        xml.writeEmptyElement(QStringLiteral("file"));
        xml.writeAttribute(QStringLiteral("path"), folder);
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeAttribute(QStringLiteral("action"), QStringLiteral("add"));
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    if (!addEntry(zip, "bench.xml", manifest, true) || zipClose(zip, nullptr) != ZIP_OK)
        return 2;
    return 0;
}

int install(const QString &stagingDir)
{
    const UpdateRecord record("bench", "bench", "plugin", "1", "", "", "", "", "", "",
        "http://bench.invalid/bench.zip", false, 0);
    QElapsedTimer timer;
    timer.start();
    PackageInstaller installer(&record);
    QString errorText;
    QStringList fileList;
    const bool ok = installer.install(stagingDir, &errorText, &fileList);
    const qint64 elapsed = timer.elapsed();
    if (!ok) {
        std::fprintf(stderr, "install failed: %s\n", qPrintable(errorText));
        return 1;
    }
    std::printf("ok files %d ms %lld peak_rss_kib %lld\n", int(fileList.size()),
        static_cast<long long>(elapsed), static_cast<long long>(peakRssKib()));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == QLatin1String("generate"))
        return generate(args.at(2), args.at(3).toLongLong(), args.at(4).toInt());
    if (args.size() == 3 && args.at(1) == QLatin1String("install"))
        return install(args.at(2));
    std::fprintf(
        stderr, "usage: installbench generate <dir> <MiB> <files> | install <stagingDir>\n");
    return 2;
}
