#include "outputcommands.h"

#include "commandline.h"
#include "common/messages.h"
#include "reports/printedsummary.h"
#include "reports/reportrenderer.h"
#include "reports/xmlreport.h"
#include "shell/periodworkflow.h"
#include "shell/startuptask.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

int usageError(const QString &text)
{
    QTextStream err(stderr);
    err << text << Qt::endl << usageText() << Qt::endl;
    return 2;
}

// The window's caption and buttons have no place on the command line.
class NoCaption : public StartupSink
{
public:
    void appendCaption(const QString &) override {}
    void setPeriodButtons(bool, bool) override {}
};

// Connects both databases as the start-up task does; false (after the error
// messages) when the reporting database is out of reach.
bool connectForCommand(store::DataModule &dm, Messages &messages)
{
    NoCaption sink;
    StartupTask(dm, messages, sink).connectDatabases();
    return !dm.KsuFailed;
}

// Opens the period of the four arguments exactly as "Edycja okresu", then runs
// `output` on the opened period. Errors are shown as the window shows them.
template <typename Output>
int withOpenedPeriod(const QStringList &args, Messages &messages, Output &&output)
{
    store::DataModule dm;
    if (!connectForCommand(dm, messages))
        return 1;
    store::PageModel model;
    PeriodView view;
    PeriodWorkflow workflow(dm, model, messages, view);
    try {
        if (!workflow.bb_edycjaClick({args[0], args[1], args[2], args[3]}))
            return 1;
        output(dm, workflow, model);
    } catch (const std::exception &e) {
        showFailure(messages, e);
        return 1;
    }
    return 0;
}

} // namespace

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
