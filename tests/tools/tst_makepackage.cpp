#include "catalogueentry.h"
#include "install/qfilezipio.h"
#include "packagewriter.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <minizip/unzip.h>

namespace {

struct Entry
{
    QByteArray name;
    QByteArray bytes;
};

// Every entry in central-directory order, read back with minizip and checked against its CRC.
QList<Entry> readArchive(const QString &path, bool *ok)
{
    *ok = false;
    QList<Entry> entries;
    zlib_filefunc64_def functions;
    fillQFileZipFunctions(&functions);
    QString name = path;
    unzFile zip = unzOpen2_64(&name, &functions);
    if (!zip)
        return entries;
    bool good = unzGoToFirstFile(zip) == UNZ_OK;
    while (good) {
        char entryName[256];
        unz_file_info64 info;
        good = unzGetCurrentFileInfo64(
                   zip, &info, entryName, sizeof entryName, nullptr, 0, nullptr, 0)
                == UNZ_OK
            && unzOpenCurrentFile(zip) == UNZ_OK;
        if (!good)
            break;
        Entry entry { QByteArray(entryName), QByteArray() };
        char buffer[4096];
        int n;
        while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
            entry.bytes.append(buffer, n);
        good = n == 0 && unzCloseCurrentFile(zip) == UNZ_OK;
        entries.append(entry);
        if (!good || unzGoToNextFile(zip) != UNZ_OK)
            break;
    }
    unzClose(zip);
    *ok = good;
    return entries;
}

// "path|name|action" per file element, and the package element's attributes.
QStringList readManifest(const QByteArray &xml, QString *package)
{
    QStringList files;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = reader.attributes();
        if (reader.name() == u"package")
            *package = QStringLiteral("%1|%2|%3")
                           .arg(a.value("project"), a.value("name"), a.value("type"));
        else if (reader.name() == u"file")
            files.append(QStringLiteral("%1|%2|%3")
                             .arg(a.value("path"), a.value("name"), a.value("action")));
    }
    return reader.hasError() ? QStringList { "<malformed>" } : files;
}

QByteArray bigBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 300000; ++i)
        bytes.append(char((quint32(i) * 2654435761u) >> 24));
    return bytes;
}

} // namespace

class TestMakePackage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void namesForLink_data();
    void namesForLink();
    void filesAndRemovals();
    void twoVersions();
    void latin1Names();
    void refusals_data();
    void refusals();

private:
    int run(const QStringList &arguments);
    std::unique_ptr<QTemporaryDir> dir;
    QByteArray out;
    QByteArray err;
};

void TestMakePackage::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

int TestMakePackage::run(const QStringList &arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("VESK_TEST_BIN_DIR") + "/make-package", arguments);
    if (!process.waitForFinished(30000))
        return -1;
    out = process.readAllStandardOutput();
    err = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void TestMakePackage::namesForLink_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QString>("manifest");

    QTest::newRow("/sounds.zip") << "http://h/sounds.zip"
                                 << "sounds.zip"
                                 << "sounds.xml";
    QTest::newRow("port and query") << "http://h:8080/x.zip?v=2"
                                    << "x.zip"
                                    << "x.xml";
    QTest::newRow("https") << "https://h/x.zip"
                           << "x.zip"
                           << "x.xml";
    QTest::newRow("encoded space") << "http://h/a%20b.zip"
                                   << "a b.zip"
                                   << "a b.xml";
    QTest::newRow("other four-character extension") << "http://h/p.pkg"
                                                    << "p.pkg"
                                                    << "p.xml";
    QTest::newRow("folder in path") << "http://h/pkgs/x.zip"
                                    << ""
                                    << "";
    QTest::newRow("no extension") << "http://h/package"
                                  << ""
                                  << "";
    QTest::newRow("three-character extension") << "http://h/x.gz"
                                               << ""
                                               << "";
    QTest::newRow("ftp") << "ftp://h/x.zip"
                         << ""
                         << "";
    QTest::newRow("no host") << "http:///x.zip"
                             << ""
                             << "";
}

void TestMakePackage::namesForLink()
{
    QFETCH(QString, link);
    QFETCH(QString, archive);
    QFETCH(QString, manifest);
    QString archiveName;
    QString manifestName;
    QString error;
    const bool ok = PackageWriter::namesForLink(link, &archiveName, &manifestName, &error);
    QCOMPARE(ok, !archive.isEmpty());
    if (ok) {
        QCOMPARE(archiveName, archive);
        QCOMPARE(manifestName, manifest);
    } else {
        QVERIFY(!error.isEmpty());
    }
}

void TestMakePackage::filesAndRemovals()
{
    const QString files = dir->filePath("files");
    QVERIFY(writeFile(files + "/readme.txt", "read me\n"));
    QVERIFY(writeFile(files + "/sounds/message.wav", bigBytes()));
    QVERIFY(writeFile(files + "/.hidden", ""));
    QVERIFY(writeFile(
        dir->filePath("removals"), "# gone in this version\nsounds/buzz.wav\n\n  old.dll  \n"));

    QCOMPARE(run({ "--files", files, "--remove", dir->filePath("removals"), "--output",
                 dir->filePath("out"), "--project", "vesk", "--name", "sounds", "--type", "app",
                 "--version", "7.1.0", "--link", "http://127.0.0.1:8080/sounds.zip",
                 "--description", "New sounds", "--changelog", "- louder\n- shorter", "--critical",
                 "--timestamp", "1700000000", "--author", "Veskora" }),
        0);

    bool ok = false;
    const QList<Entry> entries = readArchive(dir->filePath("out/sounds.zip"), &ok);
    QVERIFY(ok);
    QStringList names;
    for (const Entry &e : entries)
        names.append(QString::fromLatin1(e.name));
    QCOMPARE(names, (QStringList { "sounds.xml", ".hidden", "readme.txt", "sounds/message.wav" }));
    QCOMPARE(entries.at(1).bytes, QByteArray());
    QCOMPARE(entries.at(2).bytes, QByteArray("read me\n"));
    QCOMPARE(entries.at(3).bytes, bigBytes());

    QString package;
    QCOMPARE(readManifest(entries.at(0).bytes, &package),
        (QStringList { "|.hidden|add", "|old.dll|remove", "|readme.txt|add",
            "sounds|buzz.wav|remove", "sounds|message.wav|add" }));
    QCOMPARE(package, QStringLiteral("vesk|sounds|app"));

    CatalogueEntry printed;
    QString error;
    QVERIFY2(CatalogueEntry::parse(out, &printed, &error), qPrintable(error));
    QCOMPARE(printed.project, QStringLiteral("vesk"));
    QCOMPARE(printed.name, QStringLiteral("sounds"));
    QCOMPARE(printed.type, QStringLiteral("app"));
    QCOMPARE(printed.version, QStringLiteral("7.1.0"));
    QCOMPARE(printed.description, QStringLiteral("New sounds"));
    QCOMPARE(printed.author, QStringLiteral("Veskora"));
    QCOMPARE(printed.changelog, QStringLiteral("- louder\n- shorter"));
    QCOMPARE(printed.link, QStringLiteral("http://127.0.0.1:8080/sounds.zip"));
    QCOMPARE(printed.critical, true);
    QCOMPARE(printed.timestamp, 1700000000u);
    QVERIFY2(err.contains("3 to add, 2 to remove"), err.constData());
}

void TestMakePackage::twoVersions()
{
    const QString oldFolder = dir->filePath("7.0");
    const QString newFolder = dir->filePath("7.1");
    QVERIFY(writeFile(oldFolder + "/same.dll", "unchanged"));
    QVERIFY(writeFile(newFolder + "/same.dll", "unchanged"));
    QVERIFY(writeFile(oldFolder + "/changed.dll", "version 1"));
    QVERIFY(writeFile(newFolder + "/changed.dll", "version 2")); // same size, other bytes
    QVERIFY(writeFile(oldFolder + "/grown/lib.dll", "short"));
    QVERIFY(writeFile(newFolder + "/grown/lib.dll", "much longer"));
    QVERIFY(writeFile(oldFolder + "/gone/old.dll", "bye"));
    QVERIFY(writeFile(newFolder + "/plugins/new.dll", "hello"));

    QCOMPARE(run({ "--old", oldFolder, "--new", newFolder, "--output", dir->filePath("out"),
                 "--project", "vesk", "--name", "emoticons", "--type", "plugin", "--version", "1.1",
                 "--link", "http://h/emoticons.zip" }),
        0);
    bool ok = false;
    const QList<Entry> entries = readArchive(dir->filePath("out/emoticons.zip"), &ok);
    QVERIFY(ok);
    QCOMPARE(entries.size(), 4);
    QCOMPARE(entries.at(0).name, QByteArray("emoticons.xml"));
    QCOMPARE(entries.at(1).name, QByteArray("changed.dll"));
    QCOMPARE(entries.at(1).bytes, QByteArray("version 2"));
    QCOMPARE(entries.at(2).name, QByteArray("grown/lib.dll"));
    QCOMPARE(entries.at(3).name, QByteArray("plugins/new.dll"));
    QString package;
    QCOMPARE(readManifest(entries.at(0).bytes, &package),
        (QStringList { "|changed.dll|add", "gone|old.dll|remove", "grown|lib.dll|add",
            "plugins|new.dll|add" }));
    QCOMPARE(package, QStringLiteral("vesk|emoticons|plugin"));

    // Two identical versions make a package that changes nothing.
    QCOMPARE(run({ "--old", oldFolder, "--new", oldFolder, "--output", dir->filePath("same"),
                 "--name", "e", "--version", "1", "--link", "http://h/e.zip" }),
        0);
    QVERIFY(readArchive(dir->filePath("same/e.zip"), &ok).size() == 1 && ok);
}

void TestMakePackage::latin1Names()
{
    // The updater reads entry names byte per byte as Latin-1: the entry must carry Latin-1
    // bytes for the unpacked file to have the name the manifest gives.
    const QString files = dir->filePath("files");
    QVERIFY(writeFile(files + QString::fromUtf8("/caf\xc3\xa9.txt"), "coffee"));
    QCOMPARE(run({ "--files", files, "--output", dir->filePath("out"), "--name", "c", "--version",
                 "1", "--link", "http://h/c.zip" }),
        0);
    bool ok = false;
    const QList<Entry> entries = readArchive(dir->filePath("out/c.zip"), &ok);
    QVERIFY(ok);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(1).name, QByteArray("caf\xe9.txt"));
    QString package;
    QCOMPARE(readManifest(entries.at(0).bytes, &package),
        QStringList { QString::fromUtf8("|caf\xc3\xa9.txt|add") });
}

void TestMakePackage::refusals_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("removals");
    QTest::addColumn<QString>("message");

    const QStringList ok { "--name", "c", "--version", "1", "--link", "http://h/c.zip" };
    QTest::newRow("link with a folder")
        << QStringList { "--name", "c", "--version", "1", "--link", "http://h/p/c.zip" } << "a.txt"
        << QByteArray() << "root";
    QTest::newRow("non-Latin-1 file name")
        << ok << QString::fromUtf8("\xc4\x85.txt") << QByteArray() << "Latin-1";
    QTest::newRow("file named like the manifest") << ok << "c.xml" << QByteArray() << "manifest";
    QTest::newRow("removal with ..") << ok << "a.txt" << QByteArray("../outside.txt\n") << "\"..\"";
    QTest::newRow("removal with backslash")
        << ok << "a.txt" << QByteArray("a\\b.txt\n") << "backslash";
    QTest::newRow("removal of an added file") << ok << "a.txt" << QByteArray("a.txt\n") << "both";
    QTest::newRow("absolute removal") << ok << "a.txt" << QByteArray("/etc/passwd\n") << "relative";
    QTest::newRow("no link") << QStringList { "--name", "c", "--version", "1" } << "a.txt"
                             << QByteArray() << "required";
    QTest::newRow("unknown type") << ok + QStringList { "--type", "theme" } << "a.txt"
                                  << QByteArray() << "--type";
}

void TestMakePackage::refusals()
{
    QFETCH(QStringList, extra);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, removals);
    QFETCH(QString, message);
    QVERIFY(writeFile(dir->filePath("files/") + fileName, "x"));
    QStringList arguments { "--files", dir->filePath("files"), "--output", dir->filePath("out") };
    if (!removals.isEmpty()) {
        QVERIFY(writeFile(dir->filePath("removals"), removals));
        arguments << "--remove" << dir->filePath("removals");
    }
    QCOMPARE(run(arguments + extra), 1);
    QVERIFY2(QString::fromUtf8(err).contains(message), err.constData());
    QCOMPARE(out, QByteArray());
    QVERIFY(QDir(dir->filePath("out")).entryList(QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(TestMakePackage)
#include "tst_makepackage.moc"
