#pragma once

#include <QString>

class Messages;
namespace store {
class DataModule;
struct DatabaseSettings;
} // namespace store

// What the start-up task changes in the window besides messages.
class StartupSink
{
public:
    virtual ~StartupSink() = default;
    virtual void appendCaption(const QString &suffix) = 0;
    virtual void setPeriodButtons(bool importEnabled, bool openEnabled) = 0;
};

// The start-up task: reads TV.ini, connects the reporting and the Lokra database,
// enables the period buttons the connections allow, records the program version
// and runs the online checks. It holds the reporting database's busy gate from
// start to end. Every effect goes through the sink and the messages, in order.
class StartupTask
{
public:
    StartupTask(store::DataModule &dataModule, Messages &messages, StartupSink &sink);
    void run();

    // The two connection steps alone (also the command check-lokra).
    void connectDatabases();
    // The reporting database's step alone, for the commands that only read it.
    void connectReportingDatabase();

private:
    void readSettings(store::DatabaseSettings &ksu, store::DatabaseSettings &lokra);
    void connectReporting(const store::DatabaseSettings &ksu);
    void recordVersion();
    void CheckForUpdates();

    store::DataModule &m_dm;
    Messages &m_messages;
    StartupSink &m_sink;
};
