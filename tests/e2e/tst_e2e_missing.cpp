#include "demorun.h"

#include <QTest>

// The plug-in package's link answers 404: the download stops with an error box, nothing is
// installed, and the run ends without a summary.
class TestE2eMissing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void errorBoxIsShown();
    void nothingIsInstalled();
    void runEndsWithoutSummaryOrClient();

private:
    DemoRun demo;
};

void TestE2eMissing::initTestCase()
{
    QVERIFY2(demo.run("missing"), qPrintable(demo.output()));
    QCOMPARE(demo.exitCode(), 0);
}

void TestE2eMissing::errorBoxIsShown()
{
    const QList<QJsonObject> boxes = demo.messageBoxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.at(0).value("title").toString(), QStringLiteral("Update"));
    QVERIFY2(boxes.at(0).value("text").toString().contains("404"),
        qPrintable(boxes.at(0).value("text").toString()));
    QCOMPARE(boxes.at(0).value("buttons").toVariant().toStringList(), QStringList { "OK" });
}

void TestE2eMissing::nothingIsInstalled()
{
    QCOMPARE(demo.filesDiffering("install", "sources/client-7.0.0"), QStringList());
    QVERIFY(!demo.files("install").contains("sounds/ring.wav"));
    QCOMPARE(demo.files("appdata/Veskora/plugins"), demo.files("sources/emoticons-1.0"));
}

void TestE2eMissing::runEndsWithoutSummaryOrClient()
{
    QVERIFY(demo.report().value("summary").isNull());
    QVERIFY(!demo.report().value("windows").toVariant().toStringList().contains(
        "Updater_Summary_MainWindow"));
    QVERIFY(demo.report().value("client_started").toArray().isEmpty());
    const QList<QPair<QString, int>> exits = demo.exits();
    const QList<QPair<QString, int>> expected { { "cleaner", 0 }, { "launcher", 0 },
        { "worker", 0 } };
    QCOMPARE(exits, expected);
    QVERIFY(!QFile::exists(demo.path("install/updater_copy.exe")));
}

QTEST_GUILESS_MAIN(TestE2eMissing)
#include "tst_e2e_missing.moc"
