#include "outputcommands.h"

#include "commandsupport.h"
#include "common/messages.h"
#include "store/datamodule.h"
#include "workflow/periodworkflow.h"

#include <QDir>
#include <QFileInfo>

using command::usageError;
using command::withOpenedPeriod;

int runXml(QStringList args, Messages &messages)
{
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.size() != 4)
        return usageError(QStringLiteral("xml wymaga czterech argumentów: MC RRRR MC RRRR [--force]."));
    return withOpenedPeriod(args, messages, [&](store::DataModule &, PeriodWorkflow &workflow, store::PageModel &) {
        workflow.setReplaceFiles(force ? output::Replace::Force : output::Replace::Refuse);
        return workflow.writeXml();
    });
}

int runSummary(QStringList args, Messages &messages)
{
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.size() != 5 || args[4].trimmed().isEmpty())
        return usageError(QStringLiteral("summary wymaga pięciu argumentów: MC RRRR MC RRRR PLIK.pdf [--force]."));
    const QString path = QFileInfo(args[4]).absoluteFilePath();
    return withOpenedPeriod(args, messages, [&](store::DataModule &, PeriodWorkflow &workflow, store::PageModel &) {
        workflow.setReplaceFiles(force ? output::Replace::Force : output::Replace::Refuse);
        return workflow.writePrintedSummary(path);
    });
}
