#pragma once

#include <QString>
#include <QStringList>

namespace db {

class Connection;

// Splits a script written for isql: statements end with the terminator (";"
// until a "SET TERM x ;" changes it), quoted texts and comments are kept whole.
QStringList splitSqlScript(const QString &script);

// Runs each statement of a script, committing after each so that a table made
// by one statement can be used by the next. "COMMIT" lines just commit.
void runSqlScript(Connection &connection, const QString &script);

} // namespace db
