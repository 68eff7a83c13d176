#include "contractscommand.h"

#include "commandsupport.h"
#include "common/csv.h"
#include "common/messages.h"
#include "reports/contractslist.h"
#include "store/datamodule.h"
#include "store/figurecontracts.h"
#include "store/periods.h"

using command::print;
using command::usageError;

int runContracts(const QStringList &args, Messages &messages)
{
    if (args.size() != 5)
        return usageError(QStringLiteral("contracts wymaga pięciu argumentów: MC RRRR MC RRRR KOLUMNA."));
    const store::PeriodChoice choice{args[0], args[1], args[2], args[3]};
    if (!store::isValidPeriodChoice(choice))
        return usageError(QStringLiteral("Błędnie podany okres sprawozdawczy !"));
    if (!store::figureOfColumn(args[4])) {
        return usageError(QStringLiteral("Nieznana kolumna: %1. Dostępne kolumny: %2.")
                              .arg(args[4], store::figureColumns().join(QStringLiteral(", "))));
    }
    store::DataModule dm;
    if (!command::connectReportingDatabase(dm, messages))
        return 1;
    try {
        const store::PeriodBounds bounds = store::periodBounds(choice);
        const std::optional<qint64> period = store::findPeriod(dm.KSU, bounds.start.date(), bounds.end.date());
        if (!period || !store::HasFigureContracts(dm.KSU, *period)) {
            messages.showWarning(
                period ? QString::fromUtf8(store::MissingListsCause)
                             + QStringLiteral(" Zaimportuj okres ponownie (import … --overwrite), aby je odtworzyć.")
                       : QStringLiteral("Ten okres nie został zaimportowany."),
                QStringLiteral("Informacja"));
            return 1;
        }
        const std::optional<QList<store::FigureContract>> contracts =
            store::LoadFigureContracts(dm.KSU, *period, args[4]);
        for (const QStringList &row : reports::figureContractsList(*contracts).csvRows())
            print(csv::line(row));
        return 0;
    } catch (const std::exception &e) {
        showFailure(messages, e);
        return 1;
    }
}
