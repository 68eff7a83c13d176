#pragma once

#include "common/messages.h"
#include "support/workspace.h"
#include "workflow/startuptask.h"

// Records what the start-up task does to the window.
class RecordingSink : public StartupSink
{
public:
    QString caption = QStringLiteral("Opis Struktur danych");
    int buttonCalls = 0;
    bool importEnabled = false;
    bool openEnabled = false;

    void appendCaption(const QString &suffix) override { caption += suffix; }
    void setPeriodButtons(bool importOn, bool openOn) override
    {
        ++buttonCalls;
        importEnabled = importOn;
        openEnabled = openOn;
    }
};

// The online checks' warning when no update server answers (the tests' TV.ini
// names one where nothing listens): the last message of every start-up.
inline RecordingMessages::Entry noInternetWarning()
{
    return {RecordingMessages::Kind::Warning, QStringLiteral("Brak połączenia z internetem"),
            QString::fromUtf8(NoInternetText)};
}
