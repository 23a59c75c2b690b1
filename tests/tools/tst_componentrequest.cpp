#include "componentrequest.h"

#include <QTest>

using Components = QList<ComponentRequest>;

namespace {

QString describe(const Components &components)
{
    QStringList parts;
    for (const ComponentRequest &c : components)
        parts.append(QStringLiteral("[%1|%2|%3|%4]").arg(c.project, c.name, c.type, c.version));
    return parts.join(QString());
}

} // namespace

class TestComponentRequest : public QObject
{
    Q_OBJECT
private slots:
    void parseValid_data();
    void parseValid();
    void parseMalformed_data();
    void parseMalformed();
    void framing_data();
    void framing();
};

void TestComponentRequest::parseValid_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two components as the client writes them")
        << QByteArray("<s><update><component project='vesk' name='client' type='app' "
                      "version='7.0.0' /><component project='vesk' name='emoticons' "
                      "type='plugin' version='1.0' /></update></s>")
        << "[vesk|client|app|7.0.0][vesk|emoticons|plugin|1.0]";
    QTest::newRow("only the version")
        << QByteArray("<s><update><component version='1' /></update></s>") << "[|||1]";
    QTest::newRow("no components") << QByteArray("<s><update></update></s>") << "";
    QTest::newRow("apostrophe inside a value")
        << QByteArray("<s><update><component name='O'Brien's pack' version='2' /></update></s>")
        << "[|O'Brien's pack||2]";
    QTest::newRow("unescaped & < > inside values")
        << QByteArray("<s><update><component project='a&b' name='<x>' version='1' /></update></s>")
        << "[a&b|<x>||1]";
    QTest::newRow("quote then space inside a value that is not followed by an attribute")
        << QByteArray("<s><update><component name='it' s' version='3' /></update></s>")
        << "[|it' s||3]";
    QTest::newRow("double quotes and blanks between elements") << QByteArray(
        " <s>\n<update>\n  <component name=\"c\" version=\"4\"/>\n</update>\n</s>\r\n")
                                                               << "[|c||4]";
    QTest::newRow("unknown attribute ignored")
        << QByteArray("<s><update><component name='c' os='win' version='5' /></update></s>")
        << "[|c||5]";
    QTest::newRow("UTF-8 client text sent encoded twice is undone")
        << QString::fromLatin1(
               "<s><update><component name='emotikony-\xc4\x85' version='1' /></update></s>")
               .toUtf8()
        << QString::fromUtf8("[|emotikony-\xc4\x85||1]");
    QTest::newRow("Latin-1 client text sent once encoded stays")
        << QString::fromLatin1("<s><update><component name='caf\xe9' version='1' /></update></s>")
               .toUtf8()
        << QString::fromLatin1("[|caf\xe9||1]");
}

void TestComponentRequest::parseValid()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, expected);
    Components components;
    QString error;
    QVERIFY2(RequestParser::parse(document, &components, &error), qPrintable(error));
    QCOMPARE(describe(components), expected);
}

void TestComponentRequest::parseMalformed_data()
{
    QTest::addColumn<QByteArray>("document");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("HTTP request") << QByteArray("GET / HTTP/1.0\r\n\r\n");
    QTest::newRow("no update element") << QByteArray("<s><component version='1' /></s>");
    QTest::newRow("update not closed") << QByteArray("<s><update><component version='1' /></s>");
    QTest::newRow("component not closed")
        << QByteArray("<s><update><component version='1' </update></s>");
    QTest::newRow("value without closing quote")
        << QByteArray("<s><update><component version='1 /></update></s>");
    QTest::newRow("attribute without value")
        << QByteArray("<s><update><component version /></update></s>");
    QTest::newRow("component without version")
        << QByteArray("<s><update><component name='a' /></update></s>");
    QTest::newRow("other element inside update")
        << QByteArray("<s><update><foo version='1' /></update></s>");
    QTest::newRow("componentx element")
        << QByteArray("<s><update><componentx version='1' /></update></s>");
    QTest::newRow("text after </s>") << QByteArray("<s><update></update></s>trailing");
    QTest::newRow("binary garbage") << QByteArray("<s>\x00\xff\xfe<update>", 14);
}

void TestComponentRequest::parseMalformed()
{
    QFETCH(QByteArray, document);
    Components components;
    QString error;
    QVERIFY(!RequestParser::parse(document, &components, &error));
    QVERIFY(!error.isEmpty());
}

void TestComponentRequest::framing_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("expected");
    const int incomplete = int(RequestParser::Framing::Incomplete);
    const int complete = int(RequestParser::Framing::Complete);
    const int malformed = int(RequestParser::Framing::Malformed);

    QTest::newRow("nothing yet") << QByteArray() << incomplete;
    QTest::newRow("blanks only") << QByteArray(" \n") << incomplete;
    QTest::newRow("first byte of <s>") << QByteArray("<") << incomplete;
    QTest::newRow("half a request") << QByteArray("<s><update><compo") << incomplete;
    QTest::newRow("whole request") << QByteArray("<s><update></update></s>") << complete;
    QTest::newRow("whole request and newline")
        << QByteArray("<s><update></update></s>\n") << complete;
    QTest::newRow("wrong first byte") << QByteArray("G") << malformed;
    QTest::newRow("wrong start") << QByteArray("<x>") << malformed;
}

void TestComponentRequest::framing()
{
    QFETCH(QByteArray, received);
    QFETCH(int, expected);
    QCOMPARE(int(RequestParser::examine(received)), expected);
}

QTEST_GUILESS_MAIN(TestComponentRequest)
#include "tst_componentrequest.moc"
