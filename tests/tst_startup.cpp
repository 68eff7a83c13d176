#include "common/messages.h"
#include "db/query.h"
#include "shell/startuptask.h"
#include "store/datamodule.h"
#include "support/recordingsink.h"
#include "support/workspace.h"

#include <QTest>

using Kind = RecordingMessages::Kind;

class TestStartup : public QObject
{
    Q_OBJECT

    static qint64 count(db::Connection &c, const QString &sql)
    {
        db::Query q(c, sql);
        q.execute();
        q.next();
        return q.value(0).toInt();
    }

private slots:
    void bothDatabasesConnect()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        ws.writeEmbeddedIni();
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        RecordingSink sink;
        StartupTask(dm, messages, sink).run();
        QCOMPARE(sink.caption, QStringLiteral("Opis Struktur danych.."));
        QVERIFY(sink.importEnabled);
        QVERIFY(sink.openEnabled);
        QCOMPARE(messages.entries(), QList<RecordingMessages::Entry>{noInternetWarning()});
        QCOMPARE(dm.SettingsHost, QString());
        QCOMPARE(dm.SettingsPathKsu, ws.path(QStringLiteral("ksu.fdb")));
        QCOMPARE(dm.SettingsPathLokra, ws.path(QStringLiteral("lokra.fdb")));
        QCOMPARE(count(dm.KSU, QStringLiteral("select count(*) from logowanie where wersja = 'Prog 1.16.5' and dataw is not null")), 1);
        // The gate is free again for the user's work.
        QVERIFY(dm.reportingGate.tryAcquire());
    }

    void unreachableDatabases_data()
    {
        QTest::addColumn<bool>("ksuThere");
        QTest::addColumn<bool>("lokraThere");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("missingFile");
        QTest::addColumn<bool>("importEnabled");
        QTest::addColumn<bool>("openEnabled");
        QTest::newRow("Lokra missing") << true << false << "Opis Struktur danych." << "lokra.fdb" << false << true;
        QTest::newRow("reporting missing") << false << true << "Opis Struktur danych." << "ksu.fdb" << false << false;
    }
    void unreachableDatabases()
    {
        QFETCH(bool, ksuThere);
        QFETCH(bool, lokraThere);
        QFETCH(QString, caption);
        QFETCH(QString, missingFile);
        QFETCH(bool, importEnabled);
        QFETCH(bool, openEnabled);
        Workspace ws;
        if (ksuThere)
            ws.createReportingDatabase();
        if (lokraThere)
            ws.createLokraDatabase();
        ws.writeEmbeddedIni();
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        RecordingSink sink;
        StartupTask(dm, messages, sink).run();
        QCOMPARE(sink.caption, caption);
        QCOMPARE(sink.importEnabled, importEnabled);
        QCOMPARE(sink.openEnabled, openEnabled);
        QCOMPARE(messages.entries(),
                 (QList<RecordingMessages::Entry>{
                     {Kind::Error, QStringLiteral("Błąd serwera"),
                      QStringLiteral("Błąd bazy danych programu Tervala \rBłąd serwera :") + ws.path(missingFile)},
                     noInternetWarning()}));
        QCOMPARE(dm.KsuFailed, !ksuThere);
        QCOMPARE(dm.LokraFailed, !lokraThere);
    }

    // Both paths naming one file, however written: nothing is connected, so that
    // nothing can write the program's tables into Lokra's database.
    void onePathForBothDatabases_data()
    {
        QTest::addColumn<QByteArray>("paths");
        QTest::newRow("same text") << QByteArray("Path_ksu=lokra.fdb\r\nPath=lokra.fdb");
        QTest::newRow("relative and absolute") << QByteArray("Path_ksu=./x/../lokra.fdb\r\nPath=%1/lokra.fdb");
    }
    void onePathForBothDatabases()
    {
        QFETCH(QByteArray, paths);
        Workspace ws;
        ws.createLokraDatabase();
        ws.writeIni("[Settings]\r\nHost=\r\nUpdateServer=http://127.0.0.1:1\r\n" + paths.replace("%1", ws.path().toUtf8())
                    + "\r\n");
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        RecordingSink sink;
        StartupTask(dm, messages, sink).run();
        QCOMPARE(messages.entries().size(), 2);
        QCOMPARE(messages.entries().first().kind, Kind::Error);
        QCOMPARE(messages.texts().first(),
                 QStringLiteral("Ścieżki Path_ksu i Path w pliku TV.ini wskazują ten sam plik: %1\rBaza danych programu "
                                "Tervala i baza programu Lokra muszą być różnymi plikami. Popraw plik TV.ini i uruchom "
                                "program ponownie.")
                     .arg(dm.SettingsPathKsu));
        QVERIFY(!sink.importEnabled);
        QVERIFY(!sink.openEnabled);
        QVERIFY(!dm.KSU.isOpen());
        QVERIFY(!dm.LOKRA.isOpen());
    }

    void versionRecord()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        ws.writeEmbeddedIni();
        ws.makeHome();
        {
            // An empty LOGOWANIE: no message on the first start.
            store::DataModule dm;
            RecordingMessages messages;
            RecordingSink sink;
            StartupTask(dm, messages, sink).run();
            QCOMPARE(messages.entries(), QList<RecordingMessages::Entry>{noInternetWarning()});
            // Pretend the last start was another version.
            db::Query q(dm.KSU, QStringLiteral("update logowanie set wersja = 'Prog 1.15.0'"));
            q.execute();
            dm.KSU.commitRetaining();
        }
        store::DataModule dm;
        RecordingMessages messages;
        RecordingSink sink;
        StartupTask(dm, messages, sink).run();
        QCOMPARE(messages.entries(),
                 (QList<RecordingMessages::Entry>{
                     {Kind::Warning, QStringLiteral("Zmiana wersji"),
                      QStringLiteral("Zmieniono wersję programu od ostatniego logowania\rPoprzednia to: Prog 1.15.0\r"
                                     "Aktualna to: Prog 1.16.5")},
                     noInternetWarning()}));
        QCOMPARE(count(dm.KSU, QStringLiteral("select count(*) from logowanie")), 2);
        // The later start is now the last logged version.
        db::Query last(dm.KSU, QStringLiteral("select * from logowanie where dataw=(select max(dataw) from logowanie);"));
        last.execute();
        QVERIFY(last.next());
        QCOMPARE(last.value(u"Wersja").toString(), QStringLiteral("Prog 1.16.5"));
    }

    void reportingSchema()
    {
        Workspace ws;
        db::Connection c;
        c.setDatabase(QString(), ws.createReportingDatabase());
        c.open();
        // The trigger gives DANE_KAP rows their key, whatever the insert says.
        db::Query insert(c, QStringLiteral("insert into DANE_KAP (ID_OK, ID, ZRODLO) values (1, :d0, 0)"));
        insert.execute({500});
        insert.execute({500});
        QCOMPARE(count(c, QStringLiteral("select max(id) from dane_kap")), 2);
        db::Query rules(c, QStringLiteral("insert into ZASADY (ID_ZAS, ID_OK, WYM_TECH, ET_ZAW) values (1, 1, :d0, :d0)"));
        rules.execute({QStringLiteral("Nie dotyczy")});
        db::Query read(c, QStringLiteral("select WYM_TECH from ZASADY"));
        read.execute();
        QVERIFY(read.next());
        QCOMPARE(read.value(0).toString(), QStringLiteral("Nie dotyczy"));
        QCOMPARE(count(c, QStringLiteral("select count(*) from rdb$relation_fields where rdb$relation_name = 'POZYCZKI'")), 66);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
