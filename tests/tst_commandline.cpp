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

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown command") << QStringList{"frobnicate"};
        QTest::newRow("missing path") << QStringList{"create-database"};
        QTest::newRow("home without folder") << QStringList{"--home"};
        QTest::newRow("extra argument") << QStringList{"check-lokra", "x"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        const CliResult r = runTervala(arguments);
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(QStringLiteral("Użycie: tervala")));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
