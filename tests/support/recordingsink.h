#pragma once

#include "shell/startuptask.h"

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
