#include "datamodule.h"

#include "common/inifile.h"
#include "db/error.h"

namespace store {

namespace {
const QString Section = QStringLiteral("Settings");

DatabaseSettings readSettings(const IniFile &ini, const QString &pathKey, const QString &pathDefault,
                              const QString &hostDefault)
{
    return {ini.value(Section, QStringLiteral("Host"), hostDefault),
            ini.value(Section, pathKey, pathDefault),
            ini.value(Section, QStringLiteral("user"), QString()),
            ini.value(Section, QStringLiteral("password"), QString())};
}
} // namespace

DatabaseSettings reportingDatabaseSettings(const IniFile &ini)
{
    return readSettings(ini, QStringLiteral("Path_ksu"), QStringLiteral("c:\\Tervala\\BazaDanych\\baza.fdb"),
                        QStringLiteral("localhost"));
}

DatabaseSettings lokraDatabaseSettings(const IniFile &ini)
{
    return readSettings(ini, QStringLiteral("Path"), QStringLiteral("c:\\fundacja\\bazadanych\\fundacja.fdb"),
                        QString());
}

ConnectResult connectDatabase(db::Connection &connection, const DatabaseSettings &settings)
{
    connection.close();
    connection.setDatabase(settings.host, settings.path);
    if (!settings.user.isEmpty() || !settings.password.isEmpty()) {
        connection.setCredentials(settings.user.isEmpty() ? QString::fromLatin1(db::Connection::DefaultUser) : settings.user,
                                  settings.password.isEmpty() ? QString::fromLatin1(db::Connection::DefaultPassword)
                                                              : settings.password);
    }
    try {
        connection.open();
        return ConnectResult::Connected;
    } catch (const db::Error &) {
        if (connection.isOpen())
            return ConnectResult::Connected;
    }
    connection.setCredentials(QString::fromLatin1(db::Connection::DefaultUser),
                              QString::fromLatin1(db::Connection::DefaultPassword));
    try {
        connection.open();
        return ConnectResult::ConnectedOnRetry;
    } catch (const db::Error &) {
        return ConnectResult::Failed;
    }
}

QString connectionFailureText(const db::Connection &connection)
{
    return QStringLiteral("Błąd bazy danych programu Tervala \rBłąd serwera ") + connection.databaseName();
}

} // namespace store
