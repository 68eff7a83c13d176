#pragma once

// What the outputs and the start-up read from the reporting database besides the
// page fields: the capital components and sources as stored (their amounts in the
// text the database gives), the dictionary's names and groups, and the log of the
// program versions that opened the database.

#include <QList>
#include <QString>
#include <QStringList>

namespace db {
class Connection;
}

namespace store {

// One KAPITAL_FUND row as the XML file and the printed summary report it.
struct ReportedCapitalComponent
{
    qint64 rodzaj = 0; // RODZAJ: 1 value only, 2 list entry, 3 free text; others are not reported
    QString skladnik;  // SKLADNIK
    QString wartosc;   // WARTOSC as the database gives its text ("1500", "1500,5"); empty for NULL
    QString szczegoly; // SZCZEGOLY
};

// The period's components of one group, in the order the database returns them.
QList<ReportedCapitalComponent> LoadReportedCapitalComponents(db::Connection &ksu, qint64 periodId, qint64 groupKod);

// A stored component (KAPITAL_FUND row) with the group code it was filed under.
struct FiledCapitalComponent
{
    qint64 grupa = 0; // GRUPA
    QString skladnik; // SKLADNIK
};

// Every component of the period, in key order.
QList<FiledCapitalComponent> LoadFiledCapitalComponents(db::Connection &ksu, qint64 periodId);

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

// The names of every dictionary entry in code order.
QStringList DictionaryEntryNames(db::Connection &ksu);

// One capital source (DANE_KAP row with ZRODLO 1) as the printed summary reports it.
struct ReportedCapitalSource
{
    QString nazwa;
    QString kwota; // KWOTA as the database gives its text; empty for NULL
};

// The period's capital sources, in the order the database returns them.
QList<ReportedCapitalSource> LoadReportedCapitalSources(db::Connection &ksu, qint64 periodId);

// Logs that `version` opened the reporting database (a LOGOWANIE row) and commits
// retaining the transaction; returns the version of the newest earlier entry, or
// an empty text when there is none.
QString RecordProgramVersion(db::Connection &ksu, const QString &version);

} // namespace store
