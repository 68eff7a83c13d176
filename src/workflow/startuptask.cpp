#include "startuptask.h"

#include "common/apppaths.h"
#include "common/inifile.h"
#include "common/messages.h"
#include "store/datamodule.h"
#include "store/reportreads.h"
#include "workflow/onlinecheck.h"

StartupTask::StartupTask(store::DataModule &dataModule, Messages &messages, StartupSink &sink)
    : m_dm(dataModule), m_messages(messages), m_sink(sink)
{
}

void StartupTask::run()
{
    store::BusyGate::Hold hold(m_dm.reportingGate);
    connectDatabases();
    const bool ksu = !m_dm.KsuFailed;
    const bool lokra = !m_dm.LokraFailed;
    m_sink.setPeriodButtons(ksu && lokra, ksu);
    if (ksu) {
        try {
            recordVersion();
        } catch (const std::exception &e) {
            showFailure(m_messages, e);
        }
    }
    CheckForUpdates();
}

void StartupTask::readSettings(store::DatabaseSettings &ksu, store::DatabaseSettings &lokra)
{
    m_dm.KsuFailed = false;
    m_dm.LokraFailed = false;
    const IniFile ini = IniFile::read(AppPaths::settingsFile());
    ksu = store::reportingDatabaseSettings(ini);
    lokra = store::lokraDatabaseSettings(ini);
    m_dm.SettingsHost = ksu.host;
    m_dm.SettingsPathKsu = ksu.path;
    m_dm.SettingsPathLokra = lokra.path;
}

void StartupTask::connectReporting(const store::DatabaseSettings &ksu)
{
    switch (store::connectDatabase(m_dm.KSU, ksu)) {
    case store::ConnectResult::Connected:
    case store::ConnectResult::ConnectedOnRetry:
        m_sink.appendCaption(QStringLiteral("."));
        break;
    case store::ConnectResult::Failed:
        m_messages.showError(store::connectionFailureText(m_dm.KSU), QStringLiteral("Błąd serwera"));
        m_dm.KsuFailed = true;
        break;
    }
}

void StartupTask::connectReportingDatabase()
{
    store::DatabaseSettings ksu;
    store::DatabaseSettings lokra;
    readSettings(ksu, lokra);
    connectReporting(ksu);
}

void StartupTask::connectDatabases()
{
    store::DatabaseSettings ksu;
    store::DatabaseSettings lokra;
    readSettings(ksu, lokra);
    if (store::sameDatabase(ksu, lokra)) {
        // The import would write its tables into Lokra's own database.
        m_messages.showError(QStringLiteral("Ścieżki Path_ksu i Path w pliku TV.ini wskazują ten sam plik: %1\r"
                                            "Baza danych programu Tervala i baza programu Lokra muszą być różnymi "
                                            "plikami. Popraw plik TV.ini i uruchom program ponownie.")
                                 .arg(ksu.path),
                             QStringLiteral("Błąd!"));
        m_dm.KsuFailed = true;
        m_dm.LokraFailed = true;
        return;
    }
    connectReporting(ksu);

    switch (store::connectDatabase(m_dm.LOKRA, lokra)) {
    case store::ConnectResult::Connected:
        m_sink.appendCaption(QStringLiteral("."));
        break;
    case store::ConnectResult::ConnectedOnRetry:
        m_sink.appendCaption(QStringLiteral(".."));
        break;
    case store::ConnectResult::Failed:
        m_messages.showError(store::connectionFailureText(m_dm.LOKRA), QStringLiteral("Błąd serwera"));
        m_dm.LokraFailed = true;
        break;
    }
}

void StartupTask::recordVersion()
{
    const QString previous = store::RecordProgramVersion(m_dm.KSU, applicationTitle());
    if (!previous.isEmpty() && previous != applicationTitle()) {
        m_messages.showWarning(QStringLiteral("Zmieniono wersję programu od ostatniego logowania\rPoprzednia to: ")
                                   + previous + QStringLiteral("\rAktualna to: ") + applicationTitle(),
                               QStringLiteral("Zmiana wersji"));
    }
}

void StartupTask::CheckForUpdates()
{
    online::CheckForUpdates(m_dm, m_messages);
}
