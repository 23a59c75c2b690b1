#include "demorun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>

#include <algorithm>

bool DemoRun::run(const QString &scenario)
{
    // Left in the test's home afterwards, for a look when something failed.
    folder = QDir::current().filePath("run-" + scenario);
    QDir(folder).removeRecursively();

    // Another build's programs can be tried with VESK_E2E_BUILD_DIR.
    const QString build
        = qEnvironmentVariable("VESK_E2E_BUILD_DIR", QStringLiteral(VESK_BUILD_DIR));
    QProcess demo;
    demo.setProcessChannelMode(QProcess::MergedChannels);
    demo.start(QStringLiteral(VESK_SOURCE_DIR "/scripts/demo"),
        { "--headless", "--build", build, "--workdir", folder, "--scenario", scenario, "--timeout",
            "240" });
    const bool finished = demo.waitForStarted(10000) && demo.waitForFinished(360000);
    if (!finished) {
        // Terminated, the demo still stops the servers, the display and the run it started.
        demo.terminate();
        if (!demo.waitForFinished(30000))
            demo.kill();
    }
    demo.waitForFinished(10000);
    log = QString::fromUtf8(demo.readAll());
    code = demo.exitStatus() == QProcess::NormalExit ? demo.exitCode() : -1;

    QFile report(path("report.json"));
    if (!finished || !report.open(QIODevice::ReadOnly))
        return false;
    result = QJsonDocument::fromJson(report.readAll()).object();
    return !result.isEmpty() && !result.value("timed_out").toBool(true);
}

QMap<QString, QByteArray> DemoRun::files(const QString &relative) const
{
    QMap<QString, QByteArray> found;
    const QDir root(path(relative));
    QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            found.insert(root.relativeFilePath(file.fileName()), file.readAll());
    }
    return found;
}

QStringList DemoRun::filesDiffering(const QString &relative, const QString &reference) const
{
    const QMap<QString, QByteArray> wanted = files(reference);
    if (wanted.isEmpty())
        return { reference + " holds no file" };
    const QMap<QString, QByteArray> found = files(relative);
    QStringList differing;
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        if (found.value(it.key()) != it.value())
            differing << it.key();
    }
    return differing;
}

QList<QJsonObject> DemoRun::messageBoxes() const
{
    QList<QJsonObject> boxes;
    for (const QJsonValue &event : result.value("events").toArray()) {
        if (event.toObject().value("event").toString() == u"message box")
            boxes.append(event.toObject());
    }
    return boxes;
}

QList<QPair<QString, int>> DemoRun::exits() const
{
    QList<QPair<QString, int>> out;
    for (const QJsonValue &value : result.value("processes").toArray()) {
        const QJsonObject process = value.toObject();
        out.append({ process.value("role").toString().section(u' ', 0, 0),
            process.contains("exit") ? process.value("exit").toInt() : -1 });
    }
    std::sort(out.begin(), out.end());
    return out;
}
