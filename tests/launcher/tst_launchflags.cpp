#include "launcher/launchflags.h"
#include "launcher/relaunchpaths.h"

#include <QTest>

Q_DECLARE_METATYPE(LaunchFlags::Role)

class tst_LaunchFlags : public QObject
{
    Q_OBJECT
private slots:
    void roleAndQuietFlag_data();
    void roleAndQuietFlag();
    void paths_data();
    void paths();
};

void tst_LaunchFlags::roleAndQuietFlag_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the program path
    QTest::addColumn<LaunchFlags::Role>("role");
    QTest::addColumn<bool>("quiet");

    QTest::newRow("none") << QStringList() << LaunchFlags::Launcher << false;
    QTest::newRow("-q") << QStringList { "-q" } << LaunchFlags::Launcher << true;
    QTest::newRow("-u") << QStringList { "-u" } << LaunchFlags::Worker << false;
    QTest::newRow("-u -q") << QStringList { "-u", "-q" } << LaunchFlags::Worker << true;
    QTest::newRow("-q -u") << QStringList { "-q", "-u" } << LaunchFlags::Worker << true;
    QTest::newRow("-d") << QStringList { "-d" } << LaunchFlags::Cleaner << false;
    QTest::newRow("-u -d") << QStringList { "-u", "-d" } << LaunchFlags::Cleaner << false;
    QTest::newRow("-d -u") << QStringList { "-d", "-u" } << LaunchFlags::Cleaner << false;
    QTest::newRow("-d -q") << QStringList { "-d", "-q" } << LaunchFlags::Cleaner << false;
    QTest::newRow("-q -d") << QStringList { "-q", "-d" } << LaunchFlags::Cleaner << true;
    QTest::newRow("other arguments passed over")
        << QStringList { "x", "-u", "--verbose" } << LaunchFlags::Worker << false;
    QTest::newRow("look-alikes are not flags")
        << QStringList { "-Q", "-quiet", "--q", "/q", "-q ", " -q", "-U", "-D", "--d", "-dq", "" }
        << LaunchFlags::Launcher << false;
}

void tst_LaunchFlags::roleAndQuietFlag()
{
    QFETCH(QStringList, arguments);
    QFETCH(LaunchFlags::Role, role);
    QFETCH(bool, quiet);

    const LaunchFlags flags = scanFlags(QStringList { "C:/App/updater.exe" } + arguments);
    QCOMPARE(flags.role, role);
    QCOMPARE(flags.quiet, quiet);
}

void tst_LaunchFlags::paths_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("workerCopy");
    QTest::addColumn<QString>("launcher");

    QTest::newRow("windows path") << "C:/App/updater.exe"
                                  << "C:/App/updater.exe_copy.exe"
                                  << "C:/App/updater.exe";
    QTest::newRow("worker copy") << "C:/App/updater.exe_copy.exe"
                                 << "C:/App/updater.exe_copy.exe_copy.exe"
                                 << "C:/App/updater.exe";
    QTest::newRow("no extension") << "/opt/vesk/updater"
                                  << "/opt/vesk/updater_copy.exe"
                                  << "/opt/vesk/updater";
    QTest::newRow("suffix removed everywhere") << "/a_copy.exe/updater_copy.exe"
                                               << "/a_copy.exe/updater_copy.exe_copy.exe"
                                               << "/a/updater";
    QTest::newRow("suffix case matters") << "/a/updater_COPY.exe"
                                         << "/a/updater_COPY.exe_copy.exe"
                                         << "/a/updater_COPY.exe";
    QTest::newRow("non-Latin-1 folder")
        << QString::fromUtf8("/home/\xc5\xbc\xc3\xb3\xc5\x82w/\xe6\x9b\xb4/updater")
        << QString::fromUtf8("/home/\xc5\xbc\xc3\xb3\xc5\x82w/\xe6\x9b\xb4/updater_copy.exe")
        << QString::fromUtf8("/home/\xc5\xbc\xc3\xb3\xc5\x82w/\xe6\x9b\xb4/updater");
    QTest::newRow("relative") << "updater"
                              << "updater_copy.exe"
                              << "updater";
}

void tst_LaunchFlags::paths()
{
    QFETCH(QString, program);
    QFETCH(QString, workerCopy);
    QFETCH(QString, launcher);

    QCOMPARE(workerCopyPath(program), workerCopy);
    QCOMPARE(launcherPath(program), launcher);
}

QTEST_GUILESS_MAIN(tst_LaunchFlags)
#include "tst_launchflags.moc"
