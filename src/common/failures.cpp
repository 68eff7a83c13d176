#include "failures.h"

#include "db/error.h"

#include <ibase.h>

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStringList>

#include <cerrno>
#include <initializer_list>

QString Failure::text(const QString &before, const QString &after) const
{
    QStringList lines{before + cause};
    if (!hint.isEmpty())
        lines << hint;
    if (!after.isEmpty())
        lines << after;
    if (!detail.isEmpty())
        lines << QStringLiteral("Szczegóły: ") + detail;
    return lines.join(u'\r');
}

QString engineTextOnOneLine(const QString &text)
{
    QStringList parts;
    for (const QString &line : text.split(u'\n', Qt::SkipEmptyParts)) {
        QString part = line.trimmed();
        if (part.startsWith(u'-'))
            part.remove(0, 1);
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(QStringLiteral("; "));
}

namespace {

bool hasAny(const db::Error &e, std::initializer_list<long> codes)
{
    for (const long code : codes) {
        if (e.hasCode(code))
            return true;
    }
    return false;
}

// The database as the user knows it: "baza danych programu Lokra (/dane/lokra.fdb)".
QString databaseOf(const db::Error &e)
{
    QString what = e.databaseDescription().isEmpty() ? QStringLiteral("baza danych") : e.databaseDescription();
    if (!e.databaseName().isEmpty())
        what += QStringLiteral(" (%1)").arg(e.databaseName());
    return what;
}

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

// The operating system's error number that came with an I/O failure.
int systemError(const db::Error &e)
{
    for (const long code : {isc_io_open_err, isc_io_create_err, isc_io_access_err, isc_io_read_err, isc_io_write_err}) {
        bool ok = false;
        const int number = e.argument(code).toInt(&ok);
        if (e.hasCode(code) && ok)
            return number;
    }
    return 0;
}

const QString CheckSettings = QStringLiteral(
    "Sprawdź ścieżkę bazy w pliku TV.ini (Path_ksu: baza danych programu Tervala, Path: baza programu Lokra).");

const QString UpgradeSchema =
    QStringLiteral("Uaktualnij schemat: menu „Instalacja wersji” (w wierszu poleceń: tervala upgrade-schema). "
                   "Uaktualnia ona bazę danych programu Tervala i dodaje do bazy programu Lokra kolumny "
                   "WNIOSKI.OBSZAR i UMOWY.RU.");

Failure explainDatabaseFileFailure(const db::Error &e)
{
    const QString file = e.databaseName().isEmpty() ? e.argument(isc_io_error) : e.databaseName();
    switch (systemError(e)) {
    case ENOENT:
        if (e.hasCode(isc_io_create_err))
            return {QStringLiteral("Nie można utworzyć pliku bazy danych %1: folder nie istnieje.").arg(file),
                    QStringLiteral("Utwórz folder albo podaj inną ścieżkę."),
                    {}};
        return {QStringLiteral("Plik bazy danych %1 nie istnieje.").arg(file), CheckSettings, {}};
    case EACCES:
    case EPERM:
        return {QStringLiteral("Brak uprawnień do pliku bazy danych %1.").arg(file),
                QStringLiteral("Nadaj prawo odczytu i zapisu pliku i jego folderu użytkownikowi, który otwiera "
                               "bazę (przy serwerze Firebird: użytkownikowi firebird)."),
                {}};
    case EROFS:
        return {QStringLiteral("Plik bazy danych %1 leży na nośniku tylko do odczytu.").arg(file),
                QStringLiteral("Skopiuj bazę na dysk, na którym można zapisywać, i popraw ścieżkę w pliku TV.ini."),
                {}};
    case ENOSPC:
        return {QStringLiteral("Brak miejsca na dysku z plikiem bazy danych %1.").arg(file),
                QStringLiteral("Zwolnij miejsce na dysku i spróbuj ponownie."),
                {}};
    default:
        return {QStringLiteral("Błąd odczytu lub zapisu pliku bazy danych %1.").arg(file),
                QStringLiteral("Sprawdź, czy plik jest dostępny i czy dysk działa poprawnie."),
                {}};
    }
}

Failure explainDatabaseFailure(const db::Error &e)
{
    const QString database = databaseOf(e);
    if (e.hasCode(isc_already_opened))
        return {QStringLiteral("Plik bazy danych %1 jest otwarty przez inny program (np. drugie okno programu "
                               "Tervala albo program Lokra); bez serwera Firebird plik bazy może mieć otwarty "
                               "tylko jeden program naraz.")
                    .arg(e.databaseName()),
                QStringLiteral("Zamknij tamten program i spróbuj ponownie albo korzystaj z bazy przez serwer "
                               "Firebird (Host w pliku TV.ini)."),
                {}};
    if (e.hasCode(isc_login))
        return {QStringLiteral("Serwer Firebird odrzucił nazwę użytkownika lub hasło – %1.").arg(database),
                QStringLiteral("Popraw user i password w pliku TV.ini."),
                {}};
    if (hasAny(e, {isc_network_error, isc_net_connect_err, isc_net_connect_listen_err}))
        return {QStringLiteral("Nie można połączyć się z serwerem Firebird – %1.").arg(database),
                QStringLiteral("Sprawdź, czy serwer Firebird działa i czy Host w pliku TV.ini jest poprawny "
                               "(pusty Host otwiera plik bazy bez serwera)."),
                {}};
    if (hasAny(e, {isc_conn_lost, isc_net_read_err, isc_net_write_err, isc_shutdown, isc_att_shutdown}))
        return {QStringLiteral("Połączenie z serwerem Firebird zostało przerwane – %1.").arg(database),
                QStringLiteral("Sprawdź, czy serwer Firebird działa, i powtórz polecenie; przerwana praca nie "
                               "została zapisana."),
                {}};
    if (e.hasCode(isc_io_error))
        return explainDatabaseFileFailure(e);
    if (hasAny(e, {isc_bad_db_format, isc_wrong_ods}))
        return {QStringLiteral("Plik %1 nie jest bazą danych Firebird, którą ten program umie otworzyć.")
                    .arg(e.databaseName()),
                CheckSettings,
                {}};
    if (e.hasCode(isc_unavailable))
        return {QStringLiteral("Baza danych jest niedostępna: nie działa ani serwer Firebird, ani wbudowany "
                               "silnik bazy – %1.")
                    .arg(database),
                QStringLiteral("Sprawdź instalację Firebird i wpis Host w pliku TV.ini."),
                {}};
    if (e.hasCode(isc_read_only_database))
        return {capitalized(database) + QStringLiteral(" jest tylko do odczytu."),
                QStringLiteral("Przywróć bazie tryb zapisu (gfix -mode read_write) i spróbuj ponownie; nic nie "
                               "zostało zapisane."),
                {}};
    if (hasAny(e, {isc_lock_conflict, isc_deadlock, isc_update_conflict, isc_lock_timeout})) {
        const QString other = e.argument(isc_concurrent_transaction);
        const QString who = e.lockHolder().isEmpty() ? QString() : QStringLiteral(" (%1)").arg(e.lockHolder());
        return {QStringLiteral("Inny użytkownik lub program%1 zmienia w tej chwili te same dane (konflikt blokad%2) – "
                               "%3.")
                    .arg(who, other.isEmpty() ? QString() : QStringLiteral(", transakcja nr %1").arg(other), database),
                QStringLiteral("Poczekaj, aż tamten użytkownik lub program zakończy pracę, i spróbuj ponownie; nic "
                               "nie zostało zapisane."),
                {}};
    }
    if (hasAny(e, {isc_string_truncation, isc_numeric_out_of_range, isc_arith_except})) {
        const bool text = e.hasCode(isc_string_truncation);
        QString cause = text ? QStringLiteral("Tekst jest za długi dla pola bazy danych")
                             : QStringLiteral("Wartość jest za duża dla pola bazy danych");
        const QString field = e.argument(isc_dsql_field_err);
        if (!field.isEmpty())
            cause += u' ' + field;
        const QString limits = e.argument(isc_trunc_limits);
        if (text && !limits.isEmpty())
            cause += QStringLiteral(" (dopuszczalna długość %1)").arg(limits);
        return {cause + QStringLiteral(" – %1.").arg(database),
                QStringLiteral("Popraw tę wartość i spróbuj ponownie; nic nie zostało zapisane."),
                {}};
    }
    if (e.hasCode(isc_dsql_field_err))
        return {capitalized(database)
                    + QStringLiteral(" nie ma kolumny %1: baza wymaga uaktualnienia schematu.")
                          .arg(e.argument(isc_dsql_field_err)),
                UpgradeSchema,
                {}};
    if (e.hasCode(isc_dsql_relation_err)) {
        const QString what =
            e.databaseDescription().isEmpty() ? QStringLiteral("baza danych tego programu") : e.databaseDescription();
        return {QStringLiteral("Plik %1 nie ma tabeli %2: to nie jest %3.")
                    .arg(e.databaseName(), e.argument(isc_dsql_relation_err), what),
                CheckSettings
                    + QStringLiteral(" Pustą bazę danych programu Tervala tworzy polecenie "
                                     "tervala create-database PLIK."),
                {}};
    }
    if (e.hasCode(isc_except)) {
        // A rule of the database (a trigger's exception) refused the write; its own
        // message, the last text after the exception's name, says why.
        QString reason;
        for (const db::Error::Status &s : e.status()) {
            if (s.code == isc_random && !s.arguments.isEmpty())
                reason = s.arguments.first();
        }
        return {QStringLiteral("Baza danych odrzuciła zapis: %1 – %2.").arg(reason, database),
                QStringLiteral("Sprawdź zapisywane dane; nic nie zostało zapisane."),
                {}};
    }
    if (e.hasCode(isc_no_priv))
        return {QStringLiteral("Użytkownik bazy nie ma uprawnień do tej operacji – %1.").arg(database),
                QStringLiteral("Podaj w pliku TV.ini (user, password) użytkownika, który ma prawa do bazy."),
                {}};
    return {QStringLiteral("Błąd bazy danych – %1.").arg(database), {}, {}};
}

} // namespace

Failure explainFailure(const std::exception &error)
{
    const auto *dbError = dynamic_cast<const db::Error *>(&error);
    if (!dbError)
        return {QString::fromUtf8(error.what()), {}, {}};
    if (dbError->status().isEmpty())
        return {dbError->message(), {}, {}};
    Failure failure = explainDatabaseFailure(*dbError);
    failure.detail = engineTextOnOneLine(dbError->message());
    return failure;
}

Failure explainFileFailure(const QString &path, const QFileDevice &file, FileAccess access)
{
    const QFileInfo info(path);
    const QString folderPath = info.absolutePath();
    const QString folder = QDir::toNativeSeparators(folderPath);
    Failure f;
    f.detail = file.error() == QFileDevice::NoError ? QString() : file.errorString();
    if (access == FileAccess::Read) {
        if (info.isDir())
            f.cause = QStringLiteral("w tym miejscu jest folder, nie plik.");
        else if (!info.exists())
            f.cause = QStringLiteral("plik nie istnieje.");
        else if (!info.isReadable())
            f.cause = QStringLiteral("brak uprawnień do odczytu pliku.");
        else
            f.cause = QStringLiteral("błąd odczytu z dysku.");
        return f;
    }
    const QFileInfo folderInfo(folderPath);
    if (info.isDir()) {
        f.cause = QStringLiteral("w tym miejscu jest folder o tej nazwie.");
        f.hint = QStringLiteral("Wybierz inną nazwę pliku.");
    } else if (!folderInfo.isDir()) {
        f.cause = QStringLiteral("folder %1 nie istnieje.").arg(folder);
    } else if (QStorageInfo(folderPath).isReadOnly()) {
        f.cause = QStringLiteral("dysk jest tylko do odczytu.");
        f.hint = QStringLiteral("Zapisz plik w innym miejscu.");
    } else if (file.error() == QFileDevice::ResourceError) {
        // Qt's name for a write refused because the disk is full.
        f.cause = QStringLiteral("na dysku brakuje miejsca.");
        f.hint = QStringLiteral("Zwolnij miejsce na dysku albo zapisz plik w innym miejscu.");
    } else if (!folderInfo.isWritable() || (info.exists() && !info.isWritable())) {
        f.cause = QStringLiteral("brak uprawnień do zapisu w folderze %1.").arg(folder);
        f.hint = QStringLiteral("Zapisz plik w innym miejscu albo poproś administratora o uprawnienia.");
    } else {
        f.cause = QStringLiteral("błąd zapisu na dysk.");
    }
    return f;
}
