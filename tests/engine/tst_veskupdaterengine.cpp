#include "engine/veskupdaterengine.h"
#include "testfiles.h"
#include "vesktestsupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

class tst_VeskUpdaterEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void stagingFolderIsCreatedUnderTemp();
    void destroyingWithoutQueryTouchesNothing();
    void updateListIsACopy();
};

void tst_VeskUpdaterEngine::initTestCase()
{
    // The tests below empty the staging folder: never the real one.
    QVERIFY2(runsInOwnTestHome(), "run through CTest, which gives the test a home of its own");
}

void tst_VeskUpdaterEngine::stagingFolderIsCreatedUnderTemp()
{
    const QString temp = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    QDir(temp + "/vupdates").removeRecursively();
    VeskUpdaterEngine engine;
    QCOMPARE(VeskEngineTestAccess::stagingDir(engine), temp + "/vupdates/");
    QVERIFY(QDir(temp + "/vupdates").exists());
    QVERIFY(!engine.hasUpdates());
    QVERIFY(engine.updateList().isEmpty());
    QVERIFY(engine.installationLog().isEmpty());
    QVERIFY(!engine.installSucceeded());
}

void tst_VeskUpdaterEngine::destroyingWithoutQueryTouchesNothing()
{
    const QString temp = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    QDir().mkpath(temp + "/vupdates");
    QFile leftover(temp + "/vupdates/left.zip");
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.write("x");
    leftover.close();
    {
        VeskUpdaterEngine engine;
    }
    QVERIFY(QFile::exists(temp + "/vupdates/left.zip"));
    QFile::remove(temp + "/vupdates/left.zip");
}

void tst_VeskUpdaterEngine::updateListIsACopy()
{
    VeskUpdaterEngine engine;
    const QVector<UpdateRecord *> records { makeRecord("a", "app", "http://h/a.zip"),
        makeRecord("b", "app", "http://h/b.zip"), makeRecord("c", "app", "http://h/c.zip") };
    VeskEngineTestAccess::setUpdates(engine, records);
    QVector<UpdateRecord *> copy = engine.updateList();
    QCOMPARE(copy, records); // the same records, in order, not copies of them
    copy.clear();
    copy.append(nullptr);
    QCOMPARE(engine.updateList(), records);
    QVERIFY(engine.hasUpdates());
    // Destroying the engine deletes the three records; the sanitizer build reports a leak
    // or a double delete should that go wrong.
}

QTEST_MAIN(tst_VeskUpdaterEngine)
#include "tst_veskupdaterengine.moc"
