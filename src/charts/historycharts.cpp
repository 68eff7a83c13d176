#include "historycharts.h"

#include "common/failures.h"
#include "common/fileerror.h"
#include "store/pagemodel.h"
#include "store/statisticpairs.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QCoreApplication>
#include <QDir>
#include <QGraphicsScene>
#include <QHorizontalBarSeries>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QValueAxis>

#include <cmath>
#include <memory>

namespace charts {

namespace {

// Longer category captions do not fit beside a bar: the printed summary's short label stands in.
constexpr int LongestBarCaption = 60;
// Amounts from hundreds of thousands of złoty on are drawn in thousands.
constexpr double ThousandsFrom = 100000;

QString axisTitle(const QString &what, const QString &unit)
{
    return what + QStringLiteral(" [") + unit + u']';
}

// A chart's value for drawing only: the figures themselves stay exact.
std::optional<double> plotted(const store::FigureValue &value)
{
    if (const auto *count = std::get_if<qint64>(&value))
        return double(*count);
    if (const auto *money = std::get_if<db::Money>(&value))
        return money->toDouble();
    if (const auto *ratio = std::get_if<double>(&value))
        return *ratio;
    return std::nullopt;
}

QChart *newChart(const QString &title)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    QFont font = chart->titleFont();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    chart->setTitleFont(font);
    // Without thousands separators: Qt Charts groups some numbers and not others ("1000 000").
    QLocale polish(QLocale::Polish, QLocale::Poland);
    polish.setNumberOptions(QLocale::OmitGroupSeparator);
    chart->setLocale(polish);
    chart->setLocalizeNumbers(true);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setBackgroundBrush(Qt::white);
    return chart;
}

QValueAxis *valueAxis(const QString &title, store::FigureKind kind)
{
    auto *axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setLabelFormat(kind == store::FigureKind::Ratio ? QStringLiteral("%.2f") : QStringLiteral("%.0f"));
    return axis;
}

// Axis ranges from zero (or the lowest negative value) to a round number above
// the highest value; whole numbers span at least 4, so that no two ticks share a label.
void fitRange(QValueAxis *axis, double low, double high)
{
    const double span = axis->labelFormat() == QStringLiteral("%.0f") ? 4 : 1;
    low = std::min(0.0, low);
    high = std::max(high, low + span);
    axis->setRange(low, high);
    axis->applyNiceNumbers();
}

QBarCategoryAxis *periodAxis(const QList<store::PeriodFigures> &periods, int first, int last)
{
    auto *axis = new QBarCategoryAxis;
    axis->setTitleText(QStringLiteral("Okres"));
    for (int p = first; p <= last; ++p)
        axis->append(store::periodLabel(periods.at(p)));
    return axis;
}

// One line per figure over the periods first to last; each figure's axis on the
// side it is given (figures that share a side share the axis).
struct Line
{
    int figure;
    QString name;
    Qt::Alignment side;
    QString axisTitle;
};

QChart *lineChart(const QString &title, const QList<Line> &lines, const QList<store::PeriodFigures> &periods, int first,
                  int last)
{
    QChart *chart = newChart(title);
    QBarCategoryAxis *xAxis = periodAxis(periods, first, last);
    chart->addAxis(xAxis, Qt::AlignBottom);
    QHash<Qt::Alignment::Int, QValueAxis *> axes;
    QHash<Qt::Alignment::Int, std::pair<double, double>> ranges;
    for (const Line &line : lines) {
        const store::HistoryFigure &figure = store::historyFigures().at(line.figure);
        const bool thousands = figure.kind == store::FigureKind::Money && [&] {
            for (int p = first; p <= last; ++p) {
                if (std::fabs(plotted(periods.at(p).values.at(line.figure)).value_or(0)) >= ThousandsFrom)
                    return true;
            }
            return false;
        }();
        auto *series = new QLineSeries;
        series->setName(line.name);
        series->setPointsVisible(true);
        auto &[low, high] = ranges[line.side.toInt()];
        for (int p = first; p <= last; ++p) {
            if (std::optional<double> y = plotted(periods.at(p).values.at(line.figure))) {
                if (thousands)
                    *y /= 1000;
                series->append(p - first, *y);
                low = std::min(low, *y);
                high = std::max(high, *y);
            }
        }
        chart->addSeries(series);
        // The theme gives the series its colour when it is added; only the width is ours.
        QPen pen = series->pen();
        pen.setWidthF(2.5);
        series->setPen(pen);
        QValueAxis *&axis = axes[line.side.toInt()];
        if (!axis) {
            QString axisText = line.axisTitle;
            if (thousands)
                axisText.replace(QStringLiteral("[zł]"), QStringLiteral("[tys. zł]"));
            axis = valueAxis(axisText, figure.kind);
            chart->addAxis(axis, line.side);
        }
        series->attachAxis(xAxis);
        series->attachAxis(axis);
    }
    for (auto it = axes.cbegin(); it != axes.cend(); ++it)
        fitRange(it.value(), ranges[it.key()].first, ranges[it.key()].second);
    chart->legend()->setVisible(lines.size() > 1);
    return chart;
}

QChart *breakdownChart(const QList<store::PeriodFigures> &periods, const ChartChoice &choice)
{
    const store::StatisticGroup &group = store::StatisticGroups.at(std::size_t(choice.breakdown));
    const bool hasPeriod = choice.period >= 0 && choice.period < periods.size();
    QString title = store::toQString(group.heading);
    if (hasPeriod)
        title += QStringLiteral(" – okres ") + store::periodLabel(periods.at(choice.period));
    QChart *chart = newChart(title);
    const QString measure = choice.values ? QStringLiteral("Wartość pożyczek") : QStringLiteral("Liczba pożyczek");
    auto *set = new QBarSet(measure);
    auto *categories = new QBarCategoryAxis;
    double high = 0;
    // Bars from the top down in the page's order.
    QList<const store::StatisticPair *> pairs;
    for (const store::StatisticPair &p : store::StatisticPairs) {
        if (p.group == choice.breakdown)
            pairs.prepend(&p);
    }
    QList<double> heights;
    for (const store::StatisticPair *p : std::as_const(pairs)) {
        const QString caption = store::toQString(p->caption);
        categories->append(caption.size() <= LongestBarCaption ? caption : store::toQString(p->summaryLabel));
        const int figure = store::historyFigureIndex(store::toQString(choice.values ? p->valueColumn : p->countColumn));
        heights << (hasPeriod ? plotted(periods.at(choice.period).values.at(figure)).value_or(0) : 0);
        high = std::max(high, heights.last());
    }
    const bool thousands = choice.values && high >= ThousandsFrom;
    for (double y : std::as_const(heights))
        set->append(thousands ? y / 1000 : y);
    if (thousands)
        high /= 1000;
    auto *series = new QHorizontalBarSeries;
    series->append(set);
    chart->addSeries(series);
    chart->addAxis(categories, Qt::AlignLeft);
    const QString unit = !choice.values ? QStringLiteral("szt.")
                         : thousands    ? QStringLiteral("tys. zł")
                                        : QStringLiteral("zł");
    QValueAxis *values =
        valueAxis(axisTitle(measure, unit), choice.values ? store::FigureKind::Money : store::FigureKind::Count);
    chart->addAxis(values, Qt::AlignBottom);
    series->attachAxis(categories);
    series->attachAxis(values);
    fitRange(values, 0, high);
    chart->legend()->setVisible(false);
    return chart;
}

// Paints the chart at the painter's origin in `size` device pixels, laid out on
// a scene of its own (a chart view that is never shown does not lay it out).
void paintChart(std::unique_ptr<QChart> chart, QPainter &painter, QSize size)
{
    QGraphicsScene scene;
    QChart *drawn = chart.release(); // the scene owns it now
    scene.addItem(drawn);
    const QRectF area(QPointF(0, 0), QSizeF(size));
    drawn->setGeometry(area);
    // The chart places its axes and series in answer to posted layout requests.
    QCoreApplication::sendPostedEvents();
    scene.setSceneRect(area);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    scene.render(&painter, area, area);
}

[[noreturn]] void cannotWrite(const QString &path, const QString &reason)
{
    throw FileError(
        QStringLiteral("Nie można zapisać wykresu w pliku %1: %2").arg(QDir::toNativeSeparators(path), reason));
}

[[noreturn]] void cannotWrite(const QString &path, const QFileDevice &file)
{
    throw FileError(
        explainFileFailure(path, file, FileAccess::Write)
            .text(QStringLiteral("Nie można zapisać wykresu w pliku %1: ").arg(QDir::toNativeSeparators(path))));
}

} // namespace

QChart *makeChart(const QList<store::PeriodFigures> &periods, const ChartChoice &choice, int first, int last)
{
    const int lastPeriod = int(periods.size()) - 1;
    first = std::clamp(first, 0, std::max(0, lastPeriod));
    last = std::clamp(last, -1, lastPeriod);
    const auto columnFigure = [](const char *column) { return store::historyFigureIndex(QString::fromLatin1(column)); };
    switch (choice.kind) {
    case ChartKind::LossRatio: {
        const QString axis = axisTitle(QStringLiteral("Współczynnik strat"), QStringLiteral("%"));
        return lineChart(QStringLiteral("Współczynnik strat w danym okresie"),
                         {{columnFigure("WSDO_L"), QStringLiteral("wg liczby pożyczek"), Qt::AlignLeft, axis},
                          {columnFigure("WSDO_W"), QStringLiteral("wg wartości pożyczek"), Qt::AlignLeft, axis}},
                         periods, first, last);
    }
    case ChartKind::ActiveLoans:
        return lineChart(QStringLiteral("Pożyczki aktywne na koniec okresu"),
                         {{columnFigure("PA_L"), QStringLiteral("liczba pożyczek [szt.]"), Qt::AlignLeft,
                           axisTitle(QStringLiteral("Liczba pożyczek"), QStringLiteral("szt."))},
                          {columnFigure("PA_W"), QStringLiteral("wartość pożyczek [zł]"), Qt::AlignRight,
                           axisTitle(QStringLiteral("Wartość pożyczek"), QStringLiteral("zł"))}},
                         periods, first, last);
    case ChartKind::Breakdown:
        return breakdownChart(periods, choice);
    case ChartKind::Figure:
        break;
    }
    const store::HistoryFigure &figure = store::historyFigures().at(choice.figure);
    QString measure = figure.kind == store::FigureKind::Ratio ? QStringLiteral("współczynnik strat") : figure.measure;
    measure[0] = measure[0].toUpper();
    return lineChart(figure.caption(),
                     {{choice.figure, figure.caption(), Qt::AlignLeft, axisTitle(measure, figure.unit())}}, periods,
                     first, last);
}

void writeChart(const QList<store::PeriodFigures> &periods, const ChartChoice &choice, int first, int last,
                const QString &path, QSize size)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        cannotWrite(path, file);
    std::unique_ptr<QChart> chart(makeChart(periods, choice, first, last));
    const QString title = chart->title();
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        QPdfWriter writer(&file);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                         QPageLayout::Millimeter));
        // Screen pixels: the chart's fonts and lines keep the proportions they have in the window.
        writer.setResolution(96);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Tervala"));
        QPainter painter;
        if (!painter.begin(&writer))
            cannotWrite(path, QStringLiteral("nie można rozpocząć pliku PDF"));
        paintChart(std::move(chart), painter, writer.pageLayout().paintRectPixels(96).size());
        painter.end();
    } else {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        paintChart(std::move(chart), painter, size);
        painter.end();
        if (!image.save(&file, "PNG"))
            cannotWrite(path, QStringLiteral("nie można zapisać obrazu PNG"));
    }
    if (!file.commit())
        cannotWrite(path, file);
}

void writeFigureChart(const QList<store::PeriodFigures> &periods, int figure, const QString &path, QSize size)
{
    ChartChoice choice;
    choice.kind = ChartKind::Figure;
    choice.figure = figure;
    writeChart(periods, choice, 0, int(periods.size()) - 1, path, size);
}

} // namespace charts
