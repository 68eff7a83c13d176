#pragma once

class Messages;
namespace db {
class Connection;
}
namespace store {
class BusyGate;
}

// The user's commands on the reporting database, one at a time: a period
// command, a change on the loan capital page or the dictionary load. The window
// processes events while an import runs, so a second command can be started
// meanwhile; it is refused, as is any command while the start-up task still
// holds the database. The period and the capital workflow of one window share
// one gate.
class CommandGate
{
public:
    // `reporting`: the connection that each command finds alive or opens again.
    explicit CommandGate(store::BusyGate &reportingGate, db::Connection *reporting = nullptr)
        : m_reportingGate(reportingGate), m_reporting(reporting)
    {
    }
    CommandGate(const CommandGate &) = delete;
    CommandGate &operator=(const CommandGate &) = delete;

    // True while a command runs; the window refuses other commands meanwhile.
    bool isRunning() const { return m_running; }

private:
    friend class DatabaseCommand;
    store::BusyGate &m_reportingGate;
    db::Connection *m_reporting;
    bool m_reconnectPending = false; // lost, and not yet connected again
    bool m_running = false;
};

// One command: refuses, with the message saying why, when another command runs
// or the start-up task still uses the reporting database; otherwise marks the
// command as running and holds the database until it goes. A connection to the
// server lost since the last command (the server restarted, the network failed)
// is told and opened again first; the pages keep what the user typed. A failed
// reconnection refuses the command, showing why.
class DatabaseCommand
{
public:
    DatabaseCommand(CommandGate &gate, Messages &messages);
    ~DatabaseCommand();
    DatabaseCommand(const DatabaseCommand &) = delete;
    DatabaseCommand &operator=(const DatabaseCommand &) = delete;
    explicit operator bool() const { return m_gate != nullptr; }

private:
    CommandGate *m_gate = nullptr; // null when refused
};

// The two refusals.
void warnCommandRunning(Messages &messages);
void warnStartupBusy(Messages &messages);

// Opens `connection` again when its server connection was lost, saying so first.
// `pending` keeps a loss whose reconnection failed (the server is still away), so
// that the next command tries again.
void reconnectIfLost(db::Connection &connection, Messages &messages, bool &pending);
