#pragma once

#include "common/outputfiles.h"
#include "db/connection.h"

#include <QSemaphore>
#include <QString>
#include <utility>

class IniFile;

namespace store {

// Held while a piece of work uses the reporting database, so that the start-up
// task (on its own thread) and the user's commands never use it at once.
class BusyGate
{
public:
    bool tryAcquire() { return m_semaphore.tryAcquire(); }
    void acquire() { m_semaphore.acquire(); }
    void release() { m_semaphore.release(); }

    class Hold
    {
    public:
        explicit Hold(BusyGate &gate) : m_gate(&gate) { gate.acquire(); }
        static Hold adopt(BusyGate &gate) { return Hold(&gate); }
        Hold(Hold &&o) noexcept : m_gate(std::exchange(o.m_gate, nullptr)) {}
        ~Hold()
        {
            if (m_gate)
                m_gate->release();
        }

    private:
        explicit Hold(BusyGate *gate) : m_gate(gate) {}
        BusyGate *m_gate;
    };

private:
    QSemaphore m_semaphore{1};
};

// What the connection procedure reads from TV.ini for one database.
struct DatabaseSettings
{
    QString host;
    QString path;
    QString user;
    QString password;
};

// Host, path, user and password of the reporting database (host default
// "localhost") or of the Lokra database (host default empty).
DatabaseSettings reportingDatabaseSettings(const IniFile &ini);
DatabaseSettings lokraDatabaseSettings(const IniFile &ini);

// True when both settings name one database file of this computer or of one server.
bool sameDatabase(const DatabaseSettings &a, const DatabaseSettings &b);

enum class ConnectResult { Connected, ConnectedOnRetry, Failed };

// The connection procedure: the settings' credentials first (kept as they were
// when both are empty), then once more with the default credentials. A final
// failure is returned, not thrown.
ConnectResult connectDatabase(db::Connection &connection, const DatabaseSettings &settings);

// The text of the error box after a final connection failure.
QString connectionFailureText(const db::Connection &connection);

// The data module TModalna: both connections for the whole run, the busy gate of
// the reporting database, the settings kept for the About box and the start-up flags.
class DataModule
{
public:
    DataModule();

    db::Connection KSU;   // reporting database
    db::Connection LOKRA; // Lokra database, read by the import
    BusyGate reportingGate;

    QString SettingsHost;
    QString SettingsPathKsu;
    QString SettingsPathLokra;
    bool KsuFailed = false;
    bool LokraFailed = false;

    // Both databases and TV.ini: no report is ever written over them.
    QList<output::ProtectedFile> protectedFiles() const;
};

} // namespace store
