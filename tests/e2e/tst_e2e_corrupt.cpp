#include "demorun.h"

#include <QDir>
#include <QTest>

#include <algorithm>

// The plug-in package, installed second, carries an entry whose bytes do not match its
// checksum. The warning box is answered Abort: the whole run is rolled back.
class TestE2eCorrupt : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void warningBoxNamesThePackage();
    void summaryShowsTheFailure();
    void replacedFilesAreRestoredByteForByte();
    void pluginIsUntouched();
    void stagingFolderIsEmptied();
    void runEndsNormally();

private:
    DemoRun demo;
};

void TestE2eCorrupt::initTestCase()
{
    QVERIFY2(demo.run("corrupt"), qPrintable(demo.output()));
    QCOMPARE(demo.exitCode(), 0);
}

void TestE2eCorrupt::warningBoxNamesThePackage()
{
    const QList<QJsonObject> boxes = demo.messageBoxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.at(0).value("title").toString(), QStringLiteral("Update"));
    QVERIFY2(boxes.at(0).value("text").toString().startsWith("Failed installing package emoticons"),
        qPrintable(boxes.at(0).value("text").toString()));
    QCOMPARE(boxes.at(0).value("buttons").toVariant().toStringList(),
        (QStringList { "Abort", "Retry" }));
    const QJsonArray events = demo.report().value("events").toArray();
    const bool clickedAbort = std::any_of(events.begin(), events.end(), [](const QJsonValue &e) {
        return e.toObject().value("event").toString() == u"click"
            && e.toObject().value("text").toString() == u"\"Abort\"";
    });
    QVERIFY(clickedAbort);
}

void TestE2eCorrupt::summaryShowsTheFailure()
{
    const QJsonObject summary = demo.report().value("summary").toObject();
    QCOMPARE(summary.value("status").toString(), QStringLiteral("Installation failed"));
    QCOMPARE(summary.value("details").toString(),
        QStringLiteral("An error occured while installing updates"));
}

void TestE2eCorrupt::replacedFilesAreRestoredByteForByte()
{
    // Every file the app package replaced or removed is back as it was.
    QCOMPARE(demo.filesDiffering("install", "sources/client-7.0.0"), QStringList());
    // A file the package added where none existed stays: rollback puts back, it deletes nothing.
    QCOMPARE(demo.files("install").value("sounds/ring.wav"),
        demo.files("sources/client-7.1.0").value("sounds/ring.wav"));
}

void TestE2eCorrupt::pluginIsUntouched()
{
    QCOMPARE(demo.files("appdata/Veskora/plugins"), demo.files("sources/emoticons-1.0"));
}

void TestE2eCorrupt::stagingFolderIsEmptied()
{
    QVERIFY(QDir(demo.path("tmp/vupdates")).exists());
    QCOMPARE(demo.files("tmp/vupdates").keys(), QStringList());
}

void TestE2eCorrupt::runEndsNormally()
{
    const QList<QPair<QString, int>> exits = demo.exits();
    const QList<QPair<QString, int>> expected { { "cleaner", 0 }, { "client", 0 },
        { "launcher", 0 }, { "worker", 0 } };
    QCOMPARE(exits, expected);
    QVERIFY(!QFile::exists(demo.path("install/updater_copy.exe")));
}

QTEST_GUILESS_MAIN(TestE2eCorrupt)
#include "tst_e2e_corrupt.moc"
