// Several users on one reporting database on a Firebird server: imports that
// exclude each other across processes, saves that do not lose another user's
// work, a window that survives a server restart, a user with granted rights
// only, and the forms of Host that name a port or the IPv6 loopback.

#include "common/apppaths.h"
#include "common/inifile.h"
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "import/importcontext.h"
#include "reports/xmlreport.h"
#include "shell/mainwindow.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "store/schemacheck.h"
#include "store/schemaupgrade.h"
#include "support/cli.h"
#include "support/firebirdtools.h"
#include "support/windowdriver.h"
#include "support/workspace.h"
#include "workflow/capitalworkflow.h"
#include "workflow/periodworkflow.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

using Kind = RecordingMessages::Kind;

namespace {

const QString SharedServer = QStringLiteral("127.0.0.1");
const QStringList FirstHalf2013{"01", "2013", "06", "2013"};
const store::PeriodChoice Choice{"01", "2013", "06", "2013"};
const QString NamedChange = QStringLiteral(R"(SYSDBA, \d\d\.\d\d\.\d{4} \d\d:\d\d)");

// Both databases of the workspace on the server `host`, as `user`.
void writeServerIni(Workspace &ws, const QString &host, const QString &user = QString(),
                    const QString &password = QString())
{
    ws.writeIni(QStringLiteral("[Settings]\nHost=%1\nPath_ksu=%2\nPath=%3\nuser=%4\npassword=%5\nUpdateServer=%6\n")
                    .arg(host, ws.path(QStringLiteral("ksu.fdb")), ws.path(QStringLiteral("lokra.fdb")), user, password,
                         QString::fromLatin1(NoUpdateServer))
                    .toUtf8());
}

// The demo fund's Lokra database and an empty reporting database, reached through
// the shared server; this folder is the program's home.
void prepareFund(Workspace &ws, const QString &host = SharedServer)
{
    ws.createReportingDatabase();
    ws.createDatabase(QStringLiteral("lokra.fdb"), lokraDemoScript());
    writeServerIni(ws, host);
    ws.makeHome();
}

class QuietOutput : public import::ImportOutput
{
public:
    // Runs once, at the first moment the import lets the window redraw.
    std::function<void()> duringImport;
    void setProgress(int) override {}
    void keepResponsive() override
    {
        if (duringImport)
            std::exchange(duringImport, {})();
    }
    void showErrorReport(const reports::ReportSheet &) override {}
};

// One user's program without a window, connected as TV.ini says.
struct User
{
    store::DataModule dm;
    store::PageModel model;
    RecordingMessages messages;
    PeriodView view;
    PeriodWorkflow workflow{dm, model, messages, view};
    store::ConnectResult connected;

    User()
    {
        const IniFile ini = IniFile::read(AppPaths::settingsFile());
        connected = store::connectDatabase(dm.KSU, store::reportingDatabaseSettings(ini));
        if (connected == store::ConnectResult::Connected)
            connected = store::connectDatabase(dm.LOKRA, store::lokraDatabaseSettings(ini));
    }
    bool open()
    {
        messages.clear();
        return workflow.openPeriod(Choice);
    }
};

// SYSDBA's connection to a database on a server, to look at what the program left.
std::unique_ptr<db::Connection> serverConnection(const QString &host, const QString &path)
{
    auto c = std::make_unique<db::Connection>();
    c->setDatabase(host, path);
    c->open();
    return c;
}

int periodRows(const QString &host, const QString &path)
{
    auto c = serverConnection(host, path);
    db::Query q(*c, QStringLiteral("select count(*) from OKRES"));
    q.execute();
    q.next();
    return int(q.value(0).toInt());
}

// What the period's fields hold in the database, read by a user of its own.
QString storedText(const QString &control)
{
    User reader;
    if (reader.connected != store::ConnectResult::Connected || !reader.open())
        return QStringLiteral("(nie otwarto)");
    return reader.model.text(control);
}

// The rights a fund's everyday user needs, as the README grants them with isql-fb:
// reading and writing every table of the reporting database and its sequence, and
// reading Lokra.
const char *GrantReporting = R"(execute block as
declare name varchar(63);
begin
  for select trim(rdb$relation_name) from rdb$relations where coalesce(rdb$system_flag, 0) = 0 into :name do
    execute statement 'grant select, insert, update, delete on ' || name || ' to TERVALA_PRACOWNIK';
  execute statement 'grant usage on sequence DKAP_GEN to TERVALA_PRACOWNIK';
end)";
const char *GrantLokra = R"(execute block as
declare name varchar(63);
begin
  for select trim(rdb$relation_name) from rdb$relations where coalesce(rdb$system_flag, 0) = 0 into :name do
    execute statement 'grant select on ' || name || ' to TERVALA_PRACOWNIK';
  for select trim(rdb$procedure_name) from rdb$procedures where coalesce(rdb$system_flag, 0) = 0 into :name do
    execute statement 'grant execute on procedure ' || name || ' to TERVALA_PRACOWNIK';
end)";

} // namespace

class TestMultiUser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        try {
            db::Connection probe;
            probe.setDatabase(SharedServer, QStringLiteral("employee"));
            probe.open();
        } catch (const db::Error &e) {
            // Any answer of the server will do; only an absent server fails here.
            if (db::isConnectionLost(e))
                QFAIL(qPrintable(QStringLiteral("no Firebird server on 127.0.0.1:3050 "
                                                "(scripts/start-test-server.sh): ")
                                 + e.message()));
        }
    }

    // Two processes import the same period at once: the second is refused at
    // once, naming the first, and so is a deletion during an import. One period
    // row stays, and the refused import goes through once the first has ended.
    void importsExcludeEachOther()
    {
        Workspace ws;
        prepareFund(ws);
        User first;
        QCOMPARE(first.connected, store::ConnectResult::Connected);
        auto refusedNamingFirst = [](const CliResult &refused) {
            QCOMPARE(refused.status, 1);
            QVERIFY2(refused.out.contains(QStringLiteral("Użytkownik SYSDBA importuje dane okresu (od ")),
                     qPrintable(refused.out));
            QVERIFY2(refused.out.contains(QStringLiteral("tylko jeden użytkownik naraz")), qPrintable(refused.out));
        };

        CliResult other;
        QuietOutput output;
        output.duringImport = [&] { other = runTervala({"--home", ws.path(), "import", "01", "2013", "06", "2013"}); };
        QVERIFY2(first.workflow.importPeriod(Choice, output), qPrintable(first.messages.texts().join(u'|')));
        QVERIFY(!output.duringImport);
        refusedNamingFirst(other);
        QCOMPARE(periodRows(SharedServer, ws.path(QStringLiteral("ksu.fdb"))), 1);

        // Imported again, the period cannot be deleted meanwhile.
        output.duringImport = [&] {
            other = runTervala({"--home", ws.path(), "delete-period", "01", "2013", "06", "2013", "--yes"});
        };
        first.messages.scriptAnswers({true});
        QVERIFY2(first.workflow.importPeriod(Choice, output), qPrintable(first.messages.texts().join(u'|')));
        refusedNamingFirst(other);
        QCOMPARE(periodRows(SharedServer, ws.path(QStringLiteral("ksu.fdb"))), 1);

        const CliResult again = runTervala({"--home", ws.path(), "import", "01", "2013", "06", "2013", "--overwrite"});
        QVERIFY2(again.status == 0, qPrintable(again.out));
        QCOMPARE(periodRows(SharedServer, ws.path(QStringLiteral("ksu.fdb"))), 1);
    }

    // Two users save the same period: the second is told who saved it and when,
    // and chooses to overwrite (their value wins) or to reload (the first's value
    // stands, and their own edit is shown before it goes).
    void savesOfOnePeriod_data()
    {
        QTest::addColumn<Messages::Answer>("choice");
        QTest::addColumn<QString>("stored");
        QTest::newRow("overwrite") << Messages::Answer::Yes << "222";
        QTest::newRow("reload") << Messages::Answer::No << "111";
        QTest::newRow("cancel") << Messages::Answer::Cancel << "111";
    }
    void savesOfOnePeriod()
    {
        QFETCH(Messages::Answer, choice);
        QFETCH(QString, stored);
        Workspace ws;
        prepareFund(ws);
        const CliResult imported = runTervala({"--home", ws.path(), "import", "01", "2013", "06", "2013"});
        QVERIFY2(imported.status == 0, qPrintable(imported.out));

        const QString control = store::PageModel::statisticsControls().first();
        User anna, bolek;
        QVERIFY(anna.open());
        QVERIFY(bolek.open());
        anna.model.setText(control, QStringLiteral("111"));
        bolek.model.setText(control, QStringLiteral("222"));
        QVERIFY(anna.workflow.save());

        bolek.messages.clear();
        bolek.messages.scriptChoices({choice});
        const bool saved = bolek.workflow.save();
        QCOMPARE(saved, choice == Messages::Answer::Yes);
        const QList<RecordingMessages::Entry> &told = bolek.messages.entries();
        QVERIFY(!told.isEmpty());
        QCOMPARE(told.first().kind, Kind::Question);
        QCOMPARE(told.first().caption, QStringLiteral("Okres zmieniony przez innego użytkownika"));
        QVERIFY2(told.first().text.contains(QRegularExpression(NamedChange)), qPrintable(told.first().text));
        QCOMPARE(storedText(control), stored);

        switch (choice) {
        case Messages::Answer::Yes:
            QCOMPARE(bolek.messages.texts().last(), QStringLiteral("Dane zaktualizowane"));
            // Anna's next save is now the late one.
            anna.messages.clear();
            anna.messages.scriptChoices({Messages::Answer::Cancel});
            anna.model.setText(control, QStringLiteral("333"));
            QVERIFY(!anna.workflow.save());
            QCOMPARE(storedText(control), QStringLiteral("222"));
            break;
        case Messages::Answer::No:
            QCOMPARE(told.size(), 2);
            QCOMPARE(told[1].kind, Kind::Information);
            QVERIFY2(told[1].text.contains(control + QStringLiteral(": Twoja wartość „222”, zapisana „111”")),
                     qPrintable(told[1].text));
            QCOMPARE(bolek.model.text(control), QStringLiteral("111"));
            QVERIFY(!bolek.model.isModified());
            // Reloaded, the next save is no conflict.
            bolek.messages.clear();
            bolek.model.setText(control, QStringLiteral("444"));
            QVERIFY(bolek.workflow.save());
            QCOMPARE(bolek.messages.texts(), QStringList{QStringLiteral("Dane zaktualizowane")});
            QCOMPARE(storedText(control), QStringLiteral("444"));
            break;
        case Messages::Answer::Cancel:
            QCOMPARE(told.size(), 1);
            QCOMPARE(bolek.model.text(control), QStringLiteral("222"));
            QVERIFY(bolek.model.isModified());
            break;
        }
    }

    // The capital page writes at once: a write into a period another user saved
    // meanwhile asks first, and writes nothing when the user says no.
    void capitalWriteAfterAnotherSave()
    {
        Workspace ws;
        prepareFund(ws);
        QCOMPARE(runTervala({"--home", ws.path(), "import", "01", "2013", "06", "2013"}).status, 0);
        User anna, bolek;
        QVERIFY(anna.open());
        QVERIFY(bolek.open());
        anna.model.setText(store::PageModel::statisticsControls().first(), QStringLiteral("5"));
        QVERIFY(anna.workflow.save());

        CapitalWorkflow capital(bolek.dm, bolek.model, bolek.messages, bolek.workflow.commands(),
                                bolek.workflow.period(), bolek.workflow.capitalGroups());
        bolek.messages.clear();
        bolek.messages.scriptAnswers({false});
        QVERIFY(!capital.addSource(QStringLiteral("Dotacja"), db::Money::fromWhole(1000)));
        QCOMPARE(bolek.messages.entries().size(), 1);
        QVERIFY2(bolek.messages.texts().first().contains(QRegularExpression(NamedChange)),
                 qPrintable(bolek.messages.texts().first()));
        bolek.messages.clear();
        bolek.messages.scriptAnswers({true});
        QVERIFY(capital.addSource(QStringLiteral("Dotacja"), db::Money::fromWhole(1000)));
        QVERIFY(anna.open());
        QCOMPARE(anna.model.capitalSources().size(), 1);
    }

    // The server stops and starts again between two commands of one window: the
    // second command says that the connection was lost, connects again and saves
    // what the user typed before the restart.
    void windowSurvivesServerRestart()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.createDatabase(QStringLiteral("lokra.fdb"), lokraDemoScript());
        firebird::PrivateServer server;
        const QString failure = server.start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        writeServerIni(ws, server.host());
        ws.makeHome();
        const CliResult imported = runTervala({"--home", ws.path(), "import", "01", "2013", "06", "2013"});
        QVERIFY2(imported.status == 0, qPrintable(imported.out));

        store::DataModule dm;
        RecordingMessages messages;
        MainWindow window(dm, &messages);
        QVERIFY(startWindow(window));
        messages.clear();
        openPeriodInWindow(window, FirstHalf2013);
        QVERIFY2(messages.texts().contains(QStringLiteral("Podany okres był już importowany i można go edytować")),
                 qPrintable(messages.texts().join(u'|')));
        const QString control = store::PageModel::statisticsControls().first();
        window.model().setText(control, QStringLiteral("77"));

        server.stop();
        QCOMPARE(server.start(), QString());

        messages.clear();
        window.findChild<QPushButton *>(QStringLiteral("bb_zapisw"))->click();
        const QList<RecordingMessages::Entry> &told = messages.entries();
        QVERIFY2(told.size() == 2, qPrintable(messages.texts().join(u'|')));
        QCOMPARE(told[0].kind, Kind::Warning);
        QCOMPARE(told[0].caption, QStringLiteral("Połączenie przerwane"));
        QVERIFY2(told[0].text.startsWith(QStringLiteral("Połączenie z serwerem Firebird zostało przerwane – baza "
                                                        "danych programu Tervala (%1:")
                                             .arg(server.host())),
                 qPrintable(told[0].text));
        QCOMPARE(told[1].text, QStringLiteral("Dane zaktualizowane"));
        QCOMPARE(window.model().text(control), QStringLiteral("77"));
        QCOMPARE(storedText(control), QStringLiteral("77"));

        // While the server is away each command says so and fails; the first one
        // after its return connects again. The typed value waits on the page.
        window.model().setText(control, QStringLiteral("78"));
        server.stop();
        messages.clear();
        window.findChild<QPushButton *>(QStringLiteral("bb_zapisw"))->click();
        QVERIFY2(told.size() == 2, qPrintable(messages.texts().join(u'|')));
        QCOMPARE(told[0].caption, QStringLiteral("Połączenie przerwane"));
        QCOMPARE(told[1].kind, Kind::Error);
        QVERIFY2(told[1].text.contains(QStringLiteral("Nie można połączyć się z serwerem Firebird")),
                 qPrintable(told[1].text));
        QCOMPARE(window.model().text(control), QStringLiteral("78"));
        QCOMPARE(server.start(), QString());
        messages.clear();
        window.findChild<QPushButton *>(QStringLiteral("bb_zapisw"))->click();
        QVERIFY2(told.size() == 2, qPrintable(messages.texts().join(u'|')));
        QCOMPARE(told[0].caption, QStringLiteral("Połączenie przerwane"));
        QCOMPARE(told[1].text, QStringLiteral("Dane zaktualizowane"));
        QCOMPARE(storedText(control), QStringLiteral("78"));
    }

    // A user with only the rights the README grants imports, saves and writes the
    // XML file; the schema upgrade's Lokra statements say they need its owner.
    void grantedUser()
    {
        Workspace ws;
        prepareFund(ws);
        {
            auto ksu = serverConnection(SharedServer, ws.path(QStringLiteral("ksu.fdb")));
            ksu->executeImmediate(
                QStringLiteral("create or alter user TERVALA_PRACOWNIK password 'Prac0wnik' using plugin Srp"));
            ksu->commitRetaining();
            ksu->executeImmediate(QString::fromLatin1(GrantReporting));
            ksu->commitRetaining();
            auto lokra = serverConnection(SharedServer, ws.path(QStringLiteral("lokra.fdb")));
            lokra->executeImmediate(QString::fromLatin1(GrantLokra));
            lokra->commitRetaining();
        }
        writeServerIni(ws, SharedServer, QStringLiteral("TERVALA_PRACOWNIK"), QStringLiteral("Prac0wnik"));

        User user;
        QCOMPARE(user.connected, store::ConnectResult::Connected);
        QCOMPARE(user.dm.KSU.user(), QStringLiteral("TERVALA_PRACOWNIK"));
        QuietOutput output;
        QVERIFY2(user.workflow.importPeriod(Choice, output), qPrintable(user.messages.texts().join(u'|')));
        user.model.setText(store::PageModel::statisticsControls().first(), QStringLiteral("9"));
        user.messages.clear();
        QVERIFY(user.workflow.save());
        QCOMPARE(user.messages.texts(), QStringList{QStringLiteral("Dane zaktualizowane")});
        QVERIFY(user.workflow.writeXml());
        QVERIFY(QFile::exists(reports::xmlReportPath()));

        const QList<store::UpgradeOutcome> outcomes = store::upgradeSchema(user.dm.KSU, user.dm.LOKRA, user.messages);
        for (const store::UpgradeStatement &statement : store::upgradeStatements()) {
            if (!statement.onLokra)
                continue;
            const store::UpgradeOutcome &outcome = outcomes.at(statement.number - 1);
            QVERIFY(!outcome.applied);
            QVERIFY2(outcome.failure.startsWith(
                         QStringLiteral("Zmiana tabeli bazy danych programu Lokra wymaga praw jej właściciela")),
                     qPrintable(outcome.failure));
        }
    }

    // Host with a port, and the IPv6 loopback with or without brackets: the
    // command line creates the reporting database on the server named so.
    void hostForms_data()
    {
        QTest::addColumn<QString>("address"); // of a private server; empty: the shared one
        QTest::addColumn<QString>("host");    // %1: the private server's port
        QTest::newRow("IPv4 with port") << QString() << "127.0.0.1/3050";
        QTest::newRow("name with port") << QString() << "localhost/3050";
        QTest::newRow("IPv6 loopback with port") << "::1"
                                                 << "::1/%1";
        QTest::newRow("IPv6 loopback in brackets") << "::1"
                                                   << "[::1]/%1";
    }
    void hostForms()
    {
        QFETCH(QString, address);
        QFETCH(QString, host);
        std::unique_ptr<firebird::PrivateServer> server;
        if (!address.isEmpty()) {
            server = std::make_unique<firebird::PrivateServer>(QString(), address);
            const QString failure = server->start();
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            host = host.arg(server->port());
        }
        Workspace ws;
        writeServerIni(ws, host);
        const QString path = ws.path(QStringLiteral("nowa.fdb"));
        const CliResult r = runTervala({"--home", ws.path(), "create-database", path});
        QVERIFY2(r.status == 0, qPrintable(r.out));
        QCOMPARE(r.out.trimmed(), QStringLiteral("Prog 1.16.5: Utworzono pustą bazę danych %1:%2").arg(host, path));
        auto created = serverConnection(host, path);
        QCOMPARE(store::checkReportingSchema(*created).state, store::SchemaState::Current);
    }
};

QTEST_MAIN(TestMultiUser)
#include "tst_multiuser.moc"
