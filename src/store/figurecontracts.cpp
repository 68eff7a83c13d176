#include "figurecontracts.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/whilebeating.h"
#include "fields.h"
#include "pagemodel.h"
#include "statisticpairs.h"

#include <QStringList>

#include <algorithm>
#include <functional>

namespace store {

namespace {

// Contract numbers are whole numbers in Lokra: sorted as numbers, a text that is
// none after them.
template <typename Row>
void sortByContract(QList<Row> &rows)
{
    const auto key = [](const Row &r) {
        bool ok = false;
        const qint64 n = r.contract.toLongLong(&ok);
        return std::make_tuple(!ok, ok ? n : 0, r.contract);
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const Row &a, const Row &b) { return key(a) < key(b); });
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

// One UMOWY_FIG row as the insert binds it.
struct Row
{
    db::Param kolumna, podzial, umowa, klient, liczona, kwota, komunikat;
};

constexpr int ColumnsPerRow = 8; // ID_OK and the seven of Row
constexpr int RowsPerBatch = 16;

// An EXECUTE BLOCK that inserts RowsPerBatch rows at once: one statement a batch
// instead of one a row, which is most of what a row costs. Larger batches cost
// more a row again (64 rows took half as long again as 16).
QString batchInsert()
{
    static const char *const types[ColumnsPerRow] = {"INTEGER",      "VARCHAR(20)", "INTEGER",       "VARCHAR(30)",
                                                     "VARCHAR(200)", "INTEGER",     "DECIMAL(18,4)", "VARCHAR(200)"};
    QStringList inputs;
    QStringList inserts;
    for (int r = 0; r < RowsPerBatch; ++r) {
        QStringList values;
        for (int c = 0; c < ColumnsPerRow; ++c) {
            const int n = r * ColumnsPerRow + c;
            inputs << QStringLiteral("v%1 %2 = :d%1").arg(n).arg(QLatin1String(types[c]));
            values << QStringLiteral(":v%1").arg(n);
        }
        inserts << QStringLiteral("insert into UMOWY_FIG (ID_OK,KOLUMNA,PODZIAL,UMOWA,KLIENT,LICZONA,KWOTA,KOMUNIKAT) "
                                  "values (%1);")
                       .arg(values.join(u','));
    }
    return QStringLiteral("execute block (%1) as begin %2 end").arg(inputs.join(u','), inserts.join(u' '));
}

} // namespace

void StoreFigureContracts(db::Connection &ksu, qint64 periodId, const FigureContracts &contracts,
                          const std::function<void()> &heartbeat)
{
    QList<Row> rows;
    rows.reserve(contracts.figures.size() + contracts.unclassified.size());
    for (const FigureContract &f : contracts.figures) {
        rows.append({f.column, db::Param(), f.contract, f.client, f.counted ? 1 : 0, f.amount, db::Param()});
        if (heartbeat && rows.size() % 1024 == 0)
            heartbeat();
    }
    for (const UnclassifiedContract &u : contracts.unclassified)
        rows.append({db::Param(), u.breakdown, u.contract, u.client, 0, u.amount, u.message});

    const auto bindRow = [&](db::Query &query, int first, const Row &row) {
        const db::Param values[ColumnsPerRow] = {periodId,   row.kolumna, row.podzial, row.umowa,
                                                 row.klient, row.liczona, row.kwota,   row.komunikat};
        for (int c = 0; c < ColumnsPerRow; ++c)
            query.bind(first + c, values[c]);
    };
    // The statements run on a thread of their own while the window redraws: a
    // period imported again may have many rows to delete, and now and then an
    // insert waits long for the engine (the database file grows).
    db::whileBeating(heartbeat, [&] {
        db::Query(ksu, QStringLiteral("delete from UMOWY_FIG where ID_OK=:d0")).execute({periodId});
        qsizetype next = 0;
        if (rows.size() >= RowsPerBatch) {
            db::Query batch(ksu, batchInsert());
            for (; next + RowsPerBatch <= rows.size(); next += RowsPerBatch) {
                for (int r = 0; r < RowsPerBatch; ++r)
                    bindRow(batch, r * ColumnsPerRow, rows[next + r]);
                batch.execute();
            }
        }
        db::Query single(ksu, QStringLiteral("insert into UMOWY_FIG (ID_OK,KOLUMNA,PODZIAL,UMOWA,KLIENT,LICZONA,"
                                             "KWOTA,KOMUNIKAT) values (:d0,:d1,:d2,:d3,:d4,:d5,:d6,:d7)"));
        for (; next < rows.size(); ++next) {
            bindRow(single, 0, rows[next]);
            single.execute();
        }
    });
}

bool HasFigureContracts(db::Connection &ksu, qint64 periodId)
{
    db::Query query(ksu, QStringLiteral("select first 1 1 from UMOWY_FIG where ID_OK=:d0"));
    query.execute({periodId});
    return query.next();
}

std::optional<QList<FigureContract>> LoadFigureContracts(db::Connection &ksu, qint64 periodId, const QString &column)
{
    const Figure *figure = figureOfColumn(column);
    if (!figure)
        return std::nullopt;
    const QString &countColumn = figure->countColumn;
    db::Query query(ksu, QStringLiteral("select UMOWA,KLIENT,LICZONA,KWOTA from UMOWY_FIG where ID_OK=:d0 and "
                                        "KOLUMNA=:d1"));
    query.execute({periodId, countColumn});
    QList<FigureContract> rows;
    while (query.next()) {
        rows.append({countColumn, query.value(0).toString(), query.value(1).toString(), query.value(2).toInt() != 0,
                     query.value(3).toMoney()});
    }
    sortByContract(rows);
    return rows;
}

QList<UnclassifiedContract> LoadUnclassifiedContracts(db::Connection &ksu, qint64 periodId, int breakdown)
{
    db::Query query(ksu, QStringLiteral("select UMOWA,KLIENT,KWOTA,KOMUNIKAT from UMOWY_FIG where ID_OK=:d0 and "
                                        "KOLUMNA is null and PODZIAL=:d1"));
    query.execute({periodId, breakdown});
    QList<UnclassifiedContract> rows;
    while (query.next()) {
        rows.append({breakdown, query.value(0).toString(), query.value(1).toString(), query.value(2).toMoney(),
                     query.value(3).toString()});
    }
    sortByContract(rows);
    return rows;
}

} // namespace store
