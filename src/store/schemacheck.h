#pragma once

#include <QString>

class Messages;
namespace db {
class Connection;
}

namespace store {

// What a database attached as the reporting database turns out to be.
enum class SchemaState {
    Current,      // every table and column the program uses, at its current width
    Older,        // a reporting database that the schema upgrade has not brought up to date
    NotReporting, // no table OKRES: some other database
};

struct SchemaCheck
{
    SchemaState state = SchemaState::Current;
    QString missing; // Older: the first thing missing, e.g. "AKT_STR.PO_31_180_L"
};

// Compares the database's own description of its tables with the program's schema.
SchemaCheck checkReportingSchema(db::Connection &ksu);

// Refuses, with a Polish message naming the database and what to do, a database
// that is not a reporting database or (unless `allowOlder`) one of an older schema.
// True when the work may go on.
bool requireReportingDatabase(db::Connection &ksu, Messages &messages, bool allowOlder = false);

} // namespace store
