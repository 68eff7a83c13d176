#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "store/fields.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"
#include "store/statisticpairs.h"
#include "support/rowstext.h"
#include "support/workspace.h"

#include <QTest>

using namespace store;

namespace {

OpenPeriod period(int id)
{
    OpenPeriod p;
    p.isOpen = true;
    p.CurrentPeriodId = QString::number(id);
    return p;
}

// Periods 1 and 2 have a row in every period table; period 3 exists only in OKRES.
const char *const Fixture = R"(
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (1, '2013-01-01', '2013-06-30', '2013-07-01', 1);
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (2, '2013-07-01', '2013-12-31', '2014-01-02', 1);
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (3, '2014-01-01', '2014-06-30', '2014-07-01', 1);
insert into DANE_INST (ID_OK, NAZWA, NIP, ROK_ZAL) values (1, 'Fundusz A', '111', '1995-03-15');
insert into DANE_INST (ID_OK, NAZWA, NIP, ROK_ZAL) values (2, 'Fundusz B', '222', '1996-04-16');
insert into AKT_STR (ID_OK, PA_L, PA_W, WSDO_L) values (1, 5, 100.00, 1.5);
insert into AKT_STR (ID_OK, PA_L, PA_W, WSDO_L) values (2, 7, 700.00, 2.5);
insert into ZASADY (ID_ZAS, ID_OK, FUN_NIE_ZYS, WYM_TECH, MIN_OPR) values (1, 1, 'Tak', 'Nie dotyczy', 4.5);
insert into ZASADY (ID_ZAS, ID_OK, FUN_NIE_ZYS, WYM_TECH, MIN_OPR) values (2, 2, 'Nie', 'Tak', 5.5);
insert into POZYCZKI (ID_OK, MIKRO_LS, MIKRO_WS, MALE_LS, MALE_WS, WPROWADZIL) values (1, 3, 3000.00, 2, 500.25, 1);
insert into POZYCZKI (ID_OK, MIKRO_LS, MIKRO_WS, WPROWADZIL) values (2, 4, 4000.00, 1);
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC) values (1, 1, 'Dotacja', 1000.00);
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC) values (2, 2, 'Dotacja', 2000.00);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA, WPROWADZIL) values (1, 0, 'Przyczyna A', 10.00, 1);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA, WPROWADZIL) values (1, 1, 'Źródło A', 5.00, 1);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA, WPROWADZIL) values (2, 0, 'Przyczyna B', 20.00, 1);
insert into LOGOWANIE (WERSJA) values ('Prog 1.16.5');
)";

const QStringList PeriodTables{"ZASADY", "POZYCZKI", "AKT_STR", "KAPITAL_FUND", "DANE_INST", "DANE_KAP", "OKRES"};

} // namespace

class TestPeriodStore : public QObject
{
    Q_OBJECT

    Workspace *m_ws = nullptr;
    QString m_path;
    db::Connection m_db;

    void openOn(db::Connection &c) const
    {
        c.setDatabase(QString(), m_path);
        c.open();
    }

    // The first row of a one-column query as another connection sees it: only
    // committed work shows.
    QString committed(const QString &sql) const
    {
        return committedRows(m_path, sql).value(0, QStringLiteral("<no row>"));
    }

    int committedCount(const QString &table, const QString &condition = QString()) const
    {
        const QString where = condition.isEmpty() ? QString() : QStringLiteral(" where ") + condition;
        return committed(QStringLiteral("select count(*) from %1%2").arg(table, where)).toInt();
    }

    // The 20 dictionary rows: three groups, not in code order, among their components.
    void fillDictionary()
    {
        db::Query insert(m_db,
                         QStringLiteral("insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values (:d0,:d1,:d2,:d3)"));
        const QHash<int, std::pair<QString, int>> groups{
            {4, {QStringLiteral("Kapitał własny"), 300}},
            {9, {QStringLiteral("Dotacje"), 100}},
            {15, {QStringLiteral("Pożyczki i kredyty"), 200}},
        };
        for (int row = 1; row <= 20; ++row) {
            if (groups.contains(row))
                insert.execute({groups.value(row).first, groups.value(row).second, 0, row % 3});
            else
                insert.execute({QStringLiteral("Składnik %1").arg(row), 1000 + row, 100 * (1 + row % 3), 1 + row % 3});
        }
        m_db.commitRetaining();
    }

private slots:
    void init()
    {
        m_ws = new Workspace;
        m_path = m_ws->createReportingDatabase();
        openOn(m_db);
        db::runSqlScript(m_db, QString::fromUtf8(Fixture));
    }
    void cleanup()
    {
        m_db.close();
        delete m_ws;
        m_ws = nullptr;
    }

    void loadFillsEveryPageOfThePeriod()
    {
        fillDictionary();
        PageModel model;
        CapitalGroupList groups;
        LoadPeriod(m_db, period(1), model, groups);

        QCOMPARE(model.text("e_nazwa_inst"), QStringLiteral("Fundusz B")); // the largest ID_OK
        QCOMPARE(model.date("dt_rok_inst"), QDate(1996, 4, 16));
        QCOMPARE(model.text("e_krs_inst"), QString());
        QCOMPARE(model.text("Jvl_poz_akt"), QStringLiteral("5"));
        QCOMPARE(model.text("Jvw_poz_akt"), QStringLiteral("100,00"));
        QCOMPARE(model.text("Jvl_wspol_strat"), QStringLiteral("1,50"));
        QCOMPARE(model.text("Jvl_pw"), QString()); // NULL column
        QCOMPARE(model.text("cb_fundusz"), QStringLiteral("Tak"));
        QCOMPARE(model.text("cb_wym_tech"), QStringLiteral("Nie dotyczy"));
        QCOMPARE(model.text("jv_min_opr"), QStringLiteral("4,50"));
        QCOMPARE(model.text("Jvl_mik"), QStringLiteral("3"));
        QCOMPARE(model.money("Jvw_mal"), *db::Money::parse(u"500,25"));
        QCOMPARE(model.text("Jvl_obr"), QString());
        QCOMPARE(model.text("Jvw_obr"), QStringLiteral("0,00"));
        QCOMPARE(model.text("Jvl_r"), QStringLiteral("5"));
        QCOMPARE(model.text("Jvw_r"), QStringLiteral("3500,25"));
        QCOMPARE(model.text("Przyr_spad"), QStringLiteral("Przyczyna A"));
        QCOMPARE(model.text("Prz_kw"), QStringLiteral("10,00"));
        QCOMPARE(model.capitalSources().size(), 1);
        QCOMPARE(model.capitalSources().first().nazwa, QStringLiteral("Źródło A"));
        QCOMPARE(model.capitalSources().first().kwota, db::Money::fromWhole(5));
        QCOMPARE(groups.size(), 3);
    }

    // Every stored field of every page, set to a value of its own, comes back
    // unchanged through another connection after one save.
    void everyFieldRoundTrips()
    {
        PageModel model;
        CapitalGroupList groups;
        LoadPeriod(m_db, period(1), model, groups);

        QStringList controls = PageModel::institutionControls() + PageModel::ruleControls()
                               + PageModel::activeLostControls() + QStringList{"Przyr_spad", "Prz_kw"};
        for (const StatisticPair &p : StatisticPairs)
            controls << toQString(p.countControl) << toQString(p.valueControl);
        int n = 0;
        for (const QString &c : std::as_const(controls)) {
            ++n;
            const FieldSpec &s = model.spec(c);
            switch (s.kind) {
            case FieldKind::Text:
                model.setText(c, s.choices == Choices::YesNoNotApplicable ? QStringLiteral("Nie dotyczy")
                                 : s.choices == Choices::YesNo            ? QStringLiteral("Nie")
                                 : s.choices == Choices::LegalForm        ? QStringLiteral("Spółka Z O.O.")
                                                                          : QStringLiteral("Żółć %1").arg(n));
                break;
            case FieldKind::Date:
                model.setDate(c, QDate(2001, 2, 3));
                break;
            case FieldKind::Count:
                model.setInteger(c, n);
                break;
            default:
                QVERIFY(model.setText(c, QStringLiteral("%1,%2").arg(1000 + n).arg(n % 2 ? 50 : 25)));
                break;
            }
        }
        SavePeriod(m_db, period(1), model);

        db::Connection other;
        openOn(other);
        PageModel loaded;
        LoadPeriod(other, period(1), loaded, groups);
        for (const QString &c : std::as_const(controls))
            QVERIFY2(loaded.text(c) == model.text(c), qPrintable(c + ": " + loaded.text(c) + " != " + model.text(c)));
        for (int g = 0; g < int(StatisticGroups.size()); ++g) {
            qint64 count = 0;
            db::Money value;
            for (const StatisticPair &p : StatisticPairs) {
                if (p.group == g) {
                    count += model.integer(toQString(p.countControl));
                    value += model.money(toQString(p.valueControl));
                }
            }
            QCOMPARE(loaded.integer(toQString(StatisticGroups[g].countSum)), count);
            QCOMPARE(loaded.money(toQString(StatisticGroups[g].valueSum)), value);
        }
    }

    void savedColumnValues_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("column"); // TABLE.COLUMN
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("statistics count") << "Jvl_mik"
                                          << "12"
                                          << "POZYCZKI.MIKRO_LS"
                                          << "12"
                                          << "12";
        QTest::newRow("statistics value") << "Jvw_mik"
                                          << "1234,50"
                                          << "POZYCZKI.MIKRO_WS"
                                          << "1234,5"
                                          << "1234,50";
        QTest::newRow("last statistics value") << "w_miej"
                                               << "0,01"
                                               << "POZYCZKI.MZ_MIEJ_WS"
                                               << "0,01"
                                               << "0,01";
        QTest::newRow("active count") << "Jvl_po_180"
                                      << "12"
                                      << "AKT_STR.PO_180_L"
                                      << "12"
                                      << "12";
        QTest::newRow("active value") << "Jv_poz_strac"
                                      << "1234,50"
                                      << "AKT_STR.PS_W"
                                      << "1234,5"
                                      << "1234,50";
        QTest::newRow("loss ratio") << "Jvw_wspol_strat"
                                    << "12,5"
                                    << "AKT_STR.WSDO_W"
                                    << "12,5"
                                    << "12,50";
        QTest::newRow("not applicable") << "cb_et_zaw"
                                        << "Nie dotyczy"
                                        << "ZASADY.ET_ZAW"
                                        << "Nie dotyczy"
                                        << "Nie dotyczy";
        QTest::newRow("no answer is empty text") << "cb_fundusz"
                                                 << ""
                                                 << "ZASADY.FUN_NIE_ZYS"
                                                 << ""
                                                 << "";
        QTest::newRow("minimum rate") << "jv_min_opr"
                                      << "5,25"
                                      << "ZASADY.MIN_OPR"
                                      << "5,25"
                                      << "5,25";
        QTest::newRow("largest loan") << "jv_max"
                                      << "1234,50"
                                      << "ZASADY.MAX_POZ"
                                      << "1234,5"
                                      << "1234,50";
        QTest::newRow("repayment period") << "Okres_spl"
                                          << "12"
                                          << "ZASADY.OKRES_SPL"
                                          << "12"
                                          << "12";
        QTest::newRow("other rules") << "e_zinne"
                                     << "Zażółć gęślą jaźń"
                                     << "ZASADY.INNE"
                                     << "Zażółć gęślą jaźń"
                                     << "Zażółć gęślą jaźń";
        QTest::newRow("institution name") << "e_nazwa_inst"
                                          << "Fundacja Rozwoju Śląska – Łódź"
                                          << "DANE_INST.NAZWA"
                                          << "Fundacja Rozwoju Śląska – Łódź"
                                          << "Fundacja Rozwoju Śląska – Łódź";
        QTest::newRow("founding date") << "dt_rok_inst"
                                       << "15.03.1999"
                                       << "DANE_INST.ROK_ZAL"
                                       << "15.03.1999"
                                       << "15.03.1999";
        QTest::newRow("no founding date") << "dt_rok_inst"
                                          << ""
                                          << "DANE_INST.ROK_ZAL"
                                          << "<NULL>"
                                          << "";
        QTest::newRow("capital change") << "Prz_kw"
                                        << "-1234,50"
                                        << "DANE_KAP.KWOTA"
                                        << "-1234,5"
                                        << "-1234,50";
        QTest::newRow("capital change reason") << "Przyr_spad"
                                               << "Dopłata wspólników"
                                               << "DANE_KAP.NAZWA"
                                               << "Dopłata wspólników"
                                               << "Dopłata wspólników";
    }
    void savedColumnValues()
    {
        QFETCH(QString, control);
        QFETCH(QString, input);
        QFETCH(QString, column);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        PageModel model;
        CapitalGroupList groups;
        LoadPeriod(m_db, period(1), model, groups);
        QVERIFY(model.setText(control, input));
        SavePeriod(m_db, period(1), model);

        const QString table = column.section(u'.', 0, 0);
        const QString extra = table == "DANE_KAP" ? QStringLiteral(" and ZRODLO=0") : QString();
        QCOMPARE(
            committed(QStringLiteral("select %1 from %2 where ID_OK=1%3").arg(column.section(u'.', 1), table, extra)),
            stored);
        PageModel loaded;
        LoadPeriod(m_db, period(1), loaded, groups);
        QCOMPARE(loaded.text(control), shown);
    }

    void institutionDataGoesToEveryPeriod()
    {
        PageModel model;
        LoadInstitutionData(m_db, model);
        QCOMPARE(model.text("e_nazwa_inst"), QStringLiteral("Fundusz B"));
        QCOMPARE(model.text("e_nip_inst"), QStringLiteral("222"));

        model.setText("e_nazwa_inst", QStringLiteral("Fundusz Śląski"));
        SaveInstitutionData(m_db, model);
        QCOMPARE(committedCount("DANE_INST", "NAZWA='Fundusz Śląski' and NIP='222' and DATAW=current_date"), 2);
        QCOMPARE(committedCount("DANE_INST"), 2); // period 3 has no row and gets none
    }

    void statisticsSaveLeavesOneRow_data()
    {
        QTest::addColumn<int>("id");
        QTest::newRow("period with a row") << 1;
        QTest::newRow("period without a row") << 3;
    }
    void statisticsSaveLeavesOneRow()
    {
        QFETCH(int, id);
        const QString others = QStringLiteral("ID_OK<>%1").arg(id);
        const int otherRows = committedCount("POZYCZKI", others);
        PageModel model;
        LoadLoanStatistics(m_db, period(id), model);
        model.setInteger("l_miej", 12);
        SaveLoanStatistics(m_db, period(id), model);
        SaveLoanStatistics(m_db, period(id), model);
        QCOMPARE(committedCount("POZYCZKI", QStringLiteral("ID_OK=%1").arg(id)), 1);
        QCOMPARE(
            committed(QStringLiteral("select MZ_MIEJ_LS || '/' || WPROWADZIL from POZYCZKI where ID_OK=%1").arg(id)),
            QStringLiteral("12/1"));
        QCOMPARE(committedCount("POZYCZKI", others), otherRows);
    }

    void periodWithoutRowsLoadsEmptyAndSavesNothing()
    {
        PageModel model;
        CapitalGroupList groups;
        LoadPeriod(m_db, period(1), model, groups); // fields hold period 1 first
        LoadPeriod(m_db, period(3), model, groups);

        for (const QString &c : PageModel::activeLostControls() + PageModel::ruleControls() + QStringList{"Przyr_spad"})
            QVERIFY2(model.text(c).isEmpty(), qPrintable(c));
        for (const StatisticPair &p : StatisticPairs) {
            QVERIFY(model.text(toQString(p.countControl)).isEmpty());
            QCOMPARE(model.text(toQString(p.valueControl)), QStringLiteral("0,00"));
        }
        QCOMPARE(model.text("Jvl_r"), QStringLiteral("0"));
        QCOMPARE(model.text("Prz_kw"), QStringLiteral("0,00"));
        QVERIFY(model.capitalSources().isEmpty());
        QCOMPARE(model.text("e_nazwa_inst"), QStringLiteral("Fundusz B")); // institution data of every period

        model.setInteger("Jvl_poz_akt", 9);
        model.setText("cb_fundusz", QStringLiteral("Tak"));
        model.setText("Przyr_spad", QStringLiteral("Nowa"));
        SaveActiveLostLoans(m_db, period(3), model);
        SaveManagementRules(m_db, period(3), model);
        SaveCapitalChange(m_db, period(3), model);
        for (const char *table : {"AKT_STR", "ZASADY", "DANE_KAP"})
            QCOMPARE(committedCount(table, "ID_OK=3"), 0);
        QCOMPARE(committed("select PA_L from AKT_STR where ID_OK=1"), QStringLiteral("5"));
        QCOMPARE(committed("select FUN_NIE_ZYS from ZASADY where ID_OK=2"), QStringLiteral("Nie"));
        QCOMPARE(committed("select NAZWA from DANE_KAP where ID_OK=1 and ZRODLO=0"), QStringLiteral("Przyczyna A"));
    }

    // A failure part-way through an all-or-nothing write leaves the committed rows
    // as they were, even after later work commits.
    void failedWriteKeepsTheOldRows_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<bool>("deletePeriod");
        QTest::newRow("statistics insert refused")
            << "create trigger t_refuse for POZYCZKI before insert as begin if (new.MIKRO_LS = 999) then "
               "exception e_refused; end"
            << false;
        QTest::newRow("period delete refused at OKRES")
            << "create trigger t_refuse for OKRES before delete as begin exception e_refused; end" << true;
    }
    void failedWriteKeepsTheOldRows()
    {
        QFETCH(QString, trigger);
        QFETCH(bool, deletePeriod);
        m_db.executeImmediate(QStringLiteral("create exception e_refused 'Zapis odrzucony'"));
        m_db.commitRetaining();
        m_db.executeImmediate(trigger);
        m_db.commitRetaining();

        PageModel model;
        LoadLoanStatistics(m_db, period(1), model);
        model.setInteger("Jvl_mik", 999);
        try {
            if (deletePeriod)
                DeletePeriodData(m_db, period(1));
            else
                SaveLoanStatistics(m_db, period(1), model);
            QFAIL("the refused write succeeded");
        } catch (const db::Error &e) {
            QVERIFY2(e.message().contains("Zapis odrzucony"), qPrintable(e.message()));
        }
        m_db.commitRetaining(); // whatever a later save would commit
        for (const QString &table : PeriodTables)
            QVERIFY2(committedCount(table, "ID_OK=1") > 0, qPrintable(table));
        QCOMPARE(committed("select MIKRO_LS from POZYCZKI where ID_OK=1"), QStringLiteral("3"));

        // The connection goes on working.
        model.setInteger("Jvl_mik", 12);
        SaveLoanStatistics(m_db, period(1), model);
        QCOMPARE(committed("select MIKRO_LS from POZYCZKI where ID_OK=1"), QStringLiteral("12"));
    }

    // Every period shows the newest institution row and a later import adds none:
    // deleting the period that holds the only row must not lose what was typed.
    void deletingAPeriodKeepsTheInstitutionData_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("left");
        QTest::newRow("the only row passes to the period that ends latest") << "delete from DANE_INST where ID_OK=2;"
                                                                            << "3:Fundusz A";
        QTest::newRow("another period has its own row") << ""
                                                        << "2:Fundusz B";
        QTest::newRow("no period remains") << "delete from DANE_INST where ID_OK=2; delete from OKRES where ID_OK<>1;"
                                           << "<no row>";
    }
    void deletingAPeriodKeepsTheInstitutionData()
    {
        QFETCH(QString, before);
        QFETCH(QString, left);
        db::runSqlScript(m_db, before);
        DeletePeriodData(m_db, period(1));
        QCOMPARE(committed("select list(ID_OK || ':' || NAZWA) from DANE_INST having count(*)>0"), left);
    }

    void deletePeriodDataRemovesOnlyThatPeriod()
    {
        fillDictionary();
        QMap<QString, int> before;
        for (const QString &table : PeriodTables)
            before[table] = committedCount(table, "ID_OK=2");
        DeletePeriodData(m_db, period(1));
        for (const QString &table : PeriodTables) {
            QVERIFY2(committedCount(table, "ID_OK=1") == 0, qPrintable(table));
            QVERIFY2(committedCount(table, "ID_OK=2") == before[table], qPrintable(table));
        }
        QCOMPARE(committedCount("OKRES"), 2);
        QCOMPARE(committedCount("SLOWNIKI"), 20);
        QCOMPARE(committedCount("LOGOWANIE"), 1);
    }

    void capitalGroupsInDatabaseOrder()
    {
        fillDictionary();
        PageModel model;
        LoadCapitalGroups(m_db, model); // loading again replaces, never appends
        const CapitalGroupList groups = LoadCapitalGroups(m_db, model);
        const QStringList names{"Kapitał własny", "Dotacje", "Pożyczki i kredyty"};
        QCOMPARE(model.items("cb_grupa"), names);
        QCOMPARE(groups.size(), 3);
        const QList<qint64> codes{300, 100, 200};
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(groups[k].Nazwa, names[k]);
            QCOMPARE(groups[k].Kod, codes[k]);
            QCOMPARE(groups[k].Grupa, qint64(0));
        }
        QCOMPARE(groups[0].Rodzaj, qint64(4 % 3));
    }

    void capitalChangeRowAndSources()
    {
        PageModel model;
        model.setText("Przyr_spad", QStringLiteral("stare"));
        CreateCapitalChangeRow(m_db, period(3), model);
        QCOMPARE(model.text("Przyr_spad"), QString());
        QCOMPARE(model.text("Prz_kw"), QStringLiteral("0,00"));
        QCOMPARE(committedCount("DANE_KAP", "ID_OK=3 and ZRODLO=0 and NAZWA='' and KWOTA=0 and WPROWADZIL=1 "
                                            "and cast(DATAW as date)=current_date and ID is not null"),
                 1);

        model.setText("Przyr_spad", QStringLiteral("Spłaty pożyczek"));
        model.setText("Prz_kw", QStringLiteral("-250,75"));
        SaveCapitalChange(m_db, period(3), model);
        QCOMPARE(committed("select NAZWA || '/' || KWOTA from DANE_KAP where ID_OK=3 and ZRODLO=0"),
                 QStringLiteral("Spłaty pożyczek/-250.75"));

        db::Query insert(m_db,
                         QStringLiteral("insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (3, 1, :d0, :d1)"));
        insert.execute({QStringLiteral("Bank Gospodarstwa Krajowego"), *db::Money::parse(u"1000,10")});
        insert.execute({QStringLiteral("Środki własne"), *db::Money::parse(u"20,00")});
        m_db.commitRetaining();
        RefreshCapitalSources(m_db, period(3), model);
        QCOMPARE(model.capitalSources().size(), 2);
        const CapitalSource first = model.capitalSources().first();
        QCOMPARE(first.kwota, *db::Money::parse(u"1000,1"));

        DeleteCapitalSource(m_db, period(3), first.id, model);
        QCOMPARE(model.capitalSources().size(), 1);
        QCOMPARE(model.capitalSources().first().nazwa, QStringLiteral("Środki własne"));
        QCOMPARE(committedCount("DANE_KAP", QStringLiteral("ID=%1").arg(first.id)), 0);
        QCOMPARE(committedCount("DANE_KAP", "ID_OK=3"), 2); // the change row and one source
    }
};

QTEST_GUILESS_MAIN(TestPeriodStore)
#include "tst_periodstore.moc"
