#include "engine/veskupdaterengine.h"
#include "httptestserver.h"
#include "messageboxanswerer.h"
#include "packagebuilder.h"
#include "testfiles.h"
#include "ui/veskchangelogdialog.h"
#include "ui/veskdownloaddialog.h"
#include "vesktestsupport.h"
#include "windowdriver.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The windows one after another against a real engine: packages served by the in-process
// HTTP server, installed into this test's own installation folder.
namespace {

const QString changelogForm = QStringLiteral("Updater_Changelog_MainWindow");
const QString downloadForm = QStringLiteral("Updater_Download_MainWindow");
const QString installForm = QStringLiteral("Updater_Install_MainWindow");
const QString summaryForm = QStringLiteral("Updater_Summary_MainWindow");

// Package host: answers the paths it was given, 404 for the rest. A GET of a path marked
// stalled sends part of the body and then nothing more.
class PackageHost
{
public:
    PackageHost()
    {
        server.setHandler([this](const HttpTestRequest &request) {
            if (!bodies.contains(request.path))
                return HttpTestResponse::error(404, "Not Found");
            HttpTestResponse response = HttpTestResponse::ok(bodies.value(request.path));
            if (request.method == "GET" && stalled.contains(request.path))
                response.stallAfter = 1;
            return response;
        });
    }

    QString serve(const QByteArray &path, const QByteArray &body)
    {
        bodies.insert(path, body);
        return server.url(QString::fromLatin1(path));
    }
    int count(const QByteArray &method) const
    {
        int n = 0;
        for (const HttpTestRequest &request : server.requests())
            n += request.method == method;
        return n;
    }

    HttpTestServer server;
    QHash<QByteArray, QByteArray> bodies;
    QList<QByteArray> stalled;
};

// An archive with one file entry and the manifest that adds it.
QByteArray packageBytes(
    const UpdateRecord &record, const QString &path, const QString &name, const QByteArray &content)
{
    QTemporaryDir dir;
    const QByteArray entry = (path.isEmpty() ? name : path + "/" + name).toLatin1();
    PackageBuilder builder;
    builder.addFile(entry, content)
        .addFile(PackageBuilder::manifestEntryName(record),
            manifestXml(record, { { path, name, "add" } }));
    const QString file = dir.filePath("package.zip");
    if (!builder.write(file))
        return {};
    QFile archive(file);
    return archive.open(QIODevice::ReadOnly) ? archive.readAll() : QByteArray();
}

QString installed(const QString &relative)
{
    return QCoreApplication::applicationDirPath() + "/" + relative;
}

} // namespace

class tst_WindowChain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void downloadNowHandsOverWithoutQuitting();
    void leavingTheFirstWindowDownloadsNothing_data();
    void leavingTheFirstWindowDownloadsNothing();
    void downloadStartsOnlyOnceItsWindowIsShown();
    void leavingTheDownload_data();
    void leavingTheDownload();
    void downloadErrorClosesTheWindowBeforeItsBox_data();
    void downloadErrorClosesTheWindowBeforeItsBox();
    void completeRun_data();
    void completeRun();
};

void tst_WindowChain::initTestCase()
{
    // A run stages packages in the temporary folder and empties it: never the user's own.
    QVERIFY2(runsInOwnTestHome(), "run through CTest, which gives the test a home of its own");
}

void tst_WindowChain::init()
{
    QVERIFY(QFile::exists(ClientLog::clientPath()));
}

void tst_WindowChain::cleanup()
{
    closeAllWindows();
    QFile::remove(installed("core.txt"));
    QDir(installed("sounds")).removeRecursively();
}

void tst_WindowChain::downloadNowHandsOverWithoutQuitting()
{
    PackageHost host;
    host.stalled << "/core.zip";
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setUpdates(
        engine, { makeRecord("core", "app", host.serve("/core.zip", QByteArray(1000, 'x'))) });

    ShowRecorder shows;
    MessageBoxAnswerer boxes;
    new VeskChangelogDialog(&engine);
    auto *downloadNow = shownChild<QPushButton>(changelogForm, "Updater_Changelog_DownloadNow");
    QVERIFY(downloadNow);
    whenLoopRuns([downloadNow] { QTest::mouseClick(downloadNow, Qt::LeftButton); });

    // Once the download is under way, with the loop still running, leave through Cancel.
    bool cancelled = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *cancel = shownChild<QPushButton>(downloadForm, "Updater_Download_Cancel");
        if (cancel && host.count("GET") == 1 && !cancelled) {
            cancelled = true;
            QTest::mouseClick(cancel, Qt::LeftButton);
        }
    });
    watch.start(20);
    QVERIFY2(runEventLoop(), "the run did not end");
    QVERIFY2(cancelled, "the event loop ended before the download was under way");

    QCOMPARE(shows.names(), QStringList({ changelogForm, downloadForm }));
    QCOMPARE(shows.shown.at(1).visibleOthers, QStringList());
    QCOMPARE(boxes.count(), 0);
}

void tst_WindowChain::leavingTheFirstWindowDownloadsNothing_data()
{
    QTest::addColumn<bool>("closeWindow");
    QTest::newRow("Download later") << false;
    QTest::newRow("window closed") << true;
}

void tst_WindowChain::leavingTheFirstWindowDownloadsNothing()
{
    QFETCH(bool, closeWindow);
    PackageHost host;
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setUpdates(
        engine, { makeRecord("core", "app", host.serve("/core.zip", "x")) });
    ShowRecorder shows;
    MessageBoxAnswerer boxes;

    QPointer<QObject> controller = new VeskChangelogDialog(&engine);
    QPointer<QWidget> window = shownWindow(changelogForm);
    QVERIFY(window);
    whenLoopRuns([window, closeWindow] {
        if (closeWindow)
            window->close();
        else
            QTest::mouseClick(window->findChild<QPushButton *>("Updater_Changelog_DownloadLater"),
                Qt::LeftButton);
    });
    int exitCode = -1;
    QVERIFY2(runEventLoop(15000, &exitCode), "the event loop did not end");
    QCOMPARE(exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(controller.isNull(), 5000);

    QCOMPARE(host.server.requests().size(), 0);
    QCOMPARE(VeskEngineTestAccess::downloadState(engine), int(VeskUpdaterEngine::Idle));
    QCOMPARE(shows.names(), QStringList({ changelogForm }));
    QCOMPARE(boxes.count(), 0);
}

void tst_WindowChain::downloadStartsOnlyOnceItsWindowIsShown()
{
    PackageHost host;
    host.stalled << "/core.zip";
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setUpdates(
        engine, { makeRecord("core", "app", host.serve("/core.zip", QByteArray(1000, 'x'))) });
    MessageBoxAnswerer boxes;

    new VeskDownloadDialog(&engine);
    QWidget *window = shownWindow(downloadForm);
    QVERIFY(window);
    QVERIFY(!window->findChild<QPushButton *>("Updater_Download_Cancel")->isHidden());
    // Nothing has started while the constructor ran.
    QCOMPARE(VeskEngineTestAccess::downloadState(engine), int(VeskUpdaterEngine::Idle));

    // One pass of the event loop starts it.
    QCoreApplication::processEvents();
    QVERIFY(VeskEngineTestAccess::downloadState(engine) != int(VeskUpdaterEngine::Idle));
    QTRY_COMPARE_WITH_TIMEOUT(host.count("GET"), 1, 10000);
    auto *label = window->findChild<QLabel *>("Updater_Download_ProgressText");
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), QString("core"), 5000);
    QCOMPARE(boxes.count(), 0);
}

void tst_WindowChain::leavingTheDownload_data()
{
    QTest::addColumn<bool>("closeWindow");
    QTest::addColumn<int>("stateAfter");
    QTest::newRow("Cancel") << false << int(VeskUpdaterEngine::Aborted);
    // The window's own close button aborts nothing; the engine goes with the run.
    QTest::newRow("window closed") << true << int(VeskUpdaterEngine::Downloading);
}

void tst_WindowChain::leavingTheDownload()
{
    QFETCH(bool, closeWindow);
    QFETCH(int, stateAfter);

    PackageHost host;
    host.stalled << "/sounds.zip";
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setUpdates(engine,
        { makeRecord("core", "app", host.serve("/core.zip", "core")),
            makeRecord("sounds", "app", host.serve("/sounds.zip", QByteArray(1000, 's'))) });
    ShowRecorder shows;
    MessageBoxAnswerer boxes;
    QSignalSpy errors(&engine, &VeskUpdaterEngine::error);

    new VeskDownloadDialog(&engine);
    QPointer<QWidget> window = shownWindow(downloadForm);
    QVERIFY(window);
    bool left = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        // The second package is on its way.
        if (left || !window || host.count("GET") < 2)
            return;
        left = true;
        if (closeWindow)
            window->close();
        else
            QTest::mouseClick(
                window->findChild<QPushButton *>("Updater_Download_Cancel"), Qt::LeftButton);
    });
    watch.start(20);
    QVERIFY2(runEventLoop(), "the event loop did not end");
    QVERIFY(left);

    QCOMPARE(VeskEngineTestAccess::downloadState(engine), stateAfter);
    QTest::qWait(100); // an error the cancellation wrongly caused would come now
    QCOMPARE(errors.count(), 0);
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(shows.names(), QStringList({ downloadForm }));
}

void tst_WindowChain::downloadErrorClosesTheWindowBeforeItsBox_data()
{
    QTest::addColumn<bool>("polish");
    QTest::newRow("english") << false;
    // The box's title has no Polish entry in its context.
    QTest::newRow("polish") << true;
}

void tst_WindowChain::downloadErrorClosesTheWindowBeforeItsBox()
{
    QFETCH(bool, polish);
    const PolishInterface language(polish);
    QCOMPARE(language.isInstalled(), polish);
    PackageHost host;
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setUpdates(
        engine, { makeRecord("core", "app", host.server.url("/missing.zip")) });
    ShowRecorder shows;
    MessageBoxAnswerer boxes;
    QStringList windowsAtBox;
    boxes.setOnShown([&windowsAtBox](QMessageBox *) { windowsAtBox = shownWindowNames(); });
    QSignalSpy errors(&engine, &VeskUpdaterEngine::error);

    new VeskDownloadDialog(&engine);
    int exitCode = -1;
    QVERIFY2(runEventLoop(15000, &exitCode), "the event loop did not end");
    QCOMPARE(exitCode, 0);

    QCOMPARE(errors.count(), 1);
    QCOMPARE(boxes.count(), 1);
    const SeenMessageBox box = boxes.seen().first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, QString("Update"));
    QCOMPARE(box.text, errors.first().first().toString());
    QVERIFY(!box.text.isEmpty());
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!box.hasParent);
    QCOMPARE(windowsAtBox, QStringList({ "QMessageBox" }));
    QCOMPARE(shows.names(), QStringList({ downloadForm, "QMessageBox" }));
}

void tst_WindowChain::completeRun_data()
{
    QTest::addColumn<bool>("polish");
    QTest::addColumn<bool>("secondFails");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("instruction");

    QTest::newRow("success, english")
        << false << false << "Installation complete"
        << "To complete the update process please restart Veskora instant messenger.";
    QTest::newRow("failure, english")
        << false << true << "Installation failed"
        << "Please reinstall application with package from official web page";
    QTest::newRow("success, polish")
        << true << false << QString::fromUtf8("Aktualizacje zainstalowane pomyślnie")
        << QString::fromUtf8(
               "By zakończyć proces instalacji należy uruchomić ponownie komunikator.");
    QTest::newRow("failure, polish")
        << true << true << QString::fromUtf8("Aktualizacja nie powiodła się")
        << QString::fromUtf8("Prosze pobrać i zainstalować vesk ze strony ");
}

void tst_WindowChain::completeRun()
{
    QFETCH(bool, polish);
    QFETCH(bool, secondFails);
    QFETCH(QString, status);
    QFETCH(QString, instruction);

    const PolishInterface language(polish);
    QCOMPARE(language.isInstalled(), polish);
    ClientLog client;
    QVERIFY(client.isValid());

    PackageHost host;
    VeskUpdaterEngine engine;
    UpdateRecord *core = makeRecord("core", "app", host.server.url("/core.zip"));
    UpdateRecord *sounds = makeRecord("sounds", "app", host.server.url("/sounds.zip"));
    VeskEngineTestAccess::setUpdates(engine, { core, sounds });
    host.serve("/core.zip", packageBytes(*core, "", "core.txt", "new core"));
    host.serve("/sounds.zip",
        secondFails ? QByteArray("not a zip archive")
                    : packageBytes(*sounds, "sounds", "message.wav", "ding"));

    // A failed package is answered Abort: Retry would start this program again.
    MessageBoxAnswerer boxes(QMessageBox::Abort);
    ShowRecorder shows;
    QStringList windowsAfterInstall;
    bool downloadHooked = false;
    shows.onShown = [&](QWidget *window) {
        // Connected after the download window's own handler, so it runs once that handler,
        // and the installation inside it, have returned.
        if (window->objectName() == downloadForm && !downloadHooked) {
            downloadHooked = true;
            QObject::connect(&engine, &VeskUpdaterEngine::downloadFinished, window,
                [&] { windowsAfterInstall = shownWindowNames(); });
        }
    };

    new VeskChangelogDialog(&engine);
    auto *downloadNow = shownChild<QPushButton>(changelogForm, "Updater_Changelog_DownloadNow");
    QVERIFY(downloadNow);
    whenLoopRuns([downloadNow] { QTest::mouseClick(downloadNow, Qt::LeftButton); });

    // When the summary is up and the loop still runs, check it and press Close.
    bool closed = false;
    QString shownStatus, shownInstruction, shownLog;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget *summary = shownWindow(summaryForm);
        if (!summary || closed)
            return;
        closed = true;
        shownStatus = summary->findChild<QLabel *>("Updater_Summary_Status")->text();
        shownInstruction = summary->findChild<QLabel *>("Updater_Summary_Instruction")->text();
        shownLog = summary->findChild<QPlainTextEdit *>("Updater_Summary_Details")->toPlainText();
        QTest::mouseClick(
            summary->findChild<QPushButton *>("Updater_Summary_Restart"), Qt::LeftButton);
    });
    watch.start(20);
    int exitCode = -1;
    QVERIFY2(runEventLoop(30000, &exitCode), "the run did not end");
    QVERIFY2(closed, "the event loop ended before the summary's Close was pressed");
    QCOMPARE(exitCode, 0);

    // Each window closed before the next one showed; the summary was up before the
    // installation call returned.
    const QStringList expectedWindows = secondFails
        ? QStringList { changelogForm, downloadForm, installForm, "QMessageBox", summaryForm }
        : QStringList { changelogForm, downloadForm, installForm, summaryForm };
    QCOMPARE(shows.names(), expectedWindows);
    for (const ShowRecorder::Shown &shown : std::as_const(shows.shown)) {
        if (shown.name == "QMessageBox")
            QCOMPARE(shown.visibleOthers, QStringList({ installForm }));
        else
            QVERIFY2(shown.visibleOthers.isEmpty(),
                qPrintable(shown.name + ": " + shown.visibleOthers.join(", ")));
    }
    QCOMPARE(windowsAfterInstall, QStringList({ summaryForm }));

    QCOMPARE(shownStatus, status);
    if (polish && secondFails)
        QVERIFY2(shownInstruction.startsWith(instruction)
                && shownInstruction.size() > instruction.size(),
            qPrintable(shownInstruction));
    else
        QCOMPARE(shownInstruction, instruction);

    if (secondFails) {
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.seen().first().icon, QMessageBox::Warning);
        QCOMPARE(shownLog, QString("An error occured while installing updates"));
    } else {
        QCOMPARE(boxes.count(), 0);
        const QString heading = polish ? QString::fromUtf8("Zainstalowano pakiet %1:")
                                       : QString("Installing package %1:");
        QCOMPARE(shownLog,
            heading.arg("core") + "\n - core.txt\n\n" + heading.arg("sounds")
                + "\n - sounds/message.wav\n\n");
        QCOMPARE(readFile(installed("core.txt")), QByteArray("new core"));
        QCOMPARE(readFile(installed("sounds/message.wav")), QByteArray("ding"));
    }
    QCOMPARE(host.count("HEAD"), 2);
    QCOMPARE(host.count("GET"), 2);

    // Close started the client once, without arguments.
    QTRY_COMPARE_WITH_TIMEOUT(client.starts().size(), 1, 10000);
    const std::optional<QStringList> starts = client.settledStarts();
    QVERIFY(starts);
    QCOMPARE(*starts, QStringList { QString() });
}

QTEST_MAIN(tst_WindowChain)
#include "tst_windowchain.moc"
