#include "engine/updateserver.h"
#include "engine/veskupdaterengine.h"
#include "fakeupdateserver.h"
#include "messageboxanswerer.h"
#include "vesktestsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray clientRequest
    = "<s><update><component project='vesk' name='core' version='7.0' /></update></s>";
const QString checkTitle = QStringLiteral("Check updates");
const QString messageA
    = QStringLiteral("Couldn't connect to update server. Check your internet connection.");
const QString messageB = QStringLiteral(
    "An error occured while comunicating update server. Check your internet connection.");

QByteArray response(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><response>" + body + "</response>";
}

QByteArray announce(const QByteArray &name, const QByteArray &children = "<version>2.0</version>")
{
    return "<request project='vesk' name='" + name + "' type='plugin'>" + children + "</request>";
}

QStringList names(const VeskUpdaterEngine &engine)
{
    QStringList names;
    for (const UpdateRecord *record : engine.updateList())
        names.append(QString::fromStdString(record->name()));
    return names;
}
}

class tst_UpdateQuery : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void requestIsCutFromClientOutput_data();
    void requestIsCutFromClientOutput();
    void missingClientSendsNothingAndGoesOn();
    void hungClientIsKilledAndItsOutputUsed();

    void responseIsReadUntilComplete_data();
    void responseIsReadUntilComplete();
    void recordsFollowTheAnnouncingRequests_data();
    void recordsFollowTheAnnouncingRequests();
    void recordCarriesEveryValue();
    void criticalAndTimestamp_data();
    void criticalAndTimestamp();
    void secondQueryReplacesTheRecords();
    void answerJustUnderTheCapIsAccepted();

    void failedExchangeShowsMessageAndEmptiesList_data();
    void failedExchangeShowsMessageAndEmptiesList();

    void serverAddressFromEnvironment_data();
    void serverAddressFromEnvironment();

private:
    void setClientOutput(const QByteArray &bytes);
    bool query(VeskUpdaterEngine &engine, int networkWaitMs = 10000, int clientWaitMs = 10000);

    QTemporaryDir *m_dir = nullptr;
    FakeUpdateServer *m_server = nullptr;
    MessageBoxAnswerer *m_boxes = nullptr;
};

void tst_UpdateQuery::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_server = new FakeUpdateServer;
    m_boxes = new MessageBoxAnswerer;
    qputenv("VESK_UPDATE_SERVER", m_server->address().toLatin1());
    qunsetenv("VESK_FAKE_CLIENT_DELAY_MS");
    setClientOutput(clientRequest);
    m_server->setAnswer(response(""));
}

void tst_UpdateQuery::cleanup()
{
    delete m_boxes;
    delete m_server;
    delete m_dir;
    qunsetenv("VESK_UPDATE_SERVER");
}

void tst_UpdateQuery::setClientOutput(const QByteArray &bytes)
{
    const QString path = m_dir->filePath("client-output");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    qputenv("VESK_FAKE_CLIENT_OUTPUT", QFile::encodeName(path));
}

bool tst_UpdateQuery::query(VeskUpdaterEngine &engine, int networkWaitMs, int clientWaitMs)
{
    VeskEngineTestAccess::setWaits(engine, networkWaitMs, clientWaitMs);
    return engine.checkUpdates();
}

void tst_UpdateQuery::requestIsCutFromClientOutput_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("sent");

    QTest::newRow("request alone") << clientRequest << clientRequest;
    QTest::newRow("text before and after dropped") << "Loading plugins...\n" + clientRequest
            + "\nbye\n" << clientRequest;
    QTest::newRow("two closing markers keep the inner one")
        << QByteArray("x<s><a/></s><b/></s>y") << QByteArray("<s><a/></s><b/></s>");
    QTest::newRow("two opening markers keep the second as text")
        << QByteArray("<s>1<s>2</s>") << QByteArray("<s>1<s>2</s>");
    QTest::newRow("empty block") << QByteArray("<s></s>") << QByteArray("<s></s>");
    QTest::newRow("no markers") << QByteArray("<update/>") << QByteArray();
    QTest::newRow("only opening marker") << QByteArray("<s><update/>") << QByteArray();
    QTest::newRow("only closing marker") << QByteArray("<update/></s>") << QByteArray();
    QTest::newRow("closing before opening") << QByteArray("</s>junk<s>") << QByteArray();
    QTest::newRow("high byte re-encoded as UTF-8")
        << QByteArray("<s>caf\xe9</s>") << QByteArray("<s>caf\xc3\xa9</s>");
    QTest::newRow("UTF-8 from the client encoded twice")
        << QByteArray("<s>\xc5\x82</s>") << QByteArray("<s>\xc3\x85\xc2\x82</s>");
}

void tst_UpdateQuery::requestIsCutFromClientOutput()
{
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, sent);
    setClientOutput(output);

    VeskUpdaterEngine engine;
    QVERIFY(query(engine));
    QCOMPARE(m_server->connectionCount(), 1);
    QCOMPARE(m_server->requests().first(), sent);
    QCOMPARE(m_boxes->count(), 0);
}

void tst_UpdateQuery::missingClientSendsNothingAndGoesOn()
{
    const QString client = QCoreApplication::applicationDirPath() + "/vesk7.exe";
    const QString aside = client + ".aside";
    QVERIFY(QFile::rename(client, aside));
    m_server->setAnswer(response(announce("a")));

    VeskUpdaterEngine engine;
    const bool ok = query(engine);
    QVERIFY(QFile::rename(aside, client));

    QVERIFY(ok);
    QCOMPARE(m_server->requests(), QList<QByteArray> { QByteArray() });
    QCOMPARE(names(engine), QStringList { "a" });
}

void tst_UpdateQuery::hungClientIsKilledAndItsOutputUsed()
{
    // The fake client prints its request, then hangs far beyond the wait.
    qputenv("VESK_FAKE_CLIENT_DELAY_MS", "60000");
    m_server->setAnswer(response(announce("a")));

    VeskUpdaterEngine engine;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(query(engine, 10000, 1000));
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_server->requests(), QList<QByteArray> { clientRequest });
    QCOMPARE(names(engine), QStringList { "a" });
}

void tst_UpdateQuery::responseIsReadUntilComplete_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<int>("delayMs");

    const QByteArray whole = response(announce("a") + announce("b"));
    const qsizetype third = whole.size() / 3;
    const QList<QByteArray> split { whole.left(third), whole.mid(third, third),
        whole.mid(2 * third) };

    QTest::newRow("whole") << QList<QByteArray> { whole } << 0;
    QTest::newRow("three pieces at once") << split << 0;
    QTest::newRow("three pieces slowly") << split << 400;
    QTest::newRow("byte by byte") << [&] {
        QList<QByteArray> bytes;
        for (char c : whole)
            bytes.append(QByteArray(1, c));
        return bytes;
    }() << 1;
    QTest::newRow("late answer") << QList<QByteArray> { QByteArray(), whole } << 1500;
    QTest::newRow("trailing bytes after the document ignored")
        << QList<QByteArray> { whole, QByteArray("<garbage") } << 300;
}

void tst_UpdateQuery::responseIsReadUntilComplete()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(int, delayMs);
    m_server->setAnswer(pieces, delayMs);

    VeskUpdaterEngine engine;
    // The wait is far above the longest gap (1500 ms), which a loaded machine may stretch.
    QVERIFY(query(engine));
    QCOMPARE(names(engine), (QStringList { "a", "b" }));
    QCOMPARE(m_boxes->count(), 0);
}

void tst_UpdateQuery::recordsFollowTheAnnouncingRequests_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("no request element") << QByteArray("<other/>") << QStringList();
    QTest::newRow("two in document order")
        << announce("a") + announce("b") << QStringList { "a", "b" };
    QTest::newRow("latest skipped")
        << announce("a", "<version>2</version><latest/>") + announce("b") << QStringList { "b" };
    QTest::newRow("noSuchUpdate skipped")
        << announce("a", "<noSuchUpdate>x</noSuchUpdate>") << QStringList();
    QTest::newRow("noSuchComponent skipped")
        << announce("a", "<noSuchComponent/>") << QStringList();
    QTest::newRow("marker deeper down does not count")
        << announce("a", "<version>2</version><x><latest/></x>") << QStringList { "a" };
    QTest::newRow("marker case matters") << announce("a", "<Latest/>") << QStringList { "a" };
    QTest::newRow("nested deeper")
        << QByteArray("<group><inner>") + announce("deep") + "</inner></group>" + announce("top")
        << QStringList { "deep", "top" };
    QTest::newRow("request inside request")
        << QByteArray("<request name='outer'><version>1</version>") + announce("inner")
            + "</request>"
        << QStringList { "outer", "inner" };
    QTest::newRow("request without anything") << QByteArray("<request/>") << QStringList { "" };
}

void tst_UpdateQuery::recordsFollowTheAnnouncingRequests()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, expected);
    m_server->setAnswer(response(body));

    VeskUpdaterEngine engine;
    QVERIFY(query(engine));
    QCOMPARE(names(engine), expected);
    QCOMPARE(engine.hasUpdates(), !expected.isEmpty());
}

void tst_UpdateQuery::recordCarriesEveryValue()
{
    // The response order differs from the record's field order (author after link).
    m_server->setAnswer(response("<request project='vesk' name='Kalendarz \xc5\xbc' type='plugin'>"
                                 "<version>1.<b>2</b>.3</version>"
                                 "<description>Opis <![CDATA[<b>]]></description>"
                                 "<copyrights>(c) Firma</copyrights>"
                                 "<webpage>http://example.invalid/k</webpage>"
                                 "<email>k@example.invalid</email>"
                                 "<changelog>- poprawki &amp; zmiany</changelog>"
                                 "<link>http://example.invalid/k.zip</link>"
                                 "<author>Jan Kowalski</author>"
                                 "<critical>true</critical>"
                                 "<timestamp>1234567890</timestamp>"
                                 "<version>9.9</version>"
                                 "</request>"));

    VeskUpdaterEngine engine;
    QVERIFY(query(engine));
    QCOMPARE(engine.updateList().size(), 1);
    const UpdateRecord *r = engine.updateList().first();
    QCOMPARE(r->project(), std::string("vesk"));
    QCOMPARE(r->name(), std::string("Kalendarz \xc5\xbc"));
    QCOMPARE(r->type(), std::string("plugin"));
    QCOMPARE(r->version(), std::string("1.2.3"));
    QCOMPARE(r->description(), std::string("Opis <b>"));
    QCOMPARE(r->copyrights(), std::string("(c) Firma"));
    QCOMPARE(r->author(), std::string("Jan Kowalski"));
    QCOMPARE(r->webpage(), std::string("http://example.invalid/k"));
    QCOMPARE(r->email(), std::string("k@example.invalid"));
    QCOMPARE(r->changelog(), std::string("- poprawki & zmiany"));
    QCOMPARE(r->link(), std::string("http://example.invalid/k.zip"));
    QCOMPARE(r->critical(), true);
    QCOMPARE(r->timestamp(), 1234567890u);
}

void tst_UpdateQuery::criticalAndTimestamp_data()
{
    QTest::addColumn<QByteArray>("children");
    QTest::addColumn<bool>("critical");
    QTest::addColumn<uint>("timestamp");

    QTest::newRow("neither") << QByteArray() << false << 0u;
    QTest::newRow("true, 42") << QByteArray("<critical>true</critical><timestamp>42</timestamp>")
                              << true << 42u;
    QTest::newRow("True") << QByteArray("<critical>True</critical>") << false << 0u;
    QTest::newRow("TRUE") << QByteArray("<critical>TRUE</critical>") << false << 0u;
    QTest::newRow("blank before true") << QByteArray("<critical> true</critical>") << false << 0u;
    QTest::newRow("blank after true") << QByteArray("<critical>true </critical>") << false << 0u;
    QTest::newRow("1") << QByteArray("<critical>1</critical>") << false << 0u;
    QTest::newRow("true split by a child")
        << QByteArray("<critical>tr<i/>ue</critical>") << true << 0u;
    QTest::newRow("largest stamp")
        << QByteArray("<timestamp>4294967295</timestamp>") << false << 4294967295u;
    QTest::newRow("stamp too large")
        << QByteArray("<timestamp>4294967296</timestamp>") << false << 0u;
    QTest::newRow("stamp negative") << QByteArray("<timestamp>-1</timestamp>") << false << 0u;
    QTest::newRow("stamp not a number") << QByteArray("<timestamp>soon</timestamp>") << false << 0u;
    QTest::newRow("stamp hexadecimal") << QByteArray("<timestamp>0x10</timestamp>") << false << 0u;
    QTest::newRow("stamp empty") << QByteArray("<timestamp/>") << false << 0u;
}

void tst_UpdateQuery::criticalAndTimestamp()
{
    QFETCH(QByteArray, children);
    QFETCH(bool, critical);
    QFETCH(uint, timestamp);
    m_server->setAnswer(response(announce("a", "<version>2</version>" + children)));

    VeskUpdaterEngine engine;
    QVERIFY(query(engine));
    QCOMPARE(engine.updateList().size(), 1);
    QCOMPARE(engine.updateList().first()->critical(), critical);
    QCOMPARE(engine.updateList().first()->timestamp(), timestamp);
    QCOMPARE(engine.updateList().first()->version(), std::string("2"));
}

void tst_UpdateQuery::secondQueryReplacesTheRecords()
{
    VeskUpdaterEngine engine;
    m_server->setAnswer(response(announce("a") + announce("b")));
    QVERIFY(query(engine));
    QCOMPARE(names(engine), (QStringList { "a", "b" }));

    // The first records are deleted, not leaked (the sanitizer build checks that).
    m_server->setAnswer(response(announce("c")));
    QVERIFY(query(engine));
    QCOMPARE(names(engine), QStringList { "c" });
    QCOMPARE(m_server->connectionCount(), 2);
    QCOMPARE(m_server->requests().at(1), clientRequest);
}

void tst_UpdateQuery::answerJustUnderTheCapIsAccepted()
{
    const QByteArray changelog(3 * 1024 * 1024, 'x');
    m_server->setAnswer(response(announce("big", "<changelog>" + changelog + "</changelog>")));

    VeskUpdaterEngine engine;
    QVERIFY(query(engine));
    QCOMPARE(engine.updateList().size(), 1);
    QCOMPARE(engine.updateList().first()->changelog().size(), size_t(changelog.size()));
}

void tst_UpdateQuery::failedExchangeShowsMessageAndEmptiesList_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<bool>("close");
    QTest::addColumn<QByteArray>("endless");
    QTest::addColumn<QString>("message");

    const QByteArray whole = response(announce("a"));
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(FakeUpdateServer::closedPort());
    QTest::newRow("connection refused")
        << refused << QList<QByteArray> {} << false << QByteArray() << messageA;
    // A mistyped override fails like an unreachable server instead of reaching another one.
    QTest::newRow("override port not a number")
        << "127.0.0.1:https" << QList<QByteArray> {} << false << QByteArray() << messageA;
    QTest::newRow("silence") << QString() << QList<QByteArray> {} << false << QByteArray()
                             << messageB;
    QTest::newRow("silence after part")
        << QString() << QList<QByteArray> { whole.left(20) } << false << QByteArray() << messageB;
    QTest::newRow("closed without answer")
        << QString() << QList<QByteArray> {} << true << QByteArray() << messageB;
    QTest::newRow("closed after part")
        << QString() << QList<QByteArray> { whole.left(40) } << true << QByteArray() << messageB;
    QTest::newRow("endless answer over 4 MiB")
        << QString() << QList<QByteArray> { "<response>" } << false
        << QByteArray("<request name='x'><version>1</version></request>") << messageB;
}

void tst_UpdateQuery::failedExchangeShowsMessageAndEmptiesList()
{
    QFETCH(QString, server);
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(bool, close);
    QFETCH(QByteArray, endless);
    QFETCH(QString, message);

    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setUpdates(engine, { makeRecord("old", "app", "http://h/old.zip") });
    if (!server.isEmpty())
        qputenv("VESK_UPDATE_SERVER", server.toLatin1());
    m_server->setAnswer(pieces, 0, close ? FakeUpdateServer::Close : FakeUpdateServer::KeepOpen);
    const qint64 endlessBytes = 64 * 1024 * 1024;
    if (!endless.isEmpty())
        m_server->setEndlessFiller(endless, endlessBytes);

    QElapsedTimer clock;
    clock.start();
    QVERIFY(!query(engine, 1000));
    // Under the program's own 30000 ms, yet loose enough for re-parsing 4 MiB on a slow machine.
    QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));

    QVERIFY(!engine.hasUpdates());
    QCOMPARE(m_boxes->count(), 1);
    const SeenMessageBox box = m_boxes->seen().first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, checkTitle);
    QCOMPARE(box.text, message);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.defaultButton, QMessageBox::Ok);
    QVERIFY(!box.hasParent);
    if (!endless.isEmpty()) // the reader gave up near the cap, not at the end of the stream
        QVERIFY2(m_server->bytesSent() < endlessBytes / 2,
            qPrintable(QString::number(m_server->bytesSent())));
}

void tst_UpdateQuery::serverAddressFromEnvironment_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");

    QTest::newRow("unset") << QByteArray() << "update.veskora.pl" << 443;
    QTest::newRow("blank") << QByteArray("  ") << "update.veskora.pl" << 443;
    QTest::newRow("host") << QByteArray("staging.example") << "staging.example" << 443;
    QTest::newRow("host:port") << QByteArray("127.0.0.1:8443") << "127.0.0.1" << 8443;
    QTest::newRow("host:port padded") << QByteArray(" h:1 ") << "h" << 1;
    QTest::newRow("bracketed v6 with port") << QByteArray("[::1]:99") << "::1" << 99;
    QTest::newRow("bracketed v6") << QByteArray("[::1]") << "::1" << 443;
    QTest::newRow("bare v6") << QByteArray("fe80::1") << "fe80::1" << 443;
    QTest::newRow("port not a number") << QByteArray("h:https") << "h" << 0;
    QTest::newRow("port too large") << QByteArray("h:65536") << "h" << 0;
}

void tst_UpdateQuery::serverAddressFromEnvironment()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, host);
    QFETCH(int, port);
    if (value.isNull())
        qunsetenv("VESK_UPDATE_SERVER");
    else
        qputenv("VESK_UPDATE_SERVER", value);

    const UpdateServer server = UpdateServer::fromEnvironment();
    QCOMPARE(server.host, host);
    QCOMPARE(int(server.port), port);
}

QTEST_MAIN(tst_UpdateQuery)
#include "tst_updatequery.moc"
