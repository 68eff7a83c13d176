#include "periodcomparison.h"

#include "store/periods.h"

#include <QFont>
#include <QLocale>

#include <cmath>

namespace reports {

namespace {

const QChar NoBreakSpace(0x00A0);

QLocale polish()
{
    return QLocale(QLocale::Polish, QLocale::Poland);
}

QString signedText(const QString &text, bool positive, NumberStyle style)
{
    return style == NumberStyle::Reading && positive ? u'+' + text : text;
}

QString percentText(double percent, NumberStyle style)
{
    if (style == NumberStyle::Plain)
        return QString::number(percent, 'f', 2).replace(u'.', u',');
    return signedText(polish().toString(percent, 'f', 1), percent > 0, style);
}

bool isPositive(const store::FigureValue &value)
{
    if (const auto *count = std::get_if<qint64>(&value))
        return *count > 0;
    if (const auto *money = std::get_if<db::Money>(&value))
        return *money > db::Money();
    if (const auto *ratio = std::get_if<double>(&value))
        return *ratio > 0;
    return false;
}

} // namespace

QString figureText(const store::FigureValue &value, NumberStyle style)
{
    const bool reading = style == NumberStyle::Reading;
    if (const auto *count = std::get_if<qint64>(&value))
        return reading ? polish().toString(*count) : QString::number(*count);
    if (const auto *money = std::get_if<db::Money>(&value))
        return money->format(2, u',', reading ? NoBreakSpace : QChar());
    if (const auto *ratio = std::get_if<double>(&value))
        // Plain: the shortest text that reads back as the very number stored.
        return reading ? polish().toString(*ratio, 'f', 2)
                       : QString::number(*ratio, 'f', QLocale::FloatingPointShortest).replace(u'.', u',');
    return {};
}

FigureChange figureChange(const store::FigureValue &previous, const store::FigureValue &current)
{
    const auto percentOf = [](double before, double after) -> std::optional<double> {
        if (before == 0)
            return std::nullopt;
        return (after - before) * 100 / std::fabs(before);
    };
    // Both values of one kind: counts and amounts subtract exactly; the percent is a ratio.
    const auto change = [&](auto kind, auto toDouble) -> std::optional<FigureChange> {
        using T = decltype(kind);
        const T *before = std::get_if<T>(&previous);
        const T *after = std::get_if<T>(&current);
        if (!before || !after)
            return std::nullopt;
        return FigureChange{*after - *before, percentOf(toDouble(*before), toDouble(*after))};
    };
    if (auto c = change(qint64(), [](qint64 v) { return double(v); }))
        return *c;
    if (auto c = change(db::Money(), [](db::Money m) { return double(m.units()); }))
        return *c;
    if (auto c = change(0.0, [](double d) { return d; }))
        return *c;
    return {};
}

PeriodComparison::PeriodComparison(QObject *parent) : QAbstractTableModel(parent)
{
    const QList<store::HistoryFigure> &figures = store::historyFigures();
    QString page;
    QString group;
    for (int i = 0; i < figures.size(); ++i) {
        const store::HistoryFigure &f = figures[i];
        if (f.page != page) {
            page = f.page;
            m_rows.append({page, -1});
        }
        // The breakdowns of "Dane zbiorcze" head their categories; the items of the
        // second page carry their number and caption in every row.
        if (f.breakdown >= 0 && f.group != group) {
            group = f.group;
            m_rows.append({group, -1});
        }
        m_rows.append({QString(), i});
    }
}

void PeriodComparison::setPeriods(QList<store::PeriodFigures> periods)
{
    beginResetModel();
    m_periods = std::move(periods);
    m_first = 0;
    m_last = int(m_periods.size()) - 1;
    endResetModel();
}

void PeriodComparison::setRange(int first, int last)
{
    if (m_periods.isEmpty())
        return;
    const int top = int(m_periods.size()) - 1;
    first = std::clamp(first, 0, top);
    last = std::clamp(last, 0, top);
    beginResetModel();
    m_first = std::min(first, last);
    m_last = std::max(first, last);
    endResetModel();
}

void PeriodComparison::setShowChanges(bool show)
{
    beginResetModel();
    m_showChanges = show;
    endResetModel();
}

PeriodComparison::ColumnRole PeriodComparison::columnRole(int column) const
{
    if (column < CaptionColumns)
        return {-1, column == 0 ? ColumnRole::Caption : ColumnRole::Unit};
    const int offset = column - CaptionColumns;
    ColumnRole role;
    role.period = m_first + offset / columnsPerPeriod();
    switch (offset % columnsPerPeriod()) {
    case 0:
        role.part = ColumnRole::Value;
        break;
    case 1:
        role.part = ColumnRole::Difference;
        break;
    default:
        role.part = ColumnRole::Percent;
        break;
    }
    return role;
}

QString PeriodComparison::headerText(int column) const
{
    const ColumnRole role = columnRole(column);
    switch (role.part) {
    case ColumnRole::Caption:
        return QStringLiteral("Pozycja");
    case ColumnRole::Unit:
        return QStringLiteral("J.m.");
    case ColumnRole::Value:
        return store::periodLabel(m_periods.at(role.period));
    case ColumnRole::Difference:
        return QStringLiteral("Zmiana");
    case ColumnRole::Percent:
        return QStringLiteral("Zmiana %");
    }
    return {};
}

QString PeriodComparison::cellText(int row, int column, NumberStyle style) const
{
    const Row &r = m_rows.at(row);
    const ColumnRole role = columnRole(column);
    if (r.figure < 0)
        return role.part == ColumnRole::Caption ? r.heading : QString();
    const store::HistoryFigure &figure = store::historyFigures().at(r.figure);
    switch (role.part) {
    case ColumnRole::Caption:
        return figure.caption();
    case ColumnRole::Unit:
        return figure.unit();
    case ColumnRole::Value:
        return figureText(m_periods.at(role.period).values.at(r.figure), style);
    case ColumnRole::Difference:
    case ColumnRole::Percent:
        break;
    }
    // The change against the period stored before, shown or not; the first period has none.
    if (role.period == 0)
        return {};
    const FigureChange change =
        figureChange(m_periods.at(role.period - 1).values.at(r.figure), m_periods.at(role.period).values.at(r.figure));
    if (role.part == ColumnRole::Percent)
        return change.percent ? percentText(*change.percent, style) : QString();
    return signedText(figureText(change.difference, style), isPositive(change.difference), style);
}

QList<QStringList> PeriodComparison::csvRows() const
{
    QList<QStringList> rows;
    QStringList header;
    for (int c = 0; c < columnCount(); ++c)
        header << headerText(c);
    rows << header;
    for (int r = 0; r < rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < columnCount(); ++c)
            cells << cellText(r, c, NumberStyle::Plain);
        rows << cells;
    }
    return rows;
}

ReportSheet PeriodComparison::sheet() const
{
    ReportSheet sheet;
    sheet.titleLines << QStringLiteral("Porównanie okresów");
    if (shownCount() > 0)
        sheet.titleLines << QStringLiteral("Okresy od %1 do %2")
                                .arg(store::periodLabel(m_periods.at(m_first)),
                                     store::periodLabel(m_periods.at(m_last)));
    else
        sheet.titleLines << QStringLiteral("Baza danych nie zawiera żadnego okresu.");
    for (int c = 0; c < columnCount(); ++c)
        sheet.setCell(c, 0, headerText(c));
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c)
            sheet.setCell(c, r + 1, cellText(r, c, NumberStyle::Reading));
    }
    return sheet;
}

int PeriodComparison::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PeriodComparison::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : CaptionColumns + shownCount() * columnsPerPeriod();
}

QVariant PeriodComparison::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const Row &r = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column(), NumberStyle::Reading);
    case Qt::TextAlignmentRole:
        return index.column() < CaptionColumns ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                               : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::FontRole:
        if (r.figure < 0) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ToolTipRole:
        if (r.figure >= 0 && index.column() == 0) {
            const store::HistoryFigure &f = store::historyFigures().at(r.figure);
            return f.caption() + u'\n' + f.group + QStringLiteral(" (") + f.column + u')';
        }
        return {};
    default:
        return {};
    }
}

QVariant PeriodComparison::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return headerText(section);
    if (role == Qt::ToolTipRole) {
        const ColumnRole c = columnRole(section);
        if (c.part == ColumnRole::Value)
            return QStringLiteral("Okres od %1 do %2")
                .arg(store::FormatDateYMD(m_periods.at(c.period).first),
                     store::FormatDateYMD(m_periods.at(c.period).last));
        if (c.part == ColumnRole::Difference || c.part == ColumnRole::Percent)
            return c.period > 0
                       ? QStringLiteral("Zmiana względem okresu %1").arg(store::periodLabel(m_periods.at(c.period - 1)))
                       : QStringLiteral("Wcześniejszego okresu nie ma w bazie danych");
    }
    return {};
}

} // namespace reports
