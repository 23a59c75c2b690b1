// The roles as functions, in this process. The program path they get is the fake client
// copied into a temporary folder, so the processes they start log their exact arguments.
#include "engine/veskupdaterengine.h"
#include "fakeupdateserver.h"
#include "launcher/exceptionguard.h"
#include "launcher/processroles.h"
#include "messageboxanswerer.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <new>
#include <stdexcept>

namespace {
const QString updateTitle = QStringLiteral("Update");

QStringList logLines(const QString &path)
{
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Closes every top-level window other than a message box once shown, as a user would, so
// that a worker that shows its windows comes back.
class WindowCloser : public QObject
{
public:
    WindowCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (widget->isVisible() && !qobject_cast<QMessageBox *>(widget)) {
                    m_closed.append(widget->objectName());
                    widget->close();
                }
            }
        });
        m_timer.start(10);
    }
    QStringList closed() const { return m_closed; }

private:
    QTimer m_timer;
    QStringList m_closed;
};
}

class tst_ProcessRoles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void guardTurnsExceptionsIntoExitCodeOne_data();
    void guardTurnsExceptionsIntoExitCodeOne();

    void launcherStartsWorkerCopy_data();
    void launcherStartsWorkerCopy();
    void launcherReportsWorkerThatCannotStart();

    void workerEndings_data();
    void workerEndings();

private:
    QString installFakeProgram(const QString &name);

    QTemporaryDir *m_dir = nullptr;
    QString m_log;
};

void tst_ProcessRoles::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_log = m_dir->filePath("client.log");
    // Inherited by every process started from here.
    qputenv("VESK_FAKE_CLIENT_LOG", QFile::encodeName(m_log));
    const QString output = m_dir->filePath("client-output");
    QFile file(output);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<s><update><component name='core' version='7' /></update></s>");
    qputenv("VESK_FAKE_CLIENT_OUTPUT", QFile::encodeName(output));
}

void tst_ProcessRoles::cleanup()
{
    delete m_dir;
    qunsetenv("VESK_FAKE_CLIENT_LOG");
    qunsetenv("VESK_UPDATE_SERVER");
}

QString tst_ProcessRoles::installFakeProgram(const QString &name)
{
    const QString path = m_dir->filePath(name);
    if (!QFile::copy(QCoreApplication::applicationDirPath() + "/vesk7.exe", path))
        return {};
    return path;
}

void tst_ProcessRoles::guardTurnsExceptionsIntoExitCodeOne_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("caught");
    QTest::addColumn<QString>("shown"); // null: no box

    QTest::newRow("no exception") << 0 << false << QString();
    QTest::newRow("failed allocation") << 1 << true << QString::fromLatin1(std::bad_alloc().what());
    QTest::newRow("standard exception, message read as Latin-1")
        << 2 << true << QString::fromLatin1("b\xc5\x82\xc4\x85\x64 \xc3\xa9");
    QTest::newRow("not a standard exception") << 3 << true << QString();
}

void tst_ProcessRoles::guardTurnsExceptionsIntoExitCodeOne()
{
    QFETCH(int, kind);
    QFETCH(bool, caught);
    QFETCH(QString, shown);

    MessageBoxAnswerer boxes;
    const std::optional<int> result = runGuarded([kind]() -> int {
        switch (kind) {
        case 1:
            throw std::bad_alloc();
        case 2:
            // what() is read one byte per character: these UTF-8 bytes show as Latin-1.
            throw std::runtime_error("b\xc5\x82\xc4\x85\x64 \xc3\xa9");
        case 3:
            throw 42;
        }
        return 7;
    });

    QCOMPARE(!result.has_value(), caught);
    if (!caught)
        QCOMPARE(*result, 7);
    if (shown.isNull()) {
        QCOMPARE(boxes.count(), 0);
        return;
    }
    QCOMPARE(boxes.count(), 1);
    const SeenMessageBox box = boxes.seen().first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, updateTitle);
    QCOMPARE(box.text, shown);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!box.hasParent);
}

void tst_ProcessRoles::launcherStartsWorkerCopy_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<bool>("staleCopy");
    QTest::addColumn<QString>("arguments");

    QTest::newRow("not quiet") << false << false << "-u";
    QTest::newRow("quiet") << true << false << "-u|-q";
    QTest::newRow("stale copy replaced") << false << true << "-u";
}

void tst_ProcessRoles::launcherStartsWorkerCopy()
{
    QFETCH(bool, quiet);
    QFETCH(bool, staleCopy);
    QFETCH(QString, arguments);

    const QString program = installFakeProgram("program");
    QVERIFY(!program.isEmpty());
    const QString copy = program + "_copy.exe";
    if (staleCopy) {
        QFile stale(copy);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("left over from an earlier run");
    }

    MessageBoxAnswerer boxes;
    QCOMPARE(runLauncherRole(program, quiet), 0);
    QCOMPARE(fileBytes(copy), fileBytes(program));
    QTRY_COMPARE_WITH_TIMEOUT(logLines(m_log), QStringList { arguments }, 10000);
    QCOMPARE(boxes.count(), 0);
}

void tst_ProcessRoles::launcherReportsWorkerThatCannotStart()
{
    // Copying works, starting does not: the file is no program (and not executable).
    const QString program = m_dir->filePath("notes.txt");
    QFile notes(program);
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("not a program\n");
    notes.close();
    QVERIFY(notes.setPermissions(QFile::ReadOwner | QFile::WriteOwner));

    MessageBoxAnswerer boxes;
    QCOMPARE(runLauncherRole(program, false), 1);
    QCOMPARE(boxes.count(), 1);
    const SeenMessageBox box = boxes.seen().first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, updateTitle);
    QCOMPARE(box.text, QStringLiteral("Cannot run update!"));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!box.hasParent);
    QVERIFY(QFile::exists(program + "_copy.exe")); // left for the next run to replace
}

void tst_ProcessRoles::workerEndings_data()
{
    QTest::addColumn<QByteArray>("answer"); // empty: no server
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<QString>("box"); // null: no box
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("firstWindow"); // null: no window (then boxes are checked)

    const QByteArray none = "<response><request name='core'><latest/></request></response>";
    const QByteArray one
        = "<response><request name='core'><version>8</version></request></response>";
    const auto noIcon = QMessageBox::NoIcon;
    QTest::newRow("updates") << one << false << QString() << noIcon << QString()
                             << "Updater_Changelog_MainWindow";
    QTest::newRow("updates, quiet")
        << one << true << QString() << noIcon << QString() << "Updater_Download_MainWindow";
    QTest::newRow("no updates") << none << false << "No updates available."
                                << QMessageBox::Information << "Update" << QString();
    QTest::newRow("no updates, quiet")
        << none << true << QString() << noIcon << QString() << QString();
    QTest::newRow("query failed")
        << QByteArray() << false
        << "Couldn't connect to update server. Check your internet connection."
        << QMessageBox::Critical << "Check updates" << QString();
}

void tst_ProcessRoles::workerEndings()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, quiet);
    QFETCH(QString, box);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QString, title);
    QFETCH(QString, firstWindow);
    const bool cleanerStarted = !firstWindow.isNull(); // only after windows

    FakeUpdateServer server;
    server.setAnswer(answer);
    qputenv("VESK_UPDATE_SERVER",
        answer.isEmpty()
            ? QByteArray("127.0.0.1:") + QByteArray::number(FakeUpdateServer::closedPort())
            : server.address().toLatin1());
    // The worker runs from "<launcher>_copy.exe"; its launcher here is the fake client.
    const QString launcher = installFakeProgram("launcher");
    QVERIFY(!launcher.isEmpty());

    MessageBoxAnswerer boxes;
    WindowCloser closer;
    QCOMPARE(runWorkerRole(launcher + "_copy.exe", quiet), 0);

    if (cleanerStarted) {
        QCOMPARE(closer.closed().value(0), firstWindow); // what they show is theirs to test
    } else if (box.isNull()) {
        QVERIFY(closer.closed().isEmpty());
        QCOMPARE(boxes.count(), 0);
    } else {
        QVERIFY(closer.closed().isEmpty());
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.seen().first().text, box);
        QCOMPARE(boxes.seen().first().icon, icon);
        QCOMPARE(boxes.seen().first().title, title);
        QCOMPARE(boxes.seen().first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!boxes.seen().first().hasParent);
    }
    // The query ran the client beside this executable; the cleaner is the fake launcher.
    const QStringList expected
        = cleanerStarted ? QStringList { "-updatequery", "-d" } : QStringList { "-updatequery" };
    if (cleanerStarted) {
        QTRY_COMPARE_WITH_TIMEOUT(logLines(m_log), expected, 10000);
    } else {
        QTest::qWait(1000); // time for a wrongly started cleaner to show up
        QCOMPARE(logLines(m_log), expected);
    }
}

QTEST_MAIN(tst_ProcessRoles)
#include "tst_processroles.moc"
