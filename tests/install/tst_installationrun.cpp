#include "engine/veskupdaterengine.h"
#include "install/detachedstart.h"
#include "messageboxanswerer.h"
#include "packagebuilder.h"
#include "testfiles.h"
#include "vesktestsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

const QString failLine = QStringLiteral("An error occured while installing updates");
const QString rollbackText = QStringLiteral(
    "An error occured while rolling back update progress. Software may not work properly. "
    "Try reinstalling whole application");

QString pluginRoot()
{
    return qEnvironmentVariable("APPDATA") + "/Veskora/plugins";
}

// Relative paths of the files (not folders) under `root`; links are not followed.
QStringList filesUnder(const QString &root)
{
    QStringList result;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        result << QDir(root).relativeFilePath(it.next());
    result.sort();
    return result;
}

// A plug-in package: its archive unpacks each of `files` (in this order) as
// "<folder>/<file>" into the staging folder, and its manifest adds each of them to the
// plug-in subfolder <folder>, followed by the `extra` elements.
UpdateRecord *writePlugin(const QString &staging, const QString &name, const QString &folder,
    const QList<QByteArray> &files, const QList<ManifestFile> &extra = {})
{
    UpdateRecord *record
        = makeRecord(name, "plugin", "http://packages.example.invalid/" + folder + ".zip");
    PackageBuilder builder;
    builder.addFolder(folder.toUtf8() + "/");
    QList<ManifestFile> elements;
    for (const QByteArray &file : files) {
        builder.addFile(folder.toUtf8() + "/" + file, folder.toUtf8() + "/" + file + " new");
        elements << ManifestFile { folder, QString::fromUtf8(file), "add" };
    }
    elements << extra;
    QString error;
    if (!builder.writePackage(staging, *record, manifestXml(*record, elements), &error))
        qWarning("package %s not written: %s", qPrintable(name), qPrintable(error));
    return record;
}

// Records the engine's install signals as "file:<name>", "progress:<n>" and "finished" in
// the order they arrive, plus anything the test appends itself.
struct EventLog
{
    explicit EventLog(VeskUpdaterEngine &engine)
    {
        QObject::connect(&engine, &VeskUpdaterEngine::installFile, &context,
            [this](const QString &name) { events << "file:" + name; });
        QObject::connect(&engine, &VeskUpdaterEngine::installProgress, &context,
            [this](int done) { events << "progress:" + QString::number(done); });
        QObject::connect(&engine, &VeskUpdaterEngine::installFinished, &context,
            [this] { events << "finished"; });
    }
    QObject context;
    QStringList events;
};

enum LoopEnd { QuitRequested = 0, NoQuit = 1, TimedOut = 2 };

// QCoreApplication::quit() does nothing at all while the application's event loop is not
// running, so the run is started from inside exec(): the exec() returns 0 only when the run
// asked to quit, because otherwise the exit queued right behind the run ends it with NoQuit.
// A guard timer turns a hang into TimedOut.
LoopEnd runInsideEventLoop(VeskUpdaterEngine &engine)
{
    QObject context; // destroying it drops the queued exit when a quit came first
    QTimer::singleShot(0, &context, [&] {
        engine.installUpdates();
        QMetaObject::invokeMethod(
            &context, [] { QCoreApplication::exit(NoQuit); }, Qt::QueuedConnection);
    });
    QTimer::singleShot(30000, &context, [] { QCoreApplication::exit(TimedOut); });
    return LoopEnd(QCoreApplication::exec());
}

struct StartCall
{
    QString program;
    QStringList arguments;
};

} // namespace

class tst_InstallationRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void emptyRunOnlyFinishesAndClearsStaging();
    void allPackagesInstallInOrder();
    void failedPackageRollsBackTheRun_data();
    void failedPackageRollsBackTheRun();
    void warningCarriesErrorText();
    void failedRollbackIsReportedAndTheRestStillRollsBack();

private:
    QList<StartCall> starts;
    std::function<void()> onStart; // lets a test note when the start happens
    DetachedStarter previousStarter;
};

void tst_InstallationRun::initTestCase()
{
    // Plug-ins install under APPDATA and packages are staged in the temporary folder; without
    // the test's own folders both would be the real user's.
    QVERIFY2(runsInOwnTestHome(), "run through CTest, which gives the test a home of its own");
}

void tst_InstallationRun::init()
{
    QDir(pluginRoot()).removeRecursively();
    QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/vupdates")
        .removeRecursively();
    starts.clear();
    onStart = nullptr;
    // Retry restarts the program; here that would start this test executable again.
    previousStarter = setDetachedStarter([this](const QString &program, const QStringList &args) {
        starts << StartCall { program, args };
        if (onStart)
            onStart();
        return true;
    });
}

void tst_InstallationRun::cleanup()
{
    setDetachedStarter(previousStarter);
}

void tst_InstallationRun::emptyRunOnlyFinishesAndClearsStaging()
{
    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    QVERIFY(writeFile(outside.path() + "/keep.txt", "keep"));
    QVERIFY(writeFile(outside.path() + "/sub/.hidden-keep", "keep"));

    VeskUpdaterEngine engine;
    const QString staging = VeskEngineTestAccess::stagingDir(engine);
    QVERIFY(writeFile(staging + "/left-over.zip", "zip"));
    QVERIFY(writeFile(staging + "/.hidden", "h"));
    QVERIFY(writeFile(staging + "/unwind/plugins/deep/.backup", "b"));
    QVERIFY(QFile::link(outside.path(), staging + "/unwind/outside-link"));

    EventLog log(engine);
    MessageBoxAnswerer answerer;
    QCOMPARE(runInsideEventLoop(engine), NoQuit);

    QCOMPARE(log.events, QStringList({ "finished" }));
    QVERIFY(engine.installSucceeded());
    QCOMPARE(engine.installationLog(), QString());
    QCOMPARE(filesUnder(staging), QStringList());
    QVERIFY(QFileInfo(staging + "/unwind/plugins/deep").isDir());
    QVERIFY(!QFileInfo(staging + "/unwind/outside-link").isSymLink());
    QCOMPARE(filesUnder(outside.path()), QStringList({ "keep.txt", "sub/.hidden-keep" }));
    QCOMPARE(answerer.count(), 0);
    QVERIFY(starts.isEmpty());
}

void tst_InstallationRun::allPackagesInstallInOrder()
{
    VeskUpdaterEngine engine;
    const QString staging = VeskEngineTestAccess::stagingDir(engine);
    // Archive order differs from the log's order, which sorts case-sensitively ("B" < "a").
    VeskEngineTestAccess::setUpdates(engine,
        { writePlugin(staging, "alpha", "alpha", { "zeta.dll", "a.txt", "B.txt" }),
            writePlugin(staging, "beta", "beta", {}),
            writePlugin(staging, QString::fromUtf8("gęś"), "ges", { "sound.wav" }) });

    EventLog log(engine);
    // Whatever the summary window reads when it appears must already be final, and the
    // packages must still be in the staging folder: it is emptied only afterwards.
    QString logAtFinish;
    bool okAtFinish = false;
    QStringList stagingAtFinish;
    connect(&engine, &VeskUpdaterEngine::installFinished, this, [&] {
        logAtFinish = engine.installationLog();
        okAtFinish = engine.installSucceeded();
        stagingAtFinish = filesUnder(staging);
    });
    MessageBoxAnswerer answerer;
    QCOMPARE(runInsideEventLoop(engine), NoQuit);

    QCOMPARE(log.events,
        QStringList({ "file:alpha", "progress:33", "file:beta", "progress:66",
            QString::fromUtf8("file:gęś"), "progress:100", "finished" }));
    const QString expectedLog = QString::fromUtf8("Installing package alpha:\n"
                                                  " - alpha/B.txt\n"
                                                  " - alpha/a.txt\n"
                                                  " - alpha/zeta.dll\n"
                                                  "\n"
                                                  "Installing package beta:\n"
                                                  "\n"
                                                  "\n"
                                                  "Installing package gęś:\n"
                                                  " - ges/sound.wav\n"
                                                  "\n");
    QCOMPARE(engine.installationLog(), expectedLog);
    QCOMPARE(logAtFinish, expectedLog);
    QVERIFY(engine.installSucceeded());
    QVERIFY(okAtFinish);
    QVERIFY(stagingAtFinish.contains("alpha/zeta.dll"));
    QVERIFY(stagingAtFinish.contains("ges.zip"));

    QCOMPARE(readFile(pluginRoot() + "/alpha/zeta.dll"), QByteArray("alpha/zeta.dll new"));
    QCOMPARE(readFile(pluginRoot() + "/alpha/B.txt"), QByteArray("alpha/B.txt new"));
    QCOMPARE(readFile(pluginRoot() + "/ges/sound.wav"), QByteArray("ges/sound.wav new"));

    QCOMPARE(filesUnder(staging), QStringList());
    QVERIFY(QFileInfo(staging + "/alpha").isDir());
    QVERIFY(QFileInfo(staging + "/ges").isDir());
    QCOMPARE(answerer.count(), 0);
    QVERIFY(starts.isEmpty());
}

void tst_InstallationRun::failedPackageRollsBackTheRun_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("abort") << QMessageBox::Abort;
    QTest::newRow("retry") << QMessageBox::Retry;
}

void tst_InstallationRun::failedPackageRollsBackTheRun()
{
    QFETCH(QMessageBox::StandardButton, answer);

    QVERIFY(writeFile(pluginRoot() + "/alpha/data.txt", "alpha old"));
    QVERIFY(writeFile(pluginRoot() + "/beta/data.txt", "beta old"));

    VeskUpdaterEngine engine;
    const QString staging = VeskEngineTestAccess::stagingDir(engine);
    // beta replaces its file and then fails: its manifest adds a file the archive lacks,
    // which fails without an error text.
    VeskEngineTestAccess::setUpdates(engine,
        { writePlugin(staging, "alpha", "alpha", { "data.txt" }),
            writePlugin(
                staging, "beta", "beta", { "data.txt" }, { { "beta", "missing.txt", "add" } }),
            writePlugin(staging, "gamma", "gamma", { "data.txt" }) });

    EventLog log(engine);
    connect(&engine, &VeskUpdaterEngine::installFinished, this,
        [&] { log.events << "log:" + engine.installationLog(); });
    onStart = [&] { log.events << "start, staging files: " + filesUnder(staging).join(","); };

    MessageBoxAnswerer answerer(answer);
    QStringList eventsAtWarning;
    QByteArray alphaAtWarning, betaAtWarning;
    answerer.setOnShown([&](QMessageBox *) {
        eventsAtWarning = log.events;
        alphaAtWarning = readFile(pluginRoot() + "/alpha/data.txt");
        betaAtWarning = readFile(pluginRoot() + "/beta/data.txt");
    });

    const LoopEnd end = runInsideEventLoop(engine);

    QCOMPARE(answerer.count(), 1);
    const SeenMessageBox box = answerer.seen().first();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.title, QString("Update"));
    QCOMPARE(box.text, QString("Failed installing package beta"));
    QCOMPARE(box.buttons, QMessageBox::Abort | QMessageBox::Retry);
    QCOMPARE(box.defaultButton, QMessageBox::Retry);
    QVERIFY(!box.hasParent);

    // The question comes before any rollback.
    QCOMPARE(eventsAtWarning, QStringList({ "file:alpha", "progress:33", "file:beta" }));
    QCOMPARE(alphaAtWarning, QByteArray("alpha/data.txt new"));
    QCOMPARE(betaAtWarning, QByteArray("beta/data.txt new"));

    QStringList expected = { "file:alpha", "progress:33", "file:beta", "file:Rollback update",
        "progress:0", "progress:33", "progress:66", "progress:100", "finished", "log:" + failLine };
    if (answer == QMessageBox::Retry)
        expected << "start, staging files: ";
    QCOMPARE(log.events, expected);

    QCOMPARE(engine.installationLog(), failLine);
    QVERIFY(!engine.installSucceeded());
    // Both attempted packages are undone; only their own installers knew what they replaced.
    QCOMPARE(readFile(pluginRoot() + "/alpha/data.txt"), QByteArray("alpha old"));
    QCOMPARE(readFile(pluginRoot() + "/beta/data.txt"), QByteArray("beta old"));
    QVERIFY(!QFileInfo::exists(pluginRoot() + "/gamma"));
    QCOMPARE(filesUnder(staging), QStringList());

    if (answer == QMessageBox::Retry) {
        QCOMPARE(starts.size(), 1);
        QCOMPARE(starts.first().program, QCoreApplication::applicationFilePath());
        QCOMPARE(starts.first().arguments, QCoreApplication::arguments());
        QCOMPARE(end, QuitRequested);
    } else {
        QVERIFY(starts.isEmpty());
        QCOMPARE(end, NoQuit);
    }
}

void tst_InstallationRun::warningCarriesErrorText()
{
    VeskUpdaterEngine engine;
    const QString staging = VeskEngineTestAccess::stagingDir(engine);
    VeskEngineTestAccess::setUpdates(engine,
        { writePlugin(staging, "alpha", "alpha", { "data.txt" }),
            writePlugin(staging, "beta", "beta", { "data.txt" }) });
    // A folder where beta's entry would be unpacked: its output file cannot be opened.
    const QString blocked = staging + "/beta/data.txt";
    QVERIFY(writeFile(blocked + "/inside", "x"));
    QFile probe(blocked);
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    const QString errorText = probe.errorString();
    QVERIFY(!errorText.isEmpty());

    MessageBoxAnswerer answerer(QMessageBox::Abort);
    QCOMPARE(runInsideEventLoop(engine), NoQuit);

    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.seen().first().text, "Failed installing package beta\n" + errorText);
    QCOMPARE(engine.installationLog(), failLine);
    QVERIFY(starts.isEmpty());
}

void tst_InstallationRun::failedRollbackIsReportedAndTheRestStillRollsBack()
{
    QVERIFY(writeFile(pluginRoot() + "/alpha/data.txt", "alpha old"));
    QVERIFY(writeFile(pluginRoot() + "/beta/data.txt", "beta old"));

    VeskUpdaterEngine engine;
    const QString staging = VeskEngineTestAccess::stagingDir(engine);
    VeskEngineTestAccess::setUpdates(engine,
        { writePlugin(staging, "alpha", "alpha", { "data.txt" }),
            writePlugin(
                staging, "beta", "beta", { "data.txt" }, { { "beta", "missing.txt", "add" } }) });

    EventLog log(engine);
    // Permissions do not stop root, so alpha's rollback is made to fail by a folder standing
    // where its backup has to be copied back; it appears while the warning is up, after
    // alpha installed and before anything is rolled back.
    MessageBoxAnswerer answerer;
    answerer.queueAnswers({ QMessageBox::Abort, QMessageBox::Ok });
    QByteArray betaAtCritical;
    QStringList eventsAtCritical;
    answerer.setOnShown([&](QMessageBox *box) {
        if (box->icon() == QMessageBox::Warning) {
            const QString alphaFile = pluginRoot() + "/alpha/data.txt";
            QFile::remove(alphaFile);
            QVERIFY(writeFile(alphaFile + "/occupied", "x"));
        } else {
            eventsAtCritical = log.events;
            betaAtCritical = readFile(pluginRoot() + "/beta/data.txt");
        }
    });

    const LoopEnd end = runInsideEventLoop(engine);

    QCOMPARE(answerer.count(), 2);
    const SeenMessageBox critical = answerer.seen().at(1);
    QCOMPARE(critical.icon, QMessageBox::Critical);
    QCOMPARE(critical.title, QString("Update"));
    QCOMPARE(critical.text, rollbackText);
    QCOMPARE(critical.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    // Asked for without a default, the box makes its only accepting button the default.
    QCOMPARE(critical.defaultButton, QMessageBox::Ok);
    QVERIFY(!critical.hasParent);

    // Reported right after alpha's rollback, before beta's.
    QCOMPARE(eventsAtCritical,
        QStringList(
            { "file:alpha", "progress:50", "file:beta", "file:Rollback update", "progress:0" }));
    QCOMPARE(betaAtCritical, QByteArray("beta/data.txt new"));

    QCOMPARE(log.events,
        QStringList({ "file:alpha", "progress:50", "file:beta", "file:Rollback update",
            "progress:0", "progress:50", "progress:100", "finished" }));
    QCOMPARE(readFile(pluginRoot() + "/beta/data.txt"), QByteArray("beta old"));
    QCOMPARE(engine.installationLog(), failLine);
    QVERIFY(!engine.installSucceeded());
    QCOMPARE(filesUnder(staging), QStringList());
    // Abort restarts nothing, but the failed rollback alone asks the application to quit.
    QVERIFY(starts.isEmpty());
    QCOMPARE(end, QuitRequested);
}

QTEST_MAIN(tst_InstallationRun)
#include "tst_installationrun.moc"
