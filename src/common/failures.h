#pragma once

#include <QString>

#include <exception>

class QFileDevice;

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

enum class FileAccess { Read, Write };

// Why `file` could not be read from or written to `path`, found by looking at the
// path and the disk (a missing file or folder, a folder in the file's place, a
// read-only or full disk, missing rights); Qt's own text is the detail.
Failure explainFileFailure(const QString &path, const QFileDevice &file, FileAccess access);
