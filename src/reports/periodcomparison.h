#pragma once

// "Porównanie okresów": the stored periods side by side. Periods are columns in
// date order, every figure of "Dane zbiorcze" and "Aktywne i stracone pożyczki"
// is a row under its page's caption, and each period may be followed by its
// change against the period stored before it. The window shows it; the CSV file
// and the printed sheet are made from the same cells.

#include "reportsheet.h"
#include "store/history.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

#include <optional>

namespace reports {

// How a number is written: plain for files (decimal comma, no thousands
// separator, amounts with two decimals, ratios with every digit stored), or for
// reading (thousands separated, ratios with two decimals, changes with their sign).
enum class NumberStyle { Plain, Reading };

// The text of a stored value; empty when there is none.
QString figureText(const store::FigureValue &value, NumberStyle style);

// The change of a figure from one period to the next: the difference, exact for
// counts and amounts, and the percent of the earlier value (none when that is
// zero or either value is missing).
struct FigureChange
{
    store::FigureValue difference;
    std::optional<double> percent;
};
FigureChange figureChange(const store::FigureValue &previous, const store::FigureValue &current);

class PeriodComparison : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The columns before the periods': the caption and the unit.
    static constexpr int CaptionColumns = 2;

    explicit PeriodComparison(QObject *parent = nullptr);

    // All periods shown, the changes too.
    void setPeriods(QList<store::PeriodFigures> periods);
    const QList<store::PeriodFigures> &periods() const { return m_periods; }

    // The periods first to last (indexes into periods(), in either order, limited to those there are).
    void setRange(int first, int last);
    int firstShown() const { return m_first; }
    int lastShown() const { return m_last; }
    int shownCount() const { return m_periods.isEmpty() ? 0 : m_last - m_first + 1; }
    void setShowChanges(bool show);
    bool showChanges() const { return m_showChanges; }

    // The figure of a row (an index into store::historyFigures()); -1 for a heading row.
    int figureOfRow(int row) const { return m_rows.value(row).figure; }
    // The period of a column (an index into periods()) and whether it is one of its change columns.
    struct ColumnRole
    {
        int period = -1; // -1 for the caption columns
        enum { Caption, Unit, Value, Difference, Percent } part = Caption;
    };
    ColumnRole columnRole(int column) const;

    QString headerText(int column) const;
    QString cellText(int row, int column, NumberStyle style) const;

    // The header line and every row as written to the CSV file.
    QList<QStringList> csvRows() const;
    // The title, the header row and every row, for the report engine.
    ReportSheet sheet() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        QString heading; // for a heading row
        int figure = -1;
    };
    int columnsPerPeriod() const { return m_showChanges ? 3 : 1; }

    QList<store::PeriodFigures> m_periods;
    QList<Row> m_rows;
    int m_first = 0;
    int m_last = -1;
    bool m_showChanges = true;
};

} // namespace reports
