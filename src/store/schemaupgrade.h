#pragma once

#include <QList>
#include <QString>

#include <functional>

class Messages;
namespace db {
class Connection;
}

namespace store {

// One statement of the schema upgrade; statements 22 and 23 change the Lokra database.
struct UpgradeStatement
{
    int number; // 1 to 28
    bool onLokra;
    QString sql;
};

// What became of one statement: applied and committed, or skipped with the
// database's reason. A statement whose change the database has already (a column
// added before, one dropped before) is skipped as done; any other refusal is a
// failure, told in Polish by `failure` (cause, what to do, the database's text).
struct UpgradeOutcome
{
    int number = 0;
    bool applied = false;
    bool alreadyDone = false;
    QString reason;
    QString failure;
};

// The 28 statements in the order they run.
QList<UpgradeStatement> upgradeStatements();

// Statement 11: one ALTER TABLE POZYCZKI dropping the 168 per-size columns of the
// older layout (MIKROL_10 ... INW_300).
QString dropPerSizeColumnsStatement();

// Runs one statement on the reporting database and commits it at once. A statement
// the database refuses is skipped; a failed commit shows "Problem z zapisem
// transakcji" and its work is undone, so that it cannot spoil the commits after it.
UpgradeOutcome ExecReportingDdl(db::Connection &reporting, const QString &statement, Messages &messages);

// The same on the Lokra database. A failed commit is not caught: it ends the upgrade.
UpgradeOutcome ExecLokraDdl(db::Connection &lokra, const QString &statement);

// The menu item "Instalacja wersji" (Instalacjawersji1Click) without its window:
// brings the reporting database up to the current schema and adds WNIOSKI.OBSZAR
// and UMOWY.RU to the Lokra database. Every statement runs whatever became of the
// one before; `onStatement` hears of each as it is done. Shows no summary. Throws
// store::WorkRefused while another user imports, deletes a period or upgrades.
QList<UpgradeOutcome> upgradeSchema(db::Connection &reporting, db::Connection &lokra, Messages &messages,
                                    const std::function<void(const UpgradeOutcome &)> &onStatement = {});

} // namespace store
