#include "demorun.h"

#include <QTest>

// The demo's whole update, clicked through under Xvfb: "Download now", then "Close".
class TestE2eUpdate : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void summaryShowsTheInstallationLog();
    void appFilesAreTheNewVersion();
    void pluginFilesAreTheNewVersion();
    void everyProcessEndedWithZeroAndTheCopyIsGone();
    void clientWasStartedOnceWithoutArguments();
    void stagingFolderIsEmptied();
    void serverNowAnswersLatest();

private:
    DemoRun demo;
};

void TestE2eUpdate::initTestCase()
{
    QVERIFY2(demo.run("ok"), qPrintable(demo.output()));
    QVERIFY2(demo.exitCode() == 0, qPrintable(demo.output()));
    QVERIFY(demo.messageBoxes().isEmpty());
}

void TestE2eUpdate::summaryShowsTheInstallationLog()
{
    const QJsonObject summary = demo.report().value("summary").toObject();
    QCOMPARE(summary.value("status").toString(), QStringLiteral("Installation complete"));
    QCOMPARE(summary.value("instruction").toString(),
        QStringLiteral("To complete the update process please restart Veskora instant messenger."));
    QCOMPARE(summary.value("details").toString(),
        QStringLiteral(
            "Installing package client:\n"
            " - components.txt\n - readme.txt\n - sounds/message.wav\n - sounds/ring.wav\n\n"
            "Installing package emoticons:\n"
            " - emoticons/component.txt\n - emoticons/laugh.png\n - emoticons/smile.png\n\n"));
    const QStringList windows = demo.report().value("windows").toVariant().toStringList();
    QCOMPARE(windows.first(), QStringLiteral("Updater_Changelog_MainWindow"));
    QCOMPARE(windows.last(), QStringLiteral("Updater_Summary_MainWindow"));
}

void TestE2eUpdate::appFilesAreTheNewVersion()
{
    QCOMPARE(demo.filesDiffering("install", "sources/client-7.1.0"), QStringList());
    QVERIFY(!demo.files("install").contains("sounds/buzz.wav"));
}

void TestE2eUpdate::pluginFilesAreTheNewVersion()
{
    QCOMPARE(
        demo.filesDiffering("appdata/Veskora/plugins", "sources/emoticons-1.1"), QStringList());
    const QMap<QString, QByteArray> installed = demo.files("appdata/Veskora/plugins");
    QVERIFY(!installed.contains("emoticons/old.png"));
    QCOMPARE(installed.value("emoticons/wink.png"),
        demo.files("sources/emoticons-1.0").value("emoticons/wink.png"));
}

void TestE2eUpdate::everyProcessEndedWithZeroAndTheCopyIsGone()
{
    const QList<QPair<QString, int>> exits = demo.exits();
    const QList<QPair<QString, int>> expected { { "cleaner", 0 }, { "client", 0 },
        { "launcher", 0 }, { "worker", 0 } };
    QCOMPARE(exits, expected);
    QVERIFY(!QFile::exists(demo.path("install/updater_copy.exe")));
    QVERIFY(demo.report().value("worker_copy_gone").toBool());
}

void TestE2eUpdate::clientWasStartedOnceWithoutArguments()
{
    const QJsonArray starts = demo.report().value("client_started").toArray();
    QCOMPARE(starts.size(), 1);
    QVERIFY2(starts.at(0).toString().endsWith("started with 0 argument(s)"),
        qPrintable(starts.at(0).toString()));
}

void TestE2eUpdate::stagingFolderIsEmptied()
{
    QVERIFY(QDir(demo.path("tmp/vupdates")).exists());
    QCOMPARE(demo.files("tmp/vupdates").keys(), QStringList());
}

void TestE2eUpdate::serverNowAnswersLatest()
{
    QCOMPARE(demo.report().value("answers_after").toVariant().toStringList(),
        (QStringList { "client: latest", "emoticons: latest" }));
}

QTEST_GUILESS_MAIN(TestE2eUpdate)
#include "tst_e2e_update.moc"
