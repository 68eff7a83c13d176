// Every database failure a user meets, driven through the command line on real
// databases: the Polish cause comes first, with what to do, and Firebird's own
// text at most as the last detail line. Files that cannot be read or written are
// told the same way, Qt's own text last.
#include "common/failures.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "store/schema.h"
#include "support/cli.h"
#include "support/firebirdtools.h"
#include "support/workspace.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <memory>

namespace {

// Words of Firebird's English messages; none may stand in a line before the detail.
const QRegularExpression EngineEnglish(
    QStringLiteral(R"(\b(error|unknown|unable|failed|database|file|operation|column|table|lock|conflict|deadlock|)"
                   R"(user name|read-only|truncation|network|request|opened|engine|instance|violation)\b)"),
    QRegularExpression::CaseInsensitiveOption);

QString demoLokraScript()
{
    QFile f(QStringLiteral(TERVALA_SOURCE_DIR "/tools/demo/lokra-demo.sql"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read lokra-demo.sql");
    return lokraSchemaScript() + QString::fromUtf8(f.readAll());
}

// The reporting database of the program's schema with one table made anew from
// its own CREATE statement, edited by `change`.
void recreateReportingTable(Workspace &ws, const QString &table, const QString &from, const QString &to)
{
    db::Connection c;
    c.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
    c.open();
    for (const QString &statement : store::reportingSchemaStatements()) {
        if (!statement.startsWith(QStringLiteral("CREATE TABLE %1 ").arg(table)))
            continue;
        c.executeImmediate(QStringLiteral("DROP TABLE ") + table);
        c.commitRetaining();
        QString changed = statement;
        c.executeImmediate(changed.replace(from, to));
        c.commitRetaining();
    }
    c.close();
}

void runStatement(const QString &path, const QString &sql)
{
    db::Connection c;
    c.setDatabase(QString(), path);
    c.open();
    db::runSqlScript(c, sql);
    c.close();
}

} // namespace

class TestFailures : public QObject
{
    Q_OBJECT

    Workspace m_template; // the demo fund's Lokra database, made once and copied

private slots:
    void initTestCase() { m_template.createDatabase(QStringLiteral("lokra.fdb"), demoLokraScript()); }

    void failureIsExplained_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("cause"); // %1: the workspace folder
        QTest::addColumn<QString>("hint");
        QTest::addColumn<int>("status");

        const QStringList checkLokra{"check-lokra"};
        const QStringList open{"open", "01", "2013", "06", "2013"};
        const QStringList import{"import", "01", "2013", "06", "2013"};
        QTest::newRow("Lokra file missing") << "no lokra" << checkLokra << "Plik bazy danych %1/lokra.fdb nie istnieje."
                                            << "Path: baza programu Lokra" << 1;
        QTest::newRow("reporting file missing") << "no ksu" << open << "Plik bazy danych %1/ksu.fdb nie istnieje."
                                                << "Path_ksu" << 1;
        QTest::newRow("not a Firebird database")
            << "ksu is text" << open << "Plik %1/ksu.fdb nie jest bazą danych Firebird"
            << "TV.ini" << 1;
        QTest::newRow("server unreachable")
            << "closed port" << checkLokra << "Nie można połączyć się z serwerem Firebird"
            << "czy serwer Firebird działa" << 1;
        QTest::newRow("wrong user or password")
            << "private server" << checkLokra << "Serwer Firebird odrzucił nazwę użytkownika lub hasło"
            << "Popraw user i password w pliku TV.ini" << 1;
        QTest::newRow("file in use by another program")
            << "lokra held" << checkLokra << "Plik bazy danych %1/lokra.fdb jest otwarty przez inny program"
            << "Zamknij tamten program" << 1;
        QTest::newRow("file in use when the import opens it")
            << "lokra held" << import << "Plik bazy danych %1/lokra.fdb jest otwarty przez inny program"
            << "serwer Firebird" << 1;
        QTest::newRow("older reporting schema, open")
            << "ksu older" << open << "pochodzi ze starszej wersji programu (brak kolumny AKT_STR.PO_31_180_L)"
            << "tervala upgrade-schema" << 1;
        QTest::newRow("older reporting schema, import")
            << "ksu without WYM_TECH" << import << "pochodzi ze starszej wersji programu (brak kolumny ZASADY.WYM_TECH)"
            << "„Instalacja wersji”" << 1;
        QTest::newRow("no reporting database") << "ksu empty" << open << "nie jest bazą danych programu Tervala"
                                               << "Path_ksu" << 1;
        QTest::newRow("Lokra without UMOWY.RU")
            << "lokra without RU" << import << "Baza danych programu Lokra (%1/lokra.fdb) nie ma kolumny U.RU"
            << "dodaje do bazy programu Lokra kolumny WNIOSKI.OBSZAR i UMOWY.RU" << 1;
        QTest::newRow("Lokra without WNIOSKI.OBSZAR")
            << "lokra without OBSZAR" << import << "Baza danych programu Lokra (%1/lokra.fdb) nie ma kolumny"
            << "tervala upgrade-schema" << 1;
        QTest::newRow("read-only database")
            << "ksu read-only" << import << "Baza danych programu Tervala (%1/ksu.fdb) jest tylko do odczytu."
            << "gfix -mode read_write" << 1;
        // The import goes on without the institution's row.
        QTest::newRow("text too long for its column")
            << "ksu narrow name" << import << "Tekst jest za długi dla pola bazy danych"
            << "Popraw tę wartość" << 0;
    }

    void failureIsExplained()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, command);
        QFETCH(QString, cause);
        QFETCH(QString, hint);
        QFETCH(int, status);

        Workspace ws;
        const QString ksu = ws.path(QStringLiteral("ksu.fdb"));
        const QString lokra = ws.path(QStringLiteral("lokra.fdb"));
        if (setup != u"no ksu" && setup != u"ksu is text" && setup != u"ksu empty")
            ws.createReportingDatabase();
        if (setup != u"no lokra")
            QVERIFY(QFile::copy(m_template.path(QStringLiteral("lokra.fdb")), lokra));
        ws.writeEmbeddedIni();

        db::Connection holder; // another program holding a file through the embedded engine
        std::unique_ptr<firebird::PrivateServer> server;
        if (setup == u"ksu is text") {
            QFile f(ksu);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("To jest notatka, nie baza danych.\n").repeated(200));
        } else if (setup == u"ksu empty") {
            ws.createDatabase(QStringLiteral("ksu.fdb"), QString());
        } else if (setup == u"closed port") {
            ws.writeIni(QStringLiteral("[Settings]\nHost=127.0.0.1/1\nPath_ksu=%1\nPath=%2\nUpdateServer=%3\n")
                            .arg(ksu, lokra, QString::fromLatin1(NoUpdateServer))
                            .toUtf8());
        } else if (setup == u"private server") {
            // A server whose SYSDBA has another password than TV.ini's and the default one.
            server = std::make_unique<firebird::PrivateServer>(QStringLiteral("inne-haslo"));
            const QString failure = server->start();
            if (!failure.isEmpty())
                QFAIL(qPrintable(failure));
            ws.writeIni(QStringLiteral("[Settings]\nHost=%1\nPath_ksu=%2\nPath=%3\nuser=SYSDBA\npassword=zle\n"
                                       "UpdateServer=%4\n")
                            .arg(server->host(), ksu, lokra, QString::fromLatin1(NoUpdateServer))
                            .toUtf8());
        } else if (setup == u"lokra held") {
            holder.setDatabase(QString(), lokra);
            holder.open();
        } else if (setup == u"ksu older") {
            runStatement(ksu, QStringLiteral("ALTER TABLE AKT_STR DROP PO_31_180_L;\n"));
        } else if (setup == u"ksu without WYM_TECH") {
            runStatement(ksu, QStringLiteral("ALTER TABLE ZASADY DROP WYM_TECH;\n"));
        } else if (setup == u"lokra without RU") {
            runStatement(lokra, QStringLiteral("ALTER TABLE UMOWY DROP RU;\n"));
        } else if (setup == u"lokra without OBSZAR") {
            runStatement(lokra, QStringLiteral("ALTER TABLE WNIOSKI DROP OBSZAR;\n"));
        } else if (setup == u"ksu read-only") {
            QProcess gfix;
            gfix.start(QStringLiteral("gfix"), {QStringLiteral("-mode"), QStringLiteral("read_only"),
                                                QStringLiteral("-user"), QStringLiteral("SYSDBA"), ksu});
            QVERIFY(gfix.waitForFinished(30000) && gfix.exitCode() == 0);
        } else if (setup == u"ksu narrow name") {
            recreateReportingTable(ws, QStringLiteral("DANE_INST"), QStringLiteral("NAZWA VARCHAR(100)"),
                                   QStringLiteral("NAZWA VARCHAR(5)"));
        }

        const CliResult r = runTervala(QStringList{QStringLiteral("--home"), ws.path()} + command);
        QCOMPARE(r.status, status);
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        const QString expectedCause = cause.contains(QStringLiteral("%1")) ? cause.arg(ws.path()) : cause;
        qsizetype causeLine = -1;
        for (qsizetype i = 0; i < lines.size() && causeLine < 0; ++i) {
            if (lines[i].contains(expectedCause))
                causeLine = i;
        }
        QVERIFY2(causeLine >= 0, qPrintable(r.out));
        QVERIFY2(r.out.contains(hint), qPrintable(r.out));
        // The engine's text is only ever a detail after the cause; the database's
        // name has no stray colon of an empty host.
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines[i].startsWith(QStringLiteral("Szczegóły: "))) {
                QVERIFY2(i > causeLine, qPrintable(r.out));
                continue;
            }
            const QString polish = QString(lines[i]).remove(ws.path());
            QVERIFY2(!EngineEnglish.match(polish).hasMatch(), qPrintable(lines[i]));
        }
        QVERIFY2(!r.out.contains(QStringLiteral("Błąd serwera :")), qPrintable(r.out));
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    }

    // Two users of one database on the Firebird server: while this test holds a
    // period's row, the command that deletes the period waits for it as long as
    // the program waits for a lock, then names the conflict and the other user.
    void lockConflictWithAnotherUser()
    {
        Workspace ws;
        ws.createReportingDatabase();
        QVERIFY(QFile::copy(m_template.path(QStringLiteral("lokra.fdb")), ws.path(QStringLiteral("lokra.fdb"))));
        ws.writeEmbeddedIni();
        QCOMPARE(runTervala({"--home", ws.path(), "import", "01", "2013", "06", "2013"}).status, 0);

        const QString server = QStringLiteral("127.0.0.1");
        ws.writeIni(QStringLiteral("[Settings]\nHost=%1\nPath_ksu=%2\nPath=%3\nUpdateServer=%4\n")
                        .arg(server, ws.path(QStringLiteral("ksu.fdb")), ws.path(QStringLiteral("lokra.fdb")),
                             QString::fromLatin1(NoUpdateServer))
                        .toUtf8());
        db::Connection holder;
        holder.setDatabase(server, ws.path(QStringLiteral("ksu.fdb")));
        try {
            holder.open();
        } catch (const db::Error &e) {
            QFAIL(qPrintable(QStringLiteral("no Firebird server on 127.0.0.1:3050 (scripts/start-test-server.sh): ")
                             + e.message()));
        }
        db::Query hold(holder, QStringLiteral("update okres set odk = odk"));
        hold.execute();

        const CliResult r = runTervala({"--home", ws.path(), "delete-period", "01", "2013", "06", "2013", "--yes"});
        holder.rollbackRetaining();
        QCOMPARE(r.status, 1);
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() >= 4, qPrintable(r.out));
        QVERIFY2(
            lines[1].startsWith(QStringLiteral("Prog 1.16.5: Usuwanie okresu przerwane: Inny użytkownik lub program "
                                               "(SYSDBA")),
            qPrintable(r.out));
        QVERIFY2(lines[1].contains(QStringLiteral("zmienia w tej chwili te same dane (konflikt blokad")),
                 qPrintable(r.out));
        QVERIFY2(lines[2].startsWith(QStringLiteral("Poczekaj")), qPrintable(r.out));
        QVERIFY2(lines.last().startsWith(QStringLiteral("Szczegóły: ")), qPrintable(r.out));
    }

    // A file that cannot be read or written: the cause found on the disk, and Qt's
    // English text only as the detail.
    void fileFailureIsExplained_data()
    {
        QTest::addColumn<QString>("path"); // %1: the workspace folder
        QTest::addColumn<bool>("writing");
        QTest::addColumn<QString>("cause");

        QTest::newRow("write into a missing folder") << "%1/brak/plik.csv" << true << "folder %1/brak nie istnieje.";
        QTest::newRow("write where a folder is") << "%1/folder" << true << "w tym miejscu jest folder o tej nazwie.";
        QTest::newRow("write to a full disk") << "/dev/full" << true << "na dysku brakuje miejsca.";
        QTest::newRow("read a missing file") << "%1/brak.txt" << false << "plik nie istnieje.";
        QTest::newRow("read a folder") << "%1/folder" << false << "w tym miejscu jest folder, nie plik.";
    }
    void fileFailureIsExplained()
    {
        QFETCH(QString, path);
        QFETCH(bool, writing);
        QFETCH(QString, cause);
        Workspace ws;
        QVERIFY(QDir(ws.path()).mkdir(QStringLiteral("folder")));
        path = path.arg(ws.path());

        QFile file(path);
        bool done = false;
        if (writing) {
            done = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write("x") == 1;
        } else if (file.open(QIODevice::ReadOnly)) {
            file.readAll();
            done = file.error() == QFileDevice::NoError;
        }
        QVERIFY(!done);
        const QString text = explainFileFailure(path, file, writing ? FileAccess::Write : FileAccess::Read)
                                 .text(QStringLiteral("Nie można zapisać pliku: "));
        const QStringList lines = text.split(u'\r');
        QCOMPARE(lines.first(), QStringLiteral("Nie można zapisać pliku: ") + cause.arg(ws.path()));
        for (const QString &line : lines.mid(0, lines.size() - 1))
            QVERIFY2(!EngineEnglish.match(line).hasMatch(), qPrintable(text));
        QVERIFY2(lines.last().startsWith(QStringLiteral("Szczegóły: ")), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestFailures)
#include "tst_failures.moc"
