#include "databasecommand.h"

#include "common/messages.h"
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
