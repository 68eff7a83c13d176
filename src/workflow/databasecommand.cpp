#include "databasecommand.h"

#include "common/messages.h"
#include "db/connection.h"
#include "store/datamodule.h"

void warnCommandRunning(Messages &messages)
{
    messages.showWarning(QStringLiteral("Trwa import lub zapis danych.\rPoczekaj na jego zakończenie."),
                         QStringLiteral("Chwileczkę"));
}

void warnStartupBusy(Messages &messages)
{
    messages.showWarning(QStringLiteral("Program kończy uruchamianie i korzysta jeszcze z bazy danych.\r"
                                        "Spróbuj ponownie za chwilę."),
                         QStringLiteral("Chwileczkę"));
}

void reconnectIfLost(db::Connection &connection, Messages &messages, bool &pending)
{
    if (!pending) {
        if (!connection.isOpen() || connection.isAlive())
            return;
        pending = true;
        connection.close();
    }
    messages.showWarning(QStringLiteral("Połączenie z serwerem Firebird zostało przerwane – %1 (%2).\r"
                                        "Program łączy się ponownie. Niezapisane zmiany na stronach pozostały; "
                                        "praca przerwana przez utratę połączenia nie została zapisana.")
                             .arg(connection.description(), connection.databaseName()),
                         QStringLiteral("Połączenie przerwane"));
    connection.open();
    pending = false;
}

DatabaseCommand::DatabaseCommand(CommandGate &gate, Messages &messages)
{
    if (gate.m_running) {
        warnCommandRunning(messages);
        return;
    }
    if (!gate.m_reportingGate.tryAcquire()) {
        warnStartupBusy(messages);
        return;
    }
    if (gate.m_reporting) {
        try {
            reconnectIfLost(*gate.m_reporting, messages, gate.m_reconnectPending);
        } catch (const std::exception &e) {
            // The server is still away: the command is refused with the cause.
            showFailure(messages, e);
            gate.m_reportingGate.release();
            return;
        }
    }
    gate.m_running = true;
    m_gate = &gate;
}

DatabaseCommand::~DatabaseCommand()
{
    if (!m_gate)
        return;
    m_gate->m_running = false;
    m_gate->m_reportingGate.release();
}
