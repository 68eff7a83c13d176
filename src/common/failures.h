#pragma once

#include <QString>

#include <exception>

// What a failure means to the user, told once for the window and the command line:
// the cause in Polish, what to do about it, and the database engine's own text
// kept for the expert as the last line.
struct Failure
{
    QString cause;  // what happened; an error's own text when it is already ours
    QString hint;   // what to do; empty when there is nothing to advise
    QString detail; // the database error's own message on one line; empty for other errors

    // `before`, the cause, the hint, `after` and the detail, one per line ("\r").
    QString text(const QString &before = QString(), const QString &after = QString()) const;
};

// Tells the cause of a database failure by Firebird's error codes (not by the
// wording of its message), of any other failure by its own text.
Failure explainFailure(const std::exception &error);

// Firebird's multi-line message on one line: each "-" detail joined by "; ".
QString engineTextOnOneLine(const QString &text);
