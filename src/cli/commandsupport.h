#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Messages;
class PeriodWorkflow;
namespace store {
class DataModule;
class PageModel;
}

// What the commands of the command line share.
namespace command {

// One line on standard output.
void print(const QString &text);
// The usage error: the reason and the usage text on standard error; exit status 2.
int usageError(const QString &reason);
// Connects both databases as the start-up task does (its error messages
// included); false when the reporting database is out of reach.
// Every command but create-database reads TV.ini. Without one: false, after an
// error that says where it was looked for and how to make one.
bool settingsFound(Messages &messages);
// False, after the messages, when TV.ini or the reporting database is missing.
bool connectDatabases(store::DataModule &dm, Messages &messages);
// Connects the reporting database alone, for commands that only read it; false
// when it is out of reach (the error shown).
bool connectReportingDatabase(store::DataModule &dm, Messages &messages);

// True when the work was done; false after a refusal it has shown.
using PeriodWork = std::function<bool(store::DataModule &, PeriodWorkflow &, store::PageModel &)>;
// Connects both databases and runs `work` on a period workflow without a window;
// errors are shown as the window shows them. Exit status 0 when the work was
// done, 1 otherwise.
int withWorkflow(Messages &messages, const PeriodWork &work);
// Opens the period of the four arguments exactly as "Edycja okresu" and runs
// `work` on it; errors are shown as the window shows them. Exit status 0 when
// both succeeded, 1 otherwise.
int withOpenedPeriod(const QStringList &args, Messages &messages, const PeriodWork &work);

} // namespace command
