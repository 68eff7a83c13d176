#include "outputcommands.h"

#include "commandsupport.h"
#include "common/failures.h"
#include "common/messages.h"
#include "reports/xmlschema.h"
#include "store/datamodule.h"
#include "workflow/periodworkflow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using command::print;
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

int runValidateXml(const QStringList &args)
{
    if (args.size() != 1)
        return usageError(QStringLiteral("validate-xml wymaga jednej ścieżki pliku XML."));
    const QString shown = QDir::toNativeSeparators(args.first());
    QFile file(args.first());
    if (QFileInfo(args.first()).isDir() || !file.open(QIODevice::ReadOnly))
        return usageError(explainFileFailure(args.first(), file, FileAccess::Read)
                              .text(QStringLiteral("Nie można odczytać pliku %1: ").arg(shown)));
    const QList<reports::SchemaError> errors = reports::validateReportXml(file.readAll());
    if (errors.isEmpty()) {
        print(shown + QStringLiteral(": zgodny ze schematem"));
        return 0;
    }
    print(shown + QStringLiteral(": niezgodny ze schematem"));
    for (const reports::SchemaError &e : errors)
        print(shown + QStringLiteral(": ") + e.text());
    return 1;
}
