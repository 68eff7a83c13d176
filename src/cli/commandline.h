#pragma once

#include "historycommands.h"

#include <QStringList>

#include <optional>

// tervala [--home DIR] COMMAND ...: runs one workflow without a window and prints
// each message as "caption: text". Exit status 0 when the command completed, 1
// when it stopped on an error or a refusal, 2 for a usage error.
struct CommandLine
{
    QString home;      // empty: the folder of the executable
    QStringList words; // the command and its arguments; empty: start the window
    QString usageError;
    bool help = false;    // --help: the usage text on standard output
    bool version = false; // --version

    // Runs without a window: a command, --help, --version or a usage error.
    bool windowless() const { return !words.isEmpty() || !usageError.isEmpty() || help || version; }

    static CommandLine parse(const QStringList &arguments);
};

// `writeChart` draws the charts of the command "chart" (the program passes the chart library's).
int runCommand(const CommandLine &commandLine, const ChartFileWriter &writeChart = {});
QString usageText();
