#include "catalogue.h"
#include "catalogueentry.h"
#include "testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

CatalogueEntry fullEntry()
{
    CatalogueEntry e;
    e.project = QStringLiteral("vesk");
    e.name = QStringLiteral("client");
    e.type = QStringLiteral("app");
    e.version = QStringLiteral("7.1.0");
    e.description = QString::fromUtf8("Szybszy start: zażółć");
    e.copyrights = QStringLiteral("(c) Veskora");
    e.author = QStringLiteral("Veskora team");
    e.webpage = QStringLiteral("http://veskora.example/");
    e.email = QStringLiteral("updates@veskora.example");
    e.changelog = QStringLiteral("- first\n\n  - indented: with colon\n");
    e.link = QStringLiteral("http://127.0.0.1:8080/client.zip");
    e.critical = true;
    e.timestamp = 4294967295u;
    return e;
}

bool sameEntry(const CatalogueEntry &a, const CatalogueEntry &b)
{
    return a.project == b.project && a.name == b.name && a.type == b.type && a.version == b.version
        && a.description == b.description && a.copyrights == b.copyrights && a.author == b.author
        && a.webpage == b.webpage && a.email == b.email && a.changelog == b.changelog
        && a.link == b.link && a.critical == b.critical && a.timestamp == b.timestamp;
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip();
    void parseHandWritten();
    void parseRejects_data();
    void parseRejects();
    void loadFolder();
    void findRules_data();
    void findRules();
};

void TestCatalogue::roundTrip()
{
    const CatalogueEntry original = fullEntry();
    CatalogueEntry read;
    QString error;
    QVERIFY2(CatalogueEntry::parse(original.toText(), &read, &error), qPrintable(error));
    QVERIFY(sameEntry(original, read));
}

void TestCatalogue::parseHandWritten()
{
    const QByteArray text = "# the desktop client\r\n"
                            "name:   client\r\n"
                            "version: 7.2\r\n"
                            "link: http://h/client.zip\r\n"
                            "changelog: line one\r\n"
                            "\tline two\r\n"
                            "  line three\r\n";
    CatalogueEntry entry;
    QString error;
    QVERIFY2(CatalogueEntry::parse(text, &entry, &error), qPrintable(error));
    QCOMPARE(entry.name, QStringLiteral("client"));
    QCOMPARE(entry.changelog, QStringLiteral("line one\nline two\n line three"));
    QCOMPARE(entry.project, QString());
    QCOMPARE(entry.critical, false);
    QCOMPARE(entry.timestamp, 0u);
}

void TestCatalogue::parseRejects_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason");
    const QByteArray base = "name: c\nversion: 1\nlink: http://h/c.zip\n";

    QTest::newRow("unknown key") << base + "colour: red\n"
                                 << "unknown key colour";
    QTest::newRow("key twice") << base + "name: d\n"
                               << "name given twice";
    QTest::newRow("no colon") << base + "just words\n"
                              << "expected";
    QTest::newRow("continuation first") << " stray\n" + base << "continuation";
    QTest::newRow("critical True") << base + "critical: True\n"
                                   << "critical";
    QTest::newRow("timestamp too large") << base + "timestamp: 4294967296\n"
                                         << "timestamp";
    QTest::newRow("timestamp not a number") << base + "timestamp: soon\n"
                                            << "timestamp";
    QTest::newRow("no link") << QByteArray("name: c\nversion: 1\n") << "link is missing";
    QTest::newRow("no version") << QByteArray("name: c\nlink: http://h/c.zip\n")
                                << "version is missing";
}

void TestCatalogue::parseRejects()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    CatalogueEntry entry;
    QString error;
    QVERIFY(!CatalogueEntry::parse(text, &entry, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void TestCatalogue::loadFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CatalogueEntry second = fullEntry();
    second.name = QStringLiteral("emoticons");
    second.type = QStringLiteral("plugin");
    QVERIFY(writeFile(dir.filePath("a-client.component"), fullEntry().toText()));
    QVERIFY(writeFile(dir.filePath("b-emoticons.component"), second.toText()));
    QVERIFY(writeFile(dir.filePath("c-broken.component"), "name: x\n"));
    QVERIFY(writeFile(dir.filePath("d-duplicate.component"), fullEntry().toText()));
    QVERIFY(writeFile(dir.filePath("notes.txt"), "not an entry"));

    Catalogue catalogue;
    QVERIFY(catalogue.load(dir.path()));
    QCOMPARE(catalogue.entries().size(), 2);
    QVERIFY(sameEntry(catalogue.entries().at(0), fullEntry()));
    QVERIFY(sameEntry(catalogue.entries().at(1), second));
    QCOMPARE(catalogue.problems().size(), 2);
    QVERIFY(catalogue.problems().at(0).startsWith("c-broken.component: "));
    QVERIFY(catalogue.problems().at(1).startsWith("d-duplicate.component: "));

    QVERIFY(!catalogue.load(dir.filePath("missing")));
    QVERIFY(catalogue.entries().isEmpty());
}

void TestCatalogue::findRules_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("found");

    QTest::newRow("exact") << "vesk"
                           << "client"
                           << "app" << true;
    QTest::newRow("request without type") << "vesk"
                                          << "client"
                                          << "" << true;
    QTest::newRow("other type") << "vesk"
                                << "client"
                                << "plugin" << false;
    QTest::newRow("name differs in case") << "vesk"
                                          << "Client"
                                          << "app" << false;
    QTest::newRow("other project") << "other"
                                   << "client"
                                   << "app" << false;
    QTest::newRow("request without project") << ""
                                             << "client"
                                             << "app" << false;
}

void TestCatalogue::findRules()
{
    QFETCH(QString, project);
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(bool, found);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("client.component"), fullEntry().toText()));
    Catalogue catalogue;
    QVERIFY(catalogue.load(dir.path()));
    QCOMPARE(catalogue.find(project, name, type) != nullptr, found);
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
