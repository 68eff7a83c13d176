#include "dictionarycommand.h"

#include "commandsupport.h"
#include "common/apppaths.h"
#include "common/inifile.h"
#include "common/messages.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "store/reportreads.h"
#include "workflow/capitalworkflow.h"
#include "workflow/databasecommand.h"

int runLoadDictionary(const QString &file, Messages &messages)
{
    // Only the reporting database is needed: the Lokra database is left alone, so
    // that its absence prints no error here.
    if (!command::settingsFound(messages))
        return 1;
    store::DataModule dm;
    const IniFile ini = IniFile::read(AppPaths::settingsFile());
    if (store::connectDatabase(dm.KSU, store::reportingDatabaseSettings(ini)) == store::ConnectResult::Failed) {
        messages.showError(store::connectionFailureText(dm.KSU), QStringLiteral("Błąd serwera"));
        return 1;
    }
    // The load needs no open period.
    store::PageModel model;
    const store::OpenPeriod noPeriod;
    const store::CapitalGroupList noGroups;
    CommandGate commands(dm.reportingGate);
    CapitalWorkflow capital(dm, model, messages, commands, noPeriod, noGroups);
    try {
        if (!capital.loadDictionary(file))
            return 1;
        const store::DictionarySize size = store::MeasureDictionary(dm.KSU);
        command::print(QStringLiteral("Wczytano grup: %1, składników: %2, pozycji list: %3.")
                           .arg(size.groups)
                           .arg(size.components)
                           .arg(size.listEntries));
        return 0;
    } catch (const std::exception &e) {
        showFailure(messages, e);
        return 1;
    }
}
