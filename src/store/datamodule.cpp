#include "datamodule.h"

#include "common/apppaths.h"
#include "common/failures.h"
#include "common/inifile.h"
#include "db/error.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace store {

namespace {
const QString Section = QStringLiteral("Settings");

DatabaseSettings readSettings(const IniFile &ini, const QString &pathKey, const QString &pathDefault,
                              const QString &hostDefault)
{
    DatabaseSettings settings{ini.value(Section, QStringLiteral("Host"), hostDefault),
                              ini.value(Section, pathKey, pathDefault),
                              ini.value(Section, QStringLiteral("user"), QString()),
                              ini.value(Section, QStringLiteral("password"), QString())};
    // A local file named relative to TV.ini belongs to the home folder, wherever
    // the program was started from. A server resolves its own paths and aliases.
    static const QRegularExpression windowsAbsolute(QStringLiteral(R"(^([A-Za-z]:[\\/]|\\\\))"));
    if (settings.host.isEmpty() && !settings.path.isEmpty() && QDir::isRelativePath(settings.path)
        && !windowsAbsolute.match(settings.path).hasMatch())
        settings.path = QDir::cleanPath(QDir(AppPaths::home()).absoluteFilePath(settings.path));
    return settings;
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

namespace {
// An empty host, or one naming this computer: a file on this computer's disk.
bool isLocalHost(const QString &host)
{
    // Without the port ("localhost/3051") and the brackets of an IPv6 address.
    QString h = host.trimmed().toLower().section(u'/', 0, 0);
    if (h.startsWith(u'[') && h.endsWith(u']'))
        h = h.mid(1, h.size() - 2);
    return h.isEmpty() || h == u"localhost" || h == u"127.0.0.1" || h == u"::1";
}

QString comparablePath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}
} // namespace

bool sameDatabase(const DatabaseSettings &a, const DatabaseSettings &b)
{
    if (isLocalHost(a.host) && isLocalHost(b.host))
        return comparablePath(a.path) == comparablePath(b.path);
    return a.host.trimmed().compare(b.host.trimmed(), Qt::CaseInsensitive) == 0 && a.path.trimmed() == b.path.trimmed();
}

ConnectResult connectDatabase(db::Connection &connection, const DatabaseSettings &settings)
{
    connection.close();
    connection.setDatabase(settings.host, settings.path);
    if (!settings.user.isEmpty() || !settings.password.isEmpty()) {
        connection.setCredentials(
            settings.user.isEmpty() ? QString::fromLatin1(db::Connection::DefaultUser) : settings.user,
            settings.password.isEmpty() ? QString::fromLatin1(db::Connection::DefaultPassword) : settings.password);
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

DataModule::DataModule()
{
    KSU.setDescription(QStringLiteral("baza danych programu Tervala"));
    LOKRA.setDescription(QStringLiteral("baza danych programu Lokra"));
}

QList<output::ProtectedFile> DataModule::protectedFiles() const
{
    return {{SettingsPathKsu, QStringLiteral("baza danych programu Tervala (Path_ksu w pliku TV.ini)")},
            {SettingsPathLokra, QStringLiteral("baza danych programu Lokra (Path w pliku TV.ini)")},
            {AppPaths::settingsFile(), QStringLiteral("plik ustawień programu TV.ini")}};
}

QString connectionFailureText(const db::Connection &connection)
{
    QString text = QStringLiteral("Błąd bazy danych programu Tervala \rBłąd serwera ") + connection.databaseName();
    if (const db::Error *failure = connection.openFailure())
        return explainFailure(*failure).text(text + u'\r');
    return text;
}

} // namespace store
