#include "loanstatistics.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/value.h"
#include "diagnostics.h"
#include "importcontext.h"
#include "reports/reportrenderer.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"

#include <QHash>
#include <QLocale>

#include <limits>
#include <optional>

namespace import {

namespace {

// The categories, as indices into store::StatisticPairs.
constexpr int Mikro = statisticIndex("MIKRO_LS");
constexpr int Male = statisticIndex("MALE_LS");
constexpr int Srednie = statisticIndex("SREDNIE_LS");
constexpr int Inne = statisticIndex("INNE_LS");
constexpr int Eko = statisticIndex("EKO_LS");
constexpr int Starting = statisticIndex("S_PRZP_LS");
constexpr int Continuing = statisticIndex("S_PRZK_LS");
constexpr int Woman = statisticIndex("PL_KOB_LS");
constexpr int Man = statisticIndex("PL_MEN_LS");
constexpr int OtherSex = statisticIndex("PL_POZ_LS");
constexpr int FirstTime = statisticIndex("RK_POC_LS");
constexpr int Again = statisticIndex("RK_KOL_LS");
constexpr int Rural = statisticIndex("MZ_WIEJ_LS");
constexpr int Urban = statisticIndex("MZ_MIEJ_LS");

// Enterprise types by Lokra's code, with their import report names.
struct TypeCategory
{
    int code;
    const char *name;
    int pair;
};
constexpr TypeCategory Types[]{
    {1, "Mikro", Mikro},   {2, "Male", Male}, {3, "Srednie", Srednie},
    {4, "Inne", Inne},     {5, "Ekonomi społecznej", Eko},
};

struct PurposeCategory
{
    const char *code;
    const char *name;
    int pair;
};
constexpr PurposeCategory Purposes[]{
    {"001", "Obrotowe", statisticIndex("OBROT_LS")},
    {"002", "Inwestycyjne", statisticIndex("INWES_LS")},
    {"003", "Inwestycyjno-obrotowe", statisticIndex("IO_LS")},
};

// Sectors by the highest sector code they take, in ascending order (codes 1 to 999).
struct SectorCategory
{
    int lastCode;
    const char *label;
    int pair;
};
constexpr SectorCategory Sectors[]{
    {39, "Rolnictwo...", statisticIndex("RO_LS")},
    {99, "Górnictwo..", statisticIndex("GOR_LS")},
    {349, "Przetwór..", statisticIndex("PRZET_LS")},
    {399, "Wytwarzanie..", statisticIndex("DZIAL_LS")},
    {449, "Budownictwo", statisticIndex("BUD_LS")},
    {479, "Handel", statisticIndex("HAN_LS")},
    {539, "Transport", statisticIndex("TRAN_LS")},
    {969, "Pozos. usł", statisticIndex("US_LS")},
    {999, "Inne rodz. dział.", statisticIndex("IN_LS")},
};

// Loan-size brackets by the amount disbursed in the period, each upper limit included.
struct Bracket
{
    qint64 upToZloty;
    int pair;
};
constexpr Bracket Brackets[]{
    {10000, statisticIndex("JVL_10")},
    {30000, statisticIndex("JVL_10_30")},
    {50000, statisticIndex("JVL_30_50")},
    {120000, statisticIndex("JVL_50_120")},
    {300000, statisticIndex("JVL_120_300")},
    {std::numeric_limits<qint64>::max() / db::Money::Scale, statisticIndex("JVL_300")},
};

// The four category queries: one row per contract, its number first and the amount
// disbursed in the period second.
//
// A, B and D are sent with their inner joins written out before the outer joins
// ("stan s join dekret d on ... left outer join klient k on ..."), where the plain
// texts list "stan s,dekret d,plankt p, umowy u left outer join klient k on ..."
// and join in the WHERE clause. No condition of the WHERE clause names an outer
// joined table, so filtering the inner join first and attaching the client, the
// dictionary entry or the application afterwards yields the same rows, grouped by
// the same columns and so sorted the same way. The plain form makes the server
// start from every contract and probe the ledger for each; this one lets it start
// from the period's entries, as it does for query C.
const char *const QueryA =
    "select s.nrumowy,Sum(Kwota_Wn),k.wp,k.datarozdz from stan s join dekret d on d.idstanu=s.idstan join plankt p "
    "on s.konto=p.nr_kt join umowy u on s.nrumowy=u.IdUmowy left outer join klient k on u.nrklienta=k.nr_klienta "
    "where KoDDok='WY' and InfDod<>'ST' and DataDekretu>=:d0 and DataDekretu<=:d1 and p.typkonta=1 group by "
    "nrumowy,k.wp,k.datarozdz having Sum(Kwota_Wn)>0";
const char *const QueryB =
    "select s.nrumowy,Sum(Kwota_Wn),sl.kod from stan s join dekret d on d.idstanu=s.idstan join plankt p on "
    "s.konto=p.nr_kt join umowy u on s.nrumowy=u.IdUmowy left outer join slownik sl on u.cpozyczki=sl.nr where "
    "KoDDok='WY' and InfDod<>'ST' and DataDekretu>=:d0 and DataDekretu<=:d1 and p.typkonta=1 group by "
    "nrumowy,sl.kod having Sum(Kwota_Wn)>0";
const char *const QueryC =
    "select s.nrumowy,Sum(Kwota_Wn),u.nrklienta from stan s,dekret d,plankt p, umowy u where d.idstanu=s.idstan and  "
    "s.nrumowy=u.IdUmowy and s.konto=p.nr_kt and KoDDok='WY' and InfDod<>'ST' and DataDekretu>=:d0 and "
    "DataDekretu<=:d1 and p.typkonta=1 group by nrumowy,u.nrklienta having Sum(Kwota_Wn)>0";
// D counts each contract once, however many applications (WNIOSKI rows) it has:
// joining them would repeat the contract, or double its amount. The area is that
// of the lowest area code (1 to 3) among its applications; the number of
// applications lets the error report note contracts that have several.
const char *const QueryD =
    "select s.nrumowy,Sum(Kwota_Wn),k.wp,k.datarozdz,k.plec,u.ru,u.datawyplaty,(select min(w.obszar) from wnioski w "
    "where w.idumowy=u.idumowy and w.obszar between 1 and 3),(select count(*) from wnioski w where "
    "w.idumowy=u.idumowy) from stan s join dekret d on d.idstanu=s.idstan join plankt p on s.konto=p.nr_kt join "
    "umowy u on s.nrumowy=u.IdUmowy left outer join klient k on u.nrklienta=k.nr_klienta where KoDDok='WY' and "
    "InfDod<>'ST' and DataDekretu>=:d0 and DataDekretu<=:d1 and p.typkonta=1 group by "
    "nrumowy,k.wp,k.datarozdz,k.plec,u.ru,u.datawyplaty,u.idumowy having Sum(Kwota_Wn)>0";

// The schedule and PKD lookups of the passes, asked once for every contract (or
// client) with a disbursement in the period instead of once for each: over a
// network each lookup costs its round trips. The contracts are those of the
// category queries' ledger conditions without their HAVING, so every contract the
// queries return is among them; an answer for any other contract (should the
// ledger change meanwhile) is asked one by one as before. The rows come unsorted,
// so that the first arrives as soon as the period's payouts are read.

// The schedule lookup reads a contract's positive tranches in date order and takes
// the first row's date. Ascending order puts NULL first, so that date is the
// earliest one when every tranche has a date and no date otherwise; a contract
// without a positive tranche has no row. Here: every positive tranche of the
// contracts, and a row with t.idstanu NULL for each of their accounts without one.
const char *const PeriodTranches =
    "select c.nrumowy, t.idstanu, t.DataTranszy from (select distinct s2.nrumowy from stan s2 join dekret d2 on "
    "d2.idstanu=s2.idstan join plankt p2 on s2.konto=p2.nr_kt where d2.KoDDok='WY' and d2.InfDod<>'ST' and "
    "d2.DataDekretu>=:d0 and d2.DataDekretu<=:d1 and p2.typkonta=1) c left outer join stan s on "
    "s.nrumowy=c.nrumowy left outer join Terminarz t on t.idstanu=s.idstan and t.KwTranszy>0";

// The PKD lookup takes the first of a client's entries in descending order of
// glowny, where NULL comes last. Here: every entry of the clients; p.klient is
// NULL only in the one row of a client without entries.
const char *const PeriodPkdEntries =
    "select c.nrklienta, p.klient, s.podklasa, s.dzial, p.glowny from (select distinct u2.nrklienta from stan s2 "
    "join dekret d2 on d2.idstanu=s2.idstan join plankt p2 on s2.konto=p2.nr_kt join umowy u2 on "
    "s2.nrumowy=u2.IdUmowy where d2.KoDDok='WY' and d2.InfDod<>'ST' and d2.DataDekretu>=:d0 and "
    "d2.DataDekretu<=:d1 and p2.typkonta=1) c left outer join pkd p on p.klient=c.nrklienta left outer join "
    "pkd_slownik s on p.ID_SL_PKD=s.idslownika";

// A key read back exactly as the whole number the lookups bind, or nothing.
std::optional<qint64> wholeNumber(const db::Value &v)
{
    if (v.kind() != db::Value::Kind::Scaled)
        return std::nullopt;
    const qint64 n = v.toInt();
    if (v.toString() != QString::number(n))
        return std::nullopt;
    return n;
}

// A contract's positive tranches as the set statement gives them.
struct Tranches
{
    qint64 count = 0;
    bool undated = false;
    QDate earliest;

    // The date of the lookup's first row: none without tranches or with an undated one.
    QDate first() const { return count > 0 && !undated ? earliest : QDate(); }
};

// The text columns the sector is made of, from a client's first PKD entry.
struct MainPkd
{
    QString podklasa;
    QString dzial;
    bool operator==(const MainPkd &) const = default;
};

// A client's PKD entries as the set statement gives them, and the answer of the
// lookup when it does not depend on how the server orders entries of equal
// glowny: told apart for whole numbers only, NULL after them.
class PkdEntries
{
public:
    void add(const db::Value &klient, const db::Value &podklasa, const db::Value &dzial, const db::Value &glowny)
    {
        if (klient.isNull())
            return; // the client has no entry: the lookup finds no row
        if (!glowny.isNull() && !wholeNumber(glowny)) {
            m_comparable = false;
            return;
        }
        const std::optional<qint64> rank = glowny.isNull() ? std::nullopt : wholeNumber(glowny);
        const MainPkd entry{podklasa.toString(), dzial.toString()};
        if (!m_first || rank > m_rank) { // std::optional orders nothing before any number
            m_first = entry;
            m_rank = rank;
            m_alike = true;
        } else if (rank == m_rank) {
            m_alike = m_alike && entry == *m_first;
        }
    }

    std::optional<MainPkd> answer() const
    {
        if (!m_comparable || !m_alike)
            return std::nullopt;
        return m_first ? *m_first : MainPkd{};
    }

private:
    std::optional<MainPkd> m_first; // an entry first in order, if any
    std::optional<qint64> m_rank;   // its glowny
    bool m_alike = true;            // every entry of the same glowny reads the same
    bool m_comparable = true;
};

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

// The sector code of a client's main PKD entry: its division followed by 0, or
// the digits of its subclass, cut to three characters; 0 when there is none.
int sectorCode(const QString &podklasa, const QString &dzial)
{
    QString digits;
    if (!dzial.isEmpty()) {
        digits = dzial + u'0';
    } else {
        for (QChar c : podklasa) {
            if (c >= u'0' && c <= u'9')
                digits += c;
        }
    }
    bool ok = false;
    const int code = digits.left(3).toInt(&ok);
    return ok ? code : 0;
}

QString clientKindText(qint64 ru)
{
    switch (ru) {
    case 0:
        return QStringLiteral("NN");
    case 1:
        return QStringLiteral("Nowa");
    case 2:
        return QStringLiteral("Wznowiono");
    case 3:
        return QStringLiteral("Refinansowana");
    case 4:
        return QStringLiteral("Kolejna");
    default:
        return QStringLiteral("Nieokreślono");
    }
}

// The classification of one computation.
class Computation
{
public:
    explicit Computation(ImportContext &ctx)
        : m_ctx(ctx),
          m_first(ctx.period.PeriodStart.date()),
          m_last(ctx.period.PeriodEnd.date()),
          m_errors(ctx),
          m_schedule(ctx.lokra, QStringLiteral("select DataTranszy from Terminarz t,stan s where t.idstanu=s.idstan "
                                               "and s.nrumowy=:d0  and KwTranszy>0 order by DataTranszy")),
          m_pkd(ctx.lokra, QStringLiteral("select s.podklasa,s.dzial,p.glowny from pkd p left outer join pkd_slownik s "
                                          "on p.ID_SL_PKD=s.idslownika where p.klient=:d0 order by p.glowny desc"))
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

void Computation::typePass()
{
    m_typeRows = fetchContracts(m_ctx, QueryA, m_first, m_last);
    readFirstTranches();
    for (const ContractRow &row : std::as_const(m_typeRows)) {
        m_ctx.output.keepResponsive();
        const bool granted = grantedInPeriod(row.id);
        for (const Bracket &b : Brackets) {
            if (row.amount <= db::Money::fromWhole(b.upToZloty)) {
                m_stats[b.pair].add(granted, row.amount);
                break;
            }
        }
        const qint64 type = row.columns[2].toInt();
        if (type == 0) {
            m_errors.AddErrorRow(row.number, row.id, row.amount, TypeColumn, QStringLiteral("Brak typu"));
            continue;
        }
        for (const TypeCategory &t : Types) {
            if (t.code == type)
                m_stats[t.pair].add(granted, row.amount);
        }
        // Social economy enterprises are also counted among the other ones.
        if (type == 5)
            m_stats[Inne].add(granted, row.amount);
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
            m_errors.AddErrorRow(row.number, row.id, row.amount, PurposeColumn, QStringLiteral("Brak przeznaczenia"));
            continue;
        }
        for (const PurposeCategory &p : Purposes) {
            if (code == QLatin1StringView(p.code))
                m_stats[p.pair].add(granted, row.amount);
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
            m_errors.AddErrorRow(row.number, row.id, row.amount, SectorColumn, QStringLiteral("Brak numeru PKD"));
            continue;
        }
        for (const SectorCategory &s : Sectors) {
            if (code <= s.lastCode) {
                m_stats[s.pair].add(granted, row.amount);
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
        auto error = [&](ErrorColumn column, const QString &message) {
            m_errors.AddErrorRow(row.number, row.id, row.amount, column, message);
        };

        const QDate registered = row.columns[3].toDate();
        if (registered.isValid()) {
            // No payout date counts as starting, as a payout before registration does.
            const QDate payout = row.columns[6].toDate();
            const bool continuing = payout.isValid() && registered.daysTo(payout) > 365;
            m_stats[continuing ? Continuing : Starting].add(granted, row.amount);
        } else {
            error(StatusColumn, QStringLiteral("Brak Daty dział"));
        }

        QString sex;
        switch (row.columns[4].toInt()) {
        case 1:
            sex = QStringLiteral("kobieta");
            m_stats[Woman].add(granted, row.amount);
            break;
        case 2:
            sex = QStringLiteral("mężczyzna");
            m_stats[Man].add(granted, row.amount);
            break;
        default:
            sex = QStringLiteral("niewybrany");
            m_stats[OtherSex].add(granted, row.amount);
            error(SexColumn, sex);
            break;
        }

        const qint64 ru = row.columns[5].toInt();
        m_stats[ru == 1 ? FirstTime : Again].add(granted, row.amount);

        QString area;
        switch (row.columns[7].toInt()) {
        case 1:
            area = QStringLiteral("Miejski");
            m_stats[Urban].add(granted, row.amount);
            break;
        case 2:
            area = QStringLiteral("Wiejski");
            m_stats[Rural].add(granted, row.amount);
            break;
        case 3:
            area = QStringLiteral("Miejsko-wiejski");
            m_stats[Rural].add(granted, row.amount);
            break;
        default:
            area = QStringLiteral("Brak obszaru");
            error(AreaColumn, area);
            break;
        }

        const qint64 applications = row.columns[8].toInt();
        if (applications > 1)
            m_errors.AddNote(QStringLiteral("Umowa nr %1 ma kilka wniosków (%2): w statystyce liczona raz, obszar "
                                            "wzięty z wniosku o najniższym kodzie obszaru.")
                                 .arg(row.number)
                                 .arg(applications));

        WriteStatusContract(m_ctx, {row.number, row.amountText,
                                    db::shortDateText(registered),
                                    sex, clientKindText(ru), area});
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
    // Attaching takes a while: the window may redraw on either side of it.
    ctx.output.keepResponsive();
    ctx.lokra.close();
    ctx.lokra.open();
    ctx.output.keepResponsive();
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
