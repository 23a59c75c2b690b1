#ifndef DEMORUN_H
#define DEMORUN_H

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

// One headless run of scripts/demo on this build, in a fresh folder of the test's home, and
// what it left: the demo's report (windows, message boxes, summary texts, process exit codes)
// and the folders of the demo installation.
class DemoRun
{
public:
    // "ok", "corrupt" or "missing"; false when the demo could not be run to its end.
    bool run(const QString &scenario);

    QString output() const { return log; }
    int exitCode() const { return code; }
    QJsonObject report() const { return result; }
    QString path(const QString &relative) const { return folder + "/" + relative; }

    // Relative path -> bytes of every file under a folder of the demo.
    QMap<QString, QByteArray> files(const QString &relative) const;
    // The files of `reference` that `relative` lacks or holds with other bytes. A reference
    // with no file at all is reported too, so that a wrong path cannot pass as "no difference".
    QStringList filesDiffering(const QString &relative, const QString &reference) const;
    // The message boxes shown, in order: {"title", "text", "buttons"}.
    QList<QJsonObject> messageBoxes() const;
    // The exit code of each process of the run by its role's first word ("launcher",
    // "worker", "cleaner", "client"), sorted by role; -1 for a process killed by a
    // signal.
    QList<QPair<QString, int>> exits() const;

private:
    QString folder;
    QString log;
    int code = -1;
    QJsonObject result;
};

#endif
