#include "catalogueentry.h"
#include "queryserver.h"

#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

CatalogueEntry entry(const QString &name, const QString &type, const QString &version)
{
    CatalogueEntry e;
    e.project = QStringLiteral("vesk");
    e.name = name;
    e.type = type;
    e.version = version;
    e.description = name + QStringLiteral(" description & <more>");
    e.copyrights = QStringLiteral("(c) Veskora");
    e.author = QStringLiteral("Veskora");
    e.webpage = QStringLiteral("http://veskora.example/");
    e.email = QStringLiteral("u@veskora.example");
    e.changelog = QStringLiteral("- one\n- two");
    e.link = QStringLiteral("http://127.0.0.1:8080/%1.zip").arg(name);
    e.critical = name == u"client";
    e.timestamp = 1700000000;
    return e;
}

void writeEntry(const QString &folder, const CatalogueEntry &e)
{
    QFile file(folder + "/" + e.name + ".component");
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(e.toText());
}

QByteArray component(const QString &name, const QString &version, const QString &type = "app")
{
    return QStringLiteral("<component project='vesk' name='%1' type='%2' version='%3' />")
        .arg(name, type, version)
        .toUtf8();
}

QByteArray request(const QByteArray &components)
{
    return "<s><update>" + components + "</update></s>";
}

// The answers as the updater reads them: every `request` element, anywhere, in order.
QStringList answers(const QByteArray &response)
{
    QDomDocument document;
    if (!document.setContent(response, false))
        return { QStringLiteral("<unparseable>") };
    QStringList out;
    const QDomNodeList requests = document.elementsByTagName(QStringLiteral("request"));
    for (int i = 0; i < requests.size(); ++i) {
        const QDomElement r = requests.at(i).toElement();
        QString line = QStringLiteral("%1/%2/%3 ")
                           .arg(r.attribute("project"), r.attribute("name"), r.attribute("type"));
        if (!r.firstChildElement("latest").isNull())
            line += "latest";
        else if (!r.firstChildElement("noSuchComponent").isNull())
            line += "noSuchComponent";
        else
            line += "update " + r.firstChildElement("version").text();
        out.append(line);
    }
    return out;
}

// One client of the server under test: sends its bytes, then collects everything until the
// server closes the connection.
class Client
{
public:
    explicit Client(quint16 port) { socket.connectToHost(QHostAddress::LocalHost, port); }
    void send(const QByteArray &bytes) { socket.write(bytes); }
    bool closed()
    {
        collect();
        return socket.state() == QAbstractSocket::UnconnectedState;
    }
    QByteArray received()
    {
        collect();
        return bytes;
    }

    QTcpSocket socket;

private:
    void collect() { bytes += socket.readAll(); }
    QByteArray bytes;
};

} // namespace

class TestQueryServer : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void answers_data();
    void answers();
    void updateCarriesAllThirteenValues();
    void requestArrivingInPieces();
    void malformedRequestIsClosedWithoutAnswer_data();
    void malformedRequestIsClosedWithoutAnswer();
    void silentClientTimesOut();
    void manyClientsAtOnceWhileOneStalls();
    void catalogueChangesAreServed();
    void program();

private:
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<QueryServer> server;
    std::unique_ptr<QSignalSpy> log;
    void startServer(const ConnectionLimits &limits = ConnectionLimits());
    QStringList ask(const QByteArray &bytes);
};

void TestQueryServer::init()
{
    server.reset();
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    writeEntry(folder->path(), entry("client", "app", "7.1.0"));
    writeEntry(folder->path(), entry("emoticons", "plugin", "1.5"));
}

void TestQueryServer::startServer(const ConnectionLimits &limits)
{
    server = std::make_unique<QueryServer>(folder->path(), limits);
    log = std::make_unique<QSignalSpy>(server.get(), &QueryServer::logLine);
    QVERIFY(server->listen(QHostAddress::LocalHost, 0));
}

void TestQueryServer::answers_data()
{
    QTest::addColumn<QByteArray>("components");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("older app gets its update")
        << component("client", "7.0.9") << QStringList { "vesk/client/app update 7.1.0" };
    QTest::newRow("same version is latest")
        << component("client", "7.1.0") << QStringList { "vesk/client/app latest" };
    QTest::newRow("7.1 equals 7.1.0")
        << component("client", "7.1") << QStringList { "vesk/client/app latest" };
    QTest::newRow("newer installed is latest")
        << component("client", "7.10") << QStringList { "vesk/client/app latest" };
    QTest::newRow("unknown component")
        << component("chess", "1") << QStringList { "vesk/chess/app noSuchComponent" };
    QTest::newRow("plugin asked as app is unknown") << component(
        "emoticons", "1.0", "app") << QStringList { "vesk/emoticons/app noSuchComponent" };
    QTest::newRow("request without type gets the catalogue's type")
        << QByteArray("<component project='vesk' name='emoticons' version='1.0' />")
        << QStringList { "vesk/emoticons/plugin update 1.5" };
    QTest::newRow("three components answered in request order")
        << component("emoticons", "1.0", "plugin") + component("chess", "2")
            + component("client", "7.1.0")
        << QStringList { "vesk/emoticons/plugin update 1.5", "vesk/chess/app noSuchComponent",
               "vesk/client/app latest" };
    QTest::newRow("no components") << QByteArray() << QStringList();
    QTest::newRow("control character echoed safely")
        << QByteArray("<component project='vesk' name='a\x01z' version='1' />")
        << QStringList { QString::fromUtf8("vesk/a\xef\xbf\xbdz/ noSuchComponent") };
}

void TestQueryServer::answers()
{
    QFETCH(QByteArray, components);
    QFETCH(QStringList, expected);
    startServer();
    Client client(server->port());
    client.send(request(components));
    QTRY_VERIFY_WITH_TIMEOUT(client.closed(), 5000);
    QCOMPARE(::answers(client.received()), expected);
    QCOMPARE(log->size(), 1);
    QVERIFY2(
        log->at(0).at(0).toString().contains("answered"), qPrintable(log->at(0).at(0).toString()));
}

void TestQueryServer::updateCarriesAllThirteenValues()
{
    startServer();
    Client client(server->port());
    client.send(request(component("client", "1.0")));
    QTRY_VERIFY_WITH_TIMEOUT(client.closed(), 5000);
    QDomDocument document;
    QVERIFY(document.setContent(client.received(), false));
    const QDomElement r = document.elementsByTagName("request").at(0).toElement();
    const CatalogueEntry e = entry("client", "app", "7.1.0");
    QCOMPARE(r.attribute("project"), e.project);
    QCOMPARE(r.attribute("name"), e.name);
    QCOMPARE(r.attribute("type"), e.type);
    QCOMPARE(r.firstChildElement("version").text(), e.version);
    QCOMPARE(r.firstChildElement("description").text(), e.description);
    QCOMPARE(r.firstChildElement("copyrights").text(), e.copyrights);
    QCOMPARE(r.firstChildElement("author").text(), e.author);
    QCOMPARE(r.firstChildElement("webpage").text(), e.webpage);
    QCOMPARE(r.firstChildElement("email").text(), e.email);
    QCOMPARE(r.firstChildElement("changelog").text(), e.changelog);
    QCOMPARE(r.firstChildElement("link").text(), e.link);
    QCOMPARE(r.firstChildElement("critical").text(), QStringLiteral("true"));
    QCOMPARE(r.firstChildElement("timestamp").text(), QStringLiteral("1700000000"));
}

void TestQueryServer::requestArrivingInPieces()
{
    startServer();
    Client client(server->port());
    QVERIFY(client.socket.waitForConnected(5000));
    const QByteArray bytes
        = request(component("client", "7.0") + component("emoticons", "1.0", "plugin"));
    for (char c : bytes) {
        client.send(QByteArray(1, c));
        client.socket.flush();
        QTest::qWait(1);
    }
    QTRY_VERIFY_WITH_TIMEOUT(client.closed(), 5000);
    QCOMPARE(::answers(client.received()),
        (QStringList { "vesk/client/app update 7.1.0", "vesk/emoticons/plugin update 1.5" }));
    QCOMPARE(log->size(), 1);
}

void TestQueryServer::malformedRequestIsClosedWithoutAnswer_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    QTest::newRow("HTTP request") << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n")
                                  << "does not begin with <s>";
    QTest::newRow("component without version")
        << request("<component name='client' />") << "without a version";
    QTest::newRow("unterminated value")
        << request("<component name='client version='1 />") << "malformed";
    QTest::newRow("larger than the limit")
        << "<s><update>" + QByteArray(5000, ' ') << "larger than 4096 bytes";
    QTest::newRow("text after </s>") << request(component("client", "1")) + "junk</s>"
                                     << "text after </s>";
}

void TestQueryServer::malformedRequestIsClosedWithoutAnswer()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    ConnectionLimits limits;
    limits.maxRequestBytes = 4096;
    startServer(limits);
    Client client(server->port());
    client.send(bytes);
    QTRY_VERIFY_WITH_TIMEOUT(client.closed(), 5000);
    QCOMPARE(client.received(), QByteArray());
    QCOMPARE(log->size(), 1);
    const QString line = log->at(0).at(0).toString();
    QVERIFY2(line.contains("closed") && line.contains(reason), qPrintable(line));

    // The server goes on serving.
    Client next(server->port());
    next.send(request(component("client", "7.1.0")));
    QTRY_VERIFY_WITH_TIMEOUT(next.closed(), 5000);
    QCOMPARE(::answers(next.received()), QStringList { "vesk/client/app latest" });
}

void TestQueryServer::silentClientTimesOut()
{
    ConnectionLimits limits;
    limits.timeoutMs = 300;
    startServer(limits);
    Client client(server->port());
    client.send("<s><update>");
    QTRY_VERIFY_WITH_TIMEOUT(client.closed(), 5000);
    QCOMPARE(client.received(), QByteArray());
    QCOMPARE(log->size(), 1);
    QVERIFY(log->at(0).at(0).toString().contains("no complete request within 300 ms"));
}

void TestQueryServer::manyClientsAtOnceWhileOneStalls()
{
    ConnectionLimits limits;
    limits.timeoutMs = 20000;
    startServer(limits);

    // A client that never finishes its request must not hold up anyone else.
    Client stalled(server->port());
    stalled.send("<s><update>");

    const int count = 100;
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < count; ++i)
        clients.push_back(std::make_unique<Client>(server->port()));
    // Every client sends half of its request, then all send the rest, so all connections
    // are open and half-read at the same time.
    QList<QByteArray> requests;
    for (int i = 0; i < count; ++i)
        requests.append(request(component("client", QStringLiteral("7.0.%1").arg(i))
            + component("emoticons", i % 2 ? "1.5" : "1.4", "plugin")));
    for (int i = 0; i < count; ++i)
        clients[size_t(i)]->send(requests.at(i).left(requests.at(i).size() / 2));
    QTest::qWait(50);
    for (int i = 0; i < count; ++i)
        clients[size_t(i)]->send(requests.at(i).mid(requests.at(i).size() / 2));

    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(clients.begin(), clients.end(), [](const auto &c) { return c->closed(); }),
        10000);
    for (int i = 0; i < count; ++i) {
        const QStringList expected { "vesk/client/app update 7.1.0",
            i % 2 ? "vesk/emoticons/plugin latest" : "vesk/emoticons/plugin update 1.5" };
        QCOMPARE(::answers(clients[size_t(i)]->received()), expected);
    }
    QCOMPARE(log->size(), count);
    QVERIFY(!stalled.closed());
}

void TestQueryServer::catalogueChangesAreServed()
{
    startServer();
    writeEntry(folder->path(), entry("client", "app", "7.2.0"));
    writeEntry(folder->path(), entry("chess", "plugin", "1.0"));
    const QByteArray bytes
        = request(component("client", "7.1.0") + component("chess", "0.9", "plugin"));
    const QStringList expected { "vesk/client/app update 7.2.0", "vesk/chess/plugin update 1.0" };
    // The watcher reports the change asynchronously; ask until the answer reflects it.
    QTRY_COMPARE_WITH_TIMEOUT(ask(bytes), expected, 10000);
}

QStringList TestQueryServer::ask(const QByteArray &bytes)
{
    Client client(server->port());
    client.send(bytes);
    QElapsedTimer timer;
    timer.start();
    while (!client.closed() && timer.elapsed() < 2000)
        QTest::qWait(10);
    return ::answers(client.received());
}

void TestQueryServer::program()
{
    const QString binary = qEnvironmentVariable("VESK_TEST_BIN_DIR") + "/update-server";
    QVERIFY2(QFile::exists(binary), qPrintable(binary));

    QProcess usage;
    usage.start(binary, { "no-port-here", folder->path() });
    QVERIFY(usage.waitForFinished(10000));
    QCOMPARE(usage.exitCode(), 2);

    QProcess process;
    process.start(binary, { "127.0.0.1:0", folder->path() });
    QVERIFY(process.waitForStarted(10000));
    QByteArray first;
    QTRY_VERIFY_WITH_TIMEOUT((first += process.readAllStandardOutput()).contains('\n'), 10000);
    const QRegularExpressionMatch match
        = QRegularExpression("^listening on 127.0.0.1:(\\d+) with 2 component")
              .match(QString::fromUtf8(first));
    QVERIFY2(match.hasMatch(), first.constData());

    Client client(quint16(match.captured(1).toUInt()));
    client.send(request(component("client", "7.0")));
    QTRY_VERIFY_WITH_TIMEOUT(client.closed(), 10000);
    QCOMPARE(::answers(client.received()), QStringList { "vesk/client/app update 7.1.0" });
    QByteArray logged;
    QTRY_VERIFY_WITH_TIMEOUT(
        (logged += process.readAllStandardOutput()).contains("answered 1 component(s)"), 5000);

    process.terminate();
    QVERIFY(process.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(TestQueryServer)
#include "tst_updateserver.moc"
