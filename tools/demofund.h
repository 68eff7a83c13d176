#pragma once

// The demo fund: a Lokra database of a loan fund with N contracts of a realistic
// shape, made deterministically from a seed, a matching empty reporting database
// and a TV.ini that opens both. The benchmark builds its funds with it too.

#include <QDate>
#include <QString>

namespace db {
class Connection;
}

namespace demo {

// Raised whenever the generator makes a different fund from the same options, so
// that funds kept by the benchmark are made again.
inline constexpr int GeneratorVersion = 1;

struct FundOptions
{
    int contracts = 2000;
    quint64 seed = 20130630;
    // The day the ledger was last posted: nothing is dated after it.
    QDate ledgerEnd = QDate(2013, 7, 31);
};

// What a generated fund holds, for the tools' summaries.
struct FundSummary
{
    int contracts = 0;
    int clients = 0;
    qint64 ledgerEntries = 0;
    qint64 scheduleRows = 0;
    qint64 rows = 0; // every row inserted
};

// The Lokra schema (tables, indexes and the days-late procedure) as an isql script.
QString lokraSchemaScript();

// Fills an open, empty Lokra database that has the schema with the fund: every
// row in one transaction through statements prepared once. Index statistics are
// recomputed afterwards, as a maintained database has them.
FundSummary fillLokra(db::Connection &lokra, const FundOptions &options);

// Creates the Lokra database file at `path` (through the embedded engine) with
// the schema and the fund. Refuses a file that exists.
FundSummary createLokraDatabase(const QString &path, const FundOptions &options);

// Writes TV.ini in `folder` for the two databases (Host as given; empty opens
// the files through the embedded engine). No update server is named, so the
// program makes no online checks.
void writeSettings(const QString &folder, const QString &host, const QString &ksuPath, const QString &lokraPath);

} // namespace demo
