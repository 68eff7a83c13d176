#include "common/messages.h"
#include "db/error.h"
#include "db/query.h"
#include "store/datamodule.h"
#include "support/recordingsink.h"
#include "support/workspace.h"
#include "workflow/startuptask.h"

#include <QTest>

using Kind = RecordingMessages::Kind;

class TestStartup : public QObject
{
    Q_OBJECT

    // Whether a Firebird server answers on 127.0.0.1:3050 ("I/O error" for a missing
    // file is an answer; a refused connection is not).
    static bool serverAnswers()
    {
        db::Connection probe;
        probe.setDatabase(QStringLiteral("127.0.0.1"), QStringLiteral("/nonexistent.fdb"));
        try {
            probe.open();
        } catch (const db::Error &e) {
            return !e.message().contains(QStringLiteral("connection refused"), Qt::CaseInsensitive)
                   && !e.message().contains(QStringLiteral("Unable to complete network request"), Qt::CaseInsensitive);
        }
        return true;
    }

    static qint64 count(db::Connection &c, const QString &sql)
    {
        db::Query q(c, sql);
        q.execute();
        q.next();
        return q.value(0).toInt();
    }

private slots:
    // The start-up on the local files (embedded engine) and through the Firebird
    // server on 127.0.0.1, whose SYSDBA password scripts/start-test-server.sh sets.
    void connecting_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("credentials"); // user/password; empty: TV.ini names none
        QTest::addColumn<QString>("ksuFile");     // a file that is not there fails
        QTest::addColumn<QString>("lokraFile");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("failed"); // the files the error messages name, in order
        QTest::addColumn<bool>("importEnabled");
        QTest::addColumn<bool>("openEnabled");
        const QString server = QStringLiteral("127.0.0.1");
        const QString sysdba = QStringLiteral("SYSDBA/M305X718");
        QTest::newRow("embedded") << QString() << QString() << "ksu.fdb"
                                  << "lokra.fdb"
                                  << "Opis Struktur danych.." << QStringList{} << true << true;
        QTest::newRow("embedded, Lokra missing") << QString() << QString() << "ksu.fdb"
                                                 << "brak.fdb"
                                                 << "Opis Struktur danych." << QStringList{"brak.fdb"} << false << true;
        QTest::newRow("embedded, reporting missing")
            << QString() << QString() << "brak.fdb"
            << "lokra.fdb"
            << "Opis Struktur danych." << QStringList{"brak.fdb"} << false << false;
        QTest::newRow("server") << server << sysdba << "ksu.fdb"
                                << "lokra.fdb"
                                << "Opis Struktur danych.." << QStringList{} << true << true;
        // Wrong credentials are tried once more with the default ones.
        QTest::newRow("server, wrong credentials") << server << "anna/zle-haslo"
                                                   << "ksu.fdb"
                                                   << "lokra.fdb"
                                                   << "Opis Struktur danych..." << QStringList{} << true << true;
        QTest::newRow("server, Lokra missing") << server << sysdba << "ksu.fdb"
                                               << "brak.fdb"
                                               << "Opis Struktur danych." << QStringList{"brak.fdb"} << false << true;
        // Nothing listens on this port: both connections fail, both buttons stay off.
        QTest::newRow("server unreachable")
            << "127.0.0.1/3059" << QString() << "ksu.fdb"
            << "lokra.fdb"
            << "Opis Struktur danych" << QStringList{"ksu.fdb", "lokra.fdb"} << false << false;
    }
    void connecting()
    {
        QFETCH(QString, host);
        QFETCH(QString, credentials);
        QFETCH(QString, ksuFile);
        QFETCH(QString, lokraFile);
        QFETCH(QString, caption);
        QFETCH(QStringList, failed);
        QFETCH(bool, importEnabled);
        QFETCH(bool, openEnabled);
        if (!host.isEmpty() && !serverAnswers())
            QFAIL("no Firebird server on 127.0.0.1:3050: run scripts/start-test-server.sh");
        // Databases are made embedded, then reached as TV.ini says.
        Workspace ws;
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        QString ini = QStringLiteral("[Settings]\nHost=%1\nPath_ksu=%2\nPath=%3\nUpdateServer=%4\n")
                          .arg(host, ws.path(ksuFile), ws.path(lokraFile), QString::fromLatin1(NoUpdateServer));
        if (!credentials.isEmpty())
            ini += QStringLiteral("user=%1\npassword=%2\n")
                       .arg(credentials.section(u'/', 0, 0), credentials.section(u'/', 1));
        ws.writeIni(ini.toUtf8());
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        RecordingSink sink;
        StartupTask(dm, messages, sink).run();

        QCOMPARE(sink.caption, caption);
        QCOMPARE(sink.importEnabled, importEnabled);
        QCOMPARE(sink.openEnabled, openEnabled);
        // The box names the database as host:path, or the path alone for a local
        // file, and goes on with the cause.
        const QList<RecordingMessages::Entry> &entries = messages.entries();
        QCOMPARE(entries.size(), failed.size() + 1);
        for (qsizetype i = 0; i < failed.size(); ++i) {
            const QString name = host.isEmpty() ? ws.path(failed[i]) : host + u':' + ws.path(failed[i]);
            QCOMPARE(entries[i].kind, Kind::Error);
            QCOMPARE(entries[i].caption, QStringLiteral("Błąd serwera"));
            QVERIFY2(entries[i].text.startsWith(QStringLiteral("Błąd bazy danych programu Tervala \rBłąd serwera ")
                                                + name + u'\r'),
                     qPrintable(entries[i].text));
        }
        QCOMPARE(entries.last(), noInternetWarning());
        QCOMPARE(dm.KsuFailed, failed.contains(ksuFile));
        QCOMPARE(dm.LokraFailed, failed.contains(lokraFile));
        if (dm.LokraFailed || dm.KsuFailed)
            return;

        QCOMPARE(dm.KSU.databaseName(), host.isEmpty() ? ws.path(ksuFile) : host + u':' + ws.path(ksuFile));
        QCOMPARE(dm.LOKRA.user(), QStringLiteral("SYSDBA"));
        QCOMPARE(
            count(dm.KSU,
                  QStringLiteral("select count(*) from logowanie where wersja = 'Prog 1.16.5' and dataw is not null")),
            1);
        // Polish text to the database and back.
        db::Query read(dm.KSU, QStringLiteral("select cast(:d0 as varchar(20)) from rdb$database"));
        read.execute({QStringLiteral("Łódź Żółć")});
        QVERIFY(read.next());
        QCOMPARE(read.value(0).toString(), QStringLiteral("Łódź Żółć"));
        // The gate is free again for the user's work.
        QVERIFY(dm.reportingGate.tryAcquire());
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
        ws.writeIni("[Settings]\r\nHost=\r\nUpdateServer=http://127.0.0.1:1\r\n"
                    + paths.replace("%1", ws.path().toUtf8()) + "\r\n");
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        RecordingSink sink;
        StartupTask(dm, messages, sink).run();
        QCOMPARE(messages.entries().size(), 2);
        QCOMPARE(messages.entries().first().kind, Kind::Error);
        QCOMPARE(
            messages.texts().first(),
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
        db::Query last(dm.KSU,
                       QStringLiteral("select * from logowanie where dataw=(select max(dataw) from logowanie);"));
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
        db::Query rules(c,
                        QStringLiteral("insert into ZASADY (ID_ZAS, ID_OK, WYM_TECH, ET_ZAW) values (1, 1, :d0, :d0)"));
        rules.execute({QStringLiteral("Nie dotyczy")});
        db::Query read(c, QStringLiteral("select WYM_TECH from ZASADY"));
        read.execute();
        QVERIFY(read.next());
        QCOMPARE(read.value(0).toString(), QStringLiteral("Nie dotyczy"));
        QCOMPARE(
            count(c, QStringLiteral("select count(*) from rdb$relation_fields where rdb$relation_name = 'POZYCZKI'")),
            66);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
