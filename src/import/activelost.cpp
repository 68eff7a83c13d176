#include "activelost.h"

#include "common/messages.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/value.h"
#include "importcontext.h"
#include "reports/reportsheet.h"
#include "store/fields.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"

#include <QDateTime>
#include <QLocale>

#include <array>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <vector>

namespace import {

namespace {

// The balances read the ledger up to the period's end: nearly every entry. The date
// is compared as date + 0, which is the same date (NULL stays NULL), so the same
// entries are summed; it keeps the server from reaching them through an index on
// DATADEKRETU, which for such a range scans the whole index once for every
// account it probes, a cost that grows with the square of the ledger.

// Active contracts with a positive balance, the sum first (Q1). Q2 selects the same
// two columns the other way round from the same tables, conditions and groups, so
// it gives the same rows in the same order (sorted by the contract it groups by):
// sections 3 and 4 list Q1's rows, and Q2 is not sent.
const QString ActiveBySum = QStringLiteral(
    "select sum(d.kwota_wn-d.kwota_ma),s.nrumowy from dekret d,stan s,plankt p, umowy u where "
    "d.idstanu=s.idstan and s.nrumowy=u.idumowy and s.konto=p.nr_kt and p.typkonta in (1,2) and "
    "d.datadekretu+0<=:d0 and ((u.rezerwa is null or u.rezerwa<>5) or (u.rezerwa=5 and u.data_rez>=:D1)) and "
    "not u.rozliczony='Win' and not u.rozliczony='4' group by s.nrumowy having sum(d.kwota_wn-d.kwota_ma)>0");
// Q3: terminated contracts, whenever they were terminated.
const QString Terminated =
    QStringLiteral("select sum(d.kwota_wn-d.kwota_ma), u.idumowy from dekret d,stan s,umowy u,plankt p where  "
                   "d.idstanu=s.idstan and s.nrumowy=u.idumowy and s.konto=p.nr_kt and p.typkonta in (1,2) and "
                   "d.datadekretu+0<=:d0 and (u.rozliczony='4' or u.rozliczony='Win') group by u.idumowy having "
                   "sum(d.kwota_wn-d.kwota_ma)>0;");
// Q4 and Q5: contracts lost in the period; a loss without a date counts in every period.
const QString LostInPeriod = QStringLiteral(
    "select sum(d.kwota_wn-d.kwota_ma), u.idumowy from dekret d,stan s,umowy u,plankt p where  "
    "d.idstanu=s.idstan and s.nrumowy=u.idumowy and s.konto=p.nr_kt and p.typkonta in (1,2) and "
    "d.datadekretu+0<=:d0 and (u.rezerwa=5 and ((u.data_rez>=:d1 and u.data_rez<=:d2) or (u.data_rez is null))) "
    "group by u.idumowy having sum(d.kwota_wn-d.kwota_ma)>0;");
const QString LostNumbers = QStringLiteral(
    "select u.idumowy from dekret d,stan s,umowy u,plankt p where d.idstanu=s.idstan and s.nrumowy=u.idumowy "
    "and s.konto=p.nr_kt and p.typkonta in (1,2) and d.datadekretu+0<=:d0 and (u.rezerwa=5 and "
    "((u.data_rez>=:d1 and u.data_rez<=:d2) or (u.data_rez is null))) group by u.idumowy having "
    "sum(d.kwota_wn-d.kwota_ma)>0;");
// Q6: the whole ledger sum of the lost contracts, balances not above 0 included.
const QString LostLedgerSum = QStringLiteral(
    "select sum(d.kwota_wn-d.kwota_ma) from dekret d,stan s,umowy u,plankt p where d.idstanu=s.idstan and "
    "s.nrumowy=u.idumowy and s.konto=p.nr_kt and p.typkonta in (1,2) and d.datadekretu+0<=:d0 and "
    "(u.rezerwa=5 and ((u.data_rez>=:d1 and u.data_rez<=:d2) or (u.data_rez is null)));");
// P: days late of one contract at a date-time.
const QString DaysLateQuery = QStringLiteral("select * from zaleglosci_aktualne (0,:d0,:d1,0)");

// The page rows in the order of the figures: active, on time, 31-90 days, over 90
// days, terminated, lost, loss ratio.
static_assert(store::ActiveLostRows[0].count.control == "Jvl_poz_akt");
static_assert(store::ActiveLostRows[1].count.control == "Jvl_splac_term");
static_assert(store::ActiveLostRows[2].count.control == "Jvl_po_31_180");
static_assert(store::ActiveLostRows[3].count.control == "Jvl_po_180");
static_assert(store::ActiveLostRows[4].count.control == "Jvl_pw");
static_assert(store::ActiveLostRows[5].count.control == "Jvl_poz_strac");
static_assert(store::ActiveLostRows[6].count.control == "Jvl_wspol_strat");

struct ContractBalance
{
    qint64 contract = 0;
    db::Money balance;
    qint64 daysLate = 0;
};

using ContractList = std::vector<ContractBalance>;

ContractList runList(ImportContext &ctx, const QString &sql, std::initializer_list<db::Param> params, int numberColumn,
                     int balanceColumn, int daysLateColumn = -1)
{
    // Over a network the rows come in batches, and the server computes each one
    // while the client waits (Q1 runs P for every row).
    return ctx.readWhileResponsive([&] {
        db::Query query(ctx.lokra, sql);
        query.execute(params);
        ContractList rows;
        while (query.next()) {
            rows.push_back({query.value(numberColumn).toInt(), query.value(balanceColumn).toMoney(),
                            daysLateColumn < 0 ? 0 : query.value(daysLateColumn).toInt()});
        }
        return rows;
    });
}

// Q1 with the days late of each of its contracts at the period's last moment: P
// runs once per active contract, inside the one statement, instead of once per
// contract from here, which over a network costs two round trips a contract. The
// value taken is still the first column of P's first row ("select first 1" of P's
// "select *", called with the same arguments), and no row still reads as 0 (the
// subquery gives NULL). Q1's rows keep their order: the outer select only adds a
// column to the grouped rows it reads. P's columns are named c0, c1, ... here, as
// many as its "select *" has, so that no name is taken from the database.
QString activeWithDaysLate(db::Connection &lokra)
{
    const int columns = db::Query(lokra, DaysLateQuery).columnCount();
    QStringList names;
    for (int i = 0; i < columns; ++i)
        names << QStringLiteral("c%1").arg(i);
    return QStringLiteral("select q.saldo, q.nrumowy, (select first 1 z.c0 from (select * from zaleglosci_aktualne "
                          "(0,q.nrumowy,:d2,0)) z (%1)) from (%2) q (saldo, nrumowy)")
        .arg(names.join(u','), ActiveBySum);
}

// Writes one list section of the import report from `row` on and adds the contracts
// it takes to the count and value of page row `figure`, which keeps them; returns
// the row of its total.
int writeSection(ImportContext &ctx, std::size_t figure, int row, const QString &heading, const ContractList &contracts,
                 const std::function<bool(const ContractBalance &)> &takes, int &count, db::Money &value)
{
    const QString column = store::toQString(store::ActiveLostRows[figure].count.column);
    reports::ReportSheet &sheet = ctx.importReport;
    sheet.setCell(sheet.setCell(0, row, QStringLiteral("Nr umowy")), row, heading);
    ++row;
    for (const ContractBalance &c : contracts) {
        ctx.output.keepResponsive();
        if (takes && !takes(c))
            continue;
        ++count;
        value += c.balance;
        ctx.contracts.figures.append({column, QString::number(c.contract), QString(), true, c.balance});
        sheet.setCell(sheet.setCell(0, row, QString::number(c.contract)), row, reports::plainNumber(c.balance));
        ++row;
    }
    sheet.setCell(sheet.setCell(0, row, QStringLiteral("Razem")), row, reports::plainNumber(value));
    return row;
}

// A ratio rounded to two decimals with ties to the even neighbour. The tie is judged
// on the ratio's decimal form of 15 digits, so that 0.125 computed as
// 0.12500000000000003 still counts as halfway.
double roundRatio(double ratio)
{
    const double hundredths = QString::number(ratio * 100, 'g', 15).toDouble();
    return std::nearbyint(hundredths) / 100;
}

void writeLabelled(reports::ReportSheet &sheet, int row, const QString &label, const QString &text)
{
    sheet.setCell(sheet.setCell(0, row, label), row, text);
}

void writeRatioBlock(reports::ReportSheet &sheet, int total, qint64 lostNumber, db::Money lostSum,
                     const ActiveLostFigures &f)
{
    const QString dividend = QStringLiteral("dzielna");
    const QString divisor = QStringLiteral("dzielnik");
    const QString result = QStringLiteral("Wynik");
    sheet.setCell(1, total + 3, QStringLiteral("Współczynnik strat w danym okresie"));
    sheet.setCell(1, total + 4, QStringLiteral("Liczba"));
    writeLabelled(sheet, total + 5, dividend, QString::number(lostNumber));
    writeLabelled(sheet, total + 6, divisor, QString::number(f.activeCount));
    writeLabelled(sheet, total + 7, result, reports::plainNumber(roundRatio(f.lossRatioByNumber)) + u'%');
    sheet.setCell(1, total + 8, QStringLiteral("Wartość"));
    writeLabelled(sheet, total + 9, dividend, reports::plainNumber(lostSum));
    writeLabelled(sheet, total + 10, divisor, reports::plainNumber(f.activeValue));
    writeLabelled(sheet, total + 11, result, reports::plainNumber(roundRatio(f.lossRatioByValue)));
    sheet.setCell(1, total + 14, QStringLiteral("Współczynnik strat w całym okresie"));
}

void writeTitleLines(ImportContext &ctx)
{
    QStringList &lines = ctx.importReport.titleLines;
    lines << QStringLiteral("Umowy o pożyczkach aktywnych od '") + ctx.period.PeriodStartText + QStringLiteral("' do '")
                 + ctx.period.PeriodEndText + u'\'';
    lines << QStringLiteral("Data importowania: ") + db::shortDateText(QDate::currentDate()) + u' '
                 + db::longTimeText(QTime::currentTime());
    lines << QStringLiteral("Wersja programu: ") + applicationTitle();
}

} // namespace

ActiveLostFigures ComputeActiveLostLoans(ImportContext &ctx)
{
    ActiveLostFigures f;
    ctx.importReport.ClearGrid();
    writeTitleLines(ctx);

    const QDate start = ctx.period.PeriodStart.date();
    const QDate end = ctx.period.PeriodEnd.date();
    db::Connection &lokra = ctx.lokra;

    // Q1, with the days late of its contracts, feeds sections 1 and 2 and, in place
    // of Q2, sections 3 and 4: it is sent once.
    const ContractList active = runList(ctx, activeWithDaysLate(lokra), {end, end, ctx.period.PeriodEnd}, 1, 0, 2);

    int row = 0;
    row =
        writeSection(ctx, 0, row, QStringLiteral("Kwota pożyczki aktywnej"), active, {}, f.activeCount, f.activeValue);
    ctx.output.setProgress(13);
    row = writeSection(
        ctx, 1, row + 3, QStringLiteral("Kwota pożyczki spłacanej terminowo"), active,
        [](const ContractBalance &c) { return c.daysLate <= 30; }, f.onTimeCount, f.onTimeValue);
    ctx.output.setProgress(17);
    row = writeSection(
        ctx, 2, row + 3, QStringLiteral("Kwota pożyczki o opóźnieniu w spłacie 31-90 dni"), active,
        [](const ContractBalance &c) { return c.daysLate >= 31 && c.daysLate <= 90; }, f.late31to90Count,
        f.late31to90Value);
    ctx.output.setProgress(21);
    row = writeSection(
        ctx, 3, row + 3, QStringLiteral("Kwota pożyczki o opóźnieniu w spłacie 90 dni"), active,
        [](const ContractBalance &c) { return c.daysLate >= 91; }, f.lateOver90Count, f.lateOver90Value);
    ctx.output.setProgress(25);

    row = writeSection(ctx, 4, row + 3, QStringLiteral("Kwota pożyczki wypowiedzianej"),
                       runList(ctx, Terminated, {end}, 1, 0), {}, f.terminatedCount, f.terminatedValue);
    ctx.output.setProgress(29);
    row = writeSection(ctx, 5, row + 3, QStringLiteral("Kwota pożyczki straconej"),
                       runList(ctx, LostInPeriod, {end, start, end}, 1, 0), {}, f.lostCount, f.lostValue);
    ctx.output.setProgress(32);

    qint64 lostNumber = 0;
    {
        db::Query query(lokra, LostNumbers);
        ctx.keepResponsiveWhileWaiting(query);
        query.execute({end, start, end});
        while (query.next()) {
            ctx.output.keepResponsive();
            ++lostNumber;
        }
    }
    if (f.activeCount != 0)
        f.lossRatioByNumber = double(lostNumber) / double(f.activeCount) * 100;

    db::Money lostSum;
    {
        db::Query query(lokra, LostLedgerSum);
        ctx.keepResponsiveWhileWaiting(query);
        query.execute({end, start, end});
        if (query.next())
            lostSum = query.value(0).toMoney();
    }
    if (!f.activeValue.isZero())
        f.lossRatioByValue = lostSum.toDouble() / f.activeValue.toDouble() * 100;

    writeRatioBlock(ctx.importReport, row, lostNumber, lostSum, f);
    ctx.ImportReportRow = row + 18;
    ctx.output.setProgress(36);
    ctx.output.setProgress(40);
    return f;
}

void ImportActiveLostLoans(ImportContext &ctx)
{
    const ActiveLostFigures f = ComputeActiveLostLoans(ctx);
    const std::array<std::pair<int, db::Money>, 6> pairs{{
        {f.activeCount, f.activeValue},
        {f.onTimeCount, f.onTimeValue},
        {f.late31to90Count, f.late31to90Value},
        {f.lateOver90Count, f.lateOver90Value},
        {f.terminatedCount, f.terminatedValue},
        {f.lostCount, f.lostValue},
    }};
    store::PageModel &model = ctx.model;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        model.setInteger(store::toQString(store::ActiveLostRows[i].count.control), pairs[i].first);
        model.setMoney(store::toQString(store::ActiveLostRows[i].value.control), pairs[i].second);
    }
    const store::ActiveLostRow &ratios = store::ActiveLostRows[6];
    model.setNumber(store::toQString(ratios.count.control), f.lossRatioByNumber);
    model.setNumber(store::toQString(ratios.value.control), f.lossRatioByValue);
    StoreActiveLostLoans(ctx);
}

void StoreActiveLostLoans(ImportContext &ctx)
{
    store::InsertActiveLostLoans(ctx.ksu, ctx.period, ctx.model);
    ctx.ksu.commitRetaining();
}

} // namespace import
