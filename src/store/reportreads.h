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

// The names of the period's components whose GRUPA is the KOD of no group of the
// dictionary (SLOWNIKI) as it stands, in key order.
QStringList ComponentsOutsideDictionaryGroups(db::Connection &ksu, qint64 periodId);

// The period with the highest key and its days as "YYYY-MM-DD – YYYY-MM-DD", or
// key 0 when there is none.
struct StoredPeriod
{
    qint64 id = 0;
    QString days;
};
StoredPeriod LastStoredPeriod(db::Connection &ksu);

// The warning that components of a period belong to no group of the dictionary and
// so are left out of the XML file and the printed summary; `consequence` says what
// this means where it is shown.
QString componentsWithoutGroupText(const QString &periodDays, const QStringList &names, const QString &consequence);

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
