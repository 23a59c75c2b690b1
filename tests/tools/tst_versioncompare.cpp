#include "versioncompare.h"

#include <QTest>

class TestVersionCompare : public QObject
{
    Q_OBJECT
private slots:
    void order_data();
    void order();
};

void TestVersionCompare::order_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("expected");

    QTest::newRow("7.0.0 = 7.0.0") << "7.0.0"
                                   << "7.0.0" << 0;
    QTest::newRow("7.0.1 > 7.0.0") << "7.0.1"
                                   << "7.0.0" << 1;
    QTest::newRow("7.9 < 7.10 (numeric, not text)") << "7.9"
                                                    << "7.10" << -1;
    QTest::newRow("7.1 = 7.1.0 (missing part is 0)") << "7.1"
                                                     << "7.1.0" << 0;
    QTest::newRow("7.1 < 7.1.1") << "7.1"
                                 << "7.1.1" << -1;
    QTest::newRow("8 > 7.99.99") << "8"
                                 << "7.99.99" << 1;
    QTest::newRow("07.01 = 7.1 (leading zeros)") << "07.01"
                                                 << "7.1" << 0;
    QTest::newRow("huge parts do not overflow") << "1.18446744073709551617"
                                                << "1.18446744073709551616" << 1;
    QTest::newRow("huge > small") << "99999999999999999999"
                                  << "1" << 1;
    QTest::newRow("empty = 0") << ""
                               << "0" << 0;
    QTest::newRow("empty < 0.0.1") << ""
                                   << "0.0.1" << -1;
    QTest::newRow("text part counts as 0") << "1.x"
                                           << "1.0" << 1;
    QTest::newRow("2rc < 2z (suffix as text)") << "1.2rc"
                                               << "1.2z" << -1;
    QTest::newRow("2rc > 2 (suffix after equal number)") << "1.2rc"
                                                         << "1.2" << 1;
    QTest::newRow("3 > 2rc (number first)") << "1.3"
                                            << "1.2rc" << 1;
    QTest::newRow("blanks around ignored") << " 7.1 "
                                           << "7.1" << 0;
}

void TestVersionCompare::order()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, expected);
    QCOMPARE(compareVersions(a, b), expected);
    QCOMPARE(compareVersions(b, a), -expected);
}

QTEST_GUILESS_MAIN(TestVersionCompare)
#include "tst_versioncompare.moc"
