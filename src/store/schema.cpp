#include "schema.h"

#include "db/connection.h"
#include "db/error.h"
#include "statisticpairs.h"

#include <QFileInfo>

namespace store {

namespace {

QString pozyczkiTable()
{
    QStringList columns{QStringLiteral("ID_OK INTEGER NOT NULL PRIMARY KEY")};
    for (const StatisticPair &p : StatisticPairs) {
        columns << QString::fromLatin1(p.countColumn) + QStringLiteral(" INTEGER");
        columns << QString::fromLatin1(p.valueColumn) + QStringLiteral(" DECIMAL(15,2)");
    }
    columns << QStringLiteral("WPROWADZIL INTEGER");
    return QStringLiteral("CREATE TABLE POZYCZKI (%1);").arg(columns.join(u','));
}

} // namespace

QStringList reportingSchemaStatements()
{
    return {
        QStringLiteral("CREATE TABLE OKRES (ID_OK INTEGER NOT NULL PRIMARY KEY, ODK DATE, DOK DATE, "
                       "DATAW DATE, WPROWADZIL INTEGER);"),
        QStringLiteral("CREATE TABLE DANE_INST (ID_OK INTEGER NOT NULL PRIMARY KEY, NAZWA VARCHAR(100), "
                       "NIP VARCHAR(15), KRS VARCHAR(30), ADRES VARCHAR(50), KOD_POCZTA VARCHAR(30), "
                       "MIASTO VARCHAR(30), TELEFON VARCHAR(30), FAX VARCHAR(30), EMAIL VARCHAR(30), "
                       "ROK_ZAL DATE, FORMA VARCHAR(25), DATAW DATE);"),
        QStringLiteral("CREATE TABLE KAPITAL_FUND (ID_SKL INTEGER NOT NULL PRIMARY KEY, ID_OK INTEGER, "
                       "SKLADNIK VARCHAR(200), WARTOSC DECIMAL(15,2), DATAW TIMESTAMP, WPROWADZIL INTEGER, "
                       "NAZWA_R INTEGER, GRUPA INTEGER, RODZAJ INTEGER, SZCZEGOLY VARCHAR(100));"),
        QString::fromLatin1(CreateDaneKapTable),
        QString::fromLatin1(CreateDaneKapSequence),
        QString::fromLatin1(CreateDaneKapTrigger),
        QStringLiteral("CREATE TABLE ZASADY (ID_ZAS INTEGER NOT NULL PRIMARY KEY, ID_OK INTEGER, "
                       "FUN_NIE_ZYS VARCHAR(15), MIN_OPR DECIMAL(15,2), PO_ANALIZ VARCHAR(15), "
                       "MAX_POZ DECIMAL(15,2), TRUD_SYT VARCHAR(15), POT_EKO VARCHAR(15), "
                       "KWAL_PRAC VARCHAR(15), INNE VARCHAR(80), "
                       "WYM_TECH VARCHAR(15) CHARACTER SET NONE, WYM_EKO VARCHAR(15) CHARACTER SET NONE, "
                       "WYM_USL VARCHAR(15) CHARACTER SET NONE, ET_ZAW VARCHAR(15) CHARACTER SET NONE, "
                       "OKRES_SPL INTEGER);"),
        pozyczkiTable(),
        QStringLiteral("CREATE TABLE AKT_STR (ID_OK INTEGER NOT NULL PRIMARY KEY, PA_L INTEGER, "
                       "PA_W DECIMAL(15,2), ST_L INTEGER, ST_W DECIMAL(15,2), PO_31_180_L INTEGER, "
                       "PO_31_180_W DECIMAL(15,2), PO_180_L INTEGER, PO_180_W DECIMAL(15,2), PW_L INTEGER, "
                       "PW_W DECIMAL(15,2), PS_L INTEGER, PS_W DECIMAL(15,2), "
                       "WSDO_L DOUBLE PRECISION, WSDO_W DOUBLE PRECISION);"),
        QStringLiteral("CREATE TABLE SLOWNIKI (NAZWA VARCHAR(200), KOD INTEGER, GRUPA INTEGER, RODZAJ INTEGER);"),
        // The database stamps each start; the program names only WERSJA.
        QStringLiteral("CREATE TABLE LOGOWANIE (WERSJA VARCHAR(50), "
                       "DATAW TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL);"),
    };
}

void createReportingDatabase(const QString &path)
{
    if (QFileInfo::exists(path))
        throw db::Error(QStringLiteral("Plik %1 już istnieje – nowej bazy danych nie utworzono.").arg(path));
    db::Connection connection;
    connection.setDatabase(QString(), path);
    connection.create();
    for (const QString &statement : reportingSchemaStatements()) {
        connection.executeImmediate(statement);
        connection.commitRetaining();
    }
    connection.close();
}

} // namespace store
