#include "history.h"

#include "db/connection.h"
#include "db/query.h"
#include "fields.h"
#include "pagemodel.h"
#include "statisticpairs.h"

namespace store {

namespace {

const QString StatisticsPage = QStringLiteral("Dane zbiorcze");
const QString ActiveLostPage = QStringLiteral("Aktywne i stracone pożyczki");

FigureKind kindOf(const FieldSpec &spec)
{
    switch (spec.kind) {
    case FieldKind::Money:
        return FigureKind::Money;
    case FieldKind::Decimal:
        return FigureKind::Ratio;
    default:
        return FigureKind::Count;
    }
}

QList<HistoryFigure> makeFigures()
{
    QList<HistoryFigure> figures;
    for (const StatisticPair &p : StatisticPairs) {
        const QString group = toQString(StatisticGroups[std::size_t(p.group)].heading);
        const QString item = toQString(p.caption);
        figures.append({toQString(p.countColumn), StatisticsPage, group, item, QStringLiteral("liczba pożyczek"),
                        FigureKind::Count, p.group});
        figures.append({toQString(p.valueColumn), StatisticsPage, group, item, QStringLiteral("wartość pożyczek"),
                        FigureKind::Money, p.group});
    }
    for (const ActiveLostRow &r : ActiveLostRows) {
        const QString caption = toQString(r.caption);
        const QString item = toQString(r.number) + u' ' + caption;
        const bool ratio = r.count.kind == FieldKind::Decimal;
        figures.append({toQString(r.count.column), ActiveLostPage, caption, item,
                        ratio ? QStringLiteral("wg liczby") : QStringLiteral("liczba pożyczek"), kindOf(r.count)});
        figures.append({toQString(r.value.column), ActiveLostPage, caption, item,
                        ratio ? QStringLiteral("wg wartości") : QStringLiteral("wartość pożyczek"), kindOf(r.value)});
    }
    return figures;
}

FigureValue readFigure(const db::Query &row, const HistoryFigure &figure)
{
    // A database from before a schema upgrade lacks a few columns: they have no values.
    if (!row.hasColumn(figure.column))
        return {};
    const db::Value &v = row.value(figure.column);
    if (v.isNull())
        return {};
    switch (figure.kind) {
    case FigureKind::Count:
        return v.toInt();
    case FigureKind::Money:
        return v.toMoney();
    case FigureKind::Ratio:
        return v.toDouble();
    }
    return {};
}

} // namespace

QString HistoryFigure::caption() const
{
    return item + QStringLiteral(" – ") + measure;
}

QString HistoryFigure::unit() const
{
    switch (kind) {
    case FigureKind::Count:
        return QStringLiteral("szt.");
    case FigureKind::Money:
        return QStringLiteral("zł");
    case FigureKind::Ratio:
        return QStringLiteral("%");
    }
    return {};
}

const QList<HistoryFigure> &historyFigures()
{
    static const QList<HistoryFigure> figures = makeFigures();
    return figures;
}

int historyFigureIndex(const QString &column)
{
    const QList<HistoryFigure> &figures = historyFigures();
    for (int i = 0; i < figures.size(); ++i) {
        if (figures[i].column.compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QStringList historyColumns()
{
    QStringList columns;
    for (const HistoryFigure &f : historyFigures())
        columns << f.column;
    return columns;
}

QList<PeriodFigures> LoadPeriodHistory(db::Connection &ksu)
{
    db::Query rows(ksu, QStringLiteral("select o.ID_OK as PERIOD_ID, o.ODK as PERIOD_FIRST, o.DOK as PERIOD_LAST, "
                                       "p.*, a.* from OKRES o left join POZYCZKI p on p.ID_OK=o.ID_OK "
                                       "left join AKT_STR a on a.ID_OK=o.ID_OK order by o.ODK, o.DOK, o.ID_OK"));
    rows.execute();
    const QList<HistoryFigure> &figures = historyFigures();
    QList<PeriodFigures> periods;
    while (rows.next()) {
        PeriodFigures period;
        period.id = rows.value(u"PERIOD_ID").toInt();
        period.first = rows.value(u"PERIOD_FIRST").toDate();
        period.last = rows.value(u"PERIOD_LAST").toDate();
        period.values.reserve(figures.size());
        for (const HistoryFigure &figure : figures)
            period.values.append(readFigure(rows, figure));
        periods.append(std::move(period));
    }
    return periods;
}

QString periodLabel(const PeriodFigures &period)
{
    if (period.first.year() == period.last.year())
        return period.first.toString(QStringLiteral("MM")) + u'–' + period.last.toString(QStringLiteral("MM.yyyy"));
    return period.first.toString(QStringLiteral("MM.yyyy")) + u'–' + period.last.toString(QStringLiteral("MM.yyyy"));
}

} // namespace store
