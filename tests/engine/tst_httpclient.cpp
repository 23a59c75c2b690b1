#include "engine/httpclient.h"
#include "httptestserver.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Finished
{
    int id;
    bool error;
};

// Records every completion with the client's error text at that moment.
class Recorder : public QObject
{
public:
    explicit Recorder(HttpClient &client)
    {
        connect(&client, &HttpClient::requestFinished, this, [this, &client](int id, bool error) {
            finished.append({ id, error });
            errors.append(error ? client.errorString() : QString());
        });
        connect(&client, &HttpClient::responseHeaderReceived, this,
            [this](const HttpResponseHeader &header) { headers.append(header); });
        connect(&client, &HttpClient::dataReadProgress, this, [this](qint64 done, qint64 total) {
            progress.append({ done, total });
        });
    }
    QList<Finished> finished;
    QStringList errors;
    QList<HttpResponseHeader> headers;
    QList<QPair<qint64, qint64>> progress;
};

// Takes `capacity` bytes, then fails every write as a full disk would.
class SmallDevice : public QIODevice
{
public:
    explicit SmallDevice(qint64 capacity)
        : m_capacity(capacity)
    { }
    QByteArray data;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *bytes, qint64 size) override
    {
        if (data.size() + size > m_capacity) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        data.append(bytes, size);
        return size;
    }

private:
    qint64 m_capacity;
};

QStringList seen(const HttpTestServer &server)
{
    QStringList out;
    for (const HttpTestRequest &r : server.requests())
        out << QString::fromLatin1(r.method + ' ' + r.path);
    return out;
}

} // namespace

class tst_HttpClient : public QObject
{
    Q_OBJECT
private slots:
    void stepsRunInQueuedOrderOnTheirHosts();
    void bodyGoesIntoTheDevice_data();
    void bodyGoesIntoTheDevice();
    void failureEndsTheRequestAndDropsTheQueue_data();
    void failureEndsTheRequestAndDropsTheQueue();
    void deviceFailureEndsTheRequest_data();
    void deviceFailureEndsTheRequest();
    void fileFullAtTheEndFailsTheRequest();
    void redirectsAreFollowed_data();
    void redirectsAreFollowed();
    void abortEndsTheRunningRequestAndDropsTheQueue();
};

void tst_HttpClient::stepsRunInQueuedOrderOnTheirHosts()
{
    HttpTestServer a;
    HttpTestServer b;
    QVERIFY(a.isListening() && b.isListening());
    a.answerAlways(HttpTestResponse::ok("aaaa"));
    b.answerAlways(HttpTestResponse::ok("bbbbbbbb"));

    HttpClient client;
    Recorder rec(client);
    QBuffer body;
    QVERIFY(body.open(QIODevice::WriteOnly));
    const QList<int> ids = { client.setHost("127.0.0.1", a.port()), client.head("/a.zip"),
        client.setHost("127.0.0.1", b.port()), client.get("/b.zip", &body),
        client.setHost("127.0.0.1", a.port()), client.head("/c.zip") };
    // Nothing starts inside the calls that queue.
    QVERIFY(client.hasPendingRequests());
    QVERIFY(rec.finished.isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(rec.finished.size(), ids.size(), 10000);
    for (int i = 0; i < ids.size(); ++i) {
        QCOMPARE(rec.finished.at(i).id, ids.at(i));
        QVERIFY(!rec.finished.at(i).error);
    }
    QVERIFY(!client.hasPendingRequests());
    QCOMPARE(seen(a), QStringList({ "HEAD /a.zip", "HEAD /c.zip" }));
    QCOMPARE(seen(b), QStringList({ "GET /b.zip" }));
    QCOMPARE(b.requests().at(0).host, "127.0.0.1:" + QByteArray::number(b.port()));
    QCOMPARE(body.data(), QByteArray("bbbbbbbb"));
    QCOMPARE(rec.headers.size(), 3);
    QCOMPARE(rec.headers.at(0).statusCode(), 200);
    QCOMPARE(rec.headers.at(0).reasonPhrase(), QString("OK"));
    QCOMPARE(rec.headers.at(0).contentLength(), 4);
    QCOMPARE(rec.headers.at(1).contentLength(), 8);
}

void tst_HttpClient::bodyGoesIntoTheDevice_data()
{
    QTest::addColumn<HttpTestResponse>("response");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<qint64>("announced");

    const QByteArray text = HttpTestServer::generatedBytes(0, 3000);
    QTest::newRow("whole body") << HttpTestResponse::ok(text) << text << qint64(3000);
    QTest::newRow("split and delayed body")
        << HttpTestResponse::ok(text).inPieces(700, 30) << text << qint64(3000);
    HttpTestResponse unannounced = HttpTestResponse::ok(text);
    unannounced.contentLength = HttpTestResponse::NoLength;
    QTest::newRow("no content length") << unannounced << text << qint64(0);
    QTest::newRow("empty body") << HttpTestResponse::ok(QByteArray()) << QByteArray() << qint64(0);
}

void tst_HttpClient::bodyGoesIntoTheDevice()
{
    QFETCH(HttpTestResponse, response);
    QFETCH(QByteArray, expected);
    QFETCH(qint64, announced);

    HttpTestServer server;
    server.setHandler([&](const HttpTestRequest &) { return response; });
    HttpClient client;
    Recorder rec(client);
    QBuffer body;
    QVERIFY(body.open(QIODevice::WriteOnly));
    client.setHost("127.0.0.1", server.port());
    const int id = client.get("/p.zip", &body);

    QTRY_COMPARE_WITH_TIMEOUT(rec.finished.size(), 2, 10000);
    QCOMPARE(rec.finished.at(1).id, id);
    QVERIFY2(!rec.finished.at(1).error, qPrintable(rec.errors.at(1)));
    QCOMPARE(body.data(), expected);
    QCOMPARE(rec.headers.size(), 1);
    QCOMPARE(rec.headers.at(0).contentLength(), announced);
    if (!expected.isEmpty()) {
        QCOMPARE(rec.progress.last(), qMakePair(qint64(expected.size()), announced));
        for (int i = 1; i < rec.progress.size(); ++i)
            QVERIFY(rec.progress.at(i).first > rec.progress.at(i - 1).first);
    }
    if (response.pieceDelayMs > 0)
        QVERIFY2(rec.progress.size() > 1, "a split body is reported as it arrives");
}

void tst_HttpClient::failureEndsTheRequestAndDropsTheQueue_data()
{
    QTest::addColumn<HttpTestResponse>("response");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("text");

    const QByteArray body = HttpTestServer::generatedBytes(0, 4000);
    QTest::newRow("404") << HttpTestResponse::error(404, "Not Found") << "http" << false
                         << "404 Not Found";
    QTest::newRow("500") << HttpTestResponse::error(500, "Internal Server Error") << "http" << false
                         << "500 Internal Server Error";
    QTest::newRow("connection refused") << HttpTestResponse() << "http" << true << "refused";
    HttpTestResponse cut = HttpTestResponse::ok(body);
    cut.closeAfter = 1000;
    QTest::newRow("closed mid-body") << cut << "http" << false << "closed";
    QTest::newRow("closed without an answer")
        << HttpTestResponse::drop() << "http" << false << "closed";
    HttpTestResponse stalled = HttpTestResponse::ok(body);
    stalled.stallAfter = 1000;
    QTest::newRow("stalled body") << stalled << "http" << false << "no data arrived for 2 seconds";
    QTest::newRow("unsupported scheme")
        << HttpTestResponse::ok(body) << "ftp" << false << "only http and https";
}

void tst_HttpClient::failureEndsTheRequestAndDropsTheQueue()
{
    QFETCH(HttpTestResponse, response);
    QFETCH(QString, scheme);
    QFETCH(bool, refused);
    QFETCH(QString, text);

    HttpTestServer server;
    server.setHandler([&](const HttpTestRequest &) { return response; });
    HttpTestServer other;
    other.answerAlways(HttpTestResponse::ok("x"));
    if (refused)
        server.close();

    HttpClient client;
    client.setTransferTimeout(2000); // a loaded machine must not stall the healthy rows
    Recorder rec(client);
    QBuffer body;
    QVERIFY(body.open(QIODevice::WriteOnly));
    client.setHost("127.0.0.1", server.port(), scheme);
    const int id = client.get("/p.zip", &body);
    client.setHost("127.0.0.1", other.port());
    client.head("/q.zip");

    QTRY_COMPARE_WITH_TIMEOUT(rec.finished.size(), 2, 10000);
    QCOMPARE(rec.finished.at(1).id, id);
    QVERIFY(rec.finished.at(1).error);
    QVERIFY(!client.errorString().isEmpty());
    QVERIFY2(
        client.errorString().contains(text, Qt::CaseInsensitive), qPrintable(client.errorString()));
    QVERIFY(!client.hasPendingRequests());
    // The dropped steps never run, and an error answer's body is no download.
    QTest::qWait(200);
    QCOMPARE(rec.finished.size(), 2);
    QVERIFY(other.requests().isEmpty());
    QVERIFY(rec.headers.isEmpty() || response.status < 300);
    if (response.status >= 400)
        QVERIFY(body.data().isEmpty());
}

void tst_HttpClient::deviceFailureEndsTheRequest_data()
{
    QTest::addColumn<QIODevice::OpenMode>("mode");
    QTest::addColumn<QString>("text");
    QTest::newRow("device not open for writing")
        << QIODevice::OpenMode(QIODevice::ReadOnly) << "not open for writing";
    QTest::newRow("device full mid-body")
        << QIODevice::OpenMode(QIODevice::WriteOnly) << "No space left on device";
}

void tst_HttpClient::deviceFailureEndsTheRequest()
{
    QFETCH(QIODevice::OpenMode, mode);
    QFETCH(QString, text);
    HttpTestServer server;
    server.answerAlways(HttpTestResponse::generated(200000).inPieces(50000, 20));
    HttpClient client;
    Recorder rec(client);
    SmallDevice device(60000);
    QVERIFY(device.open(mode));
    client.setHost("127.0.0.1", server.port());
    const int id = client.get("/p.zip", &device);
    client.head("/q.zip");

    QTRY_COMPARE_WITH_TIMEOUT(rec.finished.size(), 2, 10000);
    QCOMPARE(rec.finished.at(1).id, id);
    QVERIFY(rec.finished.at(1).error);
    QVERIFY2(client.errorString().contains(text), qPrintable(client.errorString()));
    QTest::qWait(200);
    QCOMPARE(rec.finished.size(), 2);
    QVERIFY(!seen(server).contains("HEAD /q.zip"));
    QVERIFY(device.data.size() <= 60000);
}

void tst_HttpClient::fileFullAtTheEndFailsTheRequest()
{
    // A small body sits in the file's buffer until the end; /dev/full refuses it only then.
    QFile full(QStringLiteral("/dev/full"));
    if (!full.exists())
        QSKIP("no /dev/full on this system");
    HttpTestServer server;
    server.answerAlways(HttpTestResponse::ok("small"));
    HttpClient client;
    Recorder rec(client);
    QVERIFY(full.open(QIODevice::WriteOnly));
    client.setHost("127.0.0.1", server.port());
    const int id = client.get("/p.zip", &full);

    QTRY_COMPARE_WITH_TIMEOUT(rec.finished.size(), 2, 10000);
    QCOMPARE(rec.finished.at(1).id, id);
    QVERIFY(rec.finished.at(1).error);
    QVERIFY2(client.errorString().contains(full.errorString()), qPrintable(client.errorString()));
}

void tst_HttpClient::redirectsAreFollowed_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::newRow("HEAD") << QByteArray("HEAD");
    QTest::newRow("GET") << QByteArray("GET");
}

void tst_HttpClient::redirectsAreFollowed()
{
    QFETCH(QByteArray, method);
    HttpTestServer target;
    target.answerAlways(HttpTestResponse::ok("moved here"));
    HttpTestServer server;
    server.setHandler([&](const HttpTestRequest &r) {
        if (r.path == "/old.zip")
            return HttpTestResponse::redirect("/middle.zip", 301);
        return HttpTestResponse::redirect(target.url("/new.zip").toLatin1());
    });

    HttpClient client;
    Recorder rec(client);
    QBuffer body;
    QVERIFY(body.open(QIODevice::WriteOnly));
    client.setHost("127.0.0.1", server.port());
    if (method == "HEAD")
        client.head("/old.zip");
    else
        client.get("/old.zip", &body);

    QTRY_COMPARE_WITH_TIMEOUT(rec.finished.size(), 2, 10000);
    QVERIFY2(!rec.finished.at(1).error, qPrintable(rec.errors.at(1)));
    QCOMPARE(seen(server), QStringList({ method + " /old.zip", method + " /middle.zip" }));
    QCOMPARE(seen(target), QStringList({ method + " /new.zip" }));
    // Only the final answer counts.
    QCOMPARE(rec.headers.size(), 1);
    QCOMPARE(rec.headers.at(0).statusCode(), 200);
    QCOMPARE(rec.headers.at(0).contentLength(), 10);
    QCOMPARE(body.data(), method == "GET" ? QByteArray("moved here") : QByteArray());
}

void tst_HttpClient::abortEndsTheRunningRequestAndDropsTheQueue()
{
    HttpTestServer server;
    server.answerAlways(HttpTestResponse::generated(100000).inPieces(1000, 20));
    HttpClient client;
    Recorder rec(client);
    QBuffer body;
    QVERIFY(body.open(QIODevice::WriteOnly));
    client.setHost("127.0.0.1", server.port());
    const int id = client.get("/p.zip", &body);
    client.head("/q.zip");
    connect(&client, &HttpClient::dataReadProgress, &client, [&] {
        if (rec.finished.size() == 1) // still running
            client.abort();
    });

    QTRY_COMPARE_WITH_TIMEOUT(rec.finished.size(), 2, 10000);
    QCOMPARE(rec.finished.at(1).id, id);
    QVERIFY(rec.finished.at(1).error);
    QCOMPARE(client.errorString(), QString("Request aborted"));
    QVERIFY(!client.hasPendingRequests());
    QTest::qWait(200);
    QCOMPARE(rec.finished.size(), 2);
    QCOMPARE(seen(server), QStringList({ "GET /p.zip" }));
    QVERIFY(body.data().size() > 0 && body.data().size() < 100000);
}

QTEST_MAIN(tst_HttpClient)
#include "tst_httpclient.moc"
