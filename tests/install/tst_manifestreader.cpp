#include "install/manifestreader.h"

#include <QBuffer>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

namespace {

// The walk as one line per recognised element: "package k=v ..." or "file name|path|action".
QStringList walk(const QByteArray &document, bool *hadError = nullptr)
{
    QBuffer buffer;
    buffer.setData(document);
    buffer.open(QIODevice::ReadOnly);
    ManifestReader reader(&buffer);
    QStringList result;
    for (;;) {
        switch (reader.readNext()) {
        case ManifestReader::Package: {
            QString line = "package";
            for (const auto &attribute : reader.packageAttributes())
                line += ' ' + attribute.first + '=' + attribute.second;
            result << line;
            break;
        }
        case ManifestReader::File: {
            const ManifestReader::FileElement file = reader.fileElement();
            result << "file " + file.name + '|' + file.path + '|' + file.action;
            break;
        }
        case ManifestReader::End:
            if (hadError)
                *hadError = reader.hasError();
            return result;
        }
    }
}

} // namespace

class tst_ManifestReader : public QObject
{
    Q_OBJECT

private slots:
    void elements_data();
    void elements();
    void encodingFollowsTheDocument();
};

void tst_ManifestReader::elements_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("error");

    QTest::newRow("example manifest")
        << QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>
<package project="client" name="sounds" type="app">
  <file path="sounds" name="message.wav" action="add"/>
  <file path="sounds" name="buzz.wav" action="remove"/>
</package>)")
        << QStringList { "package project=client name=sounds type=app",
               "file message.wav|sounds|add", "file buzz.wav|sounds|remove" }
        << false;
    QTest::newRow("package attributes in tag order, others ignored")
        << QByteArray(R"(<package type="app" version="2" project="p"/>)")
        << QStringList { "package type=app project=p" } << false;
    QTest::newRow("absent attributes are empty")
        << QByteArray(R"(<package><file name="a"/><file/></package>)")
        << QStringList { "package", "file a||", "file ||" } << false;
    QTest::newRow("action lower-cased, other values kept")
        << QByteArray(R"(<package><file name="A.TXT" path="Dir" action="ReMoVe"/></package>)")
        << QStringList { "package", "file A.TXT|Dir|remove" } << false;
    QTest::newRow("elements found at any depth")
        << QByteArray(R"(<root><group><deep><file name="x"/></deep></group>)"
                      R"(<package name="late"/></root>)")
        << QStringList { "file x||", "package name=late" } << false;
    QTest::newRow("names are case-sensitive")
        << QByteArray(R"(<Package name="n"><FILE name="x"/><file Name="y"/></Package>)")
        << QStringList { "file ||" } << false;
    QTest::newRow("prefixed elements and attributes by local name")
        << QByteArray(R"(<m:package xmlns:m="urn:m" xmlns:a="urn:a" xmlns:b="urn:b" )"
                      R"(a:name="n"><m:file a:name="first" b:name="second" path="p"/>)"
                      R"(</m:package>)")
        << QStringList { "package name=n", "file second|p|" } << false;
    QTest::newRow("anything inside a file element is ignored")
        << QByteArray(R"(<package><file name="x">text<!-- c --><?pi x?></file></package>)")
        << QStringList { "package", "file x||" } << false;
    QTest::newRow("entity and character references resolved")
        << QByteArray(
               R"(<package name="a&amp;b"><file name="&#x107;.txt" path="&lt;p&gt;"/></package>)")
        << QStringList { "package name=a&b", QString::fromUtf8("file ć.txt|<p>|") } << false;
    QTest::newRow("elements before a fault, then the end")
        << QByteArray(R"(<package><file name="a"/></oops><file name="b"/></package>)")
        << QStringList { "package", "file a||" } << true;
    QTest::newRow("empty document") << QByteArray() << QStringList {} << true;
    QTest::newRow("not XML") << QByteArray("file a add") << QStringList {} << true;
}

void tst_ManifestReader::elements()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, expected);
    QFETCH(bool, error);

    bool hadError = !error;
    QCOMPARE(walk(document, &hadError), expected);
    QCOMPARE(hadError, error);
}

void tst_ManifestReader::encodingFollowsTheDocument()
{
    const QString text
        = QString::fromUtf8(R"(<package name="żółw"><file name="ą.txt"/></package>)");
    const QStringList expected { QString::fromUtf8("package name=żółw"),
        QString::fromUtf8("file ą.txt||") };

    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    QCOMPARE(walk(QByteArray(utf16(text))), expected);

    QStringEncoder latin2("ISO-8859-2");
    QVERIFY(latin2.isValid());
    const QByteArray declared = "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>" + latin2(text);
    QCOMPARE(walk(declared), expected);
}

QTEST_GUILESS_MAIN(tst_ManifestReader)
#include "tst_manifestreader.moc"
