// The loan statistics step of the import: classification of the period's
// disbursements, the page figures and the POZYCZKI row, the error report and the
// statistics sections of the import report, on small Lokra databases made per case.
// Every expected figure below was worked out by hand from the fixture.
#include "common/messages.h"
#include "db/connection.h"
#include "db/money.h"
#include "db/query.h"
#include "import/diagnostics.h"
#include "import/importcontext.h"
#include "import/loanstatistics.h"
#include "reports/reportsheet.h"
#include "store/pagemodel.h"
#include "store/statisticpairs.h"
#include "support/rowstext.h"
#include "support/workspace.h"

#include <QProcess>
#include <QTest>

#include <memory>

namespace {

class RecordingOutput : public import::ImportOutput
{
public:
    QList<int> progress;
    int responsiveCalls = 0;
    QList<reports::ReportSheet> shownReports;
    void setProgress(int percent) override { progress << percent; }
    void keepResponsive() override { ++responsiveCalls; }
    void showErrorReport(const reports::ReportSheet &sheet) override { shownReports << sheet; }
};

using Overrides = QHash<QString, QString>;

// Chart of accounts and the purpose dictionary (group 4) every fixture shares,
// and the PKD classification entries the contracts point at.
const QString BaseInserts = QStringLiteral(R"(
insert into plankt (nr_kt, nazwa, typkonta) values ('1', 'Kapitał pożyczek', 1);
insert into plankt (nr_kt, nazwa, typkonta) values ('2', 'Windykacja', 2);
insert into slownik (nr, rodzic, kod, nazwa) values (4, 0, null, 'Cele pożyczki');
insert into slownik (nr, rodzic, kod, nazwa) values (101, 4, '001', 'Obrotowa');
insert into slownik (nr, rodzic, kod, nazwa) values (102, 4, '002', 'Inwestycyjna');
insert into slownik (nr, rodzic, kod, nazwa) values (103, 4, '003', 'Inwestycyjno-obrotowa');
insert into slownik (nr, rodzic, kod, nazwa) values (104, 4, '004', 'Inna');
insert into slownik (nr, rodzic, kod, nazwa) values (105, 4, '0', 'Nieokreślona');
insert into pkd_slownik (idslownika, podklasa, dzial) values (1, '47.11.Z', '47');
insert into pkd_slownik (idslownika, podklasa, dzial) values (2, '96.09.Z', null);
insert into pkd_slownik (idslownika, podklasa, dzial) values (3, '01.11.Z', null);
insert into pkd_slownik (idslownika, podklasa, dzial) values (4, null, '04');
insert into pkd_slownik (idslownika, podklasa, dzial) values (5, null, '97');
insert into pkd_slownik (idslownika, podklasa, dzial) values (6, '', '');
)");

const QString ActivityDictionary =
    QStringLiteral("insert into slownik (nr, rodzic, kod, nazwa) values (301, 30, '47', 'Handel');\n");

// One contract with its client, ledger, schedule, PKD entries and application.
// The defaults make a complete micro loan of 5000,00 zł for working capital to a
// woman trading since 2010 (PKD 47.11.Z), a first loan in an urban area, paid
// out and granted on 2013-02-01. "none" leaves a row out; values are SQL literals.
QString contractSql(int id, const Overrides &o = {})
{
    auto v = [&](const char *key, const char *fallback) {
        return o.value(QString::fromLatin1(key), QString::fromLatin1(fallback));
    };
    const QString amounts = v("amount", "5000.00");
    db::Money total;
    for (const QString &a : amounts.split(u','))
        total += *db::Money::parse(a);
    QString sql;
    if (v("client", "") != u"none") {
        sql += QStringLiteral("insert into klient (nr_klienta, status, imie, nazwisko, nazwanip, wp, datarozdz, plec) "
                              "values (%1, %2, %3, %4, %5, %6, %7, %8);\n")
                   .arg(QString::number(id), v("status", "'K'"), v("imie", "'Jan'"), v("nazwisko", "'Kowalski'"),
                        v("nazwanip", "'Sklep Jana'"), v("wp", "1"), v("datarozdz", "'2010-01-01'"), v("plec", "1"));
    }
    sql += QStringLiteral("insert into umowy (idumowy, nrklienta, kwotakredytu, cpozyczki, datawyplaty, ru) "
                          "values (%1, %1, %2, %3, %4, %5);\n")
               .arg(QString::number(id), v("kwota", qPrintable(total.format(2, u'.'))), v("cpozyczki", "101"),
                    v("datawyplaty", "'2013-02-01'"), v("ru", "1"));
    sql += QStringLiteral("insert into stan (idstan, nrumowy, konto) values (%1, %2, '1');\n").arg(id * 10).arg(id);
    int entry = 0;
    for (const QString &a : amounts.split(u',')) {
        sql += QStringLiteral("insert into dekret (iddekretu, idstanu, datadekretu, koddok, kwota_wn, infdod) "
                              "values (%1, %2, '2013-02-01', 'WY', %3, '');\n")
                   .arg(id * 100 + entry++)
                   .arg(id * 10)
                   .arg(a);
    }
    if (v("tranche", "'2013-02-01'") != u"none") {
        sql += QStringLiteral("insert into terminarz (idterminarza, idstanu, datatranszy, kwtranszy) "
                              "values (%1, %2, %3, %4);\n")
                   .arg(id * 100)
                   .arg(id * 10)
                   .arg(v("tranche", "'2013-02-01'"), total.format(2, u'.'));
    }
    int k = 0;
    for (const QString &p : v("pkd", "1:1").split(u',', Qt::SkipEmptyParts)) {
        const QStringList entryAndMain = p.split(u':');
        sql += QStringLiteral("insert into pkd (idpkd, klient, id_sl_pkd, glowny) values (%1, %2, %3, %4);\n")
                   .arg(id * 10 + k++)
                   .arg(id)
                   .arg(entryAndMain[0], entryAndMain[1]);
    }
    if (v("obszar", "1") != u"none") {
        sql += QStringLiteral("insert into wnioski (idwniosku, idumowy, nrklienta, obszar) values (%1, %1, %1, %2);\n")
                   .arg(QString::number(id), v("obszar", "1"));
    }
    return sql + o.value(QStringLiteral("extra"));
}

// One import of the loan statistics on a Lokra database made from the inserts,
// for the period January to June 2013 (ID_OK 1).
struct Run
{
    Workspace ws;
    db::Connection ksu;
    db::Connection lokra;
    store::PageModel model;
    RecordingMessages messages;
    RecordingOutput output;
    reports::ReportSheet importReport;
    reports::ReportSheet errorReport;
    import::ImportContext ctx{ksu, lokra, model, messages, output, importReport, errorReport, {},
                              {},  0,     0,     {},       {},     {},           {}};

    explicit Run(const QString &inserts)
    {
        ws.createReportingDatabase();
        ws.createDatabase(QStringLiteral("lokra.fdb"), lokraSchemaScript() + BaseInserts + inserts);
        ksu.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        ksu.open();
        db::Query(ksu,
                  QStringLiteral("insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (1, :d0, :d1, :d2, 1)"))
            .execute({QDate(2013, 1, 1), QDate(2013, 6, 30), QDate(2013, 7, 1)});
        ksu.commitRetaining();
        lokra.setDatabase(QString(), ws.path(QStringLiteral("lokra.fdb")));
        lokra.open();
        ctx.period.isOpen = true;
        ctx.period.CurrentPeriodId = QStringLiteral("1");
        ctx.period.PeriodStart = QDateTime(QDate(2013, 1, 1), QTime(0, 0));
        ctx.period.PeriodEnd = QDateTime(QDate(2013, 6, 30), QTime(23, 59, 59, 999));
        ctx.period.PeriodStartText = QStringLiteral("2013-01-01");
        ctx.period.PeriodEndText = QStringLiteral("2013-06-30");
        ctx.PreviousPeriodId = QStringLiteral("0");
        ctx.importReportPath = ws.path(QStringLiteral("Eksport/IMP_2013-01-01_2013-06-30.pdf"));
        QDir().mkpath(ws.path(QStringLiteral("Eksport")));
    }
};

db::Money money(const QString &text)
{
    return *db::Money::parse(text);
}

// "control=count/value" with the value as "1234,5".
struct Figure
{
    QString control;
    qint64 count;
    db::Money value;
};
Figure parseFigure(const QString &text)
{
    const qsizetype eq = text.indexOf(u'=');
    const qsizetype slash = text.indexOf(u'/');
    return {text.left(eq), text.mid(eq + 1, slash - eq - 1).toLongLong(), money(text.mid(slash + 1))};
}

const store::StatisticPair *pairOfControl(const QString &control)
{
    for (const store::StatisticPair &p : store::StatisticPairs) {
        if (store::toQString(p.countControl) == control)
            return &p;
    }
    return nullptr;
}

// The value control that goes with a count control (sum controls included).
QString valueControlOf(const QString &countControl)
{
    if (const store::StatisticPair *p = pairOfControl(countControl))
        return store::toQString(p->valueControl);
    for (const store::StatisticGroup &g : store::StatisticGroups) {
        if (store::toQString(g.countSum) == countControl)
            return store::toQString(g.valueSum);
    }
    return QString();
}

const QString ErrorTitle =
    QStringLiteral("Raport błędów wynikających z braku danych za okres od '2013-01-01' do '2013-06-30'");
const QStringList HintLines{
    QStringLiteral("Aby ustalić rodzaj działalności dla danej pożyczki, należy wejść w zakładkę Klienta"),
    QStringLiteral("Aby ustalić przeznaczenie (cel) pożyczki, należy wejść w Dane umowy i ustalić opcję w polu "
                   "\"Przeznaczenie\""),
};
const QString ErrorHeader = QStringLiteral("Lp|Id Umowy|Nazwa|Kwota pożyczki|Typ przedsiębiorstwa\r(Wielkość)|"
                                           "Przeznaczenie|Rodzaj\rDziałalności|Status\rPrzed.|Płeć|Rodzaj\rklienta|"
                                           "Obszar\rDziałalności");

} // namespace

class TestLoanStatistics : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // One contract per case: every rule of the classification.
    void classification_data();
    void classification();

    // Five contracts with every kind of gap, read by the tests below.
    void pageFiguresAndStoredRow();
    void errorReport();
    void importReportSections();
    void importReportPdf();
    void clientNames();

    void emptyLedger();
    void dictionaryCheck_data();
    void dictionaryCheck();
    void formatAmount_data();
    void formatAmount();

private:
    std::unique_ptr<Run> m_fund;
};

// The fund of the report tests:
//  11 Zofia Żółć: micro, 10 000,00 (bracket up to 10 000), working capital, PKD 47.11.Z (a
//     secondary 01.11.Z), continuing, woman, first loan, urban; extra entries that do not count.
//  12 Jan Kowalski: type 0, 1 234 567,50, investment, 96.09.Z, starting (181 days), man, ru 4, rural.
//  13 Łódzka Spółdzielnia Socjalna (firm): social economy, 20 000,00 + 5 000,25 of a 50 000,00
//     loan (payout mismatch), both purposes, division 04, no registration date, no sex, ru NULL,
//     no application.
//  14 Żaneta Łęcka-Ślązak: type 4, 123 456 789,50 first paid in 2012 (value only), purpose "0",
//     no PKD, continuing, woman, ru 2, area 3.
//  15 no client: 3 000,00 granted on the period's last day, no purpose, ru 1, area 1.
//  16 only a reversed payout and a bank entry: in no list.
//  17 a client without a first name and no payouts.
// Group 30 of the dictionary is empty.
void TestLoanStatistics::initTestCase()
{
    const QString inserts =
        contractSql(11, {{"imie", "'Zofia'"},
                         {"nazwisko", "'Żółć'"},
                         {"amount", "10000.00"},
                         {"pkd", "3:0,1:1"},
                         {"datawyplaty", "'2013-01-15'"},
                         {"extra", "insert into stan (idstan, nrumowy, konto) values (111, 11, '2');\n"
                                   "insert into dekret (iddekretu, idstanu, datadekretu, koddok, kwota_wn, infdod) "
                                   "values (1111, 111, '2013-02-01', 'WY', 700, '');\n"
                                   "insert into dekret (iddekretu, idstanu, datadekretu, koddok, kwota_wn, infdod) "
                                   "values (1112, 110, '2013-07-01', 'WY', 800, '');\n"
                                   "insert into dekret (iddekretu, idstanu, datadekretu, koddok, kwota_wn, infdod) "
                                   "values (1113, 110, '2012-12-31', 'WY', 900, '');\n"}})
        + contractSql(12, {{"wp", "0"},
                           {"amount", "1234567.50"},
                           {"cpozyczki", "102"},
                           {"pkd", "2:1"},
                           {"datarozdz", "'2012-09-05'"},
                           {"datawyplaty", "'2013-03-05'"},
                           {"plec", "2"},
                           {"ru", "4"},
                           {"obszar", "2"}})
        + contractSql(13, {{"status", "'F'"},
                           {"nazwanip", "'Łódzka Spółdzielnia Socjalna'"},
                           {"wp", "5"},
                           {"amount", "20000.00,5000.25"},
                           {"kwota", "50000.00"},
                           {"cpozyczki", "103"},
                           {"pkd", "4:1"},
                           {"datarozdz", "null"},
                           {"plec", "null"},
                           {"ru", "null"},
                           {"obszar", "none"}})
        + contractSql(14, {{"imie", "'Żaneta'"},
                           {"nazwisko", "'Łęcka-Ślązak'"},
                           {"wp", "4"},
                           {"amount", "123456789.50"},
                           {"tranche", "'2012-11-01'"},
                           {"cpozyczki", "105"},
                           {"pkd", ""},
                           {"datarozdz", "'2012-01-01'"},
                           {"datawyplaty", "'2013-05-20'"},
                           {"ru", "2"},
                           {"obszar", "3"}})
        + contractSql(15, {{"client", "none"},
                           {"amount", "3000.00"},
                           {"tranche", "'2013-06-30'"},
                           {"cpozyczki", "null"},
                           {"pkd", ""}})
        + QStringLiteral("insert into umowy (idumowy, nrklienta, kwotakredytu, cpozyczki) values (16, 11, 4000, 101);\n"
                         "insert into stan (idstan, nrumowy, konto) values (160, 16, '1');\n"
                         "insert into dekret (iddekretu, idstanu, datadekretu, koddok, kwota_wn, infdod) "
                         "values (1601, 160, '2013-02-01', 'WY', 4000, 'ST');\n"
                         "insert into dekret (iddekretu, idstanu, datadekretu, koddok, kwota_wn, infdod) "
                         "values (1602, 160, '2013-02-01', 'WB', 4000, '');\n"
                         "insert into klient (nr_klienta, status, imie, nazwisko) values (17, 'K', null, 'Nowak');\n"
                         "insert into umowy (idumowy, nrklienta, kwotakredytu) values (17, 17, 1000);\n");
    m_fund = std::make_unique<Run>(inserts);
    // The active and lost loans step wrote the report's first rows.
    m_fund->importReport.titleLines << QStringLiteral("Raport z importu");
    m_fund->importReport.setCell(0, 4, QStringLiteral("poprzednia sekcja"));
    m_fund->ctx.ImportReportRow = 5;
    import::ImportLoanStatistics(m_fund->ctx);
}

void TestLoanStatistics::classification_data()
{
    QTest::addColumn<Overrides>("overrides");
    QTest::addColumn<QStringList>("figures"); // the named breakdowns' other members are 0
    QTest::addColumn<QStringList>("errors");  // "column:message"
    QTest::addColumn<QString>("note");        // a line under the title of the error report

    const QStringList none;
    QTest::newRow("complete contract") << Overrides{}
                                       << QStringList{"Jvl_mik=1/5000", "Jvl_r=1/5000",  "Jvl_obr=1/5000",
                                                      "l_han=1/5000",   "Jvl_10=1/5000", "l_kon=1/5000",
                                                      "l_kob=1/5000",   "l_pier=1/5000", "l_miej=1/5000"}
                                       << none << QString();
    QTest::newRow("10 000,00 zł") << Overrides{{"amount", "10000.00"}} << QStringList{"Jvl_10=1/10000"} << none
                                  << QString();
    QTest::newRow("10 000,01 zł") << Overrides{{"amount", "10000.01"}} << QStringList{"Jvl_10_30=1/10000,01"} << none
                                  << QString();
    QTest::newRow("50 000,00 zł") << Overrides{{"amount", "50000.00"}} << QStringList{"Jvl_30_50=1/50000"} << none
                                  << QString();
    QTest::newRow("120 000,00 zł") << Overrides{{"amount", "120000.00"}} << QStringList{"Jvl_50_120=1/120000"} << none
                                   << QString();
    QTest::newRow("300 000,00 zł") << Overrides{{"amount", "300000.00"}}
                                   << QStringList{"Jvl_120_300=1/300000", "Jvl_ra=1/300000"} << none << QString();
    QTest::newRow("300 000,01 zł") << Overrides{{"amount", "300000.01"}} << QStringList{"Jvl_300=1/300000,01"} << none
                                   << QString();
    QTest::newRow("later tranche of an older loan")
        << Overrides{{"tranche", "'2012-12-20'"}}
        << QStringList{"Jvl_mik=0/5000", "Jvl_obr=0/5000", "l_han=0/5000",  "Jvl_10=0/5000", "Jvl_ra=0/5000",
                       "l_kon=0/5000",   "l_kob=0/5000",   "l_pier=0/5000", "l_miej=0/5000"}
        << none << QString();
    QTest::newRow("first tranche on the last day")
        << Overrides{{"tranche", "'2013-06-30'"}} << QStringList{"Jvl_mik=1/5000"} << none << QString();
    QTest::newRow("first tranche after the period")
        << Overrides{{"tranche", "'2013-07-01'"}} << QStringList{"Jvl_mik=0/5000"} << none << QString();
    QTest::newRow("no positive tranche")
        << Overrides{{"tranche", "none"},
                     {"extra", "insert into terminarz (idterminarza, idstanu, datatranszy, kwtranszy) "
                               "values (2, 10, '2013-02-01', 0);"}}
        << QStringList{"Jvl_mik=0/5000", "Jvl_ra=0/5000"} << none << QString();
    QTest::newRow("entries that do not count")
        << Overrides{{"extra", "insert into stan (idstan, nrumowy, konto) values (11, 1, '2');\n"
                               "insert into dekret (iddekretu, idstanu, datadekretu, koddok, kwota_wn, infdod) "
                               "values (2, 10, '2013-03-01', 'WY', 100, 'ST');\n"
                               "insert into dekret (iddekretu, idstanu, datadekretu, koddok, kwota_wn, infdod) "
                               "values (3, 10, '2013-03-01', 'WB', 200, '');\n"
                               "insert into dekret (iddekretu, idstanu, datadekretu, koddok, kwota_wn, infdod) "
                               "values (4, 11, '2013-03-01', 'WY', 300, '');\n"
                               "insert into dekret (iddekretu, idstanu, datadekretu, koddok, kwota_wn, infdod) "
                               "values (5, 10, '2012-12-31', 'WY', 400, '');\n"
                               "insert into dekret (iddekretu, idstanu, datadekretu, koddok, kwota_wn, infdod) "
                               "values (6, 10, '2013-07-01', 'WY', 500, '');\n"}}
        << QStringList{"Jvl_mik=1/5000", "Jvl_10=1/5000"} << none << QString();
    QTest::newRow("first and last day, two payouts")
        << Overrides{{"amount", "1000.10,2000.20"},
                     {"extra", "update dekret set datadekretu='2013-01-01' where iddekretu=100;\n"
                               "update dekret set datadekretu='2013-06-30' where iddekretu=101;\n"}}
        << QStringList{"Jvl_mik=1/3000,3"} << none << QString();

    QTest::newRow("type 2") << Overrides{{"wp", "2"}} << QStringList{"Jvl_mal=1/5000"} << none << QString();
    QTest::newRow("type 3") << Overrides{{"wp", "3"}} << QStringList{"Jvl_sred=1/5000"} << none << QString();
    QTest::newRow("type 4") << Overrides{{"wp", "4"}} << QStringList{"Jvl_in=1/5000", "Jvl_r=1/5000"} << none
                            << QString();
    QTest::newRow("type 5") << Overrides{{"wp", "5"}}
                            << QStringList{"Jvl_in=1/5000", "Jvl_ek=1/5000", "Jvl_r=2/10000", "Jvl_ra=1/5000"} << none
                            << QString();
    QTest::newRow("type 6") << Overrides{{"wp", "6"}} << QStringList{"Jvl_r=0/0", "Jvl_ra=1/5000"} << none << QString();
    QTest::newRow("type 0") << Overrides{{"wp", "0"}} << QStringList{"Jvl_r=0/0", "Jvl_ra=1/5000"}
                            << QStringList{"4:Brak typu"} << QString();
    QTest::newRow("type NULL") << Overrides{{"wp", "null"}} << QStringList{"Jvl_r=0/0"} << QStringList{"4:Brak typu"}
                               << QString();

    QTest::newRow("purpose 002") << Overrides{{"cpozyczki", "102"}} << QStringList{"Jvl_inw=1/5000"} << none
                                 << QString();
    QTest::newRow("purpose 003") << Overrides{{"cpozyczki", "103"}} << QStringList{"Jvl_oi=1/5000"} << none
                                 << QString();
    QTest::newRow("purpose 004") << Overrides{{"cpozyczki", "104"}} << QStringList{"Jvl_poz=0/0"} << none << QString();
    QTest::newRow("purpose \"0\"") << Overrides{{"cpozyczki", "105"}} << QStringList{"Jvl_poz=0/0"}
                                   << QStringList{"5:Brak przeznaczenia"} << QString();
    QTest::newRow("purpose NULL") << Overrides{{"cpozyczki", "null"}} << QStringList{"Jvl_poz=0/0"}
                                  << QStringList{"5:Brak przeznaczenia"} << QString();
    QTest::newRow("purpose not in the dictionary") << Overrides{{"cpozyczki", "999"}} << QStringList{"Jvl_poz=0/0"}
                                                   << QStringList{"5:Brak przeznaczenia"} << QString();

    QTest::newRow("division 04") << Overrides{{"pkd", "4:1"}} << QStringList{"l_gor=1/5000"} << none << QString();
    QTest::newRow("division 97") << Overrides{{"pkd", "5:1"}} << QStringList{"l_in=1/5000"} << none << QString();
    QTest::newRow("subclass 96.09.Z") << Overrides{{"pkd", "2:1"}} << QStringList{"l_poz=1/5000"} << none << QString();
    QTest::newRow("subclass 01.11.Z") << Overrides{{"pkd", "3:1"}} << QStringList{"l_rol=1/5000"} << none << QString();
    QTest::newRow("main entry first") << Overrides{{"pkd", "5:0,4:1"}} << QStringList{"l_gor=1/5000"} << none
                                      << QString();
    QTest::newRow("no PKD row") << Overrides{{"pkd", ""}} << QStringList{"sl_dzial=0/0"}
                                << QStringList{"6:Brak numeru PKD"} << QString();
    QTest::newRow("PKD entry without codes")
        << Overrides{{"pkd", "6:1"}} << QStringList{"sl_dzial=0/0"} << QStringList{"6:Brak numeru PKD"} << QString();

    QTest::newRow("registered 365 days before payout")
        << Overrides{{"datarozdz", "'2012-02-02'"}} << QStringList{"l_12mc=1/5000"} << none << QString();
    QTest::newRow("registered 366 days before payout")
        << Overrides{{"datarozdz", "'2012-02-01'"}} << QStringList{"l_kon=1/5000"} << none << QString();
    QTest::newRow("no payout date") << Overrides{{"datawyplaty", "null"}} << QStringList{"l_12mc=1/5000"} << none
                                    << QString();
    QTest::newRow("no registration date") << Overrides{{"datarozdz", "null"}} << QStringList{"sl_stat=0/0"}
                                          << QStringList{"7:Brak Daty dział"} << QString();

    QTest::newRow("sex 2") << Overrides{{"plec", "2"}} << QStringList{"l_men=1/5000"} << none << QString();
    QTest::newRow("sex 0") << Overrides{{"plec", "0"}} << QStringList{"l_popl=1/5000", "sl_plec=1/5000"}
                           << QStringList{"8:niewybrany"} << QString();
    QTest::newRow("sex NULL") << Overrides{{"plec", "null"}} << QStringList{"l_popl=1/5000"}
                              << QStringList{"8:niewybrany"} << QString();

    QTest::newRow("ru 4") << Overrides{{"ru", "4"}} << QStringList{"l_kol=1/5000"} << none << QString();
    QTest::newRow("ru NULL") << Overrides{{"ru", "null"}} << QStringList{"l_kol=1/5000", "sl_rodz=1/5000"} << none
                             << QString();

    QTest::newRow("area 2") << Overrides{{"obszar", "2"}} << QStringList{"l_wiej=1/5000"} << none << QString();
    QTest::newRow("area 3") << Overrides{{"obszar", "3"}} << QStringList{"l_wiej=1/5000"} << none << QString();
    QTest::newRow("area NULL") << Overrides{{"obszar", "null"}} << QStringList{"sl_zarej=0/0"}
                               << QStringList{"10:Brak obszaru"} << QString();
    QTest::newRow("no application") << Overrides{{"obszar", "none"}} << QStringList{"sl_zarej=0/0"}
                                    << QStringList{"10:Brak obszaru"} << QString();
    QTest::newRow("no registration, sex or area")
        << Overrides{{"datarozdz", "null"}, {"plec", "null"}, {"obszar", "none"}}
        << QStringList{"sl_stat=0/0", "l_popl=1/5000", "sl_zarej=0/0"}
        << QStringList{"7:Brak Daty dział", "8:niewybrany", "10:Brak obszaru"} << QString();
    QTest::newRow("no client") << Overrides{{"client", "none"}, {"pkd", ""}}
                               << QStringList{"Jvl_r=0/0", "sl_dzial=0/0", "sl_stat=0/0", "l_popl=1/5000",
                                              "l_pier=1/5000"}
                               << QStringList{"4:Brak typu", "6:Brak numeru PKD", "7:Brak Daty dział", "8:niewybrany"}
                               << QString();

    // A contract with several applications counts once, its area that of the
    // lowest area code among them.
    const QString severalApplications = QStringLiteral("Umowa nr 1 ma kilka wniosków (2): w statystyce liczona raz, "
                                                       "obszar wzięty z wniosku o najniższym kodzie obszaru.");
    const QStringList onceUrban{"l_kon=1/5000", "l_kob=1/5000", "l_pier=1/5000", "l_miej=1/5000"};
    QTest::newRow("two applications, two areas")
        << Overrides{{"extra", "insert into wnioski (idwniosku, idumowy, nrklienta, obszar) values (2, 1, 1, 2);"}}
        << onceUrban << none << severalApplications;
    QTest::newRow("two applications, one area")
        << Overrides{{"extra", "insert into wnioski (idwniosku, idumowy, nrklienta, obszar) values (2, 1, 1, 1);"}}
        << onceUrban << none << severalApplications;
    QTest::newRow("two applications, the first without an area")
        << Overrides{{"obszar", "0"},
                     {"extra", "insert into wnioski (idwniosku, idumowy, nrklienta, obszar) values (2, 1, 1, 3);"}}
        << QStringList{"l_kon=1/5000", "l_kob=1/5000", "l_pier=1/5000", "l_wiej=1/5000"} << none << severalApplications;

    QTest::newRow("payout differs from the loan")
        << Overrides{{"kwota", "6000.00"}} << QStringList{"Jvl_mik=1/5000"} << none
        << QStringLiteral("Wykryto potencjalną niezgodność z raportem wypłat dla umowy nr 1, "
                          "Kwota winien=    5000,00; Kwota kredytu=    6000,00");
}

void TestLoanStatistics::classification()
{
    QFETCH(Overrides, overrides);
    QFETCH(QStringList, figures);
    QFETCH(QStringList, errors);
    QFETCH(QString, note);

    Run run(ActivityDictionary + contractSql(1, overrides));
    import::ImportLoanStatistics(run.ctx);
    const store::PageModel &m = run.model;

    // The named figures, and zero for the other members of their breakdowns.
    QSet<QString> named;
    for (const QString &text : figures)
        named << parseFigure(text).control;
    for (const QString &text : figures) {
        const Figure f = parseFigure(text);
        const QString valueControl = valueControlOf(f.control);
        QVERIFY2(!valueControl.isEmpty(), qPrintable(f.control));
        QCOMPARE(m.integer(f.control), f.count);
        QCOMPARE(m.money(valueControl).units(), f.value.units());
        if (const store::StatisticPair *p = pairOfControl(f.control)) {
            for (const store::StatisticPair &other : store::StatisticPairs) {
                if (other.group == p->group && !named.contains(store::toQString(other.countControl))) {
                    QCOMPARE(m.integer(store::toQString(other.countControl)), 0);
                    QVERIFY(m.money(store::toQString(other.valueControl)).isZero());
                }
            }
        }
    }

    // One error row per message, numbered from 1, with the contract, client and amount.
    const reports::ReportSheet &sheet = run.errorReport;
    QCOMPARE(run.ctx.errorCount, errors.size());
    QCOMPARE(sheet.rowCount(), std::max<int>(2, int(errors.size()) + 1));
    QCOMPARE(sheetRowText(sheet, 0), ErrorHeader);
    const QString name =
        overrides.value(QStringLiteral("client")) == u"none" ? QString() : QStringLiteral("Jan Kowalski");
    for (int i = 0; i < errors.size(); ++i) {
        const int column = errors[i].section(u':', 0, 0).toInt();
        QStringList expected(11);
        expected[0] = QString::number(i + 1);
        expected[1] = QStringLiteral("1");
        expected[2] = name;
        expected[3] = QStringLiteral("    5000,00");
        expected[column] = errors[i].section(u':', 1);
        QCOMPARE(sheet.row(i + 1), expected);
    }

    // The report is shown when it has something to say, with the hint lines only
    // when there are error rows.
    QStringList title{ErrorTitle};
    if (!note.isEmpty())
        title << note;
    if (!errors.isEmpty())
        title += HintLines;
    QCOMPARE(sheet.titleLines, title);
    const bool shown = !errors.isEmpty() || !note.isEmpty();
    QCOMPARE(run.output.shownReports.size(), shown ? 1 : 0);
    if (shown)
        QCOMPARE(run.output.shownReports.first().titleLines, title);
}

void TestLoanStatistics::pageFiguresAndStoredRow()
{
    const store::PageModel &m = m_fund->model;
    const QStringList figures{
        "Jvl_mik=1/10000",      "Jvl_in=1/123481789,75",  "Jvl_ek=1/25000,25",      "Jvl_r=3/123516790",
        "Jvl_obr=1/10000",      "Jvl_inw=1/1234567,5",    "Jvl_oi=1/25000,25",      "Jvl_poz=3/1269567,75",
        "l_gor=1/25000,25",     "l_han=1/10000",          "l_poz=1/1234567,5",      "sl_dzial=3/1269567,75",
        "Jvl_10=2/13000",       "Jvl_10_30=1/25000,25",   "Jvl_300=1/124691357",    "Jvl_ra=4/124729357,25",
        "l_12mc=1/1234567,5",   "l_kon=1/123466789,5",    "sl_stat=2/124701357",    "l_kob=1/123466789,5",
        "l_men=1/1234567,5",    "l_popl=2/28000,25",      "sl_plec=4/124729357,25", "l_pier=2/13000",
        "l_kol=2/124716357,25", "sl_rodz=4/124729357,25", "l_wiej=1/124691357",     "l_miej=2/13000",
        "sl_zarej=3/124704357",
    };
    // Every field of the page: the figures above, 0 elsewhere.
    QHash<QString, qint64> counts;
    QHash<QString, db::Money> values;
    for (const QString &text : figures) {
        const Figure f = parseFigure(text);
        counts.insert(f.control, f.count);
        values.insert(valueControlOf(f.control), f.value);
    }
    for (const QString &control : store::PageModel::statisticsControls()) {
        if (m.kind(control) == store::FieldKind::Count)
            QCOMPARE(m.integer(control), counts.value(control));
        else
            QCOMPARE(m.money(control).units(), values.value(control).units());
    }

    // The POZYCZKI row of the period holds the same figures; the sums are not stored.
    db::Query row(m_fund->ksu, QStringLiteral("select * from POZYCZKI where ID_OK=1"));
    row.execute();
    QVERIFY(row.next());
    for (const store::StatisticPair &p : store::StatisticPairs) {
        QCOMPARE(row.value(store::toQString(p.countColumn)).toInt(), counts.value(store::toQString(p.countControl)));
        QCOMPARE(row.value(store::toQString(p.valueColumn)).toMoney().units(),
                 values.value(store::toQString(p.valueControl)).units());
    }
    QVERIFY(!row.next());

    QCOMPARE(m_fund->output.progress, (QList<int>{46, 50, 54, 58, 62, 66, 70}));
    QVERIFY(m_fund->output.responsiveCalls > 0);
}

void TestLoanStatistics::errorReport()
{
    const reports::ReportSheet &sheet = m_fund->errorReport;
    QCOMPARE(m_fund->ctx.errorCount, 11);
    QCOMPARE(sheet.titleLines,
             QStringList(
                 {ErrorTitle, QStringLiteral("Brak ustawień kodów w słownikach."),
                  QStringLiteral("Proszę wybrać w programie Lokra z menu \"Baza-->Słowniki-->Rodzaj działalności\","),
                  QStringLiteral("a następnie ustawić kody zgodnie z dokumentacją (strona 6-8)"),
                  QStringLiteral("Wykryto potencjalną niezgodność z raportem wypłat dla umowy nr 13, "
                                 "Kwota winien=   25000,25; Kwota kredytu=   50000,00")})
                 + HintLines);
    QCOMPARE(sheetRowsText(sheet, 0), QStringList({
                                          ErrorHeader,
                                          "1|12|Jan Kowalski| 1234567,50|Brak typu",
                                          "2|15||    3000,00|Brak typu",
                                          "3|14|Żaneta Łęcka-Ślązak|123456789,50||Brak przeznaczenia",
                                          "4|15||    3000,00||Brak przeznaczenia",
                                          "5|14|Żaneta Łęcka-Ślązak|123456789,50|||Brak numeru PKD",
                                          "6|15||    3000,00|||Brak numeru PKD",
                                          "7|13|Łódzka Spółdzielnia Socjalna|   25000,25||||Brak Daty dział",
                                          "8|13|Łódzka Spółdzielnia Socjalna|   25000,25|||||niewybrany",
                                          "9|13|Łódzka Spółdzielnia Socjalna|   25000,25|||||||Brak obszaru",
                                          "10|15||    3000,00||||Brak Daty dział",
                                          "11|15||    3000,00|||||niewybrany",
                                      }));
    QCOMPARE(m_fund->output.shownReports.size(), 1);
    QCOMPARE(m_fund->output.shownReports.first().titleLines, sheet.titleLines);
    QCOMPARE(m_fund->output.shownReports.first().rowCount(), 12);
}

void TestLoanStatistics::importReportSections()
{
    const reports::ReportSheet &sheet = m_fund->importReport;
    QCOMPARE(sheet.titleLines, QStringList{"Raport z importu"});
    QCOMPARE(sheetRowText(sheet, 4), QStringLiteral("poprzednia sekcja"));
    const QStringList expected{
        "|TYP PRZEDSIEBIORSTWA",
        "|Mikro",
        "Nr umowy|Kwota pożyczki",
        "11|10000",
        "Ilosc|1",
        "Suma pożyczek|10000",
        "",
        "|Male",
        "Nr umowy|Kwota pożyczki",
        "Ilosc|0",
        "Suma pożyczek|0",
        "",
        "|Srednie",
        "Nr umowy|Kwota pożyczki",
        "Ilosc|0",
        "Suma pożyczek|0",
        "",
        "|Inne",
        "Nr umowy|Kwota pożyczki",
        "14|123456789,5",
        "Ilosc|1",
        "Suma pożyczek|123481789,75",
        "",
        "|Ekonomi społecznej",
        "Nr umowy|Kwota pożyczki",
        "13|25000,25",
        "Ilosc|1",
        "Suma pożyczek|25000,25",
        "",
        "",
        "|PRZEZNACZENIE",
        "|Obrotowe",
        "Nr umowy|Kwota pożyczki",
        "11|10000",
        "Ilosc|1",
        "Suma pożyczek|10000",
        "",
        "|Inwestycyjne",
        "Nr umowy|Kwota pożyczki",
        "12|1234567,5",
        "Ilosc|1",
        "Suma pożyczek|1234567,5",
        "",
        "|Inwestycyjno-obrotowe",
        "Nr umowy|Kwota pożyczki",
        "13|25000,25",
        "Ilosc|1",
        "Suma pożyczek|25000,25",
        "",
        "",
        "|DZIAŁANIE POŻYCZKOBIORCY",
        "Nr umowy|Kwota pożyczki|Podklasa",
        "11|10000|47.11.Z",
        "12|1234567,5|96.09.Z",
        "13|25000,25|04",
        "Rolnictwo...",
        "Ilosc|0",
        "Suma pożyczek|0",
        "",
        "Górnictwo..",
        "Ilosc|1",
        "Suma pożyczek|25000,25",
        "",
        "Przetwór..",
        "Ilosc|0",
        "Suma pożyczek|0",
        "",
        "Wytwarzanie..",
        "Ilosc|0",
        "Suma pożyczek|0",
        "",
        "Budownictwo",
        "Ilosc|0",
        "Suma pożyczek|0",
        "",
        "Handel",
        "Ilosc|1",
        "Suma pożyczek|10000",
        "",
        "Transport",
        "Ilosc|0",
        "Suma pożyczek|0",
        "",
        "Pozos. usł",
        "Ilosc|1",
        "Suma pożyczek|1234567,5",
        "",
        "Inne rodz. dział.",
        "Ilosc|0",
        "Suma pożyczek|0",
        "",
        "|STATUS, PŁEĆ,RODZAJ, MIEJSCE",
        "Numer umowy|Kwota|Data Działalności|Płeć|Rodz. umowy|Obszar",
        "11|10000|01.01.2010|kobieta|Nowa|Miejski",
        "12|1234567,5|05.09.2012|mężczyzna|Kolejna|Wiejski",
        "13|25000,25||niewybrany|NN|Brak obszaru",
        "14|123456789,5|01.01.2012|kobieta|Wznowiono|Miejsko-wiejski",
        "15|3000||niewybrany|Nowa|Miejski",
        "",
        "SUMA",
        "Ilość|2",
        "Suma pożyczek|124701357",
    };
    QCOMPARE(sheetRowsText(sheet, 5), expected);
    QCOMPARE(m_fund->ctx.ImportReportRow, 5 + expected.size());
}

void TestLoanStatistics::importReportPdf()
{
    QVERIFY(QFile::exists(m_fund->ctx.importReportPath));
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {m_fund->ctx.importReportPath, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished());
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    for (const char *expected :
         {"Raport z importu", "TYP PRZEDSIEBIORSTWA", "Ekonomi społecznej", "DZIAŁANIE POŻYCZKOBIORCY", "123456789,5",
          "mężczyzna", "STATUS, PŁEĆ,RODZAJ, MIEJSCE"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
}

void TestLoanStatistics::clientNames()
{
    db::Connection &lokra = m_fund->lokra;
    QCOMPARE(import::ContractClientName(lokra, 11), QStringLiteral("Zofia Żółć"));
    QCOMPARE(import::ContractClientName(lokra, 13), QStringLiteral("Łódzka Spółdzielnia Socjalna"));
    QCOMPARE(import::ContractClientName(lokra, 15), QString()); // no client
    QCOMPARE(import::ContractClientName(lokra, 17), QString()); // no first name
    QCOMPARE(import::ContractClientName(lokra, 99), QString()); // no contract
}

void TestLoanStatistics::emptyLedger()
{
    Run run(ActivityDictionary);
    import::ImportLoanStatistics(run.ctx);

    for (const QString &control : store::PageModel::statisticsControls()) {
        QCOMPARE(run.model.text(control),
                 run.model.kind(control) == store::FieldKind::Count ? QStringLiteral("0") : QStringLiteral("0,00"));
    }
    QCOMPARE(run.ctx.errorCount, 0);
    QVERIFY(run.output.shownReports.isEmpty());
    QCOMPARE(run.errorReport.titleLines, QStringList{ErrorTitle});
    QCOMPARE(sheetRowsText(run.errorReport, 0), QStringList({ErrorHeader, ""}));

    QStringList expected{"|TYP PRZEDSIEBIORSTWA"};
    for (const char *type : {"Mikro", "Male", "Srednie", "Inne", "Ekonomi społecznej"})
        expected << u'|' + QString::fromUtf8(type) << "Nr umowy|Kwota pożyczki"
                 << "Ilosc|0"
                 << "Suma pożyczek|0"
                 << "";
    expected << ""
             << "|PRZEZNACZENIE";
    for (const char *purpose : {"Obrotowe", "Inwestycyjne", "Inwestycyjno-obrotowe"})
        expected << u'|' + QString::fromUtf8(purpose) << "Nr umowy|Kwota pożyczki"
                 << "Ilosc|0"
                 << "Suma pożyczek|0"
                 << "";
    expected << ""
             << "|DZIAŁANIE POŻYCZKOBIORCY"
             << "Nr umowy|Kwota pożyczki|Podklasa";
    for (const char *sector : {"Rolnictwo...", "Górnictwo..", "Przetwór..", "Wytwarzanie..", "Budownictwo", "Handel",
                               "Transport", "Pozos. usł", "Inne rodz. dział."})
        expected << QString::fromUtf8(sector) << "Ilosc|0"
                 << "Suma pożyczek|0"
                 << "";
    expected << "|STATUS, PŁEĆ,RODZAJ, MIEJSCE"
             << "Numer umowy|Kwota|Data Działalności|Płeć|Rodz. umowy|Obszar"
             << ""
             << "SUMA"
             << "Ilość|0"
             << "Suma pożyczek|0";
    QCOMPARE(sheetRowsText(run.importReport, 0), expected);
    QVERIFY(QFile::exists(run.ctx.importReportPath));

    db::Query row(run.ksu, QStringLiteral("select count(*) from POZYCZKI where ID_OK=1 and MIKRO_LS=0 and JVW_300=0"));
    row.execute();
    QVERIFY(row.next());
    QCOMPARE(row.value(0).toInt(), 1);
}

void TestLoanStatistics::dictionaryCheck_data()
{
    QTest::addColumn<QString>("inserts");
    QTest::addColumn<bool>("missing4");
    QTest::addColumn<bool>("missing30");

    const QString group30 = QStringLiteral("insert into slownik (nr, rodzic, kod) values (301, 30, '47');\n");
    QTest::newRow("both complete") << group30 << false << false;
    QTest::newRow("group 30 without entries") << QString() << false << true;
    QTest::newRow("an empty code") << group30 + "insert into slownik (nr, rodzic, kod) values (302, 30, '');\n"
                                   << false << true;
    QTest::newRow("a NULL code") << group30 + "insert into slownik (nr, rodzic, kod) values (106, 4, null);\n"
                                 << true << false;
}

void TestLoanStatistics::dictionaryCheck()
{
    QFETCH(QString, inserts);
    QFETCH(bool, missing4);
    QFETCH(bool, missing30);
    Workspace ws;
    db::Connection lokra;
    lokra.setDatabase(QString(),
                      ws.createDatabase(QStringLiteral("lokra.fdb"), lokraSchemaScript() + BaseInserts + inserts));
    lokra.open();
    QCOMPARE(import::DictionaryCodesMissing(lokra, 4), missing4);
    QCOMPARE(import::DictionaryCodesMissing(lokra, 30), missing30);
}

void TestLoanStatistics::formatAmount_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("text");
    QTest::newRow("seven digits") << "1234567.5"
                                  << " 1234567,50";
    QTest::newRow("longer than the field") << "123456789.5"
                                           << "123456789,50";
    QTest::newRow("zero") << "0"
                          << "       0,00";
    QTest::newRow("grosze") << "0.07"
                            << "       0,07";
    QTest::newRow("negative") << "-25000.25"
                              << "  -25000,25";
}

void TestLoanStatistics::formatAmount()
{
    QFETCH(QString, amount);
    QFETCH(QString, text);
    QCOMPARE(import::FormatAmount(money(amount)), text);
    QCOMPARE(reports::FormatAmount(amount.toDouble()), text);
}

// The report engine lays text out with fonts, which needs a GUI application.
QTEST_MAIN(TestLoanStatistics)
#include "tst_loanstatistics.moc"
