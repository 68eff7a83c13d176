#pragma once

// What the windows that export a table share: asking where to save, and writing
// the CSV file.

#include "common/outputfiles.h"

#include <QList>
#include <QString>
#include <QStringList>

class Messages;
class QWidget;

// Asks where to save a file; `suffix` (".csv") is added to a name without it.
// Empty when the user cancelled.
QString askSavePath(QWidget *parent, const QString &caption, const QString &filter, const QString &suffix);

// Writes `rows` as a CSV file once the guard approved `path`; a refusal or a
// failure is shown and gives false.
bool exportCsvFile(const QString &path, const QList<QStringList> &rows, const output::OutputGuard &guard,
                   Messages &messages);
