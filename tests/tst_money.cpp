#include "db/money.h"

#include <QTest>

using db::Money;

class TestMoney : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("units");
        QTest::newRow("comma") << "1234,50" << true << qint64(12345000);
        QTest::newRow("point") << "1234.5" << true << qint64(12345000);
        QTest::newRow("groups") << "1 234 567,89" << true << qint64(12345678900);
        QTest::newRow("nbsp groups") << QStringLiteral("1\u00a0234,01") << true << qint64(12340100);
        QTest::newRow("negative") << "-0,0001" << true << qint64(-1);
        QTest::newRow("four decimals and zeros") << "0,100000" << true << qint64(1000);
        QTest::newRow("too precise") << "0,00001" << false << qint64(0);
        QTest::newRow("empty") << "" << false << qint64(0);
        QTest::newRow("two separators") << "1,2,3" << false << qint64(0);
        QTest::newRow("letters") << "12a" << false << qint64(0);
        QTest::newRow("sign only") << "-" << false << qint64(0);
        QTest::newRow("overflow") << "99999999999999999999" << false << qint64(0);
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint64, units);
        const auto m = Money::parse(text);
        QCOMPARE(m.has_value(), valid);
        if (valid)
            QCOMPARE(m->units(), units);
    }

    void format_data()
    {
        QTest::addColumn<qint64>("units");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("expected");
        QTest::newRow("grouped") << qint64(12345678900) << 2 << "1 234 567,89";
        QTest::newRow("rounds half away up") << qint64(125) << 2 << "0,01";
        QTest::newRow("rounds half away down") << qint64(-125) << 2 << "-0,01";
        QTest::newRow("whole") << qint64(-10000) << 0 << "-1";
        QTest::newRow("small negative") << qint64(-5000) << 2 << "-0,50";
    }
    void format()
    {
        QFETCH(qint64, units);
        QFETCH(int, decimals);
        QFETCH(QString, expected);
        QCOMPARE(Money::fromUnits(units).format(decimals, u',', u' '), expected);
    }

    void rounding()
    {
        // 2.125 and 2.135 zł to two decimals: ties go to the even grosz, or away from zero.
        QCOMPARE(Money::fromUnits(21250).roundedHalfEven(2).units(), qint64(21200));
        QCOMPARE(Money::fromUnits(21350).roundedHalfEven(2).units(), qint64(21400));
        QCOMPARE(Money::fromUnits(-21250).roundedHalfEven(2).units(), qint64(-21200));
        QCOMPARE(Money::fromUnits(21250).rounded(2).units(), qint64(21300));
        QCOMPARE(Money::fromUnits(-21250).rounded(2).units(), qint64(-21300));
    }

    void scaledValues()
    {
        QCOMPARE(Money::fromScaled(123450, -2).units(), qint64(12345000));
        QCOMPARE(Money::fromScaled(7, 0).units(), qint64(70000));
        QCOMPARE(Money::fromScaled(123456789, -6).units(), qint64(1234568)); // 123.456789 -> 123.4568
        QCOMPARE(Money::fromScaled(-15, -5).units(), qint64(-2));
    }

    void sumsAreExact()
    {
        // 0.1 + 0.2 in binary floating point is not 0.3; in money it is.
        const Money sum = *Money::parse(u"0,1") + *Money::parse(u"0,2");
        QCOMPARE(sum, *Money::parse(u"0,3"));
        QCOMPARE((*Money::parse(u"100,25") + *Money::parse(u"200,50")).format(2, u','), QStringLiteral("300,75"));
    }
};

QTEST_APPLESS_MAIN(TestMoney)
#include "tst_money.moc"
