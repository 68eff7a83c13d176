#include "historycommands.h"

#include "commandsupport.h"
#include "common/csv.h"
#include "common/messages.h"
#include "common/outputfiles.h"
#include "reports/periodcomparison.h"
#include "store/datamodule.h"
#include "store/history.h"
#include "store/periods.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using command::print;
using command::usageError;

namespace {

QString unknownColumn(const QString &column)
{
    return QStringLiteral("Nieznana kolumna: %1. Dostępne kolumny: %2.")
        .arg(column, store::historyColumns().join(QStringLiteral(", ")));
}

// Runs `work` on the stored periods; exit status 1 when the database could not be read.
using HistoryWork = std::function<int(const store::DataModule &, const QList<store::PeriodFigures> &)>;
int withHistory(Messages &messages, const HistoryWork &work)
{
    store::DataModule dm;
    if (!command::connectReportingDatabase(dm, messages))
        return 1;
    try {
        return work(dm, store::LoadPeriodHistory(dm.KSU));
    } catch (const std::exception &e) {
        showFailure(messages, e);
        return 1;
    }
}

} // namespace

int runHistory(const QStringList &args, Messages &messages)
{
    QList<int> figures;
    for (const QString &column : args) {
        const int figure = store::historyFigureIndex(column);
        if (figure < 0)
            return usageError(unknownColumn(column));
        figures << figure;
    }
    if (figures.isEmpty()) {
        for (int i = 0; i < store::historyFigures().size(); ++i)
            figures << i;
    }
    return withHistory(messages, [&](const store::DataModule &, const QList<store::PeriodFigures> &periods) {
        QStringList header{QStringLiteral("okres_od"), QStringLiteral("okres_do")};
        for (int figure : std::as_const(figures))
            header << store::historyFigures().at(figure).column;
        print(csv::line(header));
        for (const store::PeriodFigures &period : periods) {
            QStringList fields{store::FormatDateYMD(period.first), store::FormatDateYMD(period.last)};
            for (int figure : std::as_const(figures))
                fields << reports::figureText(period.values.at(figure), reports::NumberStyle::Plain);
            print(csv::line(fields));
        }
        return 0;
    });
}

int runChart(QStringList args, Messages &messages, const ChartFileWriter &writeChart)
{
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    QSize size = DefaultChartSize;
    const qsizetype sizeOption = args.indexOf(QStringLiteral("--size"));
    if (sizeOption >= 0) {
        static const QRegularExpression pattern(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$"));
        const QRegularExpressionMatch m = pattern.match(args.value(sizeOption + 1));
        if (!m.hasMatch())
            return usageError(QStringLiteral("Po --size podaj rozmiar obrazu w pikselach, np. 1200x800."));
        size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
        args.remove(sizeOption, 2);
    }
    if (args.size() != 2)
        return usageError(QStringLiteral("chart wymaga dwóch argumentów: KOLUMNA PLIK.png|PLIK.pdf."));
    const int figure = store::historyFigureIndex(args[0]);
    if (figure < 0)
        return usageError(unknownColumn(args[0]));
    const QString path = QFileInfo(args[1]).absoluteFilePath();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QStringLiteral("png") && suffix != QStringLiteral("pdf"))
        return usageError(QStringLiteral("Plik wykresu musi mieć rozszerzenie .png albo .pdf: %1").arg(args[1]));
    if (!writeChart) {
        messages.showError(QStringLiteral("Ta wersja programu nie rysuje wykresów."), QStringLiteral("Błąd!"));
        return 1;
    }
    return withHistory(messages, [&](const store::DataModule &dm, const QList<store::PeriodFigures> &periods) {
        if (periods.isEmpty()) {
            messages.showError(QStringLiteral("Baza danych nie zawiera żadnego okresu: wykresu nie zapisano."),
                               QStringLiteral("Błąd!"));
            return 1;
        }
        const output::OutputGuard guard(dm.protectedFiles(), force ? output::Replace::Force : output::Replace::Refuse);
        if (!guard.approve(path, suffix == QStringLiteral("png") ? output::FileKind::Png : output::FileKind::Pdf,
                           messages))
            return 1;
        writeChart(periods, figure, path, size);
        print(QStringLiteral("Wykres zapisany w ") + QDir::toNativeSeparators(path));
        return 0;
    });
}
