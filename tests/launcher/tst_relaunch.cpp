// The relaunch protocol on the real `updater` binary, copied into a temporary folder with the
// fake client beside it. The box probe (tests/support/boxprobe.h) shows from inside each
// updater process which arguments it got and which message boxes it showed.
#include "boxprobe.h"
#include "fakeupdateserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray clientRequest = "<s><update><component name='core' version='7' /></update></s>";
const QByteArray noUpdates = "<response><request name='core'><latest/></request></response>";
const QByteArray oneUpdate
    = "<response><request name='core' type='app'><version>8</version></request></response>";
const int processWaitMs = 60000;

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList logLines(const QString &path)
{
    return QString::fromUtf8(fileBytes(path)).split('\n', Qt::SkipEmptyParts);
}
}

class tst_Relaunch : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void launcherStartsWorkerCopy_data();
    void launcherStartsWorkerCopy();
    void launcherReplacesStaleWorkerCopy();
    void launcherFailsWhileWorkerCopyInUse();
    void wholeRunEndsWithCleaner_data();
    void wholeRunEndsWithCleaner();
    void workerStartedDirectly_data();
    void workerStartedDirectly();
    void cleanerRemovesWorkerCopy_data();
    void cleanerRemovesWorkerCopy();
    void cleanerWithNothingToDeleteGivesUpAfterFiveSeconds();

private:
    bool install(const QString &folderName);
    // Runs the updater to its end against `server` (the fake update server when empty): its
    // exit code, -1 when it outlived the wait, -2 when it crashed.
    int run(const QStringList &arguments, const QString &server = QString());
    bool waitForAllProcessesToEnd();

    QTemporaryDir *m_dir = nullptr;
    FakeUpdateServer *m_server = nullptr;
    BoxProbe *m_probe = nullptr;
    QString m_program;
    QString m_copy;
    QString m_clientLog;
};

void tst_Relaunch::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_server = new FakeUpdateServer;
    m_server->setAnswer(noUpdates);
    m_probe = new BoxProbe(m_dir->filePath("probe.log"));
    m_clientLog = m_dir->filePath("client.log");
    QFile output(m_dir->filePath("client-output"));
    QVERIFY(output.open(QIODevice::WriteOnly));
    output.write(clientRequest);
    QVERIFY(install("install"));
}

void tst_Relaunch::cleanup()
{
    // Detached processes must not outlive the folder and server they use.
    QVERIFY(waitForAllProcessesToEnd());
    delete m_probe;
    delete m_server;
    delete m_dir;
}

bool tst_Relaunch::install(const QString &folderName)
{
    const QString folder = m_dir->filePath(folderName);
    m_program = folder + "/updater";
    m_copy = m_program + "_copy.exe";
    if (QFile::exists(m_program))
        return true;
    return QDir().mkpath(folder) && QFile::copy(QStringLiteral(VESK_UPDATER_BINARY), m_program)
        && QFile::copy(
            QCoreApplication::applicationDirPath() + "/vesk7.exe", folder + "/vesk7.exe");
}

int tst_Relaunch::run(const QStringList &arguments, const QString &server)
{
    QProcessEnvironment environment = m_probe->environment();
    environment.insert("VESK_UPDATE_SERVER", server.isEmpty() ? m_server->address() : server);
    environment.insert("VESK_FAKE_CLIENT_LOG", m_clientLog);
    environment.insert("VESK_FAKE_CLIENT_OUTPUT", m_dir->filePath("client-output"));

    QProcess updater;
    updater.setProcessEnvironment(environment);
    updater.setProcessChannelMode(QProcess::ForwardedChannels);
    updater.start(m_program, arguments);
    if (!updater.waitForFinished(processWaitMs)) {
        updater.kill();
        updater.waitForFinished();
        return -1;
    }
    return updater.exitStatus() == QProcess::NormalExit ? updater.exitCode() : -2;
}

bool tst_Relaunch::waitForAllProcessesToEnd()
{
    QElapsedTimer clock;
    clock.start();
    while (m_probe->endCount() < m_probe->starts().size() && clock.elapsed() < processWaitMs)
        QTest::qWait(50);
    return m_probe->endCount() == m_probe->starts().size();
}

void tst_Relaunch::launcherStartsWorkerCopy_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("workerArguments"); // after the program path
    QTest::addColumn<bool>("noUpdatesShown");

    QTest::newRow("no arguments") << QStringList() << QStringList { "-u" } << true;
    QTest::newRow("-q") << QStringList { "-q" } << QStringList { "-u", "-q" } << false;
    QTest::newRow("look-alikes of -q")
        << QStringList { "-Q", "-quiet", "--q", "/q", "-q " } << QStringList { "-u" } << true;
    QTest::newRow("other arguments not passed on")
        << QStringList { "--verbose", "-q", "x" } << QStringList { "-u", "-q" } << false;
}

void tst_Relaunch::launcherStartsWorkerCopy()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, workerArguments);
    QFETCH(bool, noUpdatesShown);

    QCOMPARE(run(arguments), 0);
    QCOMPARE(fileBytes(m_copy), fileBytes(m_program));
    QTRY_COMPARE_WITH_TIMEOUT(m_probe->starts().size(), 2, 20000);
    QVERIFY(waitForAllProcessesToEnd());
    QTest::qWait(1000); // time for a wrongly started cleaner to show up

    const QList<QStringList> starts = m_probe->starts();
    QCOMPARE(starts.size(), 2); // launcher and worker, no cleaner
    QCOMPARE(starts.at(0), QStringList { m_program } + arguments);
    QCOMPARE(starts.at(1), QStringList { m_copy } + workerArguments);

    // The worker did its query.
    QCOMPARE(logLines(m_clientLog), QStringList { "-updatequery" });
    QCOMPARE(m_server->requests(), QList<QByteArray> { clientRequest });

    const QList<SeenMessageBox> boxes = m_probe->boxes();
    QCOMPARE(boxes.size(), noUpdatesShown ? 1 : 0);
    if (noUpdatesShown) {
        QCOMPARE(boxes.first().icon, QMessageBox::Information);
        QCOMPARE(boxes.first().title, QStringLiteral("Update"));
        QCOMPARE(boxes.first().text, QStringLiteral("No updates available."));
        QCOMPARE(boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!boxes.first().hasParent);
    }
    QVERIFY(QFile::exists(m_copy)); // the worker ended without a cleaner
}

void tst_Relaunch::launcherReplacesStaleWorkerCopy()
{
    QFile stale(m_copy);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("left over from an earlier run");
    stale.close();

    QCOMPARE(run({ "-q" }), 0);
    QCOMPARE(fileBytes(m_copy), fileBytes(m_program));
    QTRY_COMPARE_WITH_TIMEOUT(m_probe->starts().size(), 2, 20000);
    QVERIFY(waitForAllProcessesToEnd());
    QCOMPARE(m_probe->starts().at(1), (QStringList { m_copy, "-u", "-q" }));
}

void tst_Relaunch::launcherFailsWhileWorkerCopyInUse()
{
    // Tests run as root, so permissions stop nothing; a folder cannot be removed as a file.
    QVERIFY(QDir().mkdir(m_copy));
    QFile expected(m_program);
    QVERIFY(!expected.copy(m_copy));

    QCOMPARE(run({}), 1);
    QVERIFY(waitForAllProcessesToEnd());
    QCOMPARE(m_probe->starts().size(), 1); // no worker
    const QList<SeenMessageBox> boxes = m_probe->boxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().icon, QMessageBox::Critical);
    QCOMPARE(boxes.first().title, QStringLiteral("Update"));
    QVERIFY(!boxes.first().text.isEmpty());
    QCOMPARE(boxes.first().text, expected.errorString());
    QCOMPARE(boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(QFileInfo(m_copy).isDir());
    QCOMPARE(m_server->connectionCount(), 0);
}

void tst_Relaunch::wholeRunEndsWithCleaner_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("firstWindow");

    const QString changelog = QStringLiteral("Updater_Changelog_MainWindow");
    QTest::newRow("plain folder") << "install" << QStringList() << changelog;
    QTest::newRow("plain folder, quiet")
        << "install" << QStringList { "-q" } << "Updater_Download_MainWindow";
    QTest::newRow("non-Latin-1 folder")
        << QString::fromUtf8("Za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87 g\xc4\x99\xc5\x9bl\xc4\x85 "
                             "\xe6\x9b\xb4\xe6\x96\xb0")
        << QStringList() << changelog;
}

void tst_Relaunch::wholeRunEndsWithCleaner()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, arguments);
    QFETCH(QString, firstWindow);
    QVERIFY(install(folder));
    m_server->setAnswer(oneUpdate);
    m_probe->setCloseWindows(true); // a user closing the first window

    QCOMPARE(run(arguments), 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_probe->starts().size(), 3, 30000);
    QVERIFY(waitForAllProcessesToEnd());

    const QList<QStringList> starts = m_probe->starts();
    QCOMPARE(starts.at(0), QStringList { m_program } + arguments);
    QCOMPARE(starts.at(1).first(), m_copy);
    QCOMPARE(starts.at(2), (QStringList { m_program, "-d" }));
    QCOMPARE(m_server->requests(), QList<QByteArray> { clientRequest });
    QVERIFY(!QFile::exists(m_copy));
    QVERIFY(QFile::exists(m_program));
    QCOMPARE(m_probe->windows().value(0), firstWindow);
}

void tst_Relaunch::workerStartedDirectly_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("answer"); // empty: nothing listens
    QTest::addColumn<QString>("box"); // null: no box
    QTest::addColumn<QString>("firstWindow"); // null: no window (then boxes are checked)

    QTest::newRow("no updates") << QStringList { "-u" } << noUpdates << "No updates available."
                                << QString();
    QTest::newRow("no updates, quiet")
        << QStringList { "-q", "-u" } << noUpdates << QString() << QString();
    QTest::newRow("query failed")
        << QStringList { "-u" } << QByteArray()
        << "Couldn't connect to update server. Check your internet connection." << QString();
    QTest::newRow("updates") << QStringList { "-u" } << oneUpdate << QString()
                             << "Updater_Changelog_MainWindow";
    QTest::newRow("updates, quiet")
        << QStringList { "-u", "-q" } << oneUpdate << QString() << "Updater_Download_MainWindow";
}

void tst_Relaunch::workerStartedDirectly()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, answer);
    QFETCH(QString, box);
    QFETCH(QString, firstWindow);
    const bool cleanerStarted = !firstWindow.isNull(); // only after windows

    m_server->setAnswer(answer);
    m_probe->setCloseWindows(true);
    // The cleaner this worker starts removes "<program>_copy.exe": give it one to remove.
    QFile copy(m_copy);
    QVERIFY(copy.open(QIODevice::WriteOnly));
    copy.close();

    const QString unreachable = QStringLiteral("127.0.0.1:%1").arg(FakeUpdateServer::closedPort());
    QCOMPARE(run(arguments, answer.isEmpty() ? unreachable : QString()), 0);

    if (cleanerStarted) {
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->starts().size(), 2, 20000);
        QVERIFY(waitForAllProcessesToEnd());
        QCOMPARE(m_probe->starts().at(1), (QStringList { m_program, "-d" }));
        QVERIFY(!QFile::exists(m_copy));
    } else {
        QTest::qWait(1000); // time for a wrongly started cleaner to show up
        QVERIFY(waitForAllProcessesToEnd());
        QCOMPARE(m_probe->starts().size(), 1);
        QVERIFY(QFile::exists(m_copy));
    }
    QCOMPARE(logLines(m_clientLog), QStringList { "-updatequery" });

    if (cleanerStarted) {
        QCOMPARE(m_probe->windows().value(0), firstWindow);
        return; // what the windows show is theirs to test
    }
    QVERIFY(m_probe->windows().isEmpty());
    const QList<SeenMessageBox> boxes = m_probe->boxes();
    QCOMPARE(boxes.size(), box.isNull() ? 0 : 1);
    if (!box.isNull())
        QCOMPARE(boxes.first().text, box);
}

void tst_Relaunch::cleanerRemovesWorkerCopy_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("-d") << QStringList { "-d" };
    QTest::newRow("-u -d") << QStringList { "-u", "-d" };
    QTest::newRow("-d -u") << QStringList { "-d", "-u" };
    QTest::newRow("-q -d") << QStringList { "-q", "-d" };
}

void tst_Relaunch::cleanerRemovesWorkerCopy()
{
    QFETCH(QStringList, arguments);
    QVERIFY(QFile::copy(m_program, m_copy));

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(run(arguments), 0);
    QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!QFile::exists(m_copy));
    QVERIFY(QFile::exists(m_program));
    QVERIFY(waitForAllProcessesToEnd());
    QCOMPARE(m_probe->starts().size(), 1); // started nothing
    QCOMPARE(m_probe->boxes().size(), 0);
    QCOMPARE(m_server->connectionCount(), 0);
    QVERIFY(logLines(m_clientLog).isEmpty());
}

void tst_Relaunch::cleanerWithNothingToDeleteGivesUpAfterFiveSeconds()
{
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(run({ "-d" }), 0);
    const qint64 elapsed = clock.elapsed();
    // Ten attempts, each followed by 500 ms.
    QVERIFY2(elapsed >= 5000 && elapsed < 15000, qPrintable(QString::number(elapsed)));
    QCOMPARE(m_probe->boxes().size(), 0);
    QVERIFY(QFile::exists(m_program));
}

QTEST_MAIN(tst_Relaunch)
#include "tst_relaunch.moc"
