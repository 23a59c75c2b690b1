#ifndef BOXPROBE_H
#define BOXPROBE_H

// Sees and answers the message boxes of the real `updater` binary, and which processes it
// started with which arguments, through the generic plugin in boxprobe/ (loaded by Qt into
// every process that gets the environment below; the product knows nothing of it).
//
//     BoxProbe probe(dir.filePath("probe.log"));
//     QProcess updater;
//     updater.setProcessEnvironment(probe.environment());   // boxes are answered with Ok
//     updater.start(QStringLiteral(VESK_UPDATER_BINARY), {"-u"});
//     QVERIFY(updater.waitForFinished(30000));
//     QCOMPARE(probe.boxes().size(), 1);
//     QCOMPARE(probe.boxes().first().text, QStringLiteral("No updates available."));
//
// The environment is inherited by the processes the updater starts, so the log also
// covers the worker and the cleaner a launcher starts.

#include "messageboxanswerer.h"

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class BoxProbe
{
public:
    explicit BoxProbe(const QString &logPath);

    // `base` plus the plugin's variables.
    QProcessEnvironment environment(
        QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;
    // A QMessageBox::StandardButton name ("Ok", "Retry", "Abort"...); default Ok.
    void setAnswer(const QString &buttonName) { m_answer = buttonName; }
    // Closes every other top-level window the moment it is shown (a user closing it).
    void setCloseWindows(bool close) { m_closeWindows = close; }

    QString logPath() const { return m_logPath; }
    // Every message box shown, in order, in any probed process.
    QList<SeenMessageBox> boxes() const;
    // The arguments of every probed process (program path first), in start order.
    QList<QStringList> starts() const;
    // Object names (or, without one, class names) of the other windows shown.
    QStringList windows() const;
    // How many probed processes have destroyed their application object.
    int endCount() const;

private:
    QString m_logPath;
    QString m_answer = QStringLiteral("Ok");
    bool m_closeWindows = false;
};

#endif
