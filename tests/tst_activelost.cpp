#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "import/activelost.h"
#include "import/importcontext.h"
#include "reports/reportsheet.h"
#include "store/pagemodel.h"
#include "support/workspace.h"

#include <QRegularExpression>
#include <QTest>

#include <memory>

namespace {

// Ledger accounts by kind: K1 loan capital and K2 capital under recovery count in a
// balance, K3 (interest) does not. The days-late procedure answers from DNI_TEST
// (no row there: no row from the procedure) and logs every call in WYWOLANIA.
const char *const LedgerBase = R"(
insert into PLANKT (NR_KT, TYPKONTA) values ('K1', 1);
insert into PLANKT (NR_KT, TYPKONTA) values ('K2', 2);
insert into PLANKT (NR_KT, TYPKONTA) values ('K3', 3);
create table DNI_TEST (IDUMOWY integer, DNI integer);
create table WYWOLANIA (TRYB integer, IDUMOWY integer, NA_DZIEN timestamp, DNI_KARENCJI integer);
SET TERM ^ ;
ALTER PROCEDURE ZALEGLOSCI_AKTUALNE (
    TRYB INTEGER, IDUMOWY INTEGER, NA_DZIEN TIMESTAMP, DNI_KARENCJI INTEGER)
RETURNS (DNI_ZALEGLOSCI INTEGER, KWOTA_ZALEGLA NUMERIC(15,2), NAJSTARSZA_RATA DATE)
AS
BEGIN
    INSERT INTO WYWOLANIA VALUES (:TRYB, :IDUMOWY, :NA_DZIEN, :DNI_KARENCJI);
    FOR SELECT DNI FROM DNI_TEST WHERE IDUMOWY = :IDUMOWY INTO :DNI_ZALEGLOSCI DO
    BEGIN
        KWOTA_ZALEGLA = 0;
        SUSPEND;
    END
END^
SET TERM ; ^
)";

// A Lokra ledger written as a few readable calls. Dates are ISO texts; an empty
// date is NULL.
class Ledger
{
public:
    // A contract with one capital entry on 2013-01-15 (a negative amount is a credit).
    Ledger &loan(int id, const char *amount, const char *rozliczony = "0", int rezerwa = 0, const char *dataRez = "")
    {
        contract(id, rozliczony, rezerwa, dataRez);
        const bool credit = amount[0] == '-';
        return entry(id, 1, "2013-01-15", credit ? "0" : amount, credit ? amount + 1 : "0");
    }
    Ledger &lost(int id, const char *amount, const char *dataRez) { return loan(id, amount, "0", 5, dataRez); }

    // A contract without entries; rozliczony nullptr is NULL.
    Ledger &contract(int id, const char *rozliczony = "0", int rezerwa = 0, const char *dataRez = "")
    {
        m_sql += QStringLiteral("insert into UMOWY (IDUMOWY, REZERWA, DATA_REZ, ROZLICZONY) values (%1, %2, %3, %4);\n")
                     .arg(id)
                     .arg(rezerwa)
                     .arg(literal(dataRez), rozliczony ? literal(rozliczony) : QStringLiteral("null"));
        for (int kind = 1; kind <= 3; ++kind)
            m_sql += QStringLiteral("insert into STAN (IDSTAN, NRUMOWY, KONTO) values (%1, %2, 'K%3');\n")
                         .arg(id * 10 + kind)
                         .arg(id)
                         .arg(kind);
        return *this;
    }
    Ledger &entry(int id, int accountKind, const char *date, const char *wn, const char *ma = "0")
    {
        m_sql += QStringLiteral("insert into DEKRET (IDDEKRETU, IDSTANU, DATADEKRETU, KODDOK, KWOTA_WN, KWOTA_MA) "
                                "values (%1, %2, '%3', 'WB', %4, %5);\n")
                     .arg(++m_entries)
                     .arg(id * 10 + accountKind)
                     .arg(QLatin1String(date), QLatin1String(wn), QLatin1String(ma));
        return *this;
    }
    Ledger &late(int id, int days)
    {
        m_sql += QStringLiteral("insert into DNI_TEST values (%1, %2);\n").arg(id).arg(days);
        return *this;
    }
    QString script() const { return lokraSchemaScript() + QString::fromLatin1(LedgerBase) + m_sql; }

private:
    static QString literal(const char *text)
    {
        return *text ? QStringLiteral("'%1'").arg(QLatin1String(text)) : QStringLiteral("null");
    }
    QString m_sql;
    int m_entries = 0;
};

class RecordingOutput : public import::ImportOutput
{
public:
    QList<int> progress;
    int responsiveCalls = 0;
    void setProgress(int percent) override { progress << percent; }
    void keepResponsive() override { ++responsiveCalls; }
    void showErrorReport(const reports::ReportSheet &) override {}
};

// One import's context on a Lokra database made from a ledger and, when asked, a
// reporting database; the period is 2013-01-01 .. 2013-06-30 unless given.
struct Import
{
    Workspace ws;
    db::Connection ksu;
    db::Connection lokra;
    store::PageModel model;
    RecordingMessages messages;
    RecordingOutput output;
    reports::ReportSheet importReport;
    reports::ReportSheet errorReport;
    import::ImportContext ctx{ksu,       lokra, model, messages,  output, importReport, errorReport, {},
                              QString(), 0,     0,     QString(), {},     {},           {}};

    explicit Import(const QString &lokraScript, QDate first = QDate(2013, 1, 1), QDate last = QDate(2013, 6, 30),
                    bool withReporting = false)
    {
        lokra.setDatabase(QString(), ws.createDatabase(QStringLiteral("lokra.fdb"), lokraScript));
        lokra.open();
        if (withReporting) {
            ksu.setDatabase(QString(), ws.createReportingDatabase());
            ksu.open();
        }
        ctx.period.isOpen = true;
        ctx.period.CurrentPeriodId = QStringLiteral("1");
        ctx.period.PeriodStart = QDateTime(first, QTime(0, 0));
        ctx.period.PeriodEnd = QDateTime(last, QTime(23, 59, 59, 999));
        ctx.period.PeriodStartText = first.toString(Qt::ISODate);
        ctx.period.PeriodEndText = last.toString(Qt::ISODate);
    }
};

const QStringList Headings{
    QStringLiteral("Kwota pożyczki aktywnej"),
    QStringLiteral("Kwota pożyczki spłacanej terminowo"),
    QStringLiteral("Kwota pożyczki o opóźnieniu w spłacie 31-90 dni"),
    QStringLiteral("Kwota pożyczki o opóźnieniu w spłacie 90 dni"),
    QStringLiteral("Kwota pożyczki wypowiedzianej"),
    QStringLiteral("Kwota pożyczki straconej"),
};

struct Figure
{
    int count;
    db::Money value;
};

QList<Figure> listFigures(const import::ActiveLostFigures &f)
{
    return {{f.activeCount, f.activeValue},         {f.onTimeCount, f.onTimeValue},
            {f.late31to90Count, f.late31to90Value}, {f.lateOver90Count, f.lateOver90Value},
            {f.terminatedCount, f.terminatedValue}, {f.lostCount, f.lostValue}};
}

QList<QStringList> rowsOf(const reports::ReportSheet &sheet, int first, int count)
{
    QList<QStringList> rows;
    for (int r = first; r < first + count; ++r)
        rows << sheet.row(r);
    return rows;
}

db::Money money(const char *text)
{
    return *db::Money::parse(QString::fromLatin1(text));
}

} // namespace

class TestActiveLost : public QObject
{
    Q_OBJECT

private slots:
    // Each row lists, per section, the contracts expected in it as "number:balance".
    void sections_data()
    {
        QTest::addColumn<QString>("ledger");
        QTest::addColumn<QDate>("last");
        QTest::addColumn<QStringList>("lists");
        const QDate june(2013, 6, 30);

        QTest::newRow("balances of 0 and below are left out")
            << Ledger()
                   .contract(1)
                   .entry(1, 1, "2013-01-10", "100")
                   .entry(1, 1, "2013-02-10", "0", "100")
                   .loan(2, "-50")
                   .contract(3)
                   .entry(3, 1, "2013-01-10", "80")
                   .entry(3, 2, "2013-02-10", "0", "80")
                   .loan(4, "250.50")
                   .script()
            << june << QStringList{"4:250,5", "4:250,5", "", "", "", ""};
        QTest::newRow("days late 30, 31, 90, 91, no row, negative")
            << Ledger()
                   .loan(11, "1000")
                   .late(11, 30)
                   .loan(12, "1200")
                   .late(12, 31)
                   .loan(13, "1300")
                   .late(13, 90)
                   .loan(14, "1400")
                   .late(14, 91)
                   .loan(15, "1500")
                   .loan(16, "1600")
                   .late(16, -5)
                   .script()
            << june << QStringList{"11:1000 12:1200 13:1300 14:1400 15:1500 16:1600",
                                   "11:1000 15:1500 16:1600",
                                   "12:1200 13:1300",
                                   "14:1400",
                                   "",
                                   ""};
        QTest::newRow("lost on the last day, the next day, the first day, the day before")
            << Ledger()
                   .lost(21, "2100", "2013-06-30")
                   .late(21, 45)
                   .lost(22, "2200", "2013-07-01")
                   .lost(23, "2300", "2013-01-01")
                   .lost(24, "2400", "2012-12-31")
                   .script()
            << june << QStringList{"21:2100 22:2200", "22:2200", "21:2100", "", "", "21:2100 23:2300"};
        QTest::newRow("lost without a date, this period") << Ledger().lost(31, "3100", "").lost(32, "0", "").script()
                                                          << june << QStringList{"", "", "", "", "", "31:3100"};
        QTest::newRow("lost without a date, a later period")
            << Ledger().lost(31, "3100", "").script() << QDate(2014, 12, 31)
            << QStringList{"", "", "", "", "", "31:3100"};
        QTest::newRow("terminated Win and 4, also lost")
            << Ledger()
                   .loan(41, "4100", "Win")
                   .loan(42, "4200", "4")
                   .loan(43, "4300", "4", 5, "2013-03-15")
                   .loan(44, "4400", "Win", 5, "")
                   .loan(45, "4500", "4", 5, "2012-06-01")
                   .loan(46, "0", "4")
                   .script()
            << june << QStringList{"", "", "", "", "41:4100 42:4200 43:4300 44:4400 45:4500", "43:4300 44:4400"};
        QTest::newRow("rozliczony NULL")
            << Ledger().loan(51, "5100", nullptr).loan(52, "5200", nullptr, 5, "2013-02-01").script() << june
            << QStringList{"", "", "", "", "", "52:5200"};
        QTest::newRow("entries after the period and interest accounts")
            << Ledger()
                   .contract(61)
                   .entry(61, 1, "2013-06-30", "100")
                   .entry(61, 1, "2013-07-01", "1000")
                   .entry(61, 3, "2013-03-01", "500")
                   .entry(61, 2, "2013-04-01", "50.25")
                   .contract(62)
                   .entry(62, 3, "2013-03-01", "300")
                   .contract(63)
                   .entry(63, 1, "2013-07-01", "700")
                   .script()
            << june << QStringList{"61:150,25", "61:150,25", "", "", "", ""};
    }
    void sections()
    {
        QFETCH(QString, ledger);
        QFETCH(QDate, last);
        QFETCH(QStringList, lists);
        Import imp(ledger, QDate(last.year(), 1, 1), last);

        const import::ActiveLostFigures f = import::ComputeActiveLostLoans(imp.ctx);

        QList<QStringList> expected;
        QList<Figure> figures;
        QStringList activeContracts;
        for (int s = 0; s < 6; ++s) {
            if (s > 0)
                expected << QStringList{"", ""} << QStringList{"", ""};
            expected << QStringList{"Nr umowy", Headings[s]};
            Figure figure{0, db::Money()};
            for (const QString &item : lists[s].split(u' ', Qt::SkipEmptyParts)) {
                const QStringList parts = item.split(u':');
                expected << parts;
                ++figure.count;
                figure.value += *db::Money::parse(parts[1]);
                if (s == 0)
                    activeContracts << parts[0];
            }
            expected << QStringList{"Razem", reports::plainNumber(figure.value)};
            figures << figure;
        }
        QCOMPARE(rowsOf(imp.importReport, 0, int(expected.size())), expected);
        const QList<Figure> actual = listFigures(f);
        for (int s = 0; s < 6; ++s) {
            QCOMPARE(actual[s].count, figures[s].count);
            QCOMPARE(actual[s].value, figures[s].value);
        }
        QCOMPARE(imp.ctx.ImportReportRow, int(expected.size()) - 1 + 18);

        // The days late are asked once per active contract, at the period's last
        // moment, with the mode and grace days 0.
        db::Query calls(imp.lokra, QStringLiteral("select IDUMOWY, count(*), min(NA_DZIEN), max(NA_DZIEN), "
                                                  "max(TRYB), max(DNI_KARENCJI) from WYWOLANIA group by IDUMOWY"));
        calls.execute();
        QStringList called;
        while (calls.next()) {
            called << calls.value(0).toString();
            QCOMPARE(calls.value(1).toInt(), 1);
            QCOMPARE(calls.value(2).toDateTime(), QDateTime(last, QTime(23, 59, 59, 999)));
            QCOMPARE(calls.value(3).toDateTime(), QDateTime(last, QTime(23, 59, 59, 999)));
            QCOMPARE(calls.value(4).toInt(), 0);
            QCOMPARE(calls.value(5).toInt(), 0);
        }
        QCOMPARE(called, activeContracts);
        QVERIFY(imp.output.responsiveCalls >= 2 * int(activeContracts.size()));
    }

    // Contracts 1..n active with `balance` each, plus the lost ones given.
    void lossRatios_data()
    {
        QTest::addColumn<QString>("ledger");
        QTest::addColumn<double>("byNumber");
        QTest::addColumn<double>("byValue");
        QTest::addColumn<QStringList>("block"); // dzielna, dzielnik, Wynik by number, then by value

        auto active = [](int n, const char *balance) {
            Ledger l;
            for (int id = 1; id <= n; ++id)
                l.loan(id, balance);
            return l;
        };
        QTest::newRow("value counts lost balances of 0 and below")
            << active(1, "1000")
                   .lost(101, "100", "")
                   .lost(102, "-40", "2013-05-05")
                   .contract(103, "0", 5, "2013-05-06")
                   .entry(103, 1, "2013-01-01", "30")
                   .entry(103, 2, "2013-02-01", "0", "30")
                   .contract(104, "0", 5, "2013-05-07")
                   .entry(104, 3, "2013-01-01", "999")
                   .script()
            << 100.0 << 6.0 << QStringList{"1", "1", "100%", "60", "1000", "6"};
        QTest::newRow("no active contract")
            << Ledger().lost(101, "100", "").script() << 0.0 << 0.0 << QStringList{"1", "0", "0%", "100", "0", "0"};
        QTest::newRow("one in eight") << active(8, "100").lost(101, "100", "").script() << 12.5 << 12.5
                                      << QStringList{"1", "8", "12,5%", "100", "800", "12,5"};
        QTest::newRow("ties go down to the even neighbour")
            << active(32, "25").lost(101, "1", "").script() << 3.125 << 0.125
            << QStringList{"1", "32", "3,12%", "1", "800", "0,12"};
        QTest::newRow("ties go up to the even neighbour")
            << active(32, "25").lost(101, "1", "").lost(102, "1", "").lost(103, "1", "").script() << 9.375 << 0.375
            << QStringList{"3", "32", "9,38%", "3", "800", "0,38"};
        // 49 / 160 * 100 is 30.625, computed as 30.625000000000004: still a tie.
        QTest::newRow("a tie computed a hair above")
            << active(1, "160").lost(101, "49", "").script() << 100.0 << 49.0 / 160 * 100
            << QStringList{"1", "1", "100%", "49", "160", "30,62"};
        QTest::newRow("thirds") << active(3, "100").lost(101, "100", "").script() << 100.0 / 3 << 100.0 / 3
                                << QStringList{"1", "3", "33,33%", "100", "300", "33,33"};
    }
    void lossRatios()
    {
        QFETCH(QString, ledger);
        QFETCH(double, byNumber);
        QFETCH(double, byValue);
        QFETCH(QStringList, block);
        Import imp(ledger);

        const import::ActiveLostFigures f = import::ComputeActiveLostLoans(imp.ctx);

        QCOMPARE(f.lossRatioByNumber, byNumber);
        QCOMPARE(f.lossRatioByValue, byValue);
        const int t = imp.ctx.ImportReportRow - 18;
        const QList<QStringList> expected{
            {"", "Współczynnik strat w danym okresie"},
            {"", "Liczba"},
            {"dzielna", block[0]},
            {"dzielnik", block[1]},
            {"Wynik", block[2]},
            {"", "Wartość"},
            {"dzielna", block[3]},
            {"dzielnik", block[4]},
            {"Wynik", block[5]},
            {"", ""},
            {"", ""},
            {"", "Współczynnik strat w całym okresie"},
        };
        QCOMPARE(rowsOf(imp.importReport, t + 3, int(expected.size())), expected);
        QCOMPARE(imp.importReport.rowCount(), t + 15);
    }

    void emptyLedger()
    {
        Import imp(Ledger().script());
        imp.importReport.titleLines << QStringLiteral("wcześniej");
        imp.importReport.setCell(5, 60, QStringLiteral("stare"));

        const import::ActiveLostFigures f = import::ComputeActiveLostLoans(imp.ctx);

        for (const Figure &figure : listFigures(f)) {
            QCOMPARE(figure.count, 0);
            QCOMPARE(figure.value, db::Money());
        }
        QCOMPARE(f.lossRatioByNumber, 0.0);
        QCOMPARE(f.lossRatioByValue, 0.0);

        QList<QStringList> expected;
        for (int s = 0; s < 6; ++s) {
            if (s > 0)
                expected << QStringList{"", ""} << QStringList{"", ""};
            expected << QStringList{"Nr umowy", Headings[s]} << QStringList{"Razem", "0"};
        }
        expected << QList<QStringList>{{"", ""},
                                       {"", ""},
                                       {"", "Współczynnik strat w danym okresie"},
                                       {"", "Liczba"},
                                       {"dzielna", "0"},
                                       {"dzielnik", "0"},
                                       {"Wynik", "0%"},
                                       {"", "Wartość"},
                                       {"dzielna", "0"},
                                       {"dzielnik", "0"},
                                       {"Wynik", "0"},
                                       {"", ""},
                                       {"", ""},
                                       {"", "Współczynnik strat w całym okresie"}};
        QCOMPARE(imp.importReport.rowCount(), 36);
        QCOMPARE(imp.importReport.columnCount(), 2);
        QCOMPARE(rowsOf(imp.importReport, 0, 36), expected);
        for (int header : {0, 4, 8, 12, 16, 20})
            QCOMPARE(imp.importReport.cell(0, header), QStringLiteral("Nr umowy"));
        QCOMPARE(imp.importReport.cell(0, 21), QStringLiteral("Razem"));
        QCOMPARE(imp.ctx.ImportReportRow, 39);
        QCOMPARE(imp.output.progress, (QList<int>{13, 17, 21, 25, 29, 32, 36, 40}));

        const QStringList &lines = imp.importReport.titleLines;
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("wcześniej"));
        QCOMPARE(lines[1], QStringLiteral("Umowy o pożyczkach aktywnych od '2013-01-01' do '2013-06-30'"));
        const QRegularExpression stamp(
            QStringLiteral("^Data importowania: (\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d)$"));
        const auto match = stamp.match(lines[2]);
        QVERIFY2(match.hasMatch(), qPrintable(lines[2]));
        const QDateTime imported = QDateTime::fromString(match.captured(1), QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        QVERIFY(std::abs(imported.secsTo(QDateTime::currentDateTime())) < 24 * 3600);
        QCOMPARE(lines[3], QStringLiteral("Wersja programu: Prog 1.16.5"));
    }

    // The import fills the page and writes AKT_STR from it; the store reads the page.
    void storesThePeriodRow()
    {
        const QString ledger = Ledger()
                                   .loan(1, "1000.50")
                                   .loan(2, "2000")
                                   .late(2, 45)
                                   .loan(3, "3000.25")
                                   .late(3, 120)
                                   .loan(4, "4000", "Win")
                                   .lost(5, "500", "2013-03-01")
                                   .lost(6, "600", "2013-06-30")
                                   .late(6, 10)
                                   .script();
        Import imp(ledger, QDate(2013, 1, 1), QDate(2013, 6, 30), true);
        imp.ctx.period.CurrentPeriodId = QStringLiteral("7");

        import::ImportActiveLostLoans(imp.ctx);

        const double byValue = 1100.0 / 6600.75 * 100;
        const QList<std::pair<const char *, QString>> page{
            {"Jvl_poz_akt", "4"},          {"Jvw_poz_akt", "6600,75"},  {"Jvl_splac_term", "2"},
            {"Jvw_splac_term", "1600,50"}, {"Jvl_po_31_180", "1"},      {"Jvw_po_31_180", "2000,00"},
            {"Jvl_po_180", "1"},           {"Jvw_po_180", "3000,25"},   {"Jvl_pw", "1"},
            {"Jvw_pw", "4000,00"},         {"Jvl_poz_strac", "2"},      {"Jv_poz_strac", "1100,00"},
            {"Jvl_wspol_strat", "50,00"},  {"Jvw_wspol_strat", "16,66"}};
        for (const auto &[control, text] : page)
            QCOMPARE(imp.model.text(QLatin1String(control)), text);
        QCOMPARE(imp.model.number(QStringLiteral("Jvw_wspol_strat")), byValue);

        const QString columns = QStringLiteral("PA_L, PA_W, ST_L, ST_W, PO_31_180_L, PO_31_180_W, PO_180_L, PO_180_W, "
                                               "PW_L, PW_W, PS_L, PS_W, WSDO_L, WSDO_W");
        auto committedRow = [&](int id) {
            db::Connection reader;
            reader.setDatabase(QString(), imp.ksu.path());
            reader.open();
            db::Query q(reader, QStringLiteral("select %1 from AKT_STR where ID_OK=:d0").arg(columns));
            q.execute({id});
            QStringList values;
            if (q.next()) {
                for (int i = 0; i < q.columnCount() - 1; ++i)
                    values << q.value(i).toString();
                values << QString::number(q.value(q.columnCount() - 1).toDouble(), 'g', 17);
            }
            return values;
        };
        QCOMPARE(committedRow(7), (QStringList{"4", "6600,75", "2", "1600,5", "1", "2000", "1", "3000,25", "1", "4000",
                                               "2", "1100", "50", QString::number(byValue, 'g', 17)}));

        // What the user sees on the page is what gets stored, whatever was computed.
        imp.model.setInteger(QStringLiteral("Jvl_poz_akt"), 9);
        imp.model.setMoney(QStringLiteral("Jvw_poz_akt"), money("123.45"));
        imp.model.setNumber(QStringLiteral("Jvw_wspol_strat"), 0.25);
        imp.ctx.period.CurrentPeriodId = QStringLiteral("8");
        import::StoreActiveLostLoans(imp.ctx);
        QCOMPARE(committedRow(8), (QStringList{"9", "123,45", "2", "1600,5", "1", "2000", "1", "3000,25", "1", "4000",
                                               "2", "1100", "50", "0.25"}));
    }

    void databaseErrorWritesNoRow()
    {
        Import imp(Ledger().loan(1, "100").script() + QStringLiteral("drop procedure ZALEGLOSCI_AKTUALNE;\n"),
                   QDate(2013, 1, 1), QDate(2013, 6, 30), true);
        QVERIFY_THROWS_EXCEPTION(db::Error, import::ImportActiveLostLoans(imp.ctx));
        db::Query q(imp.ksu, QStringLiteral("select count(*) from AKT_STR"));
        q.execute();
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(TestActiveLost)
#include "tst_activelost.moc"
