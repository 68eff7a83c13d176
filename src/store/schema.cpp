#include "schema.h"

#include "db/connection.h"
#include "db/error.h"
#include "fields.h"
#include "figurecontracts.h"
#include "sharedaccess.h"
#include "statisticpairs.h"

#include <QFileInfo>

#include <stdexcept>

namespace store {

namespace {

// The column type of a count, an amount or a ratio on the computed pages.
QString figureType(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Count:
        return QStringLiteral("INTEGER");
    case FieldKind::Money:
        return QStringLiteral("DECIMAL(15,2)");
    case FieldKind::Decimal:
        return QStringLiteral("DOUBLE PRECISION");
    case FieldKind::Text:
    case FieldKind::Date:
        break;
    }
    throw std::logic_error("a figure is a count, an amount or a ratio");
}

QString column(std::string_view name, const QString &type)
{
    return QString::fromLatin1(name) + u' ' + type;
}

QString createTable(const QString &table, const QStringList &columns)
{
    return QStringLiteral("CREATE TABLE %1 (%2);").arg(table, columns.join(QStringLiteral(", ")));
}

QString pozyczkiTable()
{
    QStringList columns{QStringLiteral("ID_OK INTEGER NOT NULL PRIMARY KEY")};
    for (const StatisticPair &p : StatisticPairs) {
        columns << column(p.countColumn, figureType(FieldKind::Count));
        columns << column(p.valueColumn, figureType(FieldKind::Money));
    }
    columns << QStringLiteral("WPROWADZIL INTEGER");
    return createTable(QStringLiteral("POZYCZKI"), columns);
}

QString aktStrTable()
{
    QStringList columns{QStringLiteral("ID_OK INTEGER NOT NULL PRIMARY KEY")};
    for (const ActiveLostRow &row : ActiveLostRows) {
        columns << column(row.count.column, figureType(row.count.kind));
        columns << column(row.value.column, figureType(row.value.kind));
    }
    return createTable(QStringLiteral("AKT_STR"), columns);
}

QString zasadyTable()
{
    QStringList columns{QStringLiteral("ID_ZAS INTEGER NOT NULL PRIMARY KEY"), QStringLiteral("ID_OK INTEGER")};
    for (const RuleSpec &rule : Rules)
        columns << column(rule.field.column, QString::fromLatin1(rule.columnType));
    return createTable(QStringLiteral("ZASADY"), columns);
}

} // namespace

QStringList reportingSchemaStatements()
{
    return {
        QStringLiteral("CREATE TABLE OKRES (ID_OK INTEGER NOT NULL PRIMARY KEY, ODK DATE, DOK DATE, "
                       "DATAW DATE, WPROWADZIL INTEGER, ZMIANA INTEGER DEFAULT 0, ZMIENIL VARCHAR(63), "
                       "ZMIENIONO TIMESTAMP);"),
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
        zasadyTable(),
        pozyczkiTable(),
        aktStrTable(),
        QStringLiteral("CREATE TABLE SLOWNIKI (NAZWA VARCHAR(200), KOD INTEGER, GRUPA INTEGER, RODZAJ INTEGER);"),
        // The database stamps each start; the program names only WERSJA.
        QStringLiteral("CREATE TABLE LOGOWANIE (WERSJA VARCHAR(50), "
                       "DATAW TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL);"),
        QString::fromLatin1(CreateFigureContractsTable),
        QString::fromLatin1(CreateFigureContractsIndex),
        QString::fromLatin1(CreateLockTable),
    };
}

void createReportingDatabase(const QString &path, const QString &host, const QString &user, const QString &password)
{
    if (host.isEmpty() && QFileInfo::exists(path))
        throw db::Error(QStringLiteral("Plik %1 już istnieje – nowej bazy danych nie utworzono.").arg(path));
    db::Connection connection;
    connection.setDatabase(host, path);
    if (!user.isEmpty() || !password.isEmpty())
        connection.setCredentials(user.isEmpty() ? QString::fromLatin1(db::Connection::DefaultUser) : user,
                                  password.isEmpty() ? QString::fromLatin1(db::Connection::DefaultPassword) : password);
    connection.create();
    for (const QString &statement : reportingSchemaStatements()) {
        connection.executeImmediate(statement);
        connection.commitRetaining();
    }
    connection.close();
}

} // namespace store
