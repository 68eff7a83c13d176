#pragma once

// What the outputs and the start-up read from the reporting database besides the
// page fields and the loan capital: the dictionary's names and groups, and the log
// of the program versions that opened the database.

#include <QList>
#include <QString>
#include <QStringList>

namespace db {
class Connection;
}

namespace store {

// How many groups the component dictionary (SLOWNIKI) holds now.
qint64 CountDictionaryGroups(db::Connection &ksu);

// How many entries of each level the component dictionary holds: groups (GRUPA 0),
// components (GRUPA a group's KOD) and list entries (GRUPA a component's KOD).
struct DictionarySize
{
    qint64 groups = 0;
    qint64 components = 0;
    qint64 listEntries = 0;
};
DictionarySize MeasureDictionary(db::Connection &ksu);

// The names of every dictionary entry in code order.
QStringList DictionaryEntryNames(db::Connection &ksu);

// Logs that `version` opened the reporting database (a LOGOWANIE row) and commits
// retaining the transaction; returns the version of the newest earlier entry, or
// an empty text when there is none.
QString RecordProgramVersion(db::Connection &ksu, const QString &version);

} // namespace store
