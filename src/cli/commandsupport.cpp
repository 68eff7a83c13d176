#include "commandsupport.h"

#include "commandline.h"
#include "common/apppaths.h"
#include "common/messages.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "workflow/periodworkflow.h"
#include "workflow/startuptask.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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
    // A reason of several lines is written as the window's message boxes show it.
    err << QString(reason).replace(u'\r', u'\n') << Qt::endl << usageText() << Qt::endl;
    return 2;
}

bool settingsFound(Messages &messages)
{
    if (QFileInfo::exists(AppPaths::settingsFile()))
        return true;
    // The data folder is the home only when the executable's folder held no TV.ini.
    QStringList looked{QDir::toNativeSeparators(AppPaths::home())};
    if (QDir(AppPaths::home()) == QDir(AppPaths::dataFolder()))
        looked.prepend(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    messages.showError(QStringLiteral("Nie znaleziono pliku ustawień TV.ini (szukano w: %1).\r"
                                      "Uruchom program bez polecenia, aby zapisać ustawienia w oknie \"%2\", "
                                      "albo wskaż opcją --home katalog z plikiem TV.ini.")
                           .arg(looked.join(QStringLiteral(", ")), QStringLiteral("Ustawienia programu")),
                       applicationTitle());
    return false;
}

bool connectDatabases(store::DataModule &dm, Messages &messages)
{
    if (!settingsFound(messages))
        return false;
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
