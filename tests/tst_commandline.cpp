#include "support/cli.h"
#include "support/workspace.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void createDatabaseThenCheckLokra()
    {
        Workspace ws;
        const QString ksu = ws.path(QStringLiteral("ksu.fdb"));
        CliResult r = runTervala({"--home", ws.path(), "create-database", ksu});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(ksu));

        r = runTervala({"--home", ws.path(), "create-database", ksu});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains(QStringLiteral("już istnieje")), qPrintable(r.out));

        ws.createLokraDatabase(QStringLiteral("15.0"));
        ws.writeEmbeddedIni();
        r = runTervala({"--home", ws.path(), "check-lokra"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out,
                 QStringLiteral("Opis Struktur danych..\n"
                                "Ostrzeżenie: Brak wymaganej wersji orpogramowania lokra, aby móc korzystać w pełni "
                                "z Tervala należy zainstalować aktualizację przynajmniej do wersji 4.16P\n"
                                "Baza danych programu Tervala: połączono (%1)\n"
                                "Baza danych programu Lokra: połączono (%2)\n"
                                "Wersja programu Lokra: 15.0 – za stara (wymagana co najmniej 4.16P)\n")
                     .arg(ksu, ws.path(QStringLiteral("lokra.fdb"))));
    }

    void checkLokraReportsAMissingDatabase()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.writeEmbeddedIni();
        const CliResult r = runTervala({"--home", ws.path(), "check-lokra"});
        QCOMPARE(r.status, 1);
        // The database is named without the colon of an empty host, and the cause follows.
        QVERIFY2(r.out.startsWith(QStringLiteral("Błąd serwera: Błąd bazy danych programu Tervala \nBłąd serwera %1\n"
                                                 "Plik bazy danych %1 nie istnieje.\n")
                                      .arg(ws.path(QStringLiteral("lokra.fdb")))),
                 qPrintable(r.out));
        QVERIFY(r.out.endsWith(QStringLiteral("\nOpis Struktur danych.\n")));
    }

    // TV.ini's relative paths name files in the home folder, not in the folder
    // the program happens to be started from, even when that one holds a fund too.
    void relativePathsBelongToTheHomeFolder()
    {
        Workspace home;
        home.createReportingDatabase();
        home.createLokraDatabase(QStringLiteral("4.17P"));
        home.writeIni(
            "[Settings]\r\nHost=\r\nPath_ksu=ksu.fdb\r\nPath=./lokra.fdb\r\nUpdateServer=http://127.0.0.1:1\r\n");
        Workspace elsewhere;
        elsewhere.createReportingDatabase();
        elsewhere.createLokraDatabase(QStringLiteral("15.0"));
        const CliResult r = runTervala({"--home", home.path(), "check-lokra"}, 120000, elsewhere.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("Opis Struktur danych..\n" // 4.17P: no version warning
                                       "Baza danych programu Tervala: połączono (%1)\n"
                                       "Baza danych programu Lokra: połączono (%2)\n"
                                       "Wersja programu Lokra: 4.17P – wystarczająca (wymagana co najmniej 4.16P)\n")
                            .arg(home.path(QStringLiteral("ksu.fdb")), home.path(QStringLiteral("lokra.fdb"))));
    }

    // --help lists every command, each followed by its one-line description.
    void helpAndVersion()
    {
        CliResult r = runTervala({"--help"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.isEmpty());
        const QStringList lines = r.out.split(u'\n');
        const QStringList commands{
            "create-database", "check-lokra",     "open",          "import",        "xml", "summary",
            "delete-period",   "load-dictionary", "check-updates", "upgrade-schema"};
        for (const QString &command : commands) {
            const qsizetype at = lines.indexOf(QRegularExpression(QStringLiteral("^  %1( .*)?$").arg(command)));
            QVERIFY2(at >= 0 && at + 1 < lines.size(), qPrintable(command));
            QVERIFY2(lines[at + 1].startsWith(QStringLiteral("      ")) && lines[at + 1].trimmed().size() > 10,
                     qPrintable(command));
        }
        r = runTervala({"-h"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("Użycie: tervala")));
        r = runTervala({"--version"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("tervala Prog 1.16.5\n"));
    }

    // A loaded dictionary is summed up by its three levels.
    void loadDictionaryCounts()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.writeEmbeddedIni();
        QFile file(ws.path(QStringLiteral("slownik.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Grupa A\r\n1\r\n0\r\n0\r\nGrupa B\r\n2\r\n0\r\n0\r\n"
                   "Skladnik X\r\n10\r\n1\r\n2\r\nSkladnik Y\r\n11\r\n2\r\n1\r\nSkladnik Z\r\n12\r\n2\r\n3\r\n"
                   "Pozycja 1\r\n100\r\n10\r\n0\r\nPozycja 2\r\n101\r\n10\r\n0\r\n");
        file.close();
        const CliResult r = runTervala({"--home", ws.path(), "load-dictionary", file.fileName()});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.endsWith(QStringLiteral("\nWczytano grup: 2, składników: 3, pozycji list: 2.\n")),
                 qPrintable(r.out));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "frobnicate";
        QTest::newRow("missing path") << QStringList{"create-database"} << "create-database";
        QTest::newRow("empty path") << QStringList{"create-database", ""} << "create-database";
        QTest::newRow("blank path") << QStringList{"create-database", "  "} << "create-database";
        QTest::newRow("home without folder") << QStringList{"--home"} << "--home";
        QTest::newRow("home that is not there")
            << QStringList{"--home", "/nie/ma/takiego", "check-lokra"} << "/nie/ma/takiego";
        QTest::newRow("window with a home that is not there") << QStringList{"--home=/nie/ma"} << "/nie/ma";
        QTest::newRow("extra argument") << QStringList{"check-lokra", "x"} << "check-lokra";
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        const CliResult r = runTervala(arguments);
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(QStringLiteral("Użycie: tervala")));
        QVERIFY2(r.err.section(u'\n', 0, 0).contains(reason), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
