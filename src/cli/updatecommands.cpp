#include "updatecommands.h"

#include "commandsupport.h"
#include "common/failures.h"
#include "common/messages.h"
#include "store/datamodule.h"
#include "store/schemacheck.h"
#include "store/schemaupgrade.h"
#include "workflow/onlinecheck.h"
#include "workflow/startuptask.h"

#include <QStringList>
#include <QTextStream>

using command::print;

int runCheckUpdates(Messages &messages)
{
    if (!command::settingsFound(messages))
        return 1;
    store::DataModule dm;
    command::connectDatabases(dm, messages);
    store::BusyGate::Hold hold(dm.reportingGate);
    const online::UpdateCheckResult result = online::CheckForUpdates(dm, messages);
    if (!result.serverConfigured)
        print(QStringLiteral("Nie sprawdzono aktualizacji: TV.ini nie podaje serwera aktualizacji (klucz UpdateServer "
                             "w sekcji [Settings])."));
    else if (!result.failure.isEmpty())
        print(QStringLiteral("Przyczyna: ") + engineTextOnOneLine(result.failure));
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
            if (outcome.applied)
                print(QStringLiteral("%1: zastosowano").arg(outcome.number));
            else if (outcome.alreadyDone)
                print(QStringLiteral("%1: już zastosowano").arg(outcome.number));
            else
                print(QStringLiteral("%1: pominięto – %2")
                          .arg(outcome.number)
                          .arg(QString(outcome.failure).replace(u'\r', QStringLiteral("\n    "))));
        });
    } catch (const std::exception &e) {
        showFailure(messages, e);
        return 1;
    }
    return 0;
}
