#pragma once

#include <QList>
#include <QSize>
#include <QStringList>

#include <functional>

class Messages;
namespace store {
struct PeriodFigures;
}

// Writes the line chart of one figure (an index into store::historyFigures())
// over the periods to a PNG image of `size` pixels or to a PDF page, by the
// file's extension. Qt Charts needs widgets, so the program hands the chart
// library's writer in. Throws FileError when the file cannot be written.
using ChartFileWriter =
    std::function<void(const QList<store::PeriodFigures> &periods, int figure, const QString &path, QSize size)>;

// The size of a chart image when none is asked for.
inline constexpr QSize DefaultChartSize(1200, 800);

// tervala history [COLUMN...]: the figures of every stored period as CSV on
// standard output: "okres_od;okres_do;" and the columns (all of POZYCZKI and
// AKT_STR when none is named), then one line per period in date order, values
// with a decimal comma. An unknown column is a usage error that lists the names.
int runHistory(const QStringList &args, Messages &messages);

// tervala chart COLUMN FILE.png|FILE.pdf [--size WxH] [--force]: the line chart
// of the figure over every stored period. The file goes through the output
// guard; --force lets it replace a file of another kind.
int runChart(QStringList args, Messages &messages, const ChartFileWriter &writeChart);
