#include "checkcommand.h"

#include "commandsupport.h"
#include "workflow/periodcheck.h"
#include "workflow/periodworkflow.h"

int runCheck(const QStringList &args, Messages &messages)
{
    if (args.size() != 4)
        return command::usageError(QStringLiteral("check wymaga czterech argumentów: MC RRRR MC RRRR."));
    bool errors = false;
    const int status = command::withOpenedPeriod(
        args, messages, [&](store::DataModule &, PeriodWorkflow &workflow, store::PageModel &) {
            const std::optional<QList<check::Finding>> findings = workflow.checkData();
            if (!findings)
                return false;
            for (const check::Finding &f : *findings)
                command::print(f.text());
            command::print(check::summaryText(*findings));
            errors = check::hasErrors(*findings);
            return true;
        });
    return status == 0 && errors ? 1 : status;
}
