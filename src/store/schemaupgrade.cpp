#include "schemaupgrade.h"

#include "common/failures.h"
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "figurecontracts.h"
#include "schema.h"
#include "sharedaccess.h"

#include <QStringList>

#include <ibase.h>

#include <initializer_list>

namespace store {

QString dropPerSizeColumnsStatement()
{
    static const char *const prefixes[] = {"MIKRO", "MALE", "SREDNIE", "INNE", "EKO", "OBROT", "INWES",
                                           "IO",    "PROD", "HAN",     "US",   "BUD", "RO",    "IN"};
    static const char *const letters[] = {"L", "W"};
    static const char *const sizes[] = {"10", "10_30", "30_50", "50_120", "120_300", "300"};
    QStringList columns;
    for (const char *prefix : prefixes) {
        for (const char *letter : letters) {
            for (const char *size : sizes)
                columns << QLatin1String(prefix) + QLatin1String(letter) + u'_' + QLatin1String(size);
        }
    }
    return QStringLiteral("ALTER TABLE POZYCZKI DROP ") + columns.join(QStringLiteral(", DROP ")) + u';';
}

QList<UpgradeStatement> upgradeStatements()
{
    const QStringList reporting{
        QStringLiteral("ALTER TABLE AKT_STR ADD PO_31_180_L INTEGER;"),
        QStringLiteral("ALTER TABLE AKT_STR ADD PO_31_180_W DECIMAL(15,2);"),
        QStringLiteral("ALTER TABLE AKT_STR ADD PO_180_L INTEGER;"),
        QStringLiteral("ALTER TABLE AKT_STR ADD PO_180_W DECIMAL(15,2);"),
        QStringLiteral("ALTER TABLE AKT_STR ADD PW_L INTEGER;"),
        QStringLiteral("ALTER TABLE AKT_STR ADD PW_W DECIMAL(15,2);"),
        QStringLiteral("ALTER TABLE ZASADY ADD WYM_TECH VARCHAR(5);"),
        QStringLiteral("ALTER TABLE ZASADY ADD WYM_EKO VARCHAR(5);"),
        QStringLiteral("ALTER TABLE ZASADY ADD WYM_USL VARCHAR(5);"),
        QStringLiteral("ALTER TABLE ZASADY ADD ET_ZAW VARCHAR(5);"),
        dropPerSizeColumnsStatement(),
        QStringLiteral("ALTER TABLE POZYCZKI ADD GOR_LS INTEGER,ADD GOR_WS DECIMAL(15,2),ADD DZIAL_LS INTEGER,"
                       "ADD DZIAL_WS DECIMAL(15,2),ADD TRAN_LS INTEGER,ADD TRAN_WS DECIMAL(15,2);"),
        QStringLiteral("ALTER TABLE POZYCZKI ALTER PROD_LS TO PRZET_LS, ALTER PROD_WS TO PRZET_WS;"),
        QStringLiteral("ALTER TABLE POZYCZKI ADD JVL_10 INTEGER,ADD JVW_10 DECIMAL(15,2),ADD JVL_10_30 INTEGER,"
                       "ADD JVW_10_30 DECIMAL(15,2),ADD JVL_30_50 INTEGER,ADD JVW_30_50 DECIMAL(15,2),"
                       "ADD JVL_50_120 INTEGER,ADD JVW_50_120 DECIMAL(15,2),ADD JVL_120_300 INTEGER,"
                       "ADD JVW_120_300 DECIMAL(15,2),ADD JVL_300 INTEGER,ADD JVW_300 DECIMAL(15,2);"),
        QStringLiteral("ALTER TABLE POZYCZKI ADD S_PRZP_LS INTEGER,ADD S_PRZP_WS DECIMAL(15,2),ADD S_PRZK_LS INTEGER,"
                       "ADD S_PRZK_WS DECIMAL(15,2),ADD PL_KOB_LS INTEGER,ADD PL_KOB_WS DECIMAL(15,2),"
                       "ADD PL_MEN_LS INTEGER,ADD PL_MEN_WS DECIMAL(15,2),ADD PL_POZ_LS INTEGER,"
                       "ADD PL_POZ_WS DECIMAL(15,2),ADD RK_POC_LS INTEGER,ADD RK_POC_WS DECIMAL(15,2),"
                       "ADD RK_KOL_LS INTEGER,ADD RK_KOL_WS DECIMAL(15,2),ADD MZ_WIEJ_LS INTEGER,"
                       "ADD MZ_WIEJ_WS DECIMAL(15,2),ADD MZ_MIEJ_LS INTEGER,ADD MZ_MIEJ_WS DECIMAL(15,2);"),
        QStringLiteral("ALTER TABLE AKT_STR DROP WSCO_L, DROP WSCO_W;"),
        QString::fromLatin1(CreateDaneKapTable),
        QString::fromLatin1(CreateDaneKapSequence),
        QString::fromLatin1(CreateDaneKapTrigger),
        QStringLiteral("ALTER TABLE ZASADY ALTER WYM_TECH TYPE VARCHAR(15) CHARACTER SET NONE,ALTER WYM_EKO TYPE "
                       "VARCHAR(15) CHARACTER SET NONE, ALTER WYM_USL TYPE VARCHAR(15) CHARACTER SET NONE,ALTER "
                       "ET_ZAW TYPE VARCHAR(15) CHARACTER SET NONE;"),
        QStringLiteral("ALTER TABLE ZASADY ADD OKRES_SPL INTEGER;"),
    };
    const QStringList lokra{
        QStringLiteral("ALTER TABLE WNIOSKI ADD OBSZAR INTEGER;"),
        QStringLiteral("ALTER TABLE UMOWY ADD RU INTEGER;"),
    };
    QList<UpgradeStatement> statements;
    for (const QString &sql : reporting)
        statements.append({int(statements.size()) + 1, false, sql});
    for (const QString &sql : lokra)
        statements.append({int(statements.size()) + 1, true, sql});
    // Added after the Lokra statements, so that the numbers users know stay as they
    // were: a component of more than 21 474 836,47 zł does not fit DECIMAL(9,2).
    statements.append({int(statements.size()) + 1, false,
                       QStringLiteral("ALTER TABLE KAPITAL_FUND ALTER WARTOSC TYPE DECIMAL(15,2);")});
    // The contracts behind each imported figure.
    statements.append({int(statements.size()) + 1, false, QString::fromLatin1(CreateFigureContractsTable)});
    statements.append({int(statements.size()) + 1, false, QString::fromLatin1(CreateFigureContractsIndex)});
    // Several users on one database: the change stamp of each period and the
    // exclusion of imports, deletions and upgrades.
    statements.append({int(statements.size()) + 1, false, QString::fromLatin1(AddPeriodStamp)});
    statements.append({int(statements.size()) + 1, false, QString::fromLatin1(CreateLockTable)});
    return statements;
}

namespace {

// "Sequence @1 already exists" and "Index @1 already exists", which iberror.h does not name.
constexpr long SequenceAlreadyExists = 336068862;
constexpr long IndexAlreadyExists = 336068859;

// The database refused the statement because its change is there already: the
// name it adds is taken (the unique key of the system tables, a table, a
// sequence or an index of that name), or the column it drops or renames is gone.
bool changeIsThere(const db::Error &e)
{
    if (!e.hasCode(isc_no_meta_update))
        return false;
    for (const long code :
         std::initializer_list<long>{isc_unique_key_violation, isc_dyn_dup_table, SequenceAlreadyExists,
                                     IndexAlreadyExists, isc_dyn_column_does_not_exist}) {
        if (e.hasCode(code))
            return true;
    }
    return false;
}

UpgradeOutcome refused(const db::Error &e)
{
    UpgradeOutcome outcome;
    outcome.reason = e.message();
    outcome.alreadyDone = changeIsThere(e);
    if (!outcome.alreadyDone)
        outcome.failure = explainFailure(e).text();
    return outcome;
}

// CommitReporting: a failed commit is shown and its work undone.
bool CommitReporting(db::Connection &reporting, Messages &messages, UpgradeOutcome &outcome)
{
    if (!reporting.isOpen())
        return true;
    try {
        reporting.commitRetaining();
        return true;
    } catch (const db::Error &e) {
        outcome.reason = e.message();
        outcome.failure = explainFailure(e).text(QStringLiteral("Problem z zapisem transakcji: "));
    }
    messages.showWarning(QStringLiteral("Problem z zapisem transakcji"), QStringLiteral("Błąd"));
    // The refused work would stay pending and fail every later commit as well.
    try {
        reporting.rollbackRetaining();
    } catch (const db::Error &) {
        // The connection itself is gone; the server discards the work.
    }
    return false;
}

} // namespace

UpgradeOutcome ExecReportingDdl(db::Connection &reporting, const QString &statement, Messages &messages)
{
    UpgradeOutcome outcome;
    try {
        reporting.executeImmediate(statement);
    } catch (const db::Error &e) {
        return refused(e);
    }
    outcome.applied = CommitReporting(reporting, messages, outcome);
    return outcome;
}

UpgradeOutcome ExecLokraDdl(db::Connection &lokra, const QString &statement)
{
    UpgradeOutcome outcome;
    try {
        lokra.executeImmediate(statement);
    } catch (const db::Error &e) {
        outcome = refused(e);
        // A user with read-only rights on Lokra (the program's everyday user may
        // be one) cannot change its tables: only their owner or SYSDBA can.
        if (!outcome.alreadyDone && e.hasCode(isc_no_priv))
            outcome.failure = explainFailure(e).text(
                QStringLiteral("Zmiana tabeli bazy danych programu Lokra wymaga praw jej właściciela: "),
                QStringLiteral("Uruchom „Instalacja wersji” jako SYSDBA albo właściciel bazy programu Lokra (user "
                               "i password w pliku TV.ini); baza danych programu Tervala może zostać uaktualniona "
                               "przez jej własnego użytkownika."));
        return outcome;
    }
    lokra.commitRetaining();
    outcome.applied = true;
    return outcome;
}

QList<UpgradeOutcome> upgradeSchema(db::Connection &reporting, db::Connection &lokra, Messages &messages,
                                    const std::function<void(const UpgradeOutcome &)> &onStatement)
{
    // Another user's import or upgrade must not run into the changing tables.
    const ExclusiveLock lock(reporting, ExclusiveWork::SchemaUpgrade);
    QList<UpgradeOutcome> outcomes;
    for (const UpgradeStatement &statement : upgradeStatements()) {
        UpgradeOutcome outcome = statement.onLokra ? ExecLokraDdl(lokra, statement.sql)
                                                   : ExecReportingDdl(reporting, statement.sql, messages);
        outcome.number = statement.number;
        outcomes.append(outcome);
        if (onStatement)
            onStatement(outcome);
    }
    return outcomes;
}

} // namespace store
