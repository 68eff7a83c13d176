#include "updatecommands.h"

#include "commandsupport.h"
#include "common/messages.h"
#include "store/datamodule.h"
#include "store/schemacheck.h"
#include "store/schemaupgrade.h"
#include "workflow/onlinecheck.h"
#include "workflow/startuptask.h"

#include <QStringList>
#include <QTextStream>

namespace {

using command::print;

// A database's reason on one line: Firebird puts each detail on a line of its
// own, starting with "-".
QString oneLine(const QString &reason)
{
    QStringList parts;
    for (const QString &line : reason.split(u'\n', Qt::SkipEmptyParts)) {
        QString part = line.trimmed();
        if (part.startsWith(u'-'))
            part.remove(0, 1);
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace

int runCheckUpdates(Messages &messages)
{
    if (!command::settingsFound(messages))
        return 1;
    store::DataModule dm;
    command::connectDatabases(dm, messages);
    store::BusyGate::Hold hold(dm.reportingGate);
    const online::UpdateCheckResult result = online::CheckForUpdates(dm, messages);
    if (!result.failure.isEmpty())
        print(QStringLiteral("Przyczyna: ") + oneLine(result.failure));
    else if (!result.dictionaryCompared)
        print(QStringLiteral("Słownika nie porównano: brak połączenia z bazą danych programu Tervala."));
    return 0;
}

int runUpgradeSchema(Messages &messages)
{
    store::DataModule dm;
    if (!command::connectDatabases(dm, messages))
        return 1;
    store::BusyGate::Hold hold(dm.reportingGate);
    try {
        if (!store::requireReportingDatabase(dm.KSU, messages, true))
            return 1;
        store::upgradeSchema(dm.KSU, dm.LOKRA, messages, [](const store::UpgradeOutcome &outcome) {
            print(outcome.applied
                      ? QStringLiteral("%1: zastosowano").arg(outcome.number)
                      : QStringLiteral("%1: pominięto – %2").arg(outcome.number).arg(oneLine(outcome.reason)));
        });
    } catch (const std::exception &e) {
        showFailure(messages, e);
        return 1;
    }
    return 0;
}
