#include "db/clientlibrary.h"
#include "db/error.h"
#include "support/cli.h"
#include "support/workspace.h"

#include <firebird/Interface.h>

#include <QFile>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using db::ClientLibraryPlace;

namespace {

// The message of loading from `places`, or nothing when a client was loaded.
std::optional<QString> loadFailure(const QList<ClientLibraryPlace> &places)
{
    try {
        db::loadClientLibrary(places);
        return std::nullopt;
    } catch (const db::Error &e) {
        return e.message();
    }
}

// Sets an environment variable for the programs a test starts, and clears it after.
struct ScopedEnvironment
{
    ScopedEnvironment(const char *name, const QByteArray &value) : m_name(name) { qputenv(name, value); }
    ~ScopedEnvironment() { qunsetenv(m_name); }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;
    const char *m_name;
};

} // namespace

class TestClientLibrary : public QObject
{
    Q_OBJECT

private slots:
    void systemClientIsLoaded()
    {
        const QList<ClientLibraryPlace> places = db::clientLibraryPlaces();
        QCOMPARE(places.size(), 1);
        QCOMPARE(places.first().file, QStringLiteral("libfbclient.so.2"));
        Firebird::IMaster *master = db::loadClientLibrary(places);
        QVERIFY(master);
        QVERIFY(master->getUtilInterface());
    }

    // Places that give no client are each named with why, in the order looked in,
    // and a usable one after them is still found.
    void everyPlaceIsNamedWithWhy()
    {
        QTemporaryDir dir;
        const QString notALibrary = dir.filePath(QStringLiteral("libfbclient.so.2"));
        QFile file(notALibrary);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("to nie jest biblioteka\n");
        file.close();
        const QString missing = dir.filePath(QStringLiteral("brak/libfbclient.so.2"));
        const QString qtCore = QLibraryInfo::path(QLibraryInfo::LibrariesPath) + QStringLiteral("/libQt6Core.so.6");
        const QList<ClientLibraryPlace> places{
            {QStringLiteral("rejestr"), {}, QStringLiteral("brak wpisu")},
            {QStringLiteral("folder A"), missing, {}},
            {QStringLiteral("folder B"), notALibrary, {}},
            {QStringLiteral("folder C"), qtCore, {}},
        };

        const std::optional<QString> message = loadFailure(places);
        QVERIFY(message);
        QVERIFY2(
            message->startsWith(
                QStringLiteral(
                    "Nie znaleziono biblioteki klienta Firebird (libfbclient.so.2): bez niej program nie połączy "
                    "się z żadną bazą danych. Zainstaluj klienta Firebird 3 (pakiet libfbclient2) i uruchom program "
                    "ponownie.\rSzukano: rejestr – brak wpisu; folder A: %1 – brak pliku; folder B: %2 – nie można "
                    "załadować (")
                    .arg(missing, notALibrary)),
            qPrintable(*message));
        QVERIFY2(message->endsWith(QStringLiteral("; folder C: %1 – to nie jest klient Firebird 3 (brak funkcji "
                                                  "fb_get_master_interface).")
                                       .arg(qtCore)),
                 qPrintable(*message));

        QVERIFY(!loadFailure(places + db::clientLibraryPlaces()));
    }

    // Without a client the command line says what to install, and nothing else is tried.
    void commandLineSaysFirebirdIsMissing()
    {
        Workspace ws;
        ws.writeEmbeddedIni();
        const QString missing = ws.path(QStringLiteral("firebird/libfbclient.so.2"));
        const ScopedEnvironment chosen("TERVALA_FBCLIENT", QFile::encodeName(missing));
        const CliResult r = runTervala({"--home", ws.path(), "check-lokra"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.startsWith(QStringLiteral("Błąd serwera: Błąd bazy danych programu Tervala \nBłąd serwera %1\n"
                                                 "Nie znaleziono biblioteki klienta Firebird (libfbclient.so.2)")
                                      .arg(ws.path(QStringLiteral("ksu.fdb")))),
                 qPrintable(r.out));
        QVERIFY2(r.out.contains(
                     QStringLiteral("Szukano: plik wskazany zmienną TERVALA_FBCLIENT: %1 – brak pliku.").arg(missing)),
                 qPrintable(r.out));
    }
};

QTEST_GUILESS_MAIN(TestClientLibrary)
#include "tst_clientlibrary.moc"
