#include "engine/updaterecord.h"
#include "install/packageinstaller.h"
#include "packagebuilder.h"
#include "smallvolume.h"
#include "testfiles.h"
#include "vesktestsupport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Files = QMap<QString, QByteArray>;
using Elements = QList<ManifestFile>;
Q_DECLARE_METATYPE(Elements)
Q_DECLARE_METATYPE(PackageBuilder::Method)

namespace {

const QString untouched = QStringLiteral("untouched");

// Everything under a folder: relative path -> kind, permissions and content digest.
using Snapshot = QMap<QString, QByteArray>;

Snapshot snapshot(const QString &root, const QString &skip = QString())
{
    Snapshot result;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!skip.isEmpty() && (path == skip || path.startsWith(skip + '/')))
            continue;
        const QFileInfo info = it.fileInfo();
        QByteArray state = QByteArray::number(int(info.permissions()), 16);
        if (info.isSymLink()) {
            state += " link " + info.symLinkTarget().toUtf8();
        } else if (info.isDir()) {
            state += " dir";
        } else if (info.size() > 1024 * 1024) {
            // The test executable itself: it never changes, and hashing it costs time.
            state += " big " + QByteArray::number(info.size());
        } else {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            state
                += " " + QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
        }
        result.insert(QDir(root).relativeFilePath(path), state);
    }
    return result;
}

QStringList changedPaths(const Snapshot &before, const Snapshot &after)
{
    QStringList result;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (after.value(it.key()) != it.value())
            result << it.key();
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!before.contains(it.key()))
            result << it.key();
    }
    result.sort();
    return result;
}

// More than one 4096-byte chunk, and not a multiple of it.
QByteArray payload(int seed, int size = 10007)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + seed * 13) % 251);
    return data;
}

QString link(const QString &path)
{
    return QStringLiteral("http://updates.example.invalid") + path;
}

std::unique_ptr<UpdateRecord> record(
    const QString &name, const QString &type = "app", const QString &project = "client")
{
    return std::unique_ptr<UpdateRecord>(
        makeRecord(name, type, link("/" + name + ".zip"), project));
}

// Removes what a test left under `root` that the baseline does not hold.
void removeAdded(const QString &root, const Snapshot &baseline)
{
    const Snapshot now = snapshot(root);
    for (auto it = now.cend(); it != now.cbegin();) {
        --it;
        if (baseline.contains(it.key()))
            continue;
        const QString path = root + '/' + it.key();
        if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }
}

struct EnvironmentRestorer
{
    ~EnvironmentRestorer() { qputenv("APPDATA", saved); }
    QByteArray saved = qgetenv("APPDATA");
};

} // namespace

class tst_PackageInstaller : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void soundsExample_data();
    void soundsExample();
    void pluginPackageInstallsUnderPluginFolder();
    void fileElements_data();
    void fileElements();
    void packageAttributes_data();
    void packageAttributes();
    void fileBeforePackageElementStaysApplied();
    void fileWithoutNameFailsAdd();
    void twoInstallersReplaceTheSameFile_data();
    void twoInstallersReplaceTheSameFile();
    void allNewFilesBackUpNothing();
    void outputPathTakenByFolder();
    void archiveFailures_data();
    void archiveFailures();
    void stagingFolderWithPolishName();
    void rollbackOnFreshInstallerTouchesNothing();
    void rollbackStopsAtFirstFailure();

    // Decided departures.
    void entryNames_data();
    void entryNames();
    void confinement_data();
    void confinement();
    void emptyTargetRootIsRefused_data();
    void emptyTargetRootIsRefused();
    void checksumMismatchFails_data();
    void checksumMismatchFails();
    void failedWriteFails_data();
    void failedWriteFails();
    void backupThatCannotBeMadeFails_data();
    void backupThatCannotBeMadeFails();
    void backupOnAnotherVolume_data();
    void backupOnAnotherVolume();
    void linkedTargetIsRestorable_data();
    void linkedTargetIsRestorable();
    void manifestFaults_data();
    void manifestFaults();

private:
    // The test's home: its installation folder, its APPDATA and its TMPDIR, where the
    // staging folder's QTemporaryDir lies. Everything outside the staging folder must stay
    // as the test expects.
    Snapshot homeSnapshot() const { return snapshot(homeDir, temp->path()); }
    Snapshot tempSnapshot() const { return snapshot(temp->path()); }

    QString homeDir;
    QString appDir;
    QString appDataDir;
    Snapshot appBaseline;
    Snapshot appDataBaseline;
    std::unique_ptr<QTemporaryDir> temp;
    QString staging;
};

void tst_PackageInstaller::initTestCase()
{
    // Packages are staged in the temporary folder and plug-ins install under APPDATA.
    QVERIFY2(runsInOwnTestHome(), "run through CTest, which gives the test a home of its own");
    appDir = QCoreApplication::applicationDirPath();
    homeDir = QFileInfo(appDir).absolutePath();
    appDataDir = QString::fromLocal8Bit(qgetenv("APPDATA"));
    QVERIFY2(!appDataDir.isEmpty(), "APPDATA must point at the test's own folder");
    QVERIFY2(QFileInfo(appDataDir).absolutePath() == homeDir,
        "APPDATA must lie in the test's home, never the user's");
    appBaseline = snapshot(appDir);
    appDataBaseline = snapshot(appDataDir);
}

void tst_PackageInstaller::init()
{
    temp = std::make_unique<QTemporaryDir>();
    QVERIFY(temp->isValid());
    staging = temp->path() + "/vupdates/";
    QVERIFY(QDir().mkpath(staging));
}

void tst_PackageInstaller::cleanup()
{
    temp.reset();
    removeAdded(appDir, appBaseline);
    removeAdded(appDataDir, appDataBaseline);
    QDir(homeDir + "/install2").removeRecursively();
    QCOMPARE(changedPaths(appBaseline, snapshot(appDir)), QStringList());
    QCOMPARE(changedPaths(appDataBaseline, snapshot(appDataDir)), QStringList());
}

void tst_PackageInstaller::soundsExample_data()
{
    QTest::addColumn<PackageBuilder::Method>("method");
    QTest::addColumn<bool>("folderEntry");
    QTest::addColumn<bool>("buzzExists");

    QTest::newRow("stored, folder entry, buzz exists") << PackageBuilder::Stored << true << true;
    QTest::newRow("deflated, no folder entry, buzz exists")
        << PackageBuilder::Deflated << false << true;
    QTest::newRow("deflated, folder entry, no buzz") << PackageBuilder::Deflated << true << false;
}

void tst_PackageInstaller::soundsExample()
{
    QFETCH(PackageBuilder::Method, method);
    QFETCH(bool, folderEntry);
    QFETCH(bool, buzzExists);

    const auto sounds = record("sounds");
    QVERIFY(writeFile(appDir + "/sounds/message.wav", "old message"));
    if (buzzExists)
        QVERIFY(writeFile(appDir + "/sounds/buzz.wav", "old buzz"));
    const Snapshot before = homeSnapshot();

    PackageBuilder builder;
    if (folderEntry)
        builder.addFolder("sounds/");
    builder.addFile("sounds/message.wav", payload(1), method);
    QVERIFY(builder.writePackage(staging, *sounds,
        manifestXml(
            *sounds, { { "sounds", "message.wav", "add" }, { "sounds", "buzz.wav", "remove" } })));

    PackageInstaller installer(sounds.get());
    QString errorText;
    QStringList fileList { "earlier package line" };
    QVERIFY(installer.install(staging, &errorText, &fileList));
    QCOMPARE(errorText, QString());
    QCOMPARE(fileList, QStringList({ "earlier package line", " - sounds/message.wav" }));

    QCOMPARE(readFile(appDir + "/sounds/message.wav"), payload(1));
    QCOMPARE(QFile::permissions(appDir + "/sounds/message.wav"), QFileInfo(appDir).permissions());
    QVERIFY(!QFileInfo::exists(appDir + "/sounds/buzz.wav"));
    QCOMPARE(readFile(staging + "unwind/sounds/message.wav"), QByteArray("old message"));
    QCOMPARE(QFileInfo::exists(staging + "unwind/sounds/buzz.wav"), buzzExists);
    QStringList changed { "install/sounds/message.wav" };
    if (buzzExists) {
        QCOMPARE(readFile(staging + "unwind/sounds/buzz.wav"), QByteArray("old buzz"));
        changed.prepend("install/sounds/buzz.wav");
    }
    QCOMPARE(changedPaths(before, homeSnapshot()), changed);

    QVERIFY(installer.rollback(staging));
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::pluginPackageInstallsUnderPluginFolder()
{
    const auto smileys = record("smileys", "plugin");
    const QString plugins = appDataDir + "/Veskora/plugins";
    QVERIFY(!QFileInfo::exists(plugins));
    const Snapshot before = homeSnapshot();

    PackageBuilder builder;
    builder.addFolder("emoticons").addFile("emoticons/smile.png", payload(2));
    QVERIFY(builder.writePackage(
        staging, *smileys, manifestXml(*smileys, { { "emoticons", "smile.png", "add" } })));

    // Constructed while the plug-in folder does not exist: the copy's own permissions stay.
    PackageInstaller installer(smileys.get());
    QString errorText;
    QStringList fileList;
    QVERIFY(installer.install(staging, &errorText, &fileList));
    QCOMPARE(errorText, QString());
    QCOMPARE(fileList, QStringList { " - emoticons/smile.png" });
    QCOMPARE(readFile(plugins + "/emoticons/smile.png"), payload(2));
    QCOMPARE(QFile::permissions(plugins + "/emoticons/smile.png"),
        QFile::permissions(staging + "emoticons/smile.png"));
    QCOMPARE(QDir(plugins).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList { "emoticons" });
    const QStringList added { "appdata/Veskora", "appdata/Veskora/plugins",
        "appdata/Veskora/plugins/emoticons", "appdata/Veskora/plugins/emoticons/smile.png" };
    QCOMPARE(changedPaths(before, homeSnapshot()), added);

    // Nothing existed, so nothing was backed up and the new file stays.
    QVERIFY(installer.rollback(staging));
    QCOMPARE(changedPaths(before, homeSnapshot()), added);
}

void tst_PackageInstaller::fileElements_data()
{
    QTest::addColumn<Files>("existing"); // under the installation folder
    QTest::addColumn<Files>("entries"); // archive entries besides the manifest
    QTest::addColumn<Elements>("elements");
    QTest::addColumn<Files>("after"); // a null value: must not exist
    QTest::addColumn<QStringList>("backups"); // every file in the unwind folder
    QTest::addColumn<QStringList>("staying"); // installation paths changed after rollback

    QTest::newRow("empty path writes into the root")
        << Files {} << Files { { "readme.txt", "r" } } << Elements { { "", "readme.txt", "add" } }
        << Files { { "readme.txt", "r" } } << QStringList {} << QStringList { "readme.txt" };
    QTest::newRow("REMOVE in capitals")
        << Files { { "t/old.dll", "o" } } << Files {} << Elements { { "t", "old.dll", "REMOVE" } }
        << Files { { "t/old.dll", QByteArray() } } << QStringList { "t/old.dll" } << QStringList {};
    QTest::newRow("Add in mixed case replaces")
        << Files { { "t/a.txt", "o" } } << Files { { "t/a.txt", "n" } }
        << Elements { { "t", "a.txt", "AdD" } } << Files { { "t/a.txt", "n" } }
        << QStringList { "t/a.txt" } << QStringList {};
    QTest::newRow("unknown action backs up only")
        << Files { { "t/keep.txt", "k" } } << Files { { "t/keep.txt", "n" } }
        << Elements { { "t", "keep.txt", "patch" } } << Files { { "t/keep.txt", "k" } }
        << QStringList { "t/keep.txt" } << QStringList {};
    QTest::newRow("no action backs up only")
        << Files { { "t/keep.txt", "k" } } << Files {}
        << Elements { { "t", "keep.txt", QString() } } << Files { { "t/keep.txt", "k" } }
        << QStringList { "t/keep.txt" } << QStringList {};
    QTest::newRow("remove of a missing file")
        << Files {} << Files {} << Elements { { "t", "ghost.txt", "remove" } }
        << Files { { "t/ghost.txt", QByteArray() } } << QStringList {} << QStringList {};
    QTest::newRow("dot segments that stay inside the root")
        << Files { { "u/f.txt", "o" } } << Files { { "u/f.txt", "n" } }
        << Elements { { "t/../u", "f.txt", "add" } } << Files { { "u/f.txt", "n" } }
        << QStringList { "u/f.txt" } << QStringList {};
    QTest::newRow("name with a folder part")
        << Files { { "t/sub/deep.txt", "o" } } << Files { { "t/sub/deep.txt", "n" } }
        << Elements { { "t", "sub/deep.txt", "add" } } << Files { { "t/sub/deep.txt", "n" } }
        << QStringList { "t/sub/deep.txt" } << QStringList {};
    QTest::newRow("same file twice keeps the first backup")
        << Files { { "t/a.txt", "o" } } << Files { { "t/a.txt", "n" } }
        << Elements { { "t", "a.txt", "add" }, { "t", "a.txt", "add" } }
        << Files { { "t/a.txt", "n" } } << QStringList { "t/a.txt" } << QStringList {};
}

void tst_PackageInstaller::fileElements()
{
    QFETCH(Files, existing);
    QFETCH(Files, entries);
    QFETCH(Elements, elements);
    QFETCH(Files, after);
    QFETCH(QStringList, backups);
    QFETCH(QStringList, staying);

    for (auto it = existing.cbegin(); it != existing.cend(); ++it)
        QVERIFY(writeFile(appDir + '/' + it.key(), it.value()));
    const Snapshot before = homeSnapshot();

    const auto pack = record("pack");
    PackageBuilder builder;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        builder.addFile(it.key().toLatin1(), it.value());
    QVERIFY(builder.writePackage(staging, *pack, manifestXml(*pack, elements)));

    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QVERIFY(installer.install(staging, &errorText, &fileList));
    QCOMPARE(errorText, QString());
    QCOMPARE(fileList.size(), entries.size());

    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (it.value().isNull())
            QVERIFY2(!QFileInfo::exists(appDir + '/' + it.key()), qPrintable(it.key()));
        else
            QCOMPARE(readFile(appDir + '/' + it.key()), it.value());
    }
    QStringList unwound;
    const Snapshot unwind = snapshot(staging + "unwind");
    for (auto it = unwind.cbegin(); it != unwind.cend(); ++it) {
        if (!it.value().endsWith(" dir"))
            unwound << it.key();
    }
    QCOMPARE(unwound, backups);
    for (const QString &backup : backups)
        QCOMPARE(readFile(staging + "unwind/" + backup), existing.value(backup));

    QVERIFY(installer.rollback(staging));
    QStringList changed;
    for (const QString &path : changedPaths(before, homeSnapshot()))
        changed << path.mid(QStringLiteral("install/").size());
    QCOMPARE(changed, staying);
}

void tst_PackageInstaller::packageAttributes_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<bool>("matches");

    const QByteArray file = R"(<file path="t" name="p.txt" action="add"/>)";
    auto package = [&](const QByteArray &attributes) {
        return "<?xml version=\"1.0\"?>\n<package " + attributes + ">" + file + "</package>";
    };
    QTest::newRow("all three match")
        << package(R"(project="client" name="pack" type="app")") << true;
    QTest::newRow("no package element") << "<manifest>" + file + "</manifest>" << true;
    QTest::newRow("package without attributes") << package("") << true;
    QTest::newRow("other attributes ignored") << package(R"(version="9" name="pack")") << true;
    QTest::newRow("entity in value") << package(R"(project="&#99;lient")") << true;
    QTest::newRow("project differs") << package(R"(project="other" name="pack")") << false;
    QTest::newRow("name differs in case") << package(R"(project="client" name="Pack")") << false;
    QTest::newRow("type plugin for an app record") << package(R"(type="plugin")") << false;
    QTest::newRow("prefixed attribute compared by local name")
        << package(R"(xmlns:v="urn:v" v:project="other")") << false;
}

void tst_PackageInstaller::packageAttributes()
{
    QFETCH(QByteArray, manifest);
    QFETCH(bool, matches);

    const auto pack = record("pack");
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("t/p.txt", "p").addFile("t/q.txt", "q");
    QVERIFY(builder.writePackage(staging, *pack, manifest));

    PackageInstaller installer(pack.get());
    QString errorText = untouched;
    QStringList fileList;
    QCOMPARE(installer.install(staging, &errorText, &fileList), matches);
    QCOMPARE(errorText, untouched);
    // Every entry is unpacked and listed before the manifest is read.
    QCOMPARE(fileList, QStringList({ " - t/p.txt", " - t/q.txt" }));
    QCOMPARE(QFileInfo::exists(appDir + "/t/p.txt"), matches);
    if (!matches)
        QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::fileBeforePackageElementStaysApplied()
{
    const auto pack = record("pack");
    QVERIFY(writeFile(appDir + "/t/p.txt", "old"));
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("t/p.txt", "new").addFile("t/q.txt", "q");
    QVERIFY(builder.writePackage(staging, *pack,
        R"(<manifest><file path="t" name="p.txt" action="add"/>)"
        R"(<package project="other"/>)"
        R"(<file path="t" name="q.txt" action="add"/></manifest>)"));

    PackageInstaller installer(pack.get());
    QString errorText = untouched;
    QStringList fileList;
    QVERIFY(!installer.install(staging, &errorText, &fileList));
    QCOMPARE(errorText, untouched);
    QCOMPARE(readFile(appDir + "/t/p.txt"), QByteArray("new"));
    QVERIFY(!QFileInfo::exists(appDir + "/t/q.txt"));

    QVERIFY(installer.rollback(staging));
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::fileWithoutNameFailsAdd()
{
    const auto pack = record("pack");
    QDir().mkpath(appDir + "/t");
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFolder("t/");
    QVERIFY(
        builder.writePackage(staging, *pack, manifestXml(*pack, { { "t", QString(), "add" } })));

    PackageInstaller installer(pack.get());
    QString errorText = untouched;
    QStringList fileList;
    QVERIFY(!installer.install(staging, &errorText, &fileList));
    QCOMPARE(errorText, untouched);
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::twoInstallersReplaceTheSameFile_data()
{
    QTest::addColumn<bool>("firstRolledBackFirst");
    QTest::newRow("first installer rolled back first") << true;
    QTest::newRow("second installer rolled back first") << false;
}

void tst_PackageInstaller::twoInstallersReplaceTheSameFile()
{
    QFETCH(bool, firstRolledBackFirst);

    QVERIFY(writeFile(appDir + "/shared/common.txt", "original"));
    const Snapshot before = homeSnapshot();
    const auto first = record("first");
    const auto second = record("second");
    PackageBuilder a;
    a.addFile("shared/common.txt", "from first");
    QVERIFY(a.writePackage(
        staging, *first, manifestXml(*first, { { "shared", "common.txt", "add" } })));
    PackageBuilder b;
    b.addFile("shared/common.txt", "from second");
    QVERIFY(b.writePackage(
        staging, *second, manifestXml(*second, { { "shared", "common.txt", "add" } })));

    PackageInstaller firstInstaller(first.get());
    PackageInstaller secondInstaller(second.get());
    QString errorText;
    QStringList fileList;
    QVERIFY(firstInstaller.install(staging, &errorText, &fileList));
    QCOMPARE(readFile(appDir + "/shared/common.txt"), QByteArray("from first"));
    QVERIFY(secondInstaller.install(staging, &errorText, &fileList));
    QCOMPARE(readFile(appDir + "/shared/common.txt"), QByteArray("from second"));
    QCOMPARE(readFile(staging + "unwind/shared/common.txt"), QByteArray("original"));
    QCOMPARE(fileList, QStringList({ " - shared/common.txt", " - shared/common.txt" }));

    if (firstRolledBackFirst) {
        QVERIFY(firstInstaller.rollback(staging));
        QVERIFY(secondInstaller.rollback(staging));
    } else {
        QVERIFY(secondInstaller.rollback(staging));
        QVERIFY(firstInstaller.rollback(staging));
    }
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::allNewFilesBackUpNothing()
{
    const auto pack = record("pack");
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("n/one.txt", "1").addFile("two.txt", "2", PackageBuilder::Stored);
    QVERIFY(builder.writePackage(staging, *pack,
        manifestXml(*pack, { { "n", "one.txt", "add" }, { "", "two.txt", "add" } })));
    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QVERIFY(installer.install(staging, &errorText, &fileList));
    QVERIFY(QDir(staging + "unwind").isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    const QStringList added { "install/n", "install/n/one.txt", "install/two.txt" };
    QCOMPARE(changedPaths(before, homeSnapshot()), added);
    QVERIFY(installer.rollback(staging));
    QCOMPARE(changedPaths(before, homeSnapshot()), added);
}

void tst_PackageInstaller::outputPathTakenByFolder()
{
    const auto pack = record("pack");
    QVERIFY(QDir().mkpath(staging + "taken"));
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("first.txt", "1").addFile("taken", "2").addFile("last.txt", "3");
    QVERIFY(
        builder.writePackage(staging, *pack, manifestXml(*pack, { { "", "first.txt", "add" } })));

    QFile probe(staging + "/taken");
    QVERIFY(!probe.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QString platformText = probe.errorString();
    QVERIFY(!platformText.isEmpty());

    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QVERIFY(!installer.install(staging, &errorText, &fileList));
    QCOMPARE(errorText, platformText);
    QCOMPARE(fileList, QStringList { " - first.txt" });
    QVERIFY(!QFileInfo::exists(staging + "last.txt"));
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::archiveFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("missing archive") << "missing" << QStringList {};
    QTest::newRow("not a ZIP") << "not a zip" << QStringList {};
    QTest::newRow("empty file") << "empty" << QStringList {};
    QTest::newRow("truncated archive") << "truncated" << QStringList {};
    QTest::newRow("LZMA entry") << "method 14" << QStringList { " - first.txt" };
    QTest::newRow("bzip2 entry") << "method 12" << QStringList { " - first.txt" };
    QTest::newRow("damaged deflate data") << "damaged" << QStringList { " - first.txt" };
}

void tst_PackageInstaller::archiveFailures()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, lines);

    const auto pack = record("pack");
    const QString archive = PackageBuilder::archivePath(staging, *pack);
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("first.txt", payload(3));
    if (kind == "method 14")
        builder.addUnsupportedMethodFile("second.txt", payload(4), 14);
    else if (kind == "method 12")
        builder.addUnsupportedMethodFile("second.txt", payload(4), 12);
    else if (kind == "damaged")
        builder.addDamagedDeflatedFile("second.txt", payload(4));
    else
        builder.addFile("second.txt", payload(4));
    const QByteArray manifest
        = manifestXml(*pack, { { "", "first.txt", "add" }, { "", "second.txt", "add" } });
    if (kind != "missing")
        QVERIFY(builder.writePackage(staging, *pack, manifest));
    if (kind == "not a zip")
        QVERIFY(PackageBuilder::writeNotZip(archive));
    if (kind == "empty")
        QVERIFY(PackageBuilder::truncateFile(archive, 0));
    if (kind == "truncated")
        QVERIFY(PackageBuilder::truncateFile(archive, QFileInfo(archive).size() / 2));

    PackageInstaller installer(pack.get());
    QString errorText = untouched;
    QStringList fileList;
    QVERIFY(!installer.install(staging, &errorText, &fileList));
    QCOMPARE(errorText, untouched);
    QCOMPARE(fileList, lines);
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
    QVERIFY(installer.rollback(staging));
}

void tst_PackageInstaller::stagingFolderWithPolishName()
{
    staging = temp->path() + QStringLiteral("/Zażółć gęślą jaźń/vupdates/");
    const auto pack = record("pack");
    PackageBuilder builder;
    builder.addFile("t/a.txt", payload(5));
    QVERIFY(builder.writePackage(staging, *pack, manifestXml(*pack, { { "t", "a.txt", "add" } })));
    QVERIFY(QFileInfo::exists(PackageBuilder::archivePath(staging, *pack)));

    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QVERIFY2(installer.install(staging, &errorText, &fileList), qPrintable(errorText));
    QCOMPARE(readFile(appDir + "/t/a.txt"), payload(5));
}

void tst_PackageInstaller::rollbackOnFreshInstallerTouchesNothing()
{
    const auto pack = record("pack");
    QVERIFY(writeFile(staging + "unwind/t/a.txt", "stale backup"));
    const Snapshot before = homeSnapshot();
    const Snapshot tempBefore = tempSnapshot();
    PackageInstaller installer(pack.get());
    QVERIFY(installer.rollback(staging));
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
    QCOMPARE(changedPaths(tempBefore, tempSnapshot()), QStringList());
}

void tst_PackageInstaller::rollbackStopsAtFirstFailure()
{
    const auto pack = record("pack");
    QVERIFY(writeFile(appDir + "/t/1.txt", "old 1"));
    QVERIFY(writeFile(appDir + "/t/2.txt", "old 2"));
    PackageBuilder builder;
    builder.addFile("t/1.txt", "new 1").addFile("t/2.txt", "new 2");
    QVERIFY(builder.writePackage(
        staging, *pack, manifestXml(*pack, { { "t", "1.txt", "add" }, { "t", "2.txt", "add" } })));
    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QVERIFY(installer.install(staging, &errorText, &fileList));
    QVERIFY(QFile::remove(staging + "unwind/t/1.txt"));

    QVERIFY(!installer.rollback(staging));
    QCOMPARE(readFile(appDir + "/t/2.txt"), QByteArray("new 2"));
}

void tst_PackageInstaller::entryNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("refused");

    QTest::newRow("../x") << QByteArray("../x") << true;
    QTest::newRow("/abs") << QByteArray("/abs") << true;
    QTest::newRow("a/../../x") << QByteArray("a/../../x") << true;
    QTest::newRow("a\\..\\x") << QByteArray("a\\..\\x") << true;
    QTest::newRow("..\\x") << QByteArray("..\\x") << true;
    QTest::newRow("\\abs") << QByteArray("\\abs") << true;
    QTest::newRow("./x") << QByteArray("./x") << true;
    QTest::newRow("C:/x") << QByteArray("C:/x") << true;
    QTest::newRow("folder ../up/") << QByteArray("../up/") << true;
    QTest::newRow("300-byte name") << QByteArray(300, 'n') << true;
    QTest::newRow("256-byte name") << "d/" + QByteArray(254, 'n') << true;
    QTest::newRow("255-byte name") << "d/" + QByteArray(253, 'n') << false;
    QTest::newRow("dots inside names") << QByteArray("a..b/..c/x..") << false;
}

void tst_PackageInstaller::entryNames()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, refused);

    const auto pack = record("pack");
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("first.txt", "1");
    if (name.endsWith('/'))
        builder.addFolder(name);
    else
        builder.addFile(name, "escape");
    QVERIFY(
        builder.writePackage(staging, *pack, manifestXml(*pack, { { "", "first.txt", "add" } })));
    const Snapshot tempBefore = tempSnapshot();

    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QCOMPARE(installer.install(staging, &errorText, &fileList), !refused);
    if (!refused) {
        QCOMPARE(readFile(staging + name), QByteArray("escape"));
        return;
    }
    // The name as read (at most 255 bytes) identifies the entry.
    QVERIFY2(errorText.contains(QString::fromLatin1(name.left(255))), qPrintable(errorText));
    QCOMPARE(fileList, QStringList());
    // Nothing of the archive is written: neither the earlier entry nor anything outside.
    QCOMPARE(changedPaths(tempBefore, tempSnapshot()), QStringList { "vupdates/unwind" });
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::confinement_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("entry"); // where the unsound reading would find the source

    QTest::newRow("app: parent of the root") << "app"
                                             << ".."
                                             << "../x.txt";
    QTest::newRow("app: sibling sharing the root's prefix") << "app"
                                                            << "../install2"
                                                            << "../install2/x.txt";
    QTest::newRow("app: dot segments leading out") << "app"
                                                   << "t/../../out"
                                                   << "t/../../out/x.txt";
    QTest::newRow("plugin: parent of the root") << "plugin"
                                                << ".."
                                                << "../x.txt";
    QTest::newRow("plugin: sibling sharing the root's prefix") << "plugin"
                                                               << "../plugins2"
                                                               << "../plugins2/x.txt";
}

void tst_PackageInstaller::confinement()
{
    QFETCH(QString, type);
    QFETCH(QString, path);
    QFETCH(QString, entry);

    const auto pack = record("pack", type);
    const Snapshot before = homeSnapshot();
    // The source lies where "staging/path/x.txt" resolves to, so an unconfined add would work.
    QVERIFY(writeFile(QDir::cleanPath(staging + entry), "escape"));
    PackageBuilder builder;
    builder.addFile("inside.txt", "in");
    QVERIFY(builder.writePackage(staging, *pack,
        manifestXml(*pack, { { path, "x.txt", "add" }, { "", "inside.txt", "add" } })));
    const Snapshot tempBefore = tempSnapshot();

    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QVERIFY(installer.install(staging, &errorText, &fileList));
    QCOMPARE(errorText, QString());
    const QString root = type == "app" ? "install" : "appdata/Veskora/plugins";
    QStringList expected { root + "/inside.txt" };
    if (type == "plugin")
        expected = QStringList { "appdata/Veskora", "appdata/Veskora/plugins" } + expected;
    QCOMPARE(changedPaths(before, homeSnapshot()), expected);
    QStringList tempChanged = changedPaths(tempBefore, tempSnapshot());
    QCOMPARE(tempChanged,
        QStringList({ "vupdates/inside.txt", "vupdates/pack.xml", "vupdates/unwind" }));
}

void tst_PackageInstaller::emptyTargetRootIsRefused_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("withoutAppData");

    QTest::newRow("unknown type") << "theme" << false;
    QTest::newRow("APP in capitals") << "APP" << false;
    QTest::newRow("empty type") << "" << false;
    QTest::newRow("plugin without APPDATA") << "plugin" << true;
}

void tst_PackageInstaller::emptyTargetRootIsRefused()
{
    QFETCH(QString, type);
    QFETCH(bool, withoutAppData);

    const auto pack = record("pack", type);
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("x.txt", "x");
    QVERIFY(builder.writePackage(staging, *pack, manifestXml(*pack, { { "", "x.txt", "add" } })));
    const Snapshot tempBefore = tempSnapshot();

    std::unique_ptr<PackageInstaller> installer;
    {
        EnvironmentRestorer restorer;
        if (withoutAppData)
            qunsetenv("APPDATA");
        installer = std::make_unique<PackageInstaller>(pack.get());
    }
    QString errorText;
    QStringList fileList;
    QVERIFY(!installer->install(staging, &errorText, &fileList));
    QVERIFY(!errorText.isEmpty());
    QCOMPARE(fileList, QStringList());
    QCOMPARE(changedPaths(tempBefore, tempSnapshot()), QStringList());
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::checksumMismatchFails_data()
{
    QTest::addColumn<PackageBuilder::Method>("method");
    QTest::newRow("stored") << PackageBuilder::Stored;
    QTest::newRow("deflated") << PackageBuilder::Deflated;
}

void tst_PackageInstaller::checksumMismatchFails()
{
    QFETCH(PackageBuilder::Method, method);

    const auto pack = record("pack");
    QVERIFY(writeFile(appDir + "/t/bad.bin", "old"));
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("good.txt", "g").addBadCrcFile("t/bad.bin", payload(6), method);
    QVERIFY(builder.writePackage(staging, *pack,
        manifestXml(*pack, { { "", "good.txt", "add" }, { "t", "bad.bin", "add" } })));
    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QVERIFY(!installer.install(staging, &errorText, &fileList));
    QVERIFY2(errorText.contains("t/bad.bin"), qPrintable(errorText));
    QCOMPARE(fileList, QStringList({ " - good.txt", " - t/bad.bin" }));
    // The manifest is never reached: no corrupted byte gets installed.
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::failedWriteFails_data()
{
    QTest::addColumn<int>("size");
    // QFile buffers writes: a small file fails when flushed, a large one while written.
    QTest::newRow("fails on flush") << 10007;
    QTest::newRow("fails while writing") << 200000;
}

void tst_PackageInstaller::failedWriteFails()
{
    QFETCH(int, size);
    if (!QFileInfo::exists("/dev/full"))
        QSKIP("needs a device that reports a full disk");
    QFile full("/dev/full");
    QVERIFY(full.open(QIODevice::WriteOnly));
    full.write(payload(7));
    QVERIFY(!full.flush());
    const QString diskFull = full.errorString();

    const auto pack = record("pack");
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("first.txt", "1").addFile("full.bin", payload(7, size));
    QVERIFY(
        builder.writePackage(staging, *pack, manifestXml(*pack, { { "", "full.bin", "add" } })));
    QVERIFY(QFile::link("/dev/full", staging + "full.bin"));

    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QVERIFY(!installer.install(staging, &errorText, &fileList));
    QCOMPARE(errorText, diskFull);
    QCOMPARE(fileList, QStringList { " - first.txt" });
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::backupThatCannotBeMadeFails_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("add") << "add";
    QTest::newRow("remove") << "remove";
    QTest::newRow("unknown action") << "touch";
}

void tst_PackageInstaller::backupThatCannotBeMadeFails()
{
    QFETCH(QString, action);

    const auto pack = record("pack");
    QVERIFY(writeFile(appDir + "/t/keep.dll", "old"));
    // A file where the backup's folder must go: the copy cannot be made.
    QVERIFY(writeFile(staging + "unwind/t", "in the way"));
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("t/keep.dll", "new");
    QVERIFY(
        builder.writePackage(staging, *pack, manifestXml(*pack, { { "t", "keep.dll", action } })));

    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QVERIFY(!installer.install(staging, &errorText, &fileList));
    QVERIFY2(errorText.contains("keep.dll"), qPrintable(errorText));
    QCOMPARE(readFile(appDir + "/t/keep.dll"), QByteArray("old"));
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
    QVERIFY(installer.rollback(staging));
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::backupOnAnotherVolume_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("full");
    QTest::newRow("add, room left") << "add" << false;
    QTest::newRow("remove, room left") << "remove" << false;
    QTest::newRow("add, full") << "add" << true;
    QTest::newRow("remove, full") << "remove" << true;
    QTest::newRow("unknown action, full") << "touch" << true;
}

void tst_PackageInstaller::backupOnAnotherVolume()
{
    QFETCH(QString, action);
    QFETCH(bool, full);

    // The unwind folder on another volume, where a file cannot simply be renamed and its
    // copy may run out of space. The file is small enough to sit in a write buffer until
    // after the original would be gone.
    const SmallVolume volume(temp->path() + "/volume");
    if (!volume.isMounted())
        QSKIP("needs the right to mount a small file system");
    QVERIFY(QStorageInfo(volume.path()) != QStorageInfo(appDir));
    QVERIFY(QDir().mkpath(volume.path() + "/t"));
    if (full)
        QVERIFY(volume.fill());
    QVERIFY(QFile::link(volume.path(), staging + "unwind"));

    const auto pack = record("pack");
    QVERIFY(writeFile(appDir + "/t/keep.dll", "old"));
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("t/keep.dll", "new");
    QVERIFY(
        builder.writePackage(staging, *pack, manifestXml(*pack, { { "t", "keep.dll", action } })));

    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QCOMPARE(installer.install(staging, &errorText, &fileList), !full);
    if (full) {
        QVERIFY2(errorText.contains("keep.dll"), qPrintable(errorText));
        QCOMPARE(readFile(appDir + "/t/keep.dll"), QByteArray("old"));
        QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
        QVERIFY(!QFileInfo::exists(volume.path() + "/t/keep.dll"));
        return;
    }
    QCOMPARE(errorText, QString());
    QCOMPARE(readFile(volume.path() + "/t/keep.dll"), QByteArray("old"));
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList { "install/t/keep.dll" });
    QVERIFY(installer.rollback(staging));
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

void tst_PackageInstaller::linkedTargetIsRestorable_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("add") << "add";
    QTest::newRow("remove") << "remove";
}

void tst_PackageInstaller::linkedTargetIsRestorable()
{
    QFETCH(QString, action);

    // A relative link means something else once it lies in the unwind folder, so its
    // backup must hold what it leads to.
    QVERIFY(writeFile(appDir + "/t/real.dll", "real"));
    if (!QFile::link("real.dll", appDir + "/t/keep.dll")
        || !QFileInfo(appDir + "/t/keep.dll").isSymLink())
        QSKIP("needs symbolic links");
    QCOMPARE(readFile(appDir + "/t/keep.dll"), QByteArray("real"));

    const auto pack = record("pack");
    PackageBuilder builder;
    builder.addFile("t/keep.dll", "new");
    QVERIFY(
        builder.writePackage(staging, *pack, manifestXml(*pack, { { "t", "keep.dll", action } })));

    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QVERIFY2(installer.install(staging, &errorText, &fileList), qPrintable(errorText));
    QCOMPARE(readFile(appDir + "/t/real.dll"), QByteArray("real"));

    QVERIFY(installer.rollback(staging));
    QCOMPARE(readFile(appDir + "/t/keep.dll"), QByteArray("real"));
    QCOMPARE(readFile(appDir + "/t/real.dll"), QByteArray("real"));
}

void tst_PackageInstaller::manifestFaults_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<bool>("firstApplied");

    QTest::newRow("missing manifest") << QByteArray() << false;
    QTest::newRow("empty manifest") << QByteArray("") << false;
    QTest::newRow("not XML") << QByteArray("add t/a.txt") << false;
    QTest::newRow("cut inside the second file element") << QByteArray(
        R"(<package name="pack"><file path="t" name="a.txt" action="add"/>)"
        R"(<file path="t" name="b.txt" act)") << true;
    QTest::newRow("mismatched tag after the first file")
        << QByteArray(R"(<package><file path="t" name="a.txt" action="add"/></wrong>)"
                      R"(<file path="t" name="b.txt" action="add"/></package>)")
        << true;
}

void tst_PackageInstaller::manifestFaults()
{
    QFETCH(QByteArray, manifest);
    QFETCH(bool, firstApplied);

    const auto pack = record("pack");
    QVERIFY(writeFile(appDir + "/t/a.txt", "old"));
    const Snapshot before = homeSnapshot();
    PackageBuilder builder;
    builder.addFile("t/a.txt", "new").addFile("t/b.txt", "b");
    QVERIFY(builder.writePackage(staging, *pack, manifest));

    PackageInstaller installer(pack.get());
    QString errorText;
    QStringList fileList;
    QVERIFY(!installer.install(staging, &errorText, &fileList));
    QVERIFY2(errorText.contains("pack.xml"), qPrintable(errorText));
    QCOMPARE(fileList, QStringList({ " - t/a.txt", " - t/b.txt" }));
    QCOMPARE(readFile(appDir + "/t/a.txt"), firstApplied ? QByteArray("new") : QByteArray("old"));
    QVERIFY(!QFileInfo::exists(appDir + "/t/b.txt"));

    QVERIFY(installer.rollback(staging));
    QCOMPARE(changedPaths(before, homeSnapshot()), QStringList());
}

QTEST_GUILESS_MAIN(tst_PackageInstaller)
#include "tst_packageinstaller.moc"
