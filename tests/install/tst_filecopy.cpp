#include "install/filecopy.h"
#include "smallvolume.h"
#include "testfiles.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(7);
    for (char &c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

} // namespace

class tst_FileCopy : public QObject
{
    Q_OBJECT
private slots:
    void copiesBytesAndPermissions_data();
    void copiesBytesAndPermissions();
    void refusesAnExistingDestination();
    void missingSourceLeavesNothing();
    void fullVolumeFailsAndLeavesNoPartialCopy_data();
    void fullVolumeFailsAndLeavesNoPartialCopy();
};

void tst_FileCopy::copiesBytesAndPermissions_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("one byte") << QByteArray("x");
    QTest::newRow("several chunks and a tail") << randomBytes(3 * 1024 * 1024 + 17);
}

void tst_FileCopy::copiesBytesAndPermissions()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath("source.bin");
    QVERIFY(writeFile(source, bytes));
    const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(source, permissions));

    QString error;
    QVERIFY2(copyFile(source, dir.filePath("copy.bin"), &error), qPrintable(error));
    QCOMPARE(readFile(dir.filePath("copy.bin")), bytes);
    // Owner, group and other bits; the "user" bits only mirror the owner's for the process.
    QCOMPARE(QFile::permissions(dir.filePath("copy.bin")) & 0x7077, permissions & 0x7077);
    QCOMPARE(readFile(source), bytes);
}

void tst_FileCopy::refusesAnExistingDestination()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("source.bin"), "new"));
    QVERIFY(writeFile(dir.filePath("copy.bin"), "old"));
    QString error;
    QVERIFY(!copyFile(dir.filePath("source.bin"), dir.filePath("copy.bin"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(dir.filePath("copy.bin")), QByteArray("old"));
}

void tst_FileCopy::missingSourceLeavesNothing()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY(!copyFile(dir.filePath("absent.bin"), dir.filePath("copy.bin"), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("copy.bin")));
}

void tst_FileCopy::fullVolumeFailsAndLeavesNoPartialCopy_data()
{
    QTest::addColumn<bool>("sourceOnTheVolume");
    // On one volume the kernel copies; from another volume the bytes go through a buffer.
    QTest::newRow("same volume") << true;
    QTest::newRow("from another volume") << false;
}

void tst_FileCopy::fullVolumeFailsAndLeavesNoPartialCopy()
{
    QFETCH(bool, sourceOnTheVolume);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SmallVolume volume(dir.filePath("volume"));
    if (!volume.isMounted())
        QSKIP("mounting a small volume is not permitted here");

    const QByteArray bytes = randomBytes(16 * 1024);
    const QString source
        = sourceOnTheVolume ? volume.path() + "/source.bin" : dir.filePath("source.bin");
    QVERIFY(writeFile(source, bytes));
    // Room for half the copy, so that it fails in the middle rather than at the start.
    QVERIFY(writeFile(volume.path() + "/gap", QByteArray(8 * 1024, 'g')));
    QVERIFY(volume.fill());
    QVERIFY(QFile::remove(volume.path() + "/gap"));

    QString error;
    QVERIFY(!copyFile(source, volume.path() + "/copy.bin", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(volume.path() + "/copy.bin"));
    QCOMPARE(readFile(source), bytes);
}

QTEST_GUILESS_MAIN(tst_FileCopy)
#include "tst_filecopy.moc"
