#include "install/clearfolder.h"
#include "testfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every entry under `root`, relative, with links reported as links (never followed).
QStringList entriesUnder(const QString &root)
{
    QStringList result;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString kind = info.isSymLink() ? "link" : info.isDir() ? "dir" : "file";
        result << QDir(root).relativeFilePath(info.filePath()) + " " + kind;
    }
    result.sort();
    return result;
}

bool linkOrFileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

class tst_ClearFolder : public QObject
{
    Q_OBJECT
private slots:
    void deletesFilesKeepsFolders();
    void missingFolderIsNoError();
    void linksAreDeletedNotFollowed_data();
    void linksAreDeletedNotFollowed();
};

void tst_ClearFolder::deletesFilesKeepsFolders()
{
    QTemporaryDir staging;
    QVERIFY(staging.isValid());
    const QString root = staging.path();
    QVERIFY(writeFile(root + "/package.zip", "x"));
    QVERIFY(writeFile(root + "/.hidden", "x"));
    QVERIFY(writeFile(root + "/a/one.txt", "x"));
    QVERIFY(writeFile(root + "/a/b/c/deep.dll", "x"));
    QVERIFY(writeFile(root + "/a/b/.hidden-deep", "x"));
    QVERIFY(writeFile(root + "/.hiddendir/inside.txt", "x"));
    QVERIFY(writeFile(root + "/unwind/plugins/backup.dat", "x"));
    QDir().mkpath(root + "/empty");

    clearFolder(root);

    QCOMPARE(entriesUnder(root),
        QStringList({ ".hiddendir dir", "a dir", "a/b dir", "a/b/c dir", "empty dir", "unwind dir",
            "unwind/plugins dir" }));
}

void tst_ClearFolder::missingFolderIsNoError()
{
    QTemporaryDir parent;
    QVERIFY(parent.isValid());
    clearFolder(parent.path() + "/missing");
    QVERIFY(!QFileInfo::exists(parent.path() + "/missing"));
}

void tst_ClearFolder::linksAreDeletedNotFollowed_data()
{
    QTest::addColumn<QString>("linkPath"); // relative to the staging folder
    QTest::addColumn<QString>("linkTarget"); // "outside/..." or "staging/..."

    QTest::newRow("link to outside folder") << "link"
                                            << "outside/";
    QTest::newRow("hidden link to outside folder") << ".link"
                                                   << "outside/";
    QTest::newRow("link to outside folder in nested folder") << "a/b/link"
                                                             << "outside/";
    QTest::newRow("link to outside subfolder") << "link"
                                               << "outside/sub";
    QTest::newRow("link to outside file") << "link.txt"
                                          << "outside/keep.txt";
    QTest::newRow("broken link") << "broken"
                                 << "outside/missing";
    QTest::newRow("link to the staging folder itself") << "a/loop"
                                                       << "staging/";
}

void tst_ClearFolder::linksAreDeletedNotFollowed()
{
    QFETCH(QString, linkPath);
    QFETCH(QString, linkTarget);

    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString staging = base.path() + "/staging";
    const QString outside = base.path() + "/outside";
    QVERIFY(writeFile(outside + "/keep.txt", "x"));
    QVERIFY(writeFile(outside + "/.hidden-keep", "x"));
    QVERIFY(writeFile(outside + "/sub/nested-keep.dll", "x"));
    const QStringList outsideBefore = entriesUnder(outside);

    QVERIFY(writeFile(staging + "/package.zip", "x"));
    QVERIFY(writeFile(staging + "/a/b/file.txt", "x"));
    const QString link = staging + "/" + linkPath;
    QDir().mkpath(QFileInfo(link).absolutePath());
    QVERIFY(QFile::link(base.path() + "/" + linkTarget, link));
    QVERIFY(QFileInfo(link).isSymLink());

    clearFolder(staging);

    QVERIFY2(!linkOrFileExists(link), "the link itself is deleted");
    QCOMPARE(entriesUnder(outside), outsideBefore);
    QCOMPARE(entriesUnder(staging), QStringList({ "a dir", "a/b dir" }));
}

QTEST_GUILESS_MAIN(tst_ClearFolder)
#include "tst_clearfolder.moc"
