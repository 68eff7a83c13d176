#include "commandsupport.h"

#include "commandline.h"
#include "common/messages.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "workflow/periodworkflow.h"
#include "workflow/startuptask.h"

#include <QTextStream>

namespace command {

namespace {
// The window's caption and buttons have no place on the command line.
class NoWindow : public StartupSink
{
public:
    void appendCaption(const QString &) override {}
    void setPeriodButtons(bool, bool) override {}
};
} // namespace

void print(const QString &text)
{
    QTextStream(stdout) << text << Qt::endl;
}

int usageError(const QString &reason)
{
    QTextStream err(stderr);
    err << reason << Qt::endl << usageText() << Qt::endl;
    return 2;
}

bool connectDatabases(store::DataModule &dm, Messages &messages)
{
    NoWindow sink;
    StartupTask(dm, messages, sink).connectDatabases();
    return !dm.KsuFailed;
}

bool connectReportingDatabase(store::DataModule &dm, Messages &messages)
{
    NoWindow sink;
    StartupTask(dm, messages, sink).connectReportingDatabase();
    return !dm.KsuFailed;
}

int withWorkflow(Messages &messages, const PeriodWork &work)
{
    store::DataModule dm;
    if (!connectDatabases(dm, messages))
        return 1;
    store::PageModel model;
    PeriodView view;
    PeriodWorkflow workflow(dm, model, messages, view);
    try {
        if (!work(dm, workflow, model))
            return 1;
    } catch (const std::exception &e) {
        showFailure(messages, e);
        return 1;
    }
    return 0;
}

int withOpenedPeriod(const QStringList &args, Messages &messages, const PeriodWork &work)
{
    return withWorkflow(messages, [&](store::DataModule &dm, PeriodWorkflow &workflow, store::PageModel &model) {
        return workflow.openPeriod({args.value(0), args.value(1), args.value(2), args.value(3)})
               && work(dm, workflow, model);
    });
}

} // namespace command
