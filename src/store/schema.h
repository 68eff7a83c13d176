#pragma once

#include <QString>
#include <QStringList>

namespace store {

// DANE_KAP, its sequence and its trigger: the same texts serve a new database
// and the schema upgrade of an old one.
inline constexpr const char *CreateDaneKapTable =
    "CREATE TABLE DANE_KAP (ID_OK INTEGER,ID INTEGER,ZRODLO INTEGER,NAZWA VARCHAR(100),KWOTA DECIMAL(15,2),DATAW "
    "TIMESTAMP,WPROWADZIL INTEGER);";
inline constexpr const char *CreateDaneKapSequence = "CREATE SEQUENCE DKAP_GEN;";
inline constexpr const char *CreateDaneKapTrigger = "CREATE trigger dane_kap_bi0 for dane_kap active before insert "
                                                    "position 0 AS begin NEW.id = GEN_ID(DKAP_GEN,1); end";

// Every statement that makes an empty reporting database, in order.
QStringList reportingSchemaStatements();

// Creates a new reporting database file at `path` with the whole schema: opened
// locally when `host` is empty, otherwise by the Firebird server `host` (the path
// is then the server's) as `user`, who becomes its owner. Throws db::Error;
// refuses a local file that exists already (a server refuses one itself).
void createReportingDatabase(const QString &path, const QString &host = QString(), const QString &user = QString(),
                             const QString &password = QString());

} // namespace store
