#include "install/detachedstart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_DetachedStart : public QObject
{
    Q_OBJECT
private slots:
    void withoutStarterARealProcessStarts();
    void installedStarterReplacesTheProcessStart();
};

void tst_DetachedStart::withoutStarterARealProcessStarts()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString logPath = dir.path() + "/starts.log";
    qputenv("VESK_FAKE_CLIENT_LOG", QFile::encodeName(logPath));

    const QString client = QCoreApplication::applicationDirPath() + "/vesk7.exe";
    QVERIFY(QFile::exists(client));
    QVERIFY(startDetached(client, { "-u", "two words" }));

    const auto readLog = [&] {
        QFile log(logPath);
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    };
    QTRY_COMPARE_WITH_TIMEOUT(readLog(), QByteArray("-u|two words\n"), 10000);
    qunsetenv("VESK_FAKE_CLIENT_LOG");
}

void tst_DetachedStart::installedStarterReplacesTheProcessStart()
{
    QStringList calls;
    const DetachedStarter previous
        = setDetachedStarter([&](const QString &program, const QStringList &arguments) {
              calls << program + "|" + arguments.join("|");
              return false;
          });
    QVERIFY(!previous);

    QVERIFY(!startDetached("/no/such/program", { "-q" }));
    QCOMPARE(calls, QStringList({ "/no/such/program|-q" }));

    // An empty starter puts the real process start back.
    QVERIFY(setDetachedStarter({}));
    QVERIFY(!startDetached(QDir::currentPath() + "/no-such-program", {}));
    QCOMPARE(calls.size(), 1);
}

QTEST_GUILESS_MAIN(tst_DetachedStart)
#include "tst_detachedstart.moc"
