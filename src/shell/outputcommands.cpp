#include "outputcommands.h"

#include "commandsupport.h"
#include "common/messages.h"
#include "reports/printedsummary.h"
#include "reports/reportrenderer.h"
#include "reports/xmlreport.h"
#include "shell/periodworkflow.h"
#include "store/datamodule.h"

#include <QDir>
#include <QFileInfo>

using command::usageError;
using command::withOpenedPeriod;

int runXml(const QStringList &args, Messages &messages)
{
    if (args.size() != 4)
        return usageError(QStringLiteral("xml wymaga czterech argumentów: MC RRRR MC RRRR."));
    return withOpenedPeriod(args, messages, [&](store::DataModule &dm, PeriodWorkflow &workflow, store::PageModel &model) {
        reports::bb_zapisClick(dm.KSU, workflow.period(), workflow.capitalGroups(), model, messages);
    });
}

int runSummary(const QStringList &args, Messages &messages)
{
    if (args.size() != 5 || args[4].trimmed().isEmpty())
        return usageError(QStringLiteral("summary wymaga pięciu argumentów: MC RRRR MC RRRR PLIK.pdf."));
    const QString path = QFileInfo(args[4]).absoluteFilePath();
    return withOpenedPeriod(args, messages, [&](store::DataModule &dm, PeriodWorkflow &workflow, store::PageModel &model) {
        reports::BuildPrintedSummary(workflow.importReport, dm.KSU, workflow.period(), workflow.capitalGroups(), model);
        reports::writeSheetPdf(workflow.importReport, reports::SheetKind::ImportReport, path);
        messages.showInformation(QStringLiteral("Wydruk danych zapisany w ") + QDir::toNativeSeparators(path),
                                 applicationTitle());
    });
}
