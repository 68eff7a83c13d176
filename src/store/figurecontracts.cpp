#include "figurecontracts.h"

#include "common/csv.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "db/whilebeating.h"
#include "fields.h"
#include "pagemodel.h"
#include "statisticpairs.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <tuple>
#include <vector>

namespace store {

namespace {

// Contract numbers are whole numbers in Lokra: sorted as numbers, a text that is
// none after them.
template <typename Row>
void sortByContract(QList<Row> &rows)
{
    struct Key
    {
        bool text;
        qint64 number;
        qsizetype row;
    };
    std::vector<Key> keys;
    keys.reserve(std::size_t(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        bool ok = false;
        const qint64 n = rows[i].contract.toLongLong(&ok);
        keys.push_back({!ok, ok ? n : 0, i});
    }
    std::stable_sort(keys.begin(), keys.end(), [&](const Key &a, const Key &b) {
        if (a.text != b.text || a.number != b.number)
            return std::tie(a.text, a.number) < std::tie(b.text, b.number);
        return a.text && rows[a.row].contract < rows[b.row].contract;
    });
    QList<Row> sorted;
    sorted.reserve(rows.size());
    for (const Key &k : keys)
        sorted.append(std::move(rows[k.row]));
    rows = std::move(sorted);
}

} // namespace

const QList<Figure> &figures()
{
    static const QList<Figure> all = [] {
        QList<Figure> list;
        for (const StatisticPair &p : StatisticPairs) {
            list.append({toQString(p.countColumn), toQString(p.valueColumn), toQString(p.countControl),
                         toQString(p.valueControl),
                         toQString(StatisticGroups.at(std::size_t(p.group)).heading) + QStringLiteral(": ")
                             + toQString(p.caption),
                         p.group});
        }
        for (const ActiveLostRow &r : ActiveLostRows) {
            if (r.count.kind != FieldKind::Count)
                continue; // the loss ratio
            list.append({toQString(r.count.column), toQString(r.value.column), toQString(r.count.control),
                         toQString(r.value.control), toQString(r.number) + u' ' + toQString(r.caption), -1});
        }
        return list;
    }();
    return all;
}

const Figure *figureOfColumn(const QString &column)
{
    const QString wanted = column.trimmed().toUpper();
    for (const Figure &f : figures()) {
        if (f.countColumn == wanted || f.valueColumn == wanted)
            return &f;
    }
    return nullptr;
}

const Figure *figureOfControl(const QString &control)
{
    for (const Figure &f : figures()) {
        if (f.countControl == control || f.valueControl == control)
            return &f;
    }
    return nullptr;
}

QStringList figureColumns()
{
    QStringList names;
    for (const Figure &f : figures())
        names << f.countColumn << f.valueColumn;
    return names;
}

namespace {

// Each list is kept as the text of a CSV file, a header line and one line per
// contract in ascending contract number, amounts exact to the ten-thousandth.
const QStringList FigureHeader{QStringLiteral("umowa"), QStringLiteral("klient"), QStringLiteral("liczona"),
                               QStringLiteral("kwota")};
const QStringList UnclassifiedHeader{QStringLiteral("umowa"), QStringLiteral("klient"), QStringLiteral("kwota"),
                                     QStringLiteral("komunikat")};

QString exactAmount(db::Money amount)
{
    return amount.format(db::Money::Decimals, u',');
}

QString figureList(QList<FigureContract> rows)
{
    sortByContract(rows);
    QList<QStringList> lines{FigureHeader};
    lines.reserve(rows.size() + 1);
    for (const FigureContract &r : std::as_const(rows))
        lines.append(
            {r.contract, r.client, r.counted ? QStringLiteral("1") : QStringLiteral("0"), exactAmount(r.amount)});
    return csv::lines(lines);
}

QString unclassifiedList(QList<UnclassifiedContract> rows)
{
    sortByContract(rows);
    QList<QStringList> lines{UnclassifiedHeader};
    lines.reserve(rows.size() + 1);
    for (const UnclassifiedContract &r : std::as_const(rows))
        lines.append({r.contract, r.client, exactAmount(r.amount), r.message});
    return csv::lines(lines);
}

// The lines of a stored list after its header; each has as many fields as the header.
QList<QStringList> storedLines(db::Query &query, const QStringList &header, const QString &name)
{
    if (!query.next())
        return {};
    QList<QStringList> lines = csv::parse(query.value(0).toString());
    const auto malformed = [&](const QStringList &line) { return line.size() != header.size(); };
    if (lines.isEmpty() || lines.first() != header || std::any_of(lines.begin(), lines.end(), malformed))
        throw db::Error(QStringLiteral("Zapisana lista umów %1 jest uszkodzona. Zaimportuj okres ponownie, aby ją "
                                       "odtworzyć.")
                            .arg(name));
    lines.removeFirst();
    return lines;
}

db::Money storedAmount(const QString &text, const QString &name)
{
    const std::optional<db::Money> amount = db::Money::parse(text);
    if (!amount)
        throw db::Error(QStringLiteral("Zapisana lista umów %1 ma błędną kwotę \"%2\".").arg(name, text));
    return *amount;
}

} // namespace

void StoreFigureContracts(db::Connection &ksu, qint64 periodId, const FigureContracts &contracts,
                          const std::function<void()> &heartbeat)
{
    // The lists are put together and written on a thread of their own while the
    // window redraws: a large fund has hundreds of thousands of lines.
    db::whileBeating(heartbeat, [&] {
        QHash<QString, QList<FigureContract>> byColumn;
        for (const FigureContract &f : contracts.figures)
            byColumn[f.column].append(f);
        QList<QList<UnclassifiedContract>> byBreakdown(qsizetype(StatisticGroups.size()));
        for (const UnclassifiedContract &u : contracts.unclassified)
            byBreakdown[u.breakdown].append(u);

        db::Query(ksu, QStringLiteral("delete from LISTY_UMOW where ID_OK=:d0")).execute({periodId});
        // Every figure and every breakdown has its list, empty ones too: a period
        // with lists is told from one imported before they were kept.
        db::Query insert(ksu, QStringLiteral("insert into LISTY_UMOW (ID_OK,KOLUMNA,PODZIAL,LISTA) values "
                                             "(:d0,:d1,:d2,:d3)"));
        for (const Figure &f : figures())
            insert.execute({periodId, f.countColumn, db::Param(), figureList(byColumn.take(f.countColumn))});
        for (int b = 0; b < int(byBreakdown.size()); ++b)
            insert.execute({periodId, db::Param(), b, unclassifiedList(byBreakdown[b])});
    });
}

bool HasFigureContracts(db::Connection &ksu, qint64 periodId)
{
    db::Query query(ksu, QStringLiteral("select first 1 1 from LISTY_UMOW where ID_OK=:d0"));
    query.execute({periodId});
    return query.next();
}

std::optional<QList<FigureContract>> LoadFigureContracts(db::Connection &ksu, qint64 periodId, const QString &column)
{
    const Figure *figure = figureOfColumn(column);
    if (!figure)
        return std::nullopt;
    const QString &countColumn = figure->countColumn;
    db::Query query(ksu, QStringLiteral("select LISTA from LISTY_UMOW where ID_OK=:d0 and KOLUMNA=:d1"));
    query.execute({periodId, countColumn});
    QList<FigureContract> rows;
    for (const QStringList &line : storedLines(query, FigureHeader, countColumn))
        rows.append({countColumn, line[0], line[1], line[2] == u'1', storedAmount(line[3], countColumn)});
    return rows;
}

QList<UnclassifiedContract> LoadUnclassifiedContracts(db::Connection &ksu, qint64 periodId, int breakdown)
{
    db::Query query(ksu, QStringLiteral("select LISTA from LISTY_UMOW where ID_OK=:d0 and KOLUMNA is null and "
                                        "PODZIAL=:d1"));
    query.execute({periodId, breakdown});
    const QString name = toQString(StatisticGroups.at(std::size_t(breakdown)).heading);
    QList<UnclassifiedContract> rows;
    for (const QStringList &line : storedLines(query, UnclassifiedHeader, name))
        rows.append({breakdown, line[0], line[1], storedAmount(line[2], name), line[3]});
    return rows;
}

} // namespace store
