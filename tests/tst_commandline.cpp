#include "support/cli.h"
#include "support/workspace.h"

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
                                "z Tervala należy zainstalować aktualizację przynajmniej do wersji 4.16P\n"));
    }

    void checkLokraReportsAMissingDatabase()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.writeEmbeddedIni();
        const CliResult r = runTervala({"--home", ws.path(), "check-lokra"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QStringLiteral("Błąd serwera: Błąd bazy danych programu Tervala \nBłąd serwera :%1\n"
                                       "Opis Struktur danych.\n")
                            .arg(ws.path(QStringLiteral("lokra.fdb"))));
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
        QCOMPARE(r.out, QStringLiteral("Opis Struktur danych..\n")); // 4.17P: no version warning
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "frobnicate";
        QTest::newRow("missing path") << QStringList{"create-database"} << "create-database";
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
