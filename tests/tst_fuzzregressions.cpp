// Inputs the fuzz targets (fuzz/) found to break a parser of outside text, kept
// as cases; the same inputs are in fuzz/corpus/<target>/regression-*.
#include "db/error.h"
#include "db/money.h"
#include "db/query.h"
#include "reports/xmlreport.h"
#include "store/pagemodel.h"
#include "store/periods.h"
#include "store/statisticpairs.h"

#include <QTest>
#include <QXmlStreamReader>

using db::Money;

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private slots:
    // Amounts at the edge of the int64 of ten-thousandths: the largest is a whole
    // number of złoty, so that every rounding of an accepted amount can be held
    // and what is shown reads back.
    void moneyAtTheLimit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("largest") << "922337203685477" << true;
        QTest::newRow("largest negative") << "-922 337 203 685 477,0000" << true;
        QTest::newRow("one unit past the int64") << "922337203685477,5808" << false;
        QTest::newRow("the int64 itself") << "922337203685477,5807" << false;
        QTest::newRow("a fraction past the largest") << "922337203685477,0001" << false;
        QTest::newRow("next whole") << "922337203685478" << false;
    }
    void moneyAtTheLimit()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<Money> m = Money::parse(text);
        QCOMPARE(m.has_value(), valid);
        if (!m)
            return;
        QCOMPARE(m->units() / Money::Scale, (text.startsWith(u'-') ? -1 : 1) * qint64(922337203685477));
        for (int decimals = 0; decimals <= Money::Decimals; ++decimals) {
            const std::optional<Money> back = Money::parse(m->format(decimals, u',', u' '));
            QVERIFY(back);
            QCOMPARE(back->units(), m->rounded(decimals).units());
        }
    }

    // A numeric field takes what its column holds (INTEGER counts, thirteen whole
    // digits of an amount); beyond that, or not a finite number, it stays empty.
    // What it shows is the value rounded once to two decimals, and reads back.
    void numericFieldText_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("shown");
        QTest::newRow("largest count") << "Okres_spl"
                                       << "2147483647" << true << "2147483647";
        QTest::newRow("smallest count") << "Jvl_mik"
                                        << "-2147483647" << true << "-2147483647";
        QTest::newRow("count past INTEGER") << "Okres_spl"
                                            << "2147483648" << false << "";
        QTest::newRow("count past money") << "Jvl_mik"
                                          << "99999999999999999" << false << "";
        QTest::newRow("largest amount") << "jv_max"
                                        << "9999999999999,99" << true << "9999999999999,99";
        QTest::newRow("amount of fourteen digits") << "jv_max"
                                                   << "10000000000000" << false << "";
        QTest::newRow("amount at the int64") << "Jvw_poz_akt"
                                             << "922337203685477" << false << "";
        QTest::newRow("huge decimal") << "w_gor"
                                      << "777777777777777777777777777" << false << "";
        QTest::newRow("decimal with exponent") << "Jvl_wspol_strat"
                                               << "1e300" << false << "";
        QTest::newRow("infinity") << "Jvl_wspol_strat"
                                  << "inf" << false << "";
        QTest::newRow("not a number") << "Prz_kw"
                                      << "nan" << false << "";
        QTest::newRow("rounded once") << "w_tran"
                                      << "-3,55497" << true << "-3,55";
        QTest::newRow("rounded once, up") << "Jvl_wspol_strat"
                                          << "12,345678" << true << "12,35";
        QTest::newRow("tie away from zero") << "Jvl_wspol_strat"
                                            << "0,125" << true << "0,13";
        QTest::newRow("no negative zero") << "Jvw_wspol_strat"
                                          << "-0,001" << true << "0,00";
    }
    void numericFieldText()
    {
        QFETCH(QString, control);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(QString, shown);
        store::PageModel model;
        QCOMPARE(model.setText(control, text), accepted);
        QCOMPARE(model.text(control), shown);
        QCOMPARE(model.numeric(control).isEmpty(), !accepted);
        store::PageModel again;
        QVERIFY(again.setText(control, shown));
        QCOMPARE(again.text(control), shown);
    }

    // The largest counts and amounts a field takes still add up exactly.
    void statisticsSumsOfTheLargestNumbers()
    {
        store::PageModel model;
        qint64 members = 0;
        for (const store::StatisticPair &p : store::StatisticPairs) {
            QVERIFY(model.setText(store::toQString(p.countControl), QStringLiteral("2147483647")));
            QVERIFY(model.setText(store::toQString(p.valueControl), QStringLiteral("9999999999999,99")));
            members += p.group == 2 ? 1 : 0;
        }
        model.recomputeAllSums();
        const store::StatisticGroup &sectors = store::StatisticGroups[2];
        QCOMPARE(model.integer(store::toQString(sectors.countSum)), members * 2147483647);
        QCOMPARE(model.money(store::toQString(sectors.valueSum)).units(), members * 99999999999999900);
    }

    // Typed period texts: the text order alone let a later first month through.
    void periodChoice_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("valid");
        QTest::newRow("listed items") << QStringList{"01", "2013", "06", "2013"} << true;
        QTest::newRow("one month") << QStringList{"05", "2013", "05", "2013"} << true;
        QTest::newRow("five-digit first year") << QStringList{"1", "12013", "12", "2013"} << false;
        QTest::newRow("one-digit last month") << QStringList{"10", "2013", "9", "2013"} << false;
        QTest::newRow("later month of the same year") << QStringList{"06", "2013", "05", "2013"} << false;
        QTest::newRow("later year") << QStringList{"01", "2014", "12", "2013"} << false;
        QTest::newRow("not numbers") << QStringList{"01", "abc", "12", "abd"} << true;
    }
    void periodChoice()
    {
        QFETCH(QStringList, texts);
        QFETCH(bool, valid);
        QCOMPARE(store::isValidPeriodChoice({texts[0], texts[1], texts[2], texts[3]}), valid);
    }

    // A period the database cannot store is refused with a message; what passes
    // has four-digit years in its texts.
    void periodBounds_data()
    {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("firstDay");
        QTest::newRow("year 0") << "0"
                                << "Miesiąc 01 roku 0 nie istnieje."
                                << "";
        QTest::newRow("year before 1") << "-5"
                                       << "Rok -5 jest spoza zakresu od 1 do 9999."
                                       << "";
        QTest::newRow("year after 9999") << "10000"
                                         << "Rok 10000 jest spoza zakresu od 1 do 9999."
                                         << "";
        QTest::newRow("three-digit year") << "999"
                                          << ""
                                          << "0999-01-01";
        QTest::newRow("year 9999") << "9999"
                                   << ""
                                   << "9999-01-01";
    }
    void periodBounds()
    {
        QFETCH(QString, year);
        QFETCH(QString, error);
        QFETCH(QString, firstDay);
        const store::PeriodChoice choice{QStringLiteral("01"), year, QStringLiteral("12"), year};
        // Outside the years of the lists: refused before it gets this far.
        QVERIFY(!store::isValidPeriodChoice(choice));
        try {
            const store::PeriodBounds b = store::periodBounds(choice);
            QVERIFY2(error.isEmpty(), "accepted");
            QCOMPARE(store::FormatDateYMD(b.start.date()), firstDay);
            QVERIFY(b.start < b.end);
        } catch (const db::Error &e) {
            QCOMPARE(e.message(), error);
        }
    }

    // A component's WARTOSC reaches the file as its exact amount with a point,
    // never through a double, and the file stays well-formed.
    void xmlComponentValue_data()
    {
        QTest::addColumn<QString>("wartosc");
        QTest::addColumn<QString>("written");
        QTest::newRow("fraction") << QStringLiteral("1500,5") << QStringLiteral("1500.5");
        QTest::newRow("whole") << QStringLiteral("1500") << QStringLiteral("1500.00");
        QTest::newRow("zero") << QStringLiteral("0") << QStringLiteral("0.00");
        QTest::newRow("negative") << QStringLiteral("-1,05") << QStringLiteral("-1.05");
        QTest::newRow("16 digits") << QStringLiteral("12345678901234,56") << QStringLiteral("12345678901234.56");
    }
    void xmlComponentValue()
    {
        QFETCH(QString, wartosc);
        QFETCH(QString, written);
        store::OpenPeriod period;
        period.isOpen = true;
        period.CurrentPeriodId = QStringLiteral("1");
        period.PeriodStartText = QStringLiteral("2013-01-01");
        period.PeriodEndText = QStringLiteral("2013-06-30");
        reports::CapitalGroupComponents group;
        group.group = {1, QStringLiteral("Grupa A"), 0, 1};
        store::CapitalComponent component;
        component.SKLADNIK = QStringLiteral("Dotacja");
        component.WARTOSC = db::Money::parse(wartosc).value();
        component.RODZAJ = store::RodzajValueOnly;
        group.components << component;
        const QByteArray file = reports::BuildXmlReport(period, store::PageModel(), {group});
        QVERIFY(file.contains("<wartosc>" + written.toUtf8() + "</wartosc>"));
        QXmlStreamReader xml(file);
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    }

    // A :dN with more than four digits is no placeholder: the statement keeps the
    // text (Firebird then names the error) instead of reserving that many values.
    void placeholderNumbers_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("translated");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("largest") << ":d9999"
                                 << "?" << QList<int>{9999};
        QTest::newRow("five digits") << ":d10000"
                                     << ":d10000" << QList<int>{};
        QTest::newRow("past int") << "k=:d0A and x=:d99999999999 and y=:D1"
                                  << "k=:d0A and x=:d99999999999 and y=?" << QList<int>{1};
    }
    void placeholderNumbers()
    {
        QFETCH(QString, sql);
        QFETCH(QString, translated);
        QFETCH(QList<int>, order);
        std::vector<int> numbers;
        QCOMPARE(db::Query::translatePlaceholders(sql, &numbers), translated);
        QCOMPARE(QList<int>(numbers.begin(), numbers.end()), order);
    }
};

QTEST_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
