// tervala-bench: how long the import of 01/2013-06/2013 takes on a generated fund,
// against the floor of the work no correct import can avoid.
//
//   tervala-bench [--contracts 1000,10000] [--engines embedded,server] [--work DIR]
//                 [--seed S] [--repeat R] [--no-verify] [--quoted-floor]
//
// For each N the fund is generated in WORK/nN (kept and reused while N, the seed,
// the generator and the schema are the same). Every measurement runs in a child
// process of its own, so that its peak memory is its own and no engine cache is
// shared between measurements:
//   verify  every statement the import sends in place of a quoted one, and every
//           lookup it answers with one statement, is run beside the quoted form
//           and their rows (answers) compared one by one, in order; the plans of
//           all statements are printed (on the first engine, once per N);
//   floor   queries Q1-Q6, A-D and the payout check, each prepared and executed
//           once with all rows fetched, plus one days-late call per active contract;
//   import  the whole import through the period workflow, as the command line runs
//           it, into a fresh reporting database; the PDF writes are timed apart,
//           and a 10 ms timer in the child's event loop, served as the window
//           serves it during an import, tells how long a click would wait; then
//           the contracts list of every figure is read as "Pokaż umowy" reads it.
// Floor and import run R times, the engines taking turns; the best run is shown.
// The server runs need a Firebird server on 127.0.0.1 (scripts/start-test-server.sh)
// that can read the files under WORK.
#include "common/apppaths.h"
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/fbapi.h"
#include "db/query.h"
#include "demofund.h"
#include "import/importcontext.h"
#include "import/loanqueries.h"
#include "reports/contractslist.h"
#include "reports/reportrenderer.h"
#include "store/datamodule.h"
#include "store/figurecontracts.h"
#include "store/pagemodel.h"
#include "store/schema.h"
#include "workflow/periodworkflow.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QMap>
#include <QTextStream>
#include <QTimer>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

extern char **environ;

namespace {

const QDate First(2013, 1, 1);
const QDate Last(2013, 6, 30);
const QDateTime LastMoment(Last, QTime(23, 59, 59, 999));

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// One statement of the import as the text quotes it, and as the import sends it
// when the two differ (the same text otherwise).
struct Statement
{
    const char *name;
    QString quoted;
    QString sent;
};

QList<db::Param> paramsOf(const char *name)
{
    const QString n = QString::fromLatin1(name);
    if (n == u"Q1" || n == u"Q2")
        return {Last, Last};
    if (n == u"Q3")
        return {Last};
    if (n.startsWith(u"Q"))
        return {Last, First, Last};
    return {First, Last};
}

// The texts as quoted for the import, and as the import sends them (A, B and D are
// the import's own texts; Q1 to Q6 are kept equal to src/import/activelost.cpp). Q1 to Q6 compare
// the entry date as date + 0, which selects the same entries (a date plus no days
// is the same date, NULL stays NULL) without offering the server the date index
// for a range that holds nearly the whole ledger. A, B and D join the ledger before
// the outer joins: no WHERE condition names an outer-joined table, so the rows are
// the same, and the server may start from the period's entries.
QList<Statement> statements()
{
    auto balance = [](const QString &quoted) {
        return Statement{
            nullptr, quoted,
            QString(quoted).replace(QStringLiteral("d.datadekretu<=:d0"), QStringLiteral("d.datadekretu+0<=:d0"))};
    };
    QList<Statement> list{
        balance(QStringLiteral(
            "select sum(d.kwota_wn-d.kwota_ma),s.nrumowy from dekret d,stan s,plankt p, umowy u where "
            "d.idstanu=s.idstan and s.nrumowy=u.idumowy and s.konto=p.nr_kt and p.typkonta in (1,2) and "
            "d.datadekretu<=:d0 and ((u.rezerwa is null or u.rezerwa<>5) or (u.rezerwa=5 and u.data_rez>=:D1)) and "
            "not u.rozliczony='Win' and not u.rozliczony='4' group by s.nrumowy having sum(d.kwota_wn-d.kwota_ma)>0")),
        balance(QStringLiteral(
            "select s.nrumowy,sum(d.kwota_wn-d.kwota_ma) from dekret d,stan s,plankt p, umowy u where "
            "d.idstanu=s.idstan and s.nrumowy=u.idumowy and s.konto=p.nr_kt and p.typkonta in (1,2) and "
            "d.datadekretu<=:d0 and ((u.rezerwa is null or u.rezerwa<>5) or (u.rezerwa=5 and u.data_rez>=:D1)) and "
            "not u.rozliczony='Win' and not u.rozliczony='4' group by s.nrumowy having sum(d.kwota_wn-d.kwota_ma)>0")),
        balance(
            QStringLiteral("select sum(d.kwota_wn-d.kwota_ma), u.idumowy from dekret d,stan s,umowy u,plankt p where  "
                           "d.idstanu=s.idstan and s.nrumowy=u.idumowy and s.konto=p.nr_kt and p.typkonta in (1,2) and "
                           "d.datadekretu<=:d0 and (u.rozliczony='4' or u.rozliczony='Win') group by u.idumowy having "
                           "sum(d.kwota_wn-d.kwota_ma)>0;")),
        balance(QStringLiteral(
            "select sum(d.kwota_wn-d.kwota_ma), u.idumowy from dekret d,stan s,umowy u,plankt p where  "
            "d.idstanu=s.idstan and s.nrumowy=u.idumowy and s.konto=p.nr_kt and p.typkonta in (1,2) and "
            "d.datadekretu<=:d0 and (u.rezerwa=5 and ((u.data_rez>=:d1 and u.data_rez<=:d2) or (u.data_rez is null))) "
            "group by u.idumowy having sum(d.kwota_wn-d.kwota_ma)>0;")),
        balance(QStringLiteral(
            "select u.idumowy from dekret d,stan s,umowy u,plankt p where d.idstanu=s.idstan and s.nrumowy=u.idumowy "
            "and s.konto=p.nr_kt and p.typkonta in (1,2) and d.datadekretu<=:d0 and (u.rezerwa=5 and "
            "((u.data_rez>=:d1 and u.data_rez<=:d2) or (u.data_rez is null))) group by u.idumowy having "
            "sum(d.kwota_wn-d.kwota_ma)>0;")),
        balance(QStringLiteral(
            "select sum(d.kwota_wn-d.kwota_ma) from dekret d,stan s,umowy u,plankt p where d.idstanu=s.idstan and "
            "s.nrumowy=u.idumowy and s.konto=p.nr_kt and p.typkonta in (1,2) and d.datadekretu<=:d0 and "
            "(u.rezerwa=5 and ((u.data_rez>=:d1 and u.data_rez<=:d2) or (u.data_rez is null)));")),
        {nullptr,
         QStringLiteral(
             "select s.nrumowy,Sum(Kwota_Wn),k.wp,k.datarozdz from stan s,dekret d,plankt p, umowy u left outer join "
             "klient k on u.nrklienta=k.nr_klienta where d.idstanu=s.idstan and s.nrumowy=u.IdUmowy and "
             "s.konto=p.nr_kt and KoDDok='WY' and InfDod<>'ST' and DataDekretu>=:d0 and DataDekretu<=:d1 and "
             "p.typkonta=1 group by nrumowy,k.wp,k.datarozdz having Sum(Kwota_Wn)>0"),
         QString::fromLatin1(import::QueryA)},
        {nullptr,
         QStringLiteral(
             "select s.nrumowy,Sum(Kwota_Wn),sl.kod from stan s,dekret d,plankt p, umowy u left outer join slownik sl "
             "on u.cpozyczki=sl.nr where d.idstanu=s.idstan and  s.nrumowy=u.IdUmowy and s.konto=p.nr_kt and "
             "KoDDok='WY' and InfDod<>'ST' and DataDekretu>=:d0 and DataDekretu<=:d1 and p.typkonta=1 group by "
             "nrumowy,sl.kod having Sum(Kwota_Wn)>0"),
         QString::fromLatin1(import::QueryB)},
        {nullptr,
         QStringLiteral(
             "select s.nrumowy,Sum(Kwota_Wn),u.nrklienta from stan s,dekret d,plankt p, umowy u where "
             "d.idstanu=s.idstan and  s.nrumowy=u.IdUmowy and s.konto=p.nr_kt and KoDDok='WY' and InfDod<>'ST' and "
             "DataDekretu>=:d0 and DataDekretu<=:d1 and p.typkonta=1 group by nrumowy,u.nrklienta having "
             "Sum(Kwota_Wn)>0"),
         {}},
        {nullptr,
         QStringLiteral(
             "select s.nrumowy,Sum(Kwota_Wn),k.wp,k.datarozdz,k.plec,u.ru,u.datawyplaty,(select min(w.obszar) from "
             "wnioski w where w.idumowy=u.idumowy and w.obszar between 1 and 3),(select count(*) from wnioski w where "
             "w.idumowy=u.idumowy) from stan s,dekret d,plankt p, umowy u left outer join klient k on "
             "u.nrklienta=k.nr_klienta where d.idstanu=s.idstan and s.nrumowy=u.IdUmowy and s.konto=p.nr_kt and "
             "KoDDok='WY' and InfDod<>'ST' and DataDekretu>=:d0 and DataDekretu<=:d1 and p.typkonta=1 group by "
             "nrumowy,k.wp,k.datarozdz,k.plec,u.ru,u.datawyplaty,u.idumowy having Sum(Kwota_Wn)>0"),
         QString::fromLatin1(import::QueryD)},
        {nullptr,
         QStringLiteral("select sum(d.kwota_wn),u.kwotakredytu,u.idumowy from dekret d,stan s,umowy u,plankt p where "
                        "d.idstanu=s.idstan and s.nrumowy=u.idumowy and s.konto=p.nr_kt and p.typkonta=1 and "
                        "d.datadekretu>=:D0 and d.datadekretu<=:D1 and d.koddok='WY' and d.infdod<>'ST' group by "
                        "u.idumowy,u.kwotakredytu having sum(d.kwota_wn)-u.kwotakredytu<>0"),
         {}},
    };
    static const char *const names[]{"Q1", "Q2", "Q3", "Q4", "Q5", "Q6", "A", "B", "C", "D", "payout"};
    for (int i = 0; i < list.size(); ++i) {
        list[i].name = names[i];
        if (list[i].sent.isEmpty())
            list[i].sent = list[i].quoted;
    }
    return list;
}

const QString DaysLate = QStringLiteral("select * from zaleglosci_aktualne (0,:d0,:d1,0)");

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Results of a child, as key=value lines.
using Results = QMap<QString, QString>;

void writeResults(const QString &path, const Results &results)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw db::Error(QStringLiteral("cannot write ") + path);
    for (auto it = results.cbegin(); it != results.cend(); ++it)
        f.write((it.key() + u'=' + it.value() + u'\n').toUtf8());
}

Results readResults(const QString &path)
{
    Results r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return r;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            r.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return r;
}

void openLokra(db::Connection &c, const QString &host, const QString &path)
{
    c.setDatabase(host, path);
    c.open();
}

// Fetches every row and reads every column, as a caller that uses the rows would.
qint64 fetchAll(db::Query &q, const std::function<void(const db::Query &)> &row = {})
{
    qint64 rows = 0;
    while (q.next()) {
        for (int i = 0; i < q.columnCount(); ++i)
            (void)q.value(i).toString();
        if (row)
            row(q);
        ++rows;
    }
    return rows;
}

void bindAll(db::Query &q, const QList<db::Param> &params)
{
    for (int i = 0; i < params.size(); ++i)
        q.bind(i, params[i]);
}

// The floor: every aggregate statement once, all rows fetched, and one days-late
// call per active contract on one prepared statement.
Results childFloor(const QString &host, const QString &lokraPath, bool quotedTexts)
{
    Results r;
    db::Connection lokra;
    openLokra(lokra, host, lokraPath);
    QElapsedTimer total;
    total.start();
    QList<qint64> active;
    for (const Statement &s : statements()) {
        QElapsedTimer t;
        t.start();
        db::Query q(lokra, quotedTexts ? s.quoted : s.sent);
        bindAll(q, paramsOf(s.name));
        q.execute();
        const bool isQ1 = QLatin1StringView(s.name) == u"Q1";
        const qint64 rows = fetchAll(q, [&](const db::Query &row) {
            if (isQ1)
                active << row.value(1).toInt();
        });
        r.insert(QStringLiteral("ms.%1").arg(QLatin1StringView(s.name)), QString::number(msSince(t), 'f', 1));
        r.insert(QStringLiteral("rows.%1").arg(QLatin1StringView(s.name)), QString::number(rows));
    }
    QElapsedTimer t;
    t.start();
    db::Query p(lokra, DaysLate);
    qint64 late = 0;
    for (qint64 contract : std::as_const(active)) {
        p.execute({contract, LastMoment});
        if (p.next() && p.value(0).toInt() > 30)
            ++late;
        p.closeCursor();
    }
    r.insert(QStringLiteral("ms.P"), QString::number(msSince(t), 'f', 1));
    r.insert(QStringLiteral("rows.P"), QString::number(active.size()));
    r.insert(QStringLiteral("late"), QString::number(late));
    r.insert(QStringLiteral("ms.total"), QString::number(msSince(total), 'f', 1));
    lokra.close();
    return r;
}

// The rows of a statement as text, in the order they came.
QStringList rowsOf(db::Connection &c, const QString &sql, const QList<db::Param> &params, double *ms)
{
    QElapsedTimer t;
    t.start();
    db::Query q(c, sql);
    bindAll(q, params);
    q.execute();
    QStringList rows;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.columnCount(); ++i)
            cells << q.value(i).toString();
        rows << cells.join(u'|');
    }
    *ms = msSince(t);
    return rows;
}

QString planOf(db::Connection &c, const QString &sql)
{
    std::vector<int> order;
    const QByteArray text = db::Query::translatePlaceholders(sql, &order).toUtf8();
    return db::fb::call([&](Firebird::ThrowStatusWrapper *s) {
        Firebird::IStatement *st = c.attachment()->prepare(s, c.transaction(), 0, text.constData(), 3, 0);
        const QString plan = QString::fromUtf8(st->getPlan(s, false)).simplified();
        st->free(s);
        return plan;
    });
}

// The per-contract lookups the import answers with one statement each, each
// compared with the lookups as quoted, contract by contract.
const QString ScheduleLookup = QString::fromLatin1(import::ScheduleLookup);
const QString PkdLookup = QString::fromLatin1(import::PkdLookup);

void verifyLookups(db::Connection &lokra, Results &r)
{
    const QList<Statement> all = statements();
    // Days late: P inside Q1 against Q1 and one call of P per contract.
    {
        QStringList names;
        for (int i = 0; i < db::Query(lokra, DaysLate).columnCount(); ++i)
            names << QStringLiteral("c%1").arg(i);
        const QString combined =
            QStringLiteral("select q.saldo, q.nrumowy, (select first 1 z.c0 from (select * from zaleglosci_aktualne "
                           "(0,q.nrumowy,:d2,0)) z (%1)) from (%2) q (saldo, nrumowy)")
                .arg(names.join(u','), all[0].sent);
        QElapsedTimer t;
        t.start();
        QStringList one;
        {
            db::Query q(lokra, combined);
            q.execute({Last, Last, LastMoment});
            while (q.next())
                one << q.value(0).toString() + u'|' + q.value(1).toString() + u'|'
                           + QString::number(q.value(2).toInt());
        }
        const double oneMs = msSince(t);
        t.restart();
        QStringList each;
        {
            db::Query q1(lokra, all[0].sent);
            q1.execute({Last, Last});
            db::Query p(lokra, DaysLate);
            while (q1.next()) {
                p.execute({q1.value(1).toInt(), LastMoment});
                const qint64 days = p.next() ? p.value(0).toInt() : 0;
                p.closeCursor();
                each << q1.value(0).toString() + u'|' + q1.value(1).toString() + u'|' + QString::number(days);
            }
        }
        r.insert(QStringLiteral("same.Q1+P"), one == each ? QStringLiteral("yes") : QStringLiteral("NO"));
        r.insert(QStringLiteral("rows.Q1+P"), QString::number(one.size()));
        r.insert(QStringLiteral("ms.Q1+P.quoted"), QString::number(msSince(t), 'f', 1));
        r.insert(QStringLiteral("ms.Q1+P.sent"), QString::number(oneMs, 'f', 1));
    }
    // The contracts and clients the passes look up: those of queries A and C.
    QList<qint64> contracts;
    QList<qint64> clients;
    {
        double ms = 0;
        for (const QString &row : rowsOf(lokra, all[6].sent, paramsOf("A"), &ms))
            contracts << row.section(u'|', 0, 0).toLongLong();
        db::Query c(lokra, all[8].sent);
        c.execute({First, Last});
        while (c.next())
            clients << c.value(2).toInt();
    }
    // First tranches: the first row's date of the lookup against the earliest date
    // of the set's tranches (none when one is undated or there is none).
    {
        QElapsedTimer t;
        t.start();
        struct Tranches
        {
            int count = 0;
            bool undated = false;
            QDate earliest;
        };
        QHash<qint64, Tranches> set;
        db::Query q(lokra, QString::fromLatin1(import::PeriodTranches));
        q.execute({First, Last});
        while (q.next()) {
            Tranches &tr = set[q.value(0).toInt()];
            if (q.value(1).isNull())
                continue;
            ++tr.count;
            const QDate d = q.value(2).toDate();
            if (!d.isValid())
                tr.undated = true;
            else if (!tr.earliest.isValid() || d < tr.earliest)
                tr.earliest = d;
        }
        const double setMs = msSince(t);
        t.restart();
        db::Query lookup(lokra, ScheduleLookup);
        int same = 0;
        int differ = 0;
        int asked = 0;
        for (qint64 contract : std::as_const(contracts)) {
            lookup.execute({contract});
            const QDate first = lookup.next() ? lookup.value(0).toDate() : QDate();
            lookup.closeCursor();
            const auto it = set.constFind(contract);
            if (it == set.cend())
                ++asked;
            else if ((it->count > 0 && !it->undated ? it->earliest : QDate()) == first)
                ++same;
            else
                ++differ;
        }
        r.insert(QStringLiteral("same.first-tranches"),
                 differ == 0 && asked == 0 ? QStringLiteral("yes")
                                           : QStringLiteral("NO (%1 differ, %2 missing)").arg(differ).arg(asked));
        r.insert(QStringLiteral("rows.first-tranches"), QString::number(same));
        r.insert(QStringLiteral("ms.first-tranches.quoted"), QString::number(msSince(t), 'f', 1));
        r.insert(QStringLiteral("ms.first-tranches.sent"), QString::number(setMs, 'f', 1));
    }
    // Main PKD entries: the lookup's first row against the set's entries of the
    // highest glowny (NULL lowest), for every client whose entries of that glowny
    // all read the same; the others the import asks one by one.
    {
        QElapsedTimer t;
        t.start();
        struct Entries
        {
            bool any = false;
            std::optional<qint64> rank;
            QString first;
            bool alike = true;
            bool comparable = true;
        };
        QHash<qint64, Entries> set;
        db::Query q(lokra, QString::fromLatin1(import::PeriodPkdEntries));
        q.execute({First, Last});
        while (q.next()) {
            Entries &e = set[q.value(0).toInt()];
            if (q.value(1).isNull())
                continue;
            const db::Value glowny = q.value(4);
            const bool whole =
                glowny.kind() == db::Value::Kind::Scaled && glowny.toString() == QString::number(glowny.toInt());
            if (!glowny.isNull() && !whole) {
                e.comparable = false;
                continue;
            }
            const std::optional<qint64> rank = glowny.isNull() ? std::nullopt : std::optional(glowny.toInt());
            const QString text = q.value(2).toString() + u'|' + q.value(3).toString();
            if (!e.any || rank > e.rank) {
                e = {true, rank, text, true, e.comparable};
            } else if (rank == e.rank) {
                e.alike = e.alike && text == e.first;
            }
        }
        const double setMs = msSince(t);
        t.restart();
        db::Query lookup(lokra, PkdLookup);
        int same = 0;
        int differ = 0;
        int tied = 0;
        for (qint64 client : std::as_const(clients)) {
            lookup.execute({client});
            const QString first =
                lookup.next() ? lookup.value(0).toString() + u'|' + lookup.value(1).toString() : QString();
            lookup.closeCursor();
            const auto it = set.constFind(client);
            if (it == set.cend() || !it->comparable || !it->alike)
                ++tied;
            else if ((it->any ? it->first : QString()) == first)
                ++same;
            else
                ++differ;
        }
        r.insert(QStringLiteral("same.main-pkd"),
                 differ == 0 ? QStringLiteral("yes") : QStringLiteral("NO (%1 differ)").arg(differ));
        r.insert(QStringLiteral("rows.main-pkd"),
                 QStringLiteral("%1 answered + %2 asked one by one").arg(same).arg(tied));
        r.insert(QStringLiteral("ms.main-pkd.quoted"), QString::number(msSince(t), 'f', 1));
        r.insert(QStringLiteral("ms.main-pkd.sent"), QString::number(setMs, 'f', 1));
    }
}

// Each statement sent in place of a quoted one is run beside it; their rows must
// be equal one by one, in order. Plans are recorded for every statement.
Results childVerify(const QString &host, const QString &lokraPath)
{
    Results r;
    db::Connection lokra;
    openLokra(lokra, host, lokraPath);
    for (const Statement &s : statements()) {
        const QString name = QString::fromLatin1(s.name);
        r.insert(QStringLiteral("plan.%1").arg(name), planOf(lokra, s.quoted));
        if (s.sent == s.quoted)
            continue;
        r.insert(QStringLiteral("plan.%1.sent").arg(name), planOf(lokra, s.sent));
        double quotedMs = 0;
        double sentMs = 0;
        const QStringList quoted = rowsOf(lokra, s.quoted, paramsOf(s.name), &quotedMs);
        const QStringList sent = rowsOf(lokra, s.sent, paramsOf(s.name), &sentMs);
        r.insert(QStringLiteral("same.%1").arg(name), quoted == sent ? QStringLiteral("yes") : QStringLiteral("NO"));
        r.insert(QStringLiteral("rows.%1").arg(name), QString::number(quoted.size()));
        r.insert(QStringLiteral("ms.%1.quoted").arg(name), QString::number(quotedMs, 'f', 1));
        r.insert(QStringLiteral("ms.%1.sent").arg(name), QString::number(sentMs, 'f', 1));
    }
    verifyLookups(lokra, r);
    // The import takes Q2's rows from Q1's, with the two columns the other way round.
    {
        const QList<Statement> all = statements();
        double q1Ms = 0;
        double q2Ms = 0;
        QStringList fromQ1;
        for (const QString &row : rowsOf(lokra, all[0].sent, paramsOf("Q1"), &q1Ms)) {
            const QStringList cells = row.split(u'|');
            fromQ1 << cells[1] + u'|' + cells[0];
        }
        // Q2 as quoted reads the same rows as Q2 as sent, compared above.
        const QStringList q2 = rowsOf(lokra, all[1].sent, paramsOf("Q2"), &q2Ms);
        r.insert(QStringLiteral("same.Q2-from-Q1"), q2 == fromQ1 ? QStringLiteral("yes") : QStringLiteral("NO"));
        r.insert(QStringLiteral("rows.Q2-from-Q1"), QString::number(q2.size()));
        r.insert(QStringLiteral("ms.Q2-from-Q1.quoted"), QString::number(q2Ms, 'f', 1));
        r.insert(QStringLiteral("ms.Q2-from-Q1.sent"), QStringLiteral("0 (not sent)"));
    }
    lokra.close();
    return r;
}

// The command line's side of an import, timed: the error report is written as a
// PDF where the window would preview it, and the window's redraws are stood in
// for by processing events at most every 50 ms.
class TimedOutput : public import::ImportOutput
{
public:
    explicit TimedOutput(QString errorPdf) : m_errorPdf(std::move(errorPdf))
    {
        m_clock.start();
        m_lastChance = 0;
        // The event timer: how late a 10 ms timer fires is how long a click waits.
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_lastTick > 0) {
                const qint64 delay = now - m_lastTick - 10'000'000;
                if (delay > m_maxDelay) {
                    m_maxDelay = delay;
                    m_maxDelayAt = m_progress;
                }
            }
            m_lastTick = now;
        });
    }

    void start()
    {
        m_timer.start();
        m_lastTick = m_clock.nsecsElapsed();
        m_lastChance = m_lastTick;
    }

    void setProgress(int percent) override
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_progressAt.insert(percent, now);
        if (percent == 66)
            m_importPdfStart = now;
        if (percent == 70 && m_importPdfEnd == 0)
            m_importPdfEnd = now;
        m_progress = percent;
    }

    void keepResponsive() override
    {
        ++m_calls;
        const qint64 now = m_clock.nsecsElapsed();
        noteGap(now);
        if (now - m_lastProcessed >= 50'000'000) {
            QCoreApplication::processEvents();
            m_lastProcessed = m_clock.nsecsElapsed();
        }
    }

    void showErrorReport(const reports::ReportSheet &errorReport) override
    {
        const qint64 start = m_clock.nsecsElapsed();
        if (m_importPdfEnd == 0)
            m_importPdfEnd = start;
        reports::writeSheetPdf(errorReport, reports::SheetKind::ErrorReport, m_errorPdf, [this] { keepResponsive(); });
        m_errorPdfNs += m_clock.nsecsElapsed() - start;
    }

    void finish()
    {
        noteGap(m_clock.nsecsElapsed());
        m_timer.stop();
    }

    void noteGap(qint64 now)
    {
        if (now - m_lastChance > m_maxGap) {
            m_maxGap = now - m_lastChance;
            m_maxGapAt = m_progressAtLastChance;
        }
        m_lastChance = now;
        m_progressAtLastChance = m_progress;
    }

    void report(Results &r) const
    {
        r.insert(QStringLiteral("ms.importPdf"),
                 QString::number(double(m_importPdfEnd - m_importPdfStart) / 1e6, 'f', 1));
        r.insert(QStringLiteral("ms.errorPdf"), QString::number(double(m_errorPdfNs) / 1e6, 'f', 1));
        r.insert(QStringLiteral("responsive.calls"), QString::number(m_calls));
        r.insert(QStringLiteral("responsive.maxGapMs"), QString::number(double(m_maxGap) / 1e6, 'f', 1));
        r.insert(QStringLiteral("responsive.maxGapAtProgress"), QString::number(m_maxGapAt));
        r.insert(QStringLiteral("responsive.maxTimerDelayMs"), QString::number(double(m_maxDelay) / 1e6, 'f', 1));
        r.insert(QStringLiteral("responsive.maxTimerDelayAtProgress"), QString::number(m_maxDelayAt));
        for (auto it = m_progressAt.cbegin(); it != m_progressAt.cend(); ++it)
            r.insert(QStringLiteral("at.%1").arg(it.key(), 3, 10, QChar(u'0')),
                     QString::number(double(it.value()) / 1e6, 'f', 1));
    }

    qint64 pdfNs() const { return (m_importPdfEnd - m_importPdfStart) + m_errorPdfNs; }
    qint64 nowNs() const { return m_clock.nsecsElapsed(); }

private:
    QString m_errorPdf;
    QElapsedTimer m_clock;
    QTimer m_timer;
    QMap<int, qint64> m_progressAt;
    qint64 m_importPdfStart = 0;
    qint64 m_importPdfEnd = 0;
    qint64 m_errorPdfNs = 0;
    qint64 m_lastChance = 0;
    qint64 m_lastProcessed = 0;
    qint64 m_lastTick = 0;
    qint64 m_maxGap = 0;
    qint64 m_maxDelay = 0;
    int m_maxGapAt = 0;
    int m_maxDelayAt = 0;
    int m_progress = 0;
    int m_progressAtLastChance = 0;
    qint64 m_calls = 0;
};

Results childImport(const QString &host, const QString &lokraPath, const QString &ksuPath, const QString &home)
{
    Results r;
    AppPaths::setHome(home);
    store::DataModule dm;
    dm.KSU.setDatabase(host, ksuPath);
    dm.KSU.open();
    dm.LOKRA.setDatabase(host, lokraPath);
    dm.LOKRA.open();
    store::PageModel model;
    RecordingMessages messages;
    PeriodView view;
    PeriodWorkflow workflow(dm, model, messages, view);
    TimedOutput output(QDir(home).filePath(QStringLiteral("Eksport/ERR_2013-01-01_2013-06-30.pdf")));
    output.start();
    const qint64 start = output.nowNs();
    const bool done = workflow.importPeriod(
        {QStringLiteral("01"), QStringLiteral("2013"), QStringLiteral("06"), QStringLiteral("2013")}, output);
    const qint64 total = output.nowNs() - start;
    output.finish();
    r.insert(QStringLiteral("done"), done ? QStringLiteral("yes") : QStringLiteral("NO"));
    r.insert(QStringLiteral("ms.total"), QString::number(double(total) / 1e6, 'f', 1));
    r.insert(QStringLiteral("ms.withoutPdf"), QString::number(double(total - output.pdfNs()) / 1e6, 'f', 1));
    output.report(r);
    r.insert(QStringLiteral("active"), model.shownText(QStringLiteral("Jvl_poz_akt")));
    r.insert(QStringLiteral("importReportRows"), QString::number(workflow.importReport.rowCount()));
    r.insert(QStringLiteral("errorReportRows"), QString::number(workflow.errorReport.rowCount()));
    QStringList said;
    for (const RecordingMessages::Entry &e : messages.entries())
        said << e.text.left(60).replace(u'\r', u' ');
    r.insert(QStringLiteral("messages"), said.join(QStringLiteral(" / ")));
    // Every figure of the pages, so that runs can be compared.
    QStringList figures;
    for (const QString &control : store::PageModel::statisticsControls() + store::PageModel::activeLostControls())
        figures << control + u'=' + model.shownText(control);
    r.insert(QStringLiteral("figures"), figures.join(u' '));
    // "Pokaż umowy" on every figure: its lists read and made into the rows the window shows.
    double slowestMs = 0;
    QString slowest;
    for (const store::Figure &figure : store::figures()) {
        QElapsedTimer clock;
        clock.start();
        const std::optional<FigureExplanation> explanation = workflow.explainFigure(figure.valueControl);
        if (!explanation)
            continue;
        const qsizetype rows = reports::figureContractsList(explanation->contracts).rows.size()
                               + reports::unclassifiedContractsList(explanation->unclassified).rows.size();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (ms >= slowestMs) {
            slowestMs = ms;
            slowest = QStringLiteral("%1, %2 rows").arg(figure.countColumn).arg(rows);
        }
    }
    r.insert(QStringLiteral("ms.slowestList"), QString::number(slowestMs, 'f', 1));
    r.insert(QStringLiteral("slowestList"), slowest);
    return r;
}

int runChild(const QStringList &args)
{
    // --child KIND host lokra ksu home outFile
    const QString kind = args.value(0);
    const QString host = args.value(1) == u"-" ? QString() : args.value(1);
    Results r;
    try {
        if (kind == u"floor")
            r = childFloor(host, args.value(2), false);
        else if (kind == u"floor-quoted")
            r = childFloor(host, args.value(2), true);
        else if (kind == u"verify")
            r = childVerify(host, args.value(2));
        else if (kind == u"import")
            r = childImport(host, args.value(2), args.value(3), args.value(4));
        else
            throw db::Error(QStringLiteral("unknown child ") + kind);
    } catch (const std::exception &e) {
        r.insert(QStringLiteral("error"), QString::fromUtf8(e.what()).replace(u'\n', u' '));
    }
    writeResults(args.value(5), r);
    return r.contains(QStringLiteral("error")) ? 1 : 0;
}

struct ChildRun
{
    Results results;
    long maxRssKb = 0;
    double wallMs = 0;
};

// Runs this program as a child and collects its results and its peak memory.
ChildRun spawnChild(const QString &kind, const QString &host, const QString &lokra, const QString &ksu,
                    const QString &home, const QString &resultFile)
{
    QFile::remove(resultFile);
    QList<QByteArray> argv{QCoreApplication::applicationFilePath().toLocal8Bit(),
                           QByteArrayLiteral("--child"),
                           kind.toLocal8Bit(),
                           host.isEmpty() ? QByteArrayLiteral("-") : host.toLocal8Bit(),
                           lokra.toLocal8Bit(),
                           ksu.toLocal8Bit(),
                           home.toLocal8Bit(),
                           resultFile.toLocal8Bit()};
    std::vector<char *> pointers;
    for (QByteArray &a : argv)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    QElapsedTimer t;
    t.start();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, pointers[0], nullptr, nullptr, pointers.data(), environ);
    if (spawned != 0)
        throw db::Error(QStringLiteral("cannot start %1: %2")
                            .arg(QString::fromLocal8Bit(argv[0]), QString::fromLocal8Bit(strerror(spawned))));
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) < 0)
        throw db::Error(QStringLiteral("cannot wait for a child"));
    ChildRun run;
    run.wallMs = msSince(t);
    run.maxRssKb = usage.ru_maxrss;
    run.results = readResults(resultFile);
    if (run.results.isEmpty())
        run.results.insert(QStringLiteral("error"), QStringLiteral("child ended with status %1").arg(status));
    return run;
}

double num(const Results &r, const QString &key)
{
    return r.value(key).toDouble();
}

QString seconds(double ms)
{
    return QString::number(ms / 1000.0, 'f', 2) + QStringLiteral(" s");
}

// The best of the repeated runs (the least disturbed by the rest of the machine).
ChildRun best(const QList<ChildRun> &runs, const QString &key)
{
    ChildRun b = runs.first();
    for (const ChildRun &r : runs) {
        if (!r.results.contains(QStringLiteral("error")) && num(r.results, key) < num(b.results, key))
            b = r;
    }
    return b;
}

struct Options
{
    QList<int> sizes;
    QStringList engines;
    QString workDir;
    quint64 seed = 0;
    int repeat = 3;
    bool verify = true;
    bool quotedFloor = false;
};

QString hostOf(const QString &engine)
{
    return engine == u"server" ? QStringLiteral("127.0.0.1") : QString();
}

// The fund of N contracts in its folder, generated unless the folder holds one made
// with the same N, seed and schema.
QString prepareFund(const QDir &dir, int n, quint64 seed)
{
    dir.mkpath(QStringLiteral("."));
    const QString lokra = dir.filePath(QStringLiteral("lokra.fdb"));
    QFile stamp(dir.filePath(QStringLiteral("fund.txt")));
    const QString wanted = QStringLiteral("contracts=%1 seed=%2 generator=%3 schema=%4")
                               .arg(n)
                               .arg(seed)
                               .arg(demo::GeneratorVersion)
                               .arg(qHash(demo::lokraSchemaScript()));
    const bool reuse = QFile::exists(lokra) && stamp.open(QIODevice::ReadOnly)
                       && QString::fromUtf8(stamp.readAll()).trimmed() == wanted;
    stamp.close();
    if (reuse) {
        out() << "fund reused from " << dir.path() << Qt::endl;
        return lokra;
    }
    QFile::remove(lokra);
    QElapsedTimer t;
    t.start();
    demo::FundOptions options;
    options.contracts = n;
    options.seed = seed;
    const demo::FundSummary fund = demo::createLokraDatabase(lokra, options);
    out() << "generated in " << seconds(msSince(t)) << ": " << fund.clients << " clients, " << fund.ledgerEntries
          << " ledger entries, " << fund.scheduleRows << " schedule rows, " << fund.rows << " rows in all" << Qt::endl;
    if (stamp.open(QIODevice::WriteOnly | QIODevice::Truncate))
        stamp.write(wanted.toUtf8());
    return lokra;
}

void printVerification(const Results &verify)
{
    if (verify.contains(QStringLiteral("error"))) {
        out() << "verification failed: " << verify.value(QStringLiteral("error")) << Qt::endl;
        return;
    }
    out() << "statements sent in place of the quoted ones (rows compared one by one, in order):" << Qt::endl;
    for (auto it = verify.cbegin(); it != verify.cend(); ++it) {
        if (!it.key().startsWith(u"same."))
            continue;
        const QString name = it.key().mid(5);
        out() << "  " << name << ": same rows (answers) in the same order: " << it.value() << " ("
              << verify.value(QStringLiteral("rows.") + name) << " rows; quoted "
              << verify.value(QStringLiteral("ms.%1.quoted").arg(name)) << " ms, sent "
              << verify.value(QStringLiteral("ms.%1.sent").arg(name)) << " ms)" << Qt::endl;
        if (verify.contains(QStringLiteral("plan.%1.sent").arg(name))) {
            out() << "      quoted plan: " << verify.value(QStringLiteral("plan.") + name) << Qt::endl;
            out() << "      sent plan:   " << verify.value(QStringLiteral("plan.%1.sent").arg(name)) << Qt::endl;
        }
    }
    out() << "plans of the statements sent as quoted:" << Qt::endl;
    for (auto it = verify.cbegin(); it != verify.cend(); ++it) {
        if (it.key().startsWith(u"plan.") && !it.key().endsWith(u".sent")
            && !verify.contains(it.key() + QStringLiteral(".sent")))
            out() << "  " << it.key().mid(5) << ": " << it.value() << Qt::endl;
    }
}

struct EngineRuns
{
    QList<ChildRun> floors;
    QList<ChildRun> imports;
};

void printEngine(const QString &engine, const ChildRun &floor, const ChildRun &imp)
{
    for (const ChildRun *run : {&floor, &imp}) {
        if (run->results.contains(QStringLiteral("error")))
            out() << engine << ": " << run->results.value(QStringLiteral("error")) << Qt::endl;
    }
    const double floorMs = num(floor.results, QStringLiteral("ms.total"));
    const double importMs = num(imp.results, QStringLiteral("ms.withoutPdf"));
    const double pdfMs = num(imp.results, QStringLiteral("ms.importPdf"));
    const QString host = hostOf(engine);
    out() << Qt::endl
          << "-- " << engine << (host.isEmpty() ? QString() : QStringLiteral(" (") + host + u')') << Qt::endl;
    out() << "floor statements (ms/rows):";
    for (const char *name : {"Q1", "Q2", "Q3", "Q4", "Q5", "Q6", "A", "B", "C", "D", "payout", "P"}) {
        const QString k = QString::fromLatin1(name);
        out() << ' ' << k << ' ' << floor.results.value(QStringLiteral("ms.") + k) << '/'
              << floor.results.value(QStringLiteral("rows.") + k);
    }
    out() << Qt::endl;
    out() << "floor                        " << seconds(floorMs) << "   (peak memory " << floor.maxRssKb / 1024
          << " MB)" << Qt::endl;
    out() << "import without the PDFs      " << seconds(importMs) << "   ratio to the floor "
          << QString::number(importMs / floorMs, 'f', 2) << Qt::endl;
    out() << "import report PDF            " << seconds(pdfMs) << "   "
          << QString::number(100.0 * pdfMs / importMs, 'f', 1) << " % of the import ("
          << imp.results.value(QStringLiteral("importReportRows")) << " table rows)" << Qt::endl;
    out() << "error report PDF             " << seconds(num(imp.results, QStringLiteral("ms.errorPdf"))) << "   ("
          << imp.results.value(QStringLiteral("errorReportRows")) << " table rows; the window previews it instead)"
          << Qt::endl;
    out() << "import total with the PDFs   " << seconds(num(imp.results, QStringLiteral("ms.total"))) << Qt::endl;
    out() << "import peak memory           " << imp.maxRssKb / 1024 << " MB" << Qt::endl;
    out() << "slowest contracts list       " << imp.results.value(QStringLiteral("ms.slowestList")) << " ms ("
          << imp.results.value(QStringLiteral("slowestList")) << ")" << Qt::endl;
    out() << "responsiveness: " << imp.results.value(QStringLiteral("responsive.calls"))
          << " chances to redraw; longest stretch without one "
          << imp.results.value(QStringLiteral("responsive.maxGapMs")) << " ms (from progress "
          << imp.results.value(QStringLiteral("responsive.maxGapAtProgress")) << "); a 10 ms event timer fired at most "
          << imp.results.value(QStringLiteral("responsive.maxTimerDelayMs")) << " ms late (at progress "
          << imp.results.value(QStringLiteral("responsive.maxTimerDelayAtProgress")) << ")" << Qt::endl;
    out() << "progress timeline (ms):";
    for (auto it = imp.results.cbegin(); it != imp.results.cend(); ++it) {
        if (it.key().startsWith(u"at."))
            out() << ' ' << it.key().mid(3).toInt() << '@' << it.value();
    }
    out() << Qt::endl << "messages: " << imp.results.value(QStringLiteral("messages")) << Qt::endl;
}

int runBenchmark(const Options &o)
{
    QDir work(QDir(o.workDir).absolutePath());
    work.mkpath(QStringLiteral("."));
    out() << "Tervala import benchmark: period 01/2013-06/2013; " << o.repeat
          << " run(s) of each measurement, engines taking turns; the best run is shown" << Qt::endl;
    for (int n : o.sizes) {
        out() << Qt::endl << "== N = " << n << " contracts" << Qt::endl;
        const QDir dir(work.filePath(QStringLiteral("n%1").arg(n)));
        const QString lokra = prepareFund(dir, n, o.seed);
        const QString result = dir.filePath(QStringLiteral("result.txt"));
        if (o.verify)
            printVerification(
                spawnChild(QStringLiteral("verify"), hostOf(o.engines.first()), lokra, {}, {}, result).results);

        QMap<QString, EngineRuns> runs;
        for (int i = 0; i < o.repeat; ++i) {
            for (const QString &engine : o.engines) {
                const QString host = hostOf(engine);
                runs[engine].floors << spawnChild(QStringLiteral("floor"), host, lokra, {}, {}, result);
                const QString home = dir.filePath(QStringLiteral("home-%1").arg(engine));
                QDir(home).removeRecursively();
                QDir().mkpath(home);
                const QString ksu = QDir(home).filePath(QStringLiteral("ksu.fdb"));
                store::createReportingDatabase(ksu);
                runs[engine].imports << spawnChild(QStringLiteral("import"), host, lokra, ksu, home, result);
            }
        }
        QMap<QString, ChildRun> bestImport;
        for (const QString &engine : o.engines) {
            const ChildRun floor = best(runs[engine].floors, QStringLiteral("ms.total"));
            bestImport[engine] = best(runs[engine].imports, QStringLiteral("ms.withoutPdf"));
            printEngine(engine, floor, bestImport[engine]);
        }
        if (o.quotedFloor) {
            const ChildRun quoted =
                spawnChild(QStringLiteral("floor-quoted"), hostOf(o.engines.first()), lokra, {}, {}, result);
            out() << Qt::endl
                  << "floor with every statement as quoted (" << o.engines.first()
                  << ", one run): " << seconds(num(quoted.results, QStringLiteral("ms.total"))) << Qt::endl;
        }
        if (bestImport.contains(QStringLiteral("embedded")) && bestImport.contains(QStringLiteral("server"))) {
            const Results &e = bestImport[QStringLiteral("embedded")].results;
            const Results &s = bestImport[QStringLiteral("server")].results;
            out() << Qt::endl
                  << "server/embedded import time: "
                  << QString::number(num(s, QStringLiteral("ms.withoutPdf")) / num(e, QStringLiteral("ms.withoutPdf")),
                                     'f', 2)
                  << "; the same figures on both engines: "
                  << (e.value(QStringLiteral("figures")) == s.value(QStringLiteral("figures")) ? "yes" : "NO")
                  << Qt::endl;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 2 && qstrcmp(argv[1], "--child") == 0) {
        // The import writes PDFs, which need fonts, hence a GUI application without a screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            const QByteArray runtime = QDir::tempPath().toLocal8Bit() + "/tervala-runtime";
            QDir().mkpath(QString::fromLocal8Bit(runtime));
            QFile::setPermissions(QString::fromLocal8Bit(runtime),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", runtime);
        }
        QGuiApplication app(argc, argv);
        return runChild(app.arguments().mid(2));
    }
    QCoreApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Import benchmark on generated demo funds."));
    parser.addHelpOption();
    const QCommandLineOption contracts(QStringLiteral("contracts"), QStringLiteral("Fund sizes, comma-separated."),
                                       QStringLiteral("N,..."), QStringLiteral("1000,10000"));
    const QCommandLineOption engines(QStringLiteral("engines"), QStringLiteral("embedded and/or server."),
                                     QStringLiteral("E,..."), QStringLiteral("embedded,server"));
    const QCommandLineOption work(QStringLiteral("work"), QStringLiteral("Folder for the funds."),
                                  QStringLiteral("DIR"), QStringLiteral("/tmp/tervala-bench"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Generator seed."), QStringLiteral("S"),
                                  QStringLiteral("20130630"));
    const QCommandLineOption repeat(QStringLiteral("repeat"), QStringLiteral("Runs of each measurement."),
                                    QStringLiteral("R"), QStringLiteral("3"));
    const QCommandLineOption noVerify(QStringLiteral("no-verify"),
                                      QStringLiteral("Skip comparing the sent statements with the quoted ones."));
    const QCommandLineOption quoted(QStringLiteral("quoted-floor"),
                                    QStringLiteral("Also time the floor with every statement as quoted (slow)."));
    parser.addOptions({contracts, engines, work, seed, repeat, noVerify, quoted});
    parser.process(app);

    Options o;
    for (const QString &n : parser.value(contracts).split(u',', Qt::SkipEmptyParts))
        o.sizes << n.toInt();
    o.engines = parser.value(engines).split(u',', Qt::SkipEmptyParts);
    o.workDir = parser.value(work);
    o.seed = parser.value(seed).toULongLong();
    o.repeat = std::max(1, parser.value(repeat).toInt());
    o.verify = !parser.isSet(noVerify);
    o.quotedFloor = parser.isSet(quoted);
    for (const QString &e : std::as_const(o.engines)) {
        if (e != u"embedded" && e != u"server") {
            QTextStream(stderr) << "tervala-bench: unknown engine " << e << Qt::endl;
            return 2;
        }
    }
    if (o.sizes.isEmpty() || o.engines.isEmpty() || o.sizes.contains(0)) {
        QTextStream(stderr) << "tervala-bench: nothing to measure" << Qt::endl;
        return 2;
    }
    try {
        return runBenchmark(o);
    } catch (const std::exception &e) {
        QTextStream(stderr) << "tervala-bench: " << QString::fromUtf8(e.what()) << Qt::endl;
        return 1;
    }
}
