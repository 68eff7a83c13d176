#include "loanstatistics.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/value.h"
#include "diagnostics.h"
#include "importcontext.h"
#include "loanclassification.h"
#include "loanqueries.h"
#include "reports/reportrenderer.h"
#include "statisticsreport.h"
#include "store/figurecontracts.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"

#include <QHash>

namespace import {

namespace {

// One contract row of a category query, kept in memory so that the report
// tables can walk it again without a second read.
struct ContractRow
{
    QString number;
    qint64 id = 0;
    db::Money amount;
    QString amountText;
    QList<db::Value> columns;

    ListedContract listed() const { return {number, amountText}; }
};

QList<ContractRow> fetchContracts(ImportContext &ctx, const char *sql, QDate first, QDate last)
{
    db::Query query(ctx.lokra, QString::fromLatin1(sql));
    ctx.keepResponsiveWhileWaiting(query);
    query.execute({first, last});
    QList<ContractRow> rows;
    while (query.next()) {
        ctx.output.keepResponsive();
        ContractRow row;
        for (int i = 0; i < query.columnCount(); ++i)
            row.columns.append(query.value(i));
        row.number = row.columns[0].toString();
        row.id = row.columns[0].toInt();
        row.amount = row.columns[1].toMoney();
        row.amountText = row.columns[1].toString();
        rows.append(std::move(row));
    }
    return rows;
}

// The classification of one computation.
class Computation
{
public:
    explicit Computation(ImportContext &ctx)
        : m_ctx(ctx), m_first(ctx.period.PeriodStart.date()), m_last(ctx.period.PeriodEnd.date()), m_errors(ctx),
          m_schedule(ctx.lokra, QString::fromLatin1(ScheduleLookup)), m_pkd(ctx.lokra, QString::fromLatin1(PkdLookup))
    {
    }

    LoanStatistics run();

private:
    void readFirstTranches();
    void readMainPkdEntries();
    bool grantedInPeriod(qint64 contract);
    MainPkd mainPkd(qint64 client);
    void typePass();
    void typeTables();
    void purposePass();
    void purposeTables();
    void sectorPass();
    void statusPass();
    // The contract adds to the figure of pair `pair` (and is kept with the period as one of its contracts).
    void add(int pair, const ContractRow &row, bool granted);
    // The contract could not be classified in the breakdown of pair `pair`.
    void unclassified(ErrorColumn column, int pair, const ContractRow &row, const QString &message);

    ImportContext &m_ctx;
    QDate m_first;
    QDate m_last;
    ErrorReport m_errors;
    db::Query m_schedule;
    db::Query m_pkd;
    QHash<qint64, bool> m_granted;
    QHash<qint64, MainPkd> m_mainPkd;
    LoanStatistics m_stats;
    QList<ContractRow> m_typeRows;
    QList<ContractRow> m_purposeRows;
};

void Computation::readFirstTranches()
{
    db::Query query(m_ctx.lokra, QString::fromLatin1(PeriodTranches));
    m_ctx.keepResponsiveWhileWaiting(query);
    query.execute({m_first, m_last});
    QHash<qint64, Tranches> tranches;
    while (query.next()) {
        m_ctx.output.keepResponsive();
        const std::optional<qint64> contract = wholeNumber(query.value(0));
        if (!contract)
            continue;
        Tranches &t = tranches[*contract];
        if (query.value(1).isNull())
            continue; // an account without a positive tranche
        ++t.count;
        const QDate date = query.value(2).toDate();
        if (!date.isValid())
            t.undated = true;
        else if (!t.earliest.isValid() || date < t.earliest)
            t.earliest = date;
    }
    for (auto it = tranches.cbegin(); it != tranches.cend(); ++it) {
        const QDate first = it->first();
        m_granted.insert(it.key(), first.isValid() && first >= m_first && first <= m_last);
    }
}

void Computation::readMainPkdEntries()
{
    db::Query query(m_ctx.lokra, QString::fromLatin1(PeriodPkdEntries));
    m_ctx.keepResponsiveWhileWaiting(query);
    query.execute({m_first, m_last});
    QHash<qint64, PkdEntries> clients;
    while (query.next()) {
        m_ctx.output.keepResponsive();
        if (const std::optional<qint64> client = wholeNumber(query.value(0)))
            clients[*client].add(query.value(1), query.value(2), query.value(3), query.value(4));
    }
    for (auto it = clients.cbegin(); it != clients.cend(); ++it) {
        if (const std::optional<MainPkd> answer = it->answer())
            m_mainPkd.insert(it.key(), *answer);
    }
}

MainPkd Computation::mainPkd(qint64 client)
{
    const auto known = m_mainPkd.constFind(client);
    if (known != m_mainPkd.cend())
        return *known;
    // Only the first entry counts: the main one, when the client has one.
    m_pkd.execute({client});
    MainPkd entry;
    if (m_pkd.next()) {
        entry.podklasa = m_pkd.value(0).toString();
        entry.dzial = m_pkd.value(1).toString();
    }
    m_pkd.closeCursor();
    return entry;
}

// A loan is granted in the period when its earliest positive tranche falls in it.
// Each contract's answer is read once per computation, so that all passes agree.
bool Computation::grantedInPeriod(qint64 contract)
{
    const auto known = m_granted.constFind(contract);
    if (known != m_granted.cend())
        return *known;
    m_schedule.execute({contract});
    const QDate firstTranche = m_schedule.next() ? m_schedule.value(0).toDate() : QDate();
    m_schedule.closeCursor();
    const bool granted = firstTranche.isValid() && firstTranche >= m_first && firstTranche <= m_last;
    m_granted.insert(contract, granted);
    return granted;
}

void Computation::add(int pair, const ContractRow &row, bool granted)
{
    m_stats[pair].add(granted, row.amount);
    m_ctx.contracts.figures.append({store::toQString(store::StatisticPairs[std::size_t(pair)].countColumn), row.number,
                                    QString(), granted, row.amount});
}

void Computation::unclassified(ErrorColumn column, int pair, const ContractRow &row, const QString &message)
{
    m_errors.AddErrorRow(row.number, row.id, row.amount, column, message);
    m_ctx.contracts.unclassified.append(
        {store::StatisticPairs[std::size_t(pair)].group, row.number, QString(), row.amount, message});
}

void Computation::typePass()
{
    m_typeRows = fetchContracts(m_ctx, QueryA, m_first, m_last);
    readFirstTranches();
    for (const ContractRow &row : std::as_const(m_typeRows)) {
        m_ctx.output.keepResponsive();
        const bool granted = grantedInPeriod(row.id);
        for (const Bracket &b : Brackets) {
            if (row.amount <= db::Money::fromWhole(b.upToZloty)) {
                add(b.pair, row, granted);
                break;
            }
        }
        const qint64 type = row.columns[2].toInt();
        if (type == 0) {
            unclassified(TypeColumn, Mikro, row, QStringLiteral("Brak typu"));
            continue;
        }
        for (const TypeCategory &t : Types) {
            if (t.code == type)
                add(t.pair, row, granted);
        }
        // Social economy enterprises are also counted among the other ones.
        if (type == 5)
            add(Inne, row, granted);
    }
    for (const Bracket &b : Brackets) {
        m_stats.bracketTotal.count += m_stats[b.pair].count;
        m_stats.bracketTotal.value += m_stats[b.pair].value;
    }
}

void Computation::typeTables()
{
    for (const TypeCategory &t : Types) {
        QList<ListedContract> listed;
        for (const ContractRow &row : std::as_const(m_typeRows)) {
            if (row.columns[2].toInt() == t.code)
                listed.append(row.listed());
        }
        WriteCategoryTable(m_ctx, QString::fromUtf8(t.name), listed, m_stats[t.pair].count, m_stats[t.pair].value);
    }
    WriteSectionEnd(m_ctx);
}

void Computation::purposePass()
{
    m_purposeRows = fetchContracts(m_ctx, QueryB, m_first, m_last);
    for (const ContractRow &row : std::as_const(m_purposeRows)) {
        m_ctx.output.keepResponsive();
        const bool granted = grantedInPeriod(row.id);
        const QString code = row.columns[2].toString();
        if (code.isEmpty() || code == u"0") {
            unclassified(PurposeColumn, Purposes[0].pair, row, QStringLiteral("Brak przeznaczenia"));
            continue;
        }
        for (const PurposeCategory &p : Purposes) {
            if (code == QLatin1StringView(p.code))
                add(p.pair, row, granted);
        }
    }
}

void Computation::purposeTables()
{
    for (const PurposeCategory &p : Purposes) {
        QList<ListedContract> listed;
        for (const ContractRow &row : std::as_const(m_purposeRows)) {
            if (row.columns[2].toString() == QLatin1StringView(p.code))
                listed.append(row.listed());
        }
        WriteCategoryTable(m_ctx, QString::fromUtf8(p.name), listed, m_stats[p.pair].count, m_stats[p.pair].value);
    }
    WriteSectionEnd(m_ctx);
}

void Computation::sectorPass()
{
    const QList<ContractRow> rows = fetchContracts(m_ctx, QueryC, m_first, m_last);
    readMainPkdEntries();
    for (const ContractRow &row : rows) {
        m_ctx.output.keepResponsive();
        const bool granted = grantedInPeriod(row.id);
        const auto [podklasa, dzial] = mainPkd(row.columns[2].toInt());
        const int code = sectorCode(podklasa, dzial);
        if (code < 1) {
            unclassified(SectorColumn, Sectors[0].pair, row, QStringLiteral("Brak numeru PKD"));
            continue;
        }
        for (const SectorCategory &s : Sectors) {
            if (code <= s.lastCode) {
                add(s.pair, row, granted);
                break;
            }
        }
        WriteSectorContract(m_ctx, row.listed(), podklasa.isEmpty() ? dzial : podklasa);
    }
    for (const SectorCategory &s : Sectors)
        WriteSectorSummary(m_ctx, QString::fromUtf8(s.label), m_stats[s.pair].count, m_stats[s.pair].value);
}

void Computation::statusPass()
{
    const QList<ContractRow> rows = fetchContracts(m_ctx, QueryD, m_first, m_last);
    for (const ContractRow &row : rows) {
        m_ctx.output.keepResponsive();
        const bool granted = grantedInPeriod(row.id);

        const QDate registered = row.columns[3].toDate();
        if (registered.isValid()) {
            // No payout date counts as starting, as a payout before registration does.
            const QDate payout = row.columns[6].toDate();
            const bool continuing = payout.isValid() && registered.daysTo(payout) > 365;
            add(continuing ? Continuing : Starting, row, granted);
        } else {
            unclassified(StatusColumn, Starting, row, QStringLiteral("Brak Daty dział"));
        }

        QString sex;
        switch (row.columns[4].toInt()) {
        case 1:
            sex = QStringLiteral("kobieta");
            add(Woman, row, granted);
            break;
        case 2:
            sex = QStringLiteral("mężczyzna");
            add(Man, row, granted);
            break;
        default:
            sex = QStringLiteral("niewybrany");
            add(OtherSex, row, granted);
            unclassified(SexColumn, OtherSex, row, sex);
            break;
        }

        const qint64 ru = row.columns[5].toInt();
        add(ru == 1 ? FirstTime : Again, row, granted);

        QString area;
        switch (row.columns[7].toInt()) {
        case 1:
            area = QStringLiteral("Miejski");
            add(Urban, row, granted);
            break;
        case 2:
            area = QStringLiteral("Wiejski");
            add(Rural, row, granted);
            break;
        case 3:
            area = QStringLiteral("Miejsko-wiejski");
            add(Rural, row, granted);
            break;
        default:
            area = QStringLiteral("Brak obszaru");
            unclassified(AreaColumn, Urban, row, area);
            break;
        }

        const qint64 applications = row.columns[8].toInt();
        if (applications > 1)
            m_errors.AddNote(QStringLiteral("Umowa nr %1 ma kilka wniosków (%2): w statystyce liczona raz, obszar "
                                            "wzięty z wniosku o najniższym kodzie obszaru.")
                                 .arg(row.number)
                                 .arg(applications));

        WriteStatusContract(m_ctx,
                            {row.number, row.amountText, db::shortDateText(registered), sex, clientKindText(ru), area});
    }
    WriteStatusSum(m_ctx, m_stats[Starting].count + m_stats[Continuing].count,
                   m_stats[Starting].value + m_stats[Continuing].value);
}

LoanStatistics Computation::run()
{
    m_errors.Start();

    m_ctx.output.setProgress(46);
    WriteTypeHeading(m_ctx);
    typePass();

    m_ctx.output.setProgress(50);
    typeTables();

    m_ctx.output.setProgress(54);
    WritePurposeHeading(m_ctx);
    purposePass();

    m_ctx.output.setProgress(58);
    purposeTables();

    m_ctx.output.setProgress(62);
    WriteSectorHeading(m_ctx);
    sectorPass();

    WriteStatusHeading(m_ctx);
    statusPass();

    m_ctx.output.setProgress(66);
    // A long report takes a while: the window redraws in the meantime.
    reports::writeSheetPdf(m_ctx.importReport, reports::SheetKind::ImportReport, m_ctx.importReportPath,
                           [this] { m_ctx.output.keepResponsive(); });

    m_errors.Close();
    m_ctx.output.setProgress(70);
    return m_stats;
}

} // namespace

LoanStatistics ComputeLoanStatistics(ImportContext &ctx)
{
    // A fresh attachment, so that every query of the step sees Lokra's current state.
    // Closing and attaching take a while: the window redraws meanwhile.
    ctx.lokra.reopen([&ctx] { ctx.output.keepResponsive(); });
    return Computation(ctx).run();
}

void ImportLoanStatistics(ImportContext &ctx)
{
    const LoanStatistics stats = ComputeLoanStatistics(ctx);
    for (std::size_t i = 0; i < store::StatisticPairs.size(); ++i) {
        const store::StatisticPair &pair = store::StatisticPairs[i];
        ctx.model.setInteger(store::toQString(pair.countControl), stats.pairs[i].count);
        ctx.model.setMoney(store::toQString(pair.valueControl), stats.pairs[i].value);
    }
    // Each breakdown's sum is its members' total; the loan-size total thus equals
    // the bracket total, and social economy counts once more on top of Inne.
    ctx.model.recomputeAllSums();
    store::InsertLoanStatistics(ctx.ksu, ctx.period, ctx.model);
}

} // namespace import
