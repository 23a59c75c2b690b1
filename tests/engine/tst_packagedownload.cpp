#include "engine/veskupdaterengine.h"
#include "httptestserver.h"
#include "residentmemory.h"
#include "testfiles.h"
#include "vesktestsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

constexpr int runTimeoutMs = 15000;
// Short enough that a stalled body fails quickly, long enough that a loaded machine does not
// fail a healthy transfer whose pieces come 100 ms apart.
constexpr int transferTimeoutMs = 2000;

// An engine given `records`, with a spy on every signal of the download.
struct DownloadRun
{
    explicit DownloadRun(const QVector<UpdateRecord *> &records)
    {
        VeskEngineTestAccess::setUpdates(engine, records);
        VeskEngineTestAccess::http(engine).setTransferTimeout(transferTimeoutMs);
    }

    QList<int> progressValues() const
    {
        QList<int> values;
        for (const QList<QVariant> &args : progress)
            values << args.at(0).toInt();
        return values;
    }
    QStringList fileNames() const
    {
        QStringList names;
        for (const QList<QVariant> &args : file)
            names << args.at(0).toString();
        return names;
    }
    QString staged(const QString &path) const
    {
        return VeskEngineTestAccess::stagingDir(engine) + path;
    }
    bool isOver() const { return finished.size() + error.size() > 0; }

    VeskUpdaterEngine engine;
    QSignalSpy file { &engine, &VeskUpdaterEngine::downloadFile };
    QSignalSpy progress { &engine, &VeskUpdaterEngine::downloadProgress };
    QSignalSpy finished { &engine, &VeskUpdaterEngine::downloadFinished };
    QSignalSpy error { &engine, &VeskUpdaterEngine::error };
};

// Appends "<tag> <method> <path>" to `log` and answers with `answer`.
HttpTestServer::Handler logging(
    QStringList &log, const QString &tag, const HttpTestServer::Handler &answer)
{
    return [&log, tag, answer](const HttpTestRequest &r) {
        log << tag + ' ' + QString::fromLatin1(r.method + ' ' + r.path);
        return answer(r);
    };
}

} // namespace

class tst_PackageDownload : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void requestSequenceFollowsEachLinksHost();
    void progressIsOverAllAnnouncedBytes_data();
    void progressIsOverAllAnnouncedBytes();
    void emptyUpdatesQueueNothing();
    void onlyTheLinksPathIsRequestedAndNamesTheFile();
    void folderInTheLinksPathFailsWithTheFileError();
    void samePathTwiceOverwrites();
    void linkClimbingOutOfTheStagingFolderFails_data();
    void linkClimbingOutOfTheStagingFolderFails();
    void failureStopsTheRun_data();
    void failureStopsTheRun();
    void abortMidTransferKeepsThePartialFile();
    void residentMemoryShimSeesTouchedMemory();
    void largeBodyStreamsToDiskIntact();
};

void tst_PackageDownload::initTestCase()
{
    // Each test empties the staging folder in the temporary folder: never the user's own.
    QVERIFY2(runsInOwnTestHome(), "run through CTest, which gives the test a home of its own");
}

void tst_PackageDownload::init()
{
    const QString staging
        = QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/vupdates";
    QDir(staging).removeRecursively();
}

void tst_PackageDownload::requestSequenceFollowsEachLinksHost()
{
    QStringList log;
    HttpTestServer a;
    HttpTestServer b;
    a.setHandler(logging(
        log, "A", [](const HttpTestRequest &) { return HttpTestResponse::ok("package A"); }));
    b.setHandler(logging(log, "B",
        [](const HttpTestRequest &) { return HttpTestResponse::ok("package B, longer"); }));
    DownloadRun run({ makeRecord("Alpha", "app", a.url("/alpha.zip")),
        makeRecord("Beta", "plugin", b.url("/beta.zip")) });

    run.engine.beginDownload();
    QTRY_VERIFY_WITH_TIMEOUT(run.isOver(), runTimeoutMs);

    QCOMPARE(run.error.size(), 0);
    QCOMPARE(run.finished.size(), 1);
    QCOMPARE(log,
        QStringList(
            { "A HEAD /alpha.zip", "B HEAD /beta.zip", "A GET /alpha.zip", "B GET /beta.zip" }));
    const QByteArray hostA = "127.0.0.1:" + QByteArray::number(a.port());
    const QByteArray hostB = "127.0.0.1:" + QByteArray::number(b.port());
    QCOMPARE(a.requests().at(0).host, hostA);
    QCOMPARE(a.requests().at(1).host, hostA);
    QCOMPARE(b.requests().at(0).host, hostB);
    QCOMPARE(b.requests().at(1).host, hostB);
    QCOMPARE(run.fileNames(), QStringList({ "Alpha", "Beta" }));
    QCOMPARE(readFile(run.staged("alpha.zip")), QByteArray("package A"));
    QCOMPARE(readFile(run.staged("beta.zip")), QByteArray("package B, longer"));
    QCOMPARE(run.progressValues().last(), 100);
    QCOMPARE(VeskEngineTestAccess::downloadState(run.engine), int(VeskUpdaterEngine::Idle));
}

void tst_PackageDownload::progressIsOverAllAnnouncedBytes_data()
{
    // Three packages of 1000, 2000 and 1000 bytes, sent in pieces of 500; the size requests
    // announce `announced` (-1: no Content-Length).
    QTest::addColumn<QList<qint64>>("announced");
    QTest::newRow("1000/2000/1000 announced exactly") << QList<qint64> { 1000, 2000, 1000 };
    QTest::newRow("lengths under-announced") << QList<qint64> { 500, 500, 500 };
    QTest::newRow("lengths over-announced") << QList<qint64> { 2000, 2000, 2000 };
    QTest::newRow("no content length anywhere") << QList<qint64> { -1, -1, -1 };
}

void tst_PackageDownload::progressIsOverAllAnnouncedBytes()
{
    QFETCH(QList<qint64>, announced);
    const QList<qint64> sizes = { 1000, 2000, 1000 };
    const bool lengthless = announced.first() < 0;

    HttpTestServer server;
    server.setHandler([&](const HttpTestRequest &r) {
        const int index = r.path.at(1) - 'a';
        HttpTestResponse response = HttpTestResponse::generated(sizes.value(index));
        if (r.method == "HEAD")
            response.contentLength
                = announced.value(index) < 0 ? HttpTestResponse::NoLength : announced.value(index);
        else if (lengthless)
            response.contentLength = HttpTestResponse::NoLength;
        response.pieceSize = 500;
        response.pieceDelayMs = 100;
        return response;
    });
    DownloadRun run({ makeRecord("a", "app", server.url("/a.zip")),
        makeRecord("b", "app", server.url("/b.zip")),
        makeRecord("c", "app", server.url("/c.zip")) });

    run.engine.beginDownload();
    QTRY_VERIFY_WITH_TIMEOUT(run.isOver(), runTimeoutMs);
    QCOMPARE(run.error.size(), 0);
    QCOMPARE(run.finished.size(), 1);
    QCOMPARE(run.fileNames(), QStringList({ "a", "b", "c" }));

    qint64 total = 0;
    for (qint64 n : announced)
        total += qMax<qint64>(n, 0);
    QCOMPARE(VeskEngineTestAccess::bytesTotal(run.engine), total);
    QCOMPARE(VeskEngineTestAccess::bytesDone(run.engine), qint64(4000));

    // What each piece of 500 bytes should show, had every piece been reported on its own.
    QList<int> perPiece;
    for (qint64 done = 500; done <= 4000; done += 500)
        perPiece << int(total > 0 ? done * 100 / total : 0);
    const QList<int> values = run.progressValues();
    QVERIFY(!values.isEmpty());
    QCOMPARE(values.first(), perPiece.first());
    QCOMPARE(values.last(), perPiece.last());
    for (int i = 0; i < values.size(); ++i) {
        QVERIFY2(perPiece.contains(values.at(i)), qPrintable(QString::number(values.at(i))));
        QVERIFY(i == 0 || values.at(i) >= values.at(i - 1));
    }
    if (total > 4000)
        QVERIFY2(!values.contains(100), "no final 100 is made up");
}

void tst_PackageDownload::emptyUpdatesQueueNothing()
{
    DownloadRun run({});
    run.engine.beginDownload();
    QVERIFY(!VeskEngineTestAccess::http(run.engine).hasPendingRequests());
    QTest::qWait(100);
    QCOMPARE(run.file.size() + run.progress.size() + run.finished.size() + run.error.size(), 0);
    QCOMPARE(VeskEngineTestAccess::downloadState(run.engine), int(VeskUpdaterEngine::Sizing));
}

void tst_PackageDownload::onlyTheLinksPathIsRequestedAndNamesTheFile()
{
    QStringList log;
    HttpTestServer server;
    server.setHandler(
        logging(log, "S", [](const HttpTestRequest &) { return HttpTestResponse::ok("zip"); }));
    DownloadRun run({ makeRecord("q", "app", server.url("/pkg%20one.zip?session=7&x=y")) });

    run.engine.beginDownload();
    QTRY_VERIFY_WITH_TIMEOUT(run.isOver(), runTimeoutMs);
    QCOMPARE(run.finished.size(), 1);
    QCOMPARE(log, QStringList({ "S HEAD /pkg%20one.zip", "S GET /pkg%20one.zip" }));
    QCOMPARE(readFile(run.staged("pkg one.zip")), QByteArray("zip"));
}

void tst_PackageDownload::folderInTheLinksPathFailsWithTheFileError()
{
    QStringList log;
    HttpTestServer server;
    server.setHandler(
        logging(log, "S", [](const HttpTestRequest &) { return HttpTestResponse::ok("zip"); }));
    DownloadRun run({ makeRecord("deep", "app", server.url("/sub/deep.zip")),
        makeRecord("next", "app", server.url("/next.zip")) });

    run.engine.beginDownload();
    QTRY_VERIFY_WITH_TIMEOUT(run.isOver(), runTimeoutMs);
    QCOMPARE(run.error.size(), 1);
    QFile expected(run.staged("sub/deep.zip"));
    QVERIFY(!expected.open(QIODevice::WriteOnly));
    QCOMPARE(run.error.at(0).at(0).toString(), expected.errorString());
    QCOMPARE(run.fileNames(), QStringList({ "deep" }));
    QTest::qWait(200);
    QCOMPARE(log, QStringList({ "S HEAD /sub/deep.zip", "S HEAD /next.zip" }));
    QCOMPARE(run.finished.size(), 0);
    QVERIFY(!QDir(run.staged("sub")).exists());
}

void tst_PackageDownload::samePathTwiceOverwrites()
{
    HttpTestServer a;
    HttpTestServer b;
    a.answerAlways(HttpTestResponse::ok("the first, longer"));
    b.answerAlways(HttpTestResponse::ok("second"));
    DownloadRun run({ makeRecord("one", "app", a.url("/same.zip")),
        makeRecord("two", "app", b.url("/same.zip")) });

    run.engine.beginDownload();
    QTRY_VERIFY_WITH_TIMEOUT(run.isOver(), runTimeoutMs);
    QCOMPARE(run.finished.size(), 1);
    QCOMPARE(readFile(run.staged("same.zip")), QByteArray("second"));
}

void tst_PackageDownload::linkClimbingOutOfTheStagingFolderFails_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("dot-dot segment") << "/../escape.zip";
    QTest::newRow("encoded dot-dot segment") << "/%2E%2E/escape.zip";
    QTest::newRow("dot-dot after a folder") << "/sub/../../escape.zip";
    QTest::newRow("backslashes") << "/..%5C..%5Cescape.zip";
}

void tst_PackageDownload::linkClimbingOutOfTheStagingFolderFails()
{
    QFETCH(QString, path);
    QStringList log;
    HttpTestServer server;
    server.setHandler(
        logging(log, "S", [](const HttpTestRequest &) { return HttpTestResponse::ok("zip"); }));
    DownloadRun run({ makeRecord("out", "app", server.url(path)) });
    const QString outside = QFileInfo(run.staged("")).dir().absolutePath();
    QFile::remove(outside + "/escape.zip");

    run.engine.beginDownload();
    QTRY_VERIFY_WITH_TIMEOUT(run.isOver(), runTimeoutMs);
    QCOMPARE(run.error.size(), 1);
    QVERIFY2(run.error.at(0).at(0).toString().contains("outside the download folder"),
        qPrintable(run.error.at(0).at(0).toString()));
    QCOMPARE(run.finished.size(), 0);
    QTest::qWait(200);
    QCOMPARE(log.size(), 1); // the size request only; nothing is fetched
    QVERIFY(log.at(0).startsWith("S HEAD "));
    QVERIFY(!QFile::exists(outside + "/escape.zip"));
    QVERIFY(!QFile::exists(QFileInfo(outside).dir().absolutePath() + "/escape.zip"));
}

void tst_PackageDownload::failureStopsTheRun_data()
{
    // Packages a and b on one server; the server answers b plainly, and a's size request and
    // transfer as given.
    QTest::addColumn<HttpTestResponse>("headA");
    QTest::addColumn<HttpTestResponse>("getA");
    QTest::addColumn<QString>("linkA"); // "" for the server's own link; {port} is the server's
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QStringList>("seen");
    QTest::addColumn<QString>("text");

    const HttpTestResponse ok = HttpTestResponse::generated(4000);
    const QStringList throughGetA = { "HEAD /a.zip", "HEAD /b.zip", "GET /a.zip" };
    QTest::newRow("connection refused")
        << ok << ok << "" << true << QStringList() << "Connection refused";
    QTest::newRow("404 on HEAD") << HttpTestResponse::error(404, "Not Found") << ok << "" << false
                                 << QStringList({ "HEAD /a.zip" }) << "404 Not Found";
    QTest::newRow("404 on GET") << ok << HttpTestResponse::error(404, "Not Found") << "" << false
                                << throughGetA << "404 Not Found";
    QTest::newRow("500 on GET") << ok << HttpTestResponse::error(500, "Internal Server Error") << ""
                                << false << throughGetA << "500 Internal Server Error";
    HttpTestResponse cut = ok;
    cut.closeAfter = 1500;
    QTest::newRow("closed mid-body")
        << ok << cut << "" << false << throughGetA << "Connection closed";
    HttpTestResponse stalled = ok;
    stalled.stallAfter = 1500;
    QTest::newRow("stalled body") << ok << stalled << "" << false << throughGetA
                                  << "no data arrived for 2 seconds";
    // The plain server cannot answer a TLS handshake, so the run fails, naming the https link
    // with its own port.
    QTest::newRow("https link") << ok << ok << "https://127.0.0.1:{port}/a.zip" << false
                                << QStringList() << "https://127.0.0.1:{port}/a.zip";
    QTest::newRow("unsupported scheme")
        << ok << ok << "ftp://127.0.0.1/a.zip" << false << QStringList() << "only http and https";
    // Not fetched from port 80 instead.
    QTest::newRow("port out of range") << ok << ok << "http://127.0.0.1:99999/a.zip" << false
                                       << QStringList() << "no valid server and port";
}

void tst_PackageDownload::failureStopsTheRun()
{
    QFETCH(HttpTestResponse, headA);
    QFETCH(HttpTestResponse, getA);
    QFETCH(QString, linkA);
    QFETCH(bool, refused);
    QFETCH(QStringList, seen);
    QFETCH(QString, text);

    QStringList log;
    HttpTestServer server;
    server.setHandler([&](const HttpTestRequest &r) {
        log << QString::fromLatin1(r.method + ' ' + r.path);
        if (r.path != "/a.zip")
            return HttpTestResponse::ok("b");
        return r.method == "HEAD" ? headA : getA;
    });
    if (refused)
        server.close();
    linkA.replace("{port}", QString::number(server.port()));
    text.replace("{port}", QString::number(server.port()));
    DownloadRun run({ makeRecord("a", "app", linkA.isEmpty() ? server.url("/a.zip") : linkA),
        makeRecord("b", "app", server.url("/b.zip")) });

    run.engine.beginDownload();
    QTRY_VERIFY_WITH_TIMEOUT(run.isOver(), runTimeoutMs);
    QTest::qWait(200); // room for anything that should not follow
    QCOMPARE(run.error.size(), 1);
    QCOMPARE(run.finished.size(), 0);
    const QString message = run.error.at(0).at(0).toString();
    qInfo("error text: %s", qPrintable(message));
    QCOMPARE(message, VeskEngineTestAccess::http(run.engine).errorString());
    QVERIFY2(message.contains(text), qPrintable(message));
    QCOMPARE(log, seen);
    if (getA.status >= 400 && seen.size() == 3)
        QCOMPARE(QFileInfo(run.staged("a.zip")).size(), 0); // the error page is no package
    QVERIFY(!run.fileNames().contains("b"));
}

void tst_PackageDownload::abortMidTransferKeepsThePartialFile()
{
    QStringList log;
    HttpTestServer server;
    server.setHandler(logging(log, "S", [](const HttpTestRequest &) {
        return HttpTestResponse::generated(1 << 20).inPieces(16 * 1024, 20);
    }));
    DownloadRun run({ makeRecord("a", "app", server.url("/a.zip")),
        makeRecord("b", "app", server.url("/b.zip")) });
    connect(&run.engine, &VeskUpdaterEngine::downloadProgress, &run.engine,
        [&run] { run.engine.abortDownload(); });

    run.engine.beginDownload();
    QTRY_COMPARE_WITH_TIMEOUT(VeskEngineTestAccess::downloadState(run.engine),
        int(VeskUpdaterEngine::Aborted), runTimeoutMs);
    QTest::qWait(300);
    QCOMPARE(run.error.size(), 0);
    QCOMPARE(run.finished.size(), 0);
    QCOMPARE(run.progress.size(), 1);
    QCOMPARE(log, QStringList({ "S HEAD /a.zip", "S HEAD /b.zip", "S GET /a.zip" }));
    QVERIFY(!VeskEngineTestAccess::http(run.engine).hasPendingRequests());
    const qint64 partial = QFileInfo(run.staged("a.zip")).size();
    QVERIFY2(partial > 0 && partial < (1 << 20), qPrintable(QString::number(partial)));
}

void tst_PackageDownload::residentMemoryShimSeesTouchedMemory()
{
    const qint64 before = residentMemoryBytes();
    if (before < 0)
        QSKIP("resident memory is not known on this system");
    QByteArray block(32 << 20, 'x');
    const qint64 after = residentMemoryBytes();
    QVERIFY2(after - before >= (24 << 20), qPrintable(QString::number(after - before)));
    QVERIFY(peakResidentMemoryBytes() >= after);
    QCOMPARE(block.count('x'), block.size()); // keeps the block alive and touched
}

void tst_PackageDownload::largeBodyStreamsToDiskIntact()
{
    if (residentMemoryBytes() < 0)
        QSKIP("resident memory is not known on this system");
    constexpr qint64 size = qint64(64) << 20;
    HttpTestServer server;
    server.answerAlways(HttpTestResponse::generated(size));
    DownloadRun run({ makeRecord("big", "app", server.url("/big.zip")) });
    VeskEngineTestAccess::http(run.engine).setTransferTimeout(30000);

    const qint64 before = residentMemoryBytes();
    qint64 highest = before;
    connect(&run.engine, &VeskUpdaterEngine::downloadProgress, &run.engine,
        [&highest] { highest = qMax(highest, residentMemoryBytes()); });
    run.engine.beginDownload();
    QTRY_VERIFY_WITH_TIMEOUT(run.isOver(), 120000);
    QCOMPARE(run.error.size(), 0);
    QCOMPARE(run.progressValues().last(), 100);

    const qint64 growth = highest - before;
    qInfo("resident memory grew by %lld KiB while 64 MiB passed", growth / 1024);
    QVERIFY2(growth < (16 << 20), qPrintable(QString::number(growth)));

    QFile file(run.staged("big.zip"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.size(), size);
    QCryptographicHash got(QCryptographicHash::Sha256);
    QCryptographicHash expected(QCryptographicHash::Sha256);
    constexpr qint64 chunk = 1 << 20;
    for (qint64 offset = 0; offset < size; offset += chunk) {
        got.addData(file.read(chunk));
        expected.addData(HttpTestServer::generatedBytes(offset, chunk));
    }
    QCOMPARE(got.result().toHex(), expected.result().toHex());
}

QTEST_MAIN(tst_PackageDownload)
#include "tst_packagedownload.moc"
