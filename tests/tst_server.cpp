// Connections through a real Firebird server on 127.0.0.1 (started by
// scripts/start-test-server.sh with the SYSDBA password M305X718).
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "shell/startuptask.h"
#include "store/datamodule.h"
#include "support/recordingsink.h"
#include "support/workspace.h"

#include <QTest>

using Kind = RecordingMessages::Kind;

class TestServer : public QObject
{
    Q_OBJECT

    // Databases are made embedded, then reached through the server.
    static void prepare(Workspace &ws)
    {
        ws.createReportingDatabase();
        ws.createLokraDatabase();
    }

    static QByteArray ini(const Workspace &ws, const QString &user, const QString &password,
                          const QString &lokraFile = QStringLiteral("lokra.fdb"))
    {
        return QStringLiteral("[Settings]\nHost=127.0.0.1\nPath_ksu=%1\nPath=%2\nuser=%3\npassword=%4\nUpdateServer=%5\n")
            .arg(ws.path(QStringLiteral("ksu.fdb")), ws.path(lokraFile), user, password, QString::fromLatin1(NoUpdateServer))
            .toUtf8();
    }

private slots:
    void initTestCase()
    {
        db::Connection probe;
        probe.setDatabase(QStringLiteral("127.0.0.1"), QStringLiteral("/nonexistent.fdb"));
        try {
            probe.open();
        } catch (const db::Error &e) {
            // "I/O error" means the server answered; a refused connection does not.
            if (e.message().contains(QStringLiteral("connection refused"), Qt::CaseInsensitive)
                || e.message().contains(QStringLiteral("Unable to complete network request"), Qt::CaseInsensitive))
                QFAIL("no Firebird server on 127.0.0.1:3050: run scripts/start-test-server.sh");
        }
    }

    void connectsWithGoodCredentials()
    {
        Workspace ws;
        prepare(ws);
        ws.writeIni(ini(ws, QStringLiteral("SYSDBA"), QStringLiteral("M305X718")));
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        RecordingSink sink;
        StartupTask(dm, messages, sink).run();
        QCOMPARE(sink.caption, QStringLiteral("Opis Struktur danych.."));
        QCOMPARE(messages.entries(), QList<RecordingMessages::Entry>{noInternetWarning()});
        QVERIFY(sink.importEnabled && sink.openEnabled);
        QCOMPARE(dm.KSU.databaseName(), QStringLiteral("127.0.0.1:") + ws.path(QStringLiteral("ksu.fdb")));
        // Polish text through the network and back.
        db::Query q(dm.KSU, QStringLiteral("insert into OKRES (ID_OK, ODK) values (1, :d0)"));
        q.execute({QDate(2013, 1, 1)});
        db::Query read(dm.KSU, QStringLiteral("select cast(:d0 as varchar(20)) from rdb$database"));
        read.execute({QStringLiteral("Łódź Żółć")});
        QVERIFY(read.next());
        QCOMPARE(read.value(0).toString(), QStringLiteral("Łódź Żółć"));
    }

    void wrongCredentialsAcceptedOnTheRetry()
    {
        Workspace ws;
        prepare(ws);
        ws.writeIni(ini(ws, QStringLiteral("anna"), QStringLiteral("zle-haslo")));
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        RecordingSink sink;
        StartupTask(dm, messages, sink).run();
        QCOMPARE(sink.caption, QStringLiteral("Opis Struktur danych..."));
        QCOMPARE(messages.entries(), QList<RecordingMessages::Entry>{noInternetWarning()});
        QVERIFY(dm.KSU.isOpen() && dm.LOKRA.isOpen());
        QCOMPARE(dm.LOKRA.user(), QStringLiteral("SYSDBA"));
    }

    void unreachableLokraDatabase()
    {
        Workspace ws;
        prepare(ws);
        ws.writeIni(ini(ws, QStringLiteral("SYSDBA"), QStringLiteral("M305X718"), QStringLiteral("brak.fdb")));
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        RecordingSink sink;
        StartupTask(dm, messages, sink).run();
        QCOMPARE(sink.caption, QStringLiteral("Opis Struktur danych."));
        QCOMPARE(messages.entries(),
                 (QList<RecordingMessages::Entry>{
                     {Kind::Error, QStringLiteral("Błąd serwera"),
                      QStringLiteral("Błąd bazy danych programu Tervala \rBłąd serwera 127.0.0.1:")
                          + ws.path(QStringLiteral("brak.fdb"))},
                     noInternetWarning()}));
        QVERIFY(!sink.importEnabled);
        QVERIFY(sink.openEnabled);
    }

    void unreachableServer()
    {
        Workspace ws;
        prepare(ws);
        // Nothing listens on this port: both connections fail, both buttons stay off.
        ws.writeIni(QStringLiteral("[Settings]\nHost=127.0.0.1/3059\nPath_ksu=%1\nPath=%2\nUpdateServer=%3\n")
                        .arg(ws.path(QStringLiteral("ksu.fdb")), ws.path(QStringLiteral("lokra.fdb")),
                             QString::fromLatin1(NoUpdateServer))
                        .toUtf8());
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        RecordingSink sink;
        StartupTask(dm, messages, sink).run();
        QCOMPARE(sink.caption, QStringLiteral("Opis Struktur danych"));
        QCOMPARE(messages.entries().size(), 3);
        QVERIFY(!sink.importEnabled && !sink.openEnabled);
    }
};

QTEST_GUILESS_MAIN(TestServer)
#include "tst_server.moc"
