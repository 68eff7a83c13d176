#pragma once

// The charts of "Porównanie okresów", drawn with Qt Charts: the loss ratio and
// the active loans over the periods, one period's breakdowns as bars, and any
// figure over the periods. Captions are Polish, numbers have a decimal comma,
// axes carry their units. Qt Charts draws with widgets, so this library stays
// out of the widget-free core; the window and the command line link it.

#include "store/history.h"

#include <QList>
#include <QSize>
#include <QString>

class QChart;

namespace charts {

enum class ChartKind {
    LossRatio,   // both loss ratios over the periods
    ActiveLoans, // the number and the value of active loans over the periods
    Breakdown,   // one breakdown of "Dane zbiorcze" in one period, as bars
    Figure,      // one figure over the periods
};

struct ChartChoice
{
    ChartKind kind = ChartKind::LossRatio;
    int figure = 0;      // Figure: an index into store::historyFigures()
    int period = 0;      // Breakdown: an index into the periods
    int breakdown = 0;   // Breakdown: an index into store::StatisticGroups
    bool values = false; // Breakdown: the values in złoty rather than the numbers of loans
};

// A new chart, owned by the caller, of the periods first to last (for the kinds over periods).
QChart *makeChart(const QList<store::PeriodFigures> &periods, const ChartChoice &choice, int first, int last);

// Draws the chart of `choice` into a PNG image of `size` pixels or onto a
// landscape A4 PDF page, by the file's extension, replacing the file whole.
// Throws FileError naming the file when it cannot be written.
void writeChart(const QList<store::PeriodFigures> &periods, const ChartChoice &choice, int first, int last,
                const QString &path, QSize size);

// The command line's chart: one figure over every period.
void writeFigureChart(const QList<store::PeriodFigures> &periods, int figure, const QString &path, QSize size);

} // namespace charts
