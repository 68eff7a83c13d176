// Faults injected into real parts while the user works: the Lokra database gone
// half-way through an import (its server killed, its connection closed), the
// reporting database refusing a write, the Eksport folder blocked, an update server
// that holds the start-up task; and commands started while the start-up task or an
// import holds the reporting database. After each: a clear Polish message, the
// window still usable, and the reporting database exactly as before.
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "import/importcontext.h"
#include "pages/capitalpage.h"
#include "shell/mainwindow.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "store/schema.h"
#include "support/cli.h"
#include "support/databasedump.h"
#include "support/firebirdtools.h"
#include "support/heldhttpserver.h"
#include "support/workspace.h"
#include "workflow/periodworkflow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using Kind = RecordingMessages::Kind;
using Entry = RecordingMessages::Entry;

namespace {

const QString RolledBack = QStringLiteral("\rBaza danych programu Tervala pozostała bez zmian.");
const Entry CommandRunning{Kind::Warning, QStringLiteral("Chwileczkę"),
                           QStringLiteral("Trwa import lub zapis danych.\rPoczekaj na jego zakończenie.")};
const Entry StartupBusy{Kind::Warning, QStringLiteral("Chwileczkę"),
                        QStringLiteral("Program kończy uruchamianie i korzysta jeszcze z bazy danych.\r"
                                       "Spróbuj ponownie za chwilę.")};
const Entry ClosingDuringImport{Kind::Warning, QStringLiteral("Zamykanie"),
                                QStringLiteral("Trwa import danych.\rPoczekaj na jego zakończenie.")};
const QString ExitQuestion = QStringLiteral("Czy na pewno chcesz wyjść z programu ?");
// The text of the exception our triggers raise, with a Polish letter on its way
// through the WIN1250 database.
const QString RefusedWrite = QStringLiteral("Zapis odrzucony przez bazę danych");

const QStringList FirstHalf2012{"01", "2012", "06", "2012"};
const QStringList SecondHalf2012{"07", "2012", "12", "2012"};
const QStringList FirstHalf2013{"01", "2013", "06", "2013"};

// The empty reporting database and the demo fund's Lokra database, made once for
// the run and copied into each case's folder.
QString templateFile(const QString &name)
{
    static QTemporaryDir folder;
    static const bool made = [] {
        store::createReportingDatabase(folder.filePath(QStringLiteral("ksu.fdb")));
        db::Connection lokra;
        lokra.setDatabase(QString(), folder.filePath(QStringLiteral("lokra.fdb")));
        lokra.create();
        db::runSqlScript(lokra, lokraDemoScript());
        lokra.close();
        return true;
    }();
    Q_UNUSED(made);
    return folder.filePath(name);
}

void placeDatabases(const Workspace &ws)
{
    for (const QString &name : {QStringLiteral("ksu.fdb"), QStringLiteral("lokra.fdb")}) {
        if (!QFile::copy(templateFile(name), ws.path(name)))
            qFatal("cannot copy %s", qPrintable(name));
    }
}

// A group of loan-capital components with one component, so that the capital
// page has something to show and to add.
const char *Dictionary = R"(
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Kapitał własny', 1, 0, 0);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Dotacja', 11, 1, 1);
)";

// Loan capital of the first imported period, which later imports carry over.
const char *FirstPeriodCapital = R"(
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ) values (1, 1, 'Dotacja', 1000, 11, 1, 1);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (1, 1, 'Dotacja gminy', 2500);
update DANE_KAP set NAZWA = 'Wzrost', KWOTA = 2500 where ID_OK = 1 and ZRODLO = 0;
)";

// A trigger that refuses every insert and update of a table.
void refuseWrites(db::Connection &ksu, const QString &table)
{
    db::Query exists(ksu,
                     QStringLiteral("select count(*) from rdb$exceptions where rdb$exception_name = 'TERVALA_FAULT'"));
    exists.execute();
    exists.next();
    if (exists.value(0).toInt() == 0) {
        ksu.executeImmediate(QStringLiteral("create exception TERVALA_FAULT '%1'").arg(RefusedWrite));
        ksu.commitRetaining();
    }
    ksu.executeImmediate(
        QStringLiteral("create or alter trigger TERVALA_FAULT_%1 for %1 active before insert or update "
                       "position 10 as begin exception TERVALA_FAULT; end")
            .arg(table));
    ksu.commitRetaining();
}

void allowWrites(db::Connection &ksu, const QString &table)
{
    ksu.executeImmediate(QStringLiteral("alter trigger TERVALA_FAULT_%1 inactive").arg(table));
    ksu.commitRetaining();
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(contents) == contents.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Deals with every modal dialog as soon as it shows (the error report preview, a
// dialog a button opens): `handler` may fill and accept it; otherwise it is closed.
class ModalDialogs : public QObject
{
public:
    QWidget *owner = nullptr; // only the dialogs of this window
    std::function<bool(QDialog *)> handler;
    QStringList seen;

    ModalDialogs() { qApp->installEventFilter(this); }
    ~ModalDialogs() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (event->type() == QEvent::Show && dialog && dialog->isModal() && dialog->parentWidget()
            && dialog->parentWidget()->window() == owner) {
            seen << dialog->objectName();
            QPointer<QDialog> target(dialog);
            // Queued: it runs in the dialog's own event loop.
            QMetaObject::invokeMethod(
                this,
                [this, target] {
                    if (target && !(handler && handler(target)))
                        target->reject();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

// The main window over a workspace of its own, started like the program.
struct WindowFixture
{
    Workspace ws;
    store::DataModule dm;
    RecordingMessages messages;
    ModalDialogs modals;
    std::unique_ptr<MainWindow> window;

    explicit WindowFixture(const QString &reportingScript = QString::fromUtf8(Dictionary),
                           const QString &updateServer = QString())
    {
        placeDatabases(ws);
        if (!reportingScript.isEmpty()) {
            db::Connection c;
            c.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
            c.open();
            db::runSqlScript(c, reportingScript);
            c.close();
        }
        ws.writeEmbeddedIni();
        if (!updateServer.isEmpty())
            ws.writeIni(QStringLiteral("[Settings]\r\nHost=\r\nPath_ksu=%1\r\nPath=%2\r\nUpdateServer=%3\r\n")
                            .arg(ws.path(QStringLiteral("ksu.fdb")), ws.path(QStringLiteral("lokra.fdb")), updateServer)
                            .toUtf8());
        ws.makeHome();
        window = std::make_unique<MainWindow>(dm, &messages);
        modals.owner = window.get();
    }

    ~WindowFixture() { window.reset(); }

    // Shows the window and waits for the start-up task.
    void start()
    {
        QSignalSpy started(window.get(), &MainWindow::startupFinished);
        window->show();
        if (!started.wait(30000))
            qFatal("the start-up task did not finish");
        messages.clear();
    }

    template <typename T>
    T *child(const QString &name) const
    {
        T *w = window->findChild<T *>(name);
        if (!w)
            qFatal("no %s", qPrintable(name));
        return w;
    }
    pages::CapitalPage *capitalPage() const { return window->findChild<pages::CapitalPage *>(); }
    QProgressBar *progress() const { return child<QProgressBar>(QStringLiteral("Postep")); }

    void choose(const QStringList &combos)
    {
        const char *names[] = {"cb_odmc", "cb_odrok", "cb_domc", "cb_dorok"};
        for (int i = 0; i < 4; ++i)
            child<QComboBox>(QString::fromLatin1(names[i]))->setEditText(combos[i]);
    }

    // "Zaimportuj dane" as the user presses it; true when it ended with its
    // closing information.
    bool import(const QStringList &combos, const QList<bool> &answers = {})
    {
        messages.clear();
        messages.scriptAnswers(answers);
        choose(combos);
        child<QPushButton>(QStringLiteral("bb_zdane"))->click();
        return !messages.entries().isEmpty() && messages.entries().last().kind == Kind::Information
               && messages.entries().last().text.startsWith(QStringLiteral("Dane "));
    }

    bool open(const QStringList &combos)
    {
        messages.clear();
        choose(combos);
        child<QPushButton>(QStringLiteral("bb_edycja"))->click();
        return window->workflow().period().isOpen && messages.entries().size() == 1
               && messages.entries().first().kind == Kind::Information;
    }

    // Two imported periods (2012-07..12 as 1, 2013-01..06 as 2, which stays open)
    // with loan capital carried from the first to the second.
    void importTwoPeriods()
    {
        QVERIFY(import(SecondHalf2012));
        db::runSqlScript(dm.KSU, QString::fromUtf8(FirstPeriodCapital));
        QVERIFY(import(FirstHalf2013));
        QCOMPARE(window->workflow().period().CurrentPeriodId, QStringLiteral("2"));
    }

    QStringList dump() { return dump::dumpDatabase(dm.KSU); }

    // Nothing holds the window: no command runs and the reporting database is free.
    bool idle()
    {
        if (window->workflow().isRunning() || !dm.reportingGate.tryAcquire())
            return false;
        dm.reportingGate.release();
        return true;
    }
};

// The import's error: the Polish frame around the cause, and the promise that the
// database is as it was.
// Every file of a folder with its content.
QMap<QString, QByteArray> folderContents(const QString &folder)
{
    QMap<QString, QByteArray> out;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(info.absoluteFilePath());
        out.insert(info.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return out;
}

// The promise closes the message, or stands just before the database's own text.
bool endsRolledBack(const QString &text)
{
    return text.section(QStringLiteral("\rSzczegóły: "), 0, 0).endsWith(RolledBack);
}

bool isImportFailure(const Entry &e, const QString &cause)
{
    return e.kind == Kind::Error && e.caption == applicationTitle()
           && e.text.startsWith(QStringLiteral("Import przerwany: ")) && e.text.contains(cause)
           && endsRolledBack(e.text);
}

// An import without a window that counts the calls made between contracts and
// may act on one of them.
class HookedOutput : public import::ImportOutput
{
public:
    int calls = 0;
    int callsBeforeReport = 0; // before the import report is written, Lokra read to the end
    int actOnCall = 0;         // 0: never
    std::function<void()> action;

    int progress = 0;
    // In a re-import, the steps that read Lokra between their progress marks: the
    // institution data and the active and lost loans up to 36 %, the loan
    // statistics from 46 % to 66 %. Between the steps the connection is not in use,
    // and the loan statistics attach afresh.
    bool readingLokra() const { return progress < 36 || (progress >= 46 && progress < 66); }

    void setProgress(int percent) override
    {
        progress = percent;
        if (percent == 66)
            callsBeforeReport = calls;
    }
    void keepResponsive() override
    {
        if (++calls == actOnCall && action)
            action();
    }
    void showErrorReport(const reports::ReportSheet &) override {}
};

// The period workflow without a window on the demo fund.
struct WorkflowFixture
{
    Workspace ws;
    store::DataModule dm;
    store::PageModel model;
    RecordingMessages messages;
    PeriodView view;
    PeriodWorkflow workflow{dm, model, messages, view};

    WorkflowFixture()
    {
        placeDatabases(ws);
        ws.makeHome();
        dm.KSU.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        dm.KSU.open();
        db::runSqlScript(dm.KSU, QString::fromUtf8(Dictionary));
        dm.LOKRA.setDatabase(QString(), ws.path(QStringLiteral("lokra.fdb")));
        dm.LOKRA.open();
    }

    bool import(const QStringList &c, import::ImportOutput &output, const QList<bool> &answers = {})
    {
        messages.clear();
        messages.scriptAnswers(answers);
        return workflow.importPeriod({c[0], c[1], c[2], c[3]}, output);
    }
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The command-line cases run the built program.
        QVERIFY(QFile::exists(QStringLiteral(TERVALA_BINARY)));
    }

    // Faults half-way through an import in the window: the import is rolled back
    // whole, the window keeps the period it showed, and the same import goes
    // through once the fault is gone.
    void importFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("atProgress");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QString>("cause");
        QTest::newRow("Lokra server killed in the active loans") << "kill-server"
                                                                 << "" << 25 << false << "";
        QTest::newRow("Lokra server killed in the loan statistics") << "kill-server"
                                                                    << "" << 54 << true << "";
        QTest::newRow("Lokra connection closed in the active loans")
            << "close-lokra"
            << "" << 25 << false << "Brak połączenia z bazą danych";
        QTest::newRow("Lokra connection closed in the loan statistics")
            << "close-lokra"
            << "" << 54 << true << "Brak połączenia z bazą danych";
        // DANE_INST is written by the first import only, which rides out a refusal
        // (institutionDataRefusedOnTheFirstImport).
        for (const char *table : {"OKRES", "ZASADY", "AKT_STR", "POZYCZKI", "KAPITAL_FUND", "DANE_KAP"})
            QTest::addRow("%s refuses, new period", table) << "refuse-write" << table << 0 << false << RefusedWrite;
        // An overwrite writes only the period's date and what it computes from Lokra.
        for (const char *table : {"OKRES", "AKT_STR", "POZYCZKI"})
            QTest::addRow("%s refuses, overwrite", table) << "refuse-write" << table << 0 << true << RefusedWrite;
        QTest::newRow("a file in place of the Eksport folder") << "export-file"
                                                               << "" << 0 << false << "Nie można utworzyć folderu";
        QTest::newRow("a folder in place of the import report") << "report-folder"
                                                                << "" << 0 << true << "to folder, nie plik";
    }
    void importFaults()
    {
        QFETCH(QString, fault);
        QFETCH(QString, table);
        QFETCH(int, atProgress);
        QFETCH(bool, overwrite);
        QFETCH(QString, cause);

        WindowFixture f;
        f.start();
        f.importTwoPeriods();
        if (QTest::currentTestFailed())
            return;
        const QStringList combos = overwrite ? FirstHalf2013 : FirstHalf2012;
        const QString reportPdf = f.ws.path(overwrite ? QStringLiteral("Eksport/IMP_2013-01-01_2013-06-30.pdf")
                                                      : QStringLiteral("Eksport/IMP_2012-01-01_2012-06-30.pdf"));
        const QString lokraPath = f.ws.path(QStringLiteral("lokra.fdb"));
        firebird::PrivateServer server;
        if (fault == u"kill-server") {
            // The Lokra database on a server of its own, which the import reopens.
            const QString failure = server.start();
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            f.dm.LOKRA.close();
            f.dm.LOKRA.setDatabase(server.host(), lokraPath);
        }

        bool injected = false;
        auto inject = [&] {
            injected = true;
            if (fault == u"kill-server")
                server.stop();
            else if (fault == u"close-lokra")
                f.dm.LOKRA.close();
        };
        auto repair = [&] {
            if (fault == u"kill-server")
                QCOMPARE(server.start(), QString());
            else if (fault == u"refuse-write")
                allowWrites(f.dm.KSU, table);
            else if (fault == u"export-file")
                QVERIFY(QFile::remove(f.ws.path(QStringLiteral("Eksport"))));
            else if (fault == u"report-folder")
                QVERIFY(QDir(reportPdf).removeRecursively());
        };
        if (fault == u"refuse-write") {
            refuseWrites(f.dm.KSU, table);
            injected = true;
        } else if (fault == u"export-file") {
            QVERIFY(QDir(f.ws.path(QStringLiteral("Eksport"))).removeRecursively());
            QVERIFY(writeFile(f.ws.path(QStringLiteral("Eksport")), "nie folder"));
            injected = true;
        } else if (fault == u"report-folder") {
            QFile::remove(reportPdf);
            QVERIFY(QDir().mkpath(reportPdf));
            injected = true;
        }
        const QMetaObject::Connection hook =
            QObject::connect(f.progress(), &QProgressBar::valueChanged, f.window.get(), [&](int value) {
                if (atProgress > 0 && !injected && value >= atProgress)
                    inject();
            });

        const QStringList before = f.dump();
        const QMap<QString, QByteArray> filesBefore = folderContents(f.ws.path(QStringLiteral("Eksport")));
        f.window->model().setText(QStringLiteral("e_nazwa_inst"), QStringLiteral("wpisane, nie zapisane"));
        // Asked whether to save the typed text first, the user goes on without saving.
        f.messages.scriptChoices({Messages::Answer::No});
        const bool imported = f.import(combos, {true});
        QObject::disconnect(hook);
        QVERIFY2(!imported && injected, qPrintable(f.messages.texts().join(u'|')));

        const QList<Entry> &entries = f.messages.entries();
        // What stands in the way of the import report is refused before the import starts.
        const bool refusedFirst = fault == u"export-file" || fault == u"report-folder";
        QVERIFY2(!entries.isEmpty()
                     && (refusedFirst ? entries.last().kind == Kind::Error && entries.last().text.contains(cause)
                                      : isImportFailure(entries.last(), cause)),
                 qPrintable(f.messages.texts().join(u'|')));
        for (const Entry &e : entries)
            QVERIFY(e.kind != Kind::Information);
        QVERIFY2(f.dump() == before, qPrintable(dump::firstDifference(before, f.dump())));
        // No report of figures that exist in no database: the files are as they were.
        QCOMPARE(folderContents(f.ws.path(QStringLiteral("Eksport"))), filesBefore);
        QVERIFY(f.idle());
        // The window still shows the period it showed, with what the user typed.
        QCOMPARE(f.window->workflow().period().CurrentPeriodId, QStringLiteral("2"));
        QCOMPARE(f.window->workflow().period().PeriodStartText, QStringLiteral("2013-01-01"));
        QCOMPARE(f.window->model().text(QStringLiteral("e_nazwa_inst")), QStringLiteral("wpisane, nie zapisane"));

        repair();
        f.messages.scriptChoices({Messages::Answer::No});
        QVERIFY2(f.import(combos, {true}), qPrintable(f.messages.texts().join(u'|')));
        QVERIFY(QFile::exists(reportPdf));
        QVERIFY(f.idle());
    }

    // The first import stores the institution data from Lokra in a unit of its own
    // and goes on with a warning when that is refused: the period is imported
    // without them, and nothing of the refused row stays.
    void institutionDataRefusedOnTheFirstImport()
    {
        WorkflowFixture f;
        refuseWrites(f.dm.KSU, QStringLiteral("DANE_INST"));
        HookedOutput output;
        QVERIFY(f.import(FirstHalf2013, output));
        QCOMPARE(f.messages.entries().first().kind, Kind::Warning);
        QCOMPARE(f.messages.entries().first().caption, QStringLiteral("Błąd!"));
        // The message goes on with the cause.
        QVERIFY(f.messages.texts().first().startsWith(
            QStringLiteral("Błąd w próbie importu danych funduszu\rBaza danych odrzuciła zapis: ") + RefusedWrite));
        QVERIFY(f.messages.entries().last().text.startsWith(QStringLiteral("Dane zaimportowane")));
        db::Query rows(f.dm.KSU,
                       QStringLiteral("select (select count(*) from DANE_INST), (select count(*) from OKRES), "
                                      "(select count(*) from POZYCZKI) from rdb$database"));
        rows.execute();
        QVERIFY(rows.next());
        QCOMPARE(rows.value(0).toInt(), qint64(0));
        QCOMPARE(rows.value(1).toInt(), qint64(1));
        QCOMPARE(rows.value(2).toInt(), qint64(1));
    }

    // The Lokra connection closed at any point between contracts: the import
    // stops with an error, whatever loop it was in, and changes nothing. Closed
    // between two steps, after one has read all it needs, it is taken up again by
    // the next step's fresh attachment: the import then goes through, as the
    // first one did.
    void lokraClosedBetweenContracts_data()
    {
        QTest::addColumn<int>("percentOfCalls");
        QTest::newRow("first contract") << 0;
        QTest::newRow("a third of the way") << 33;
        QTest::newRow("half-way") << 50;
        QTest::newRow("two thirds of the way") << 67;
        QTest::newRow("last contract") << 100;
    }
    void lokraClosedBetweenContracts()
    {
        QFETCH(int, percentOfCalls);
        WorkflowFixture f;
        HookedOutput counting;
        QVERIFY(f.import(FirstHalf2013, counting));
        QVERIFY(counting.callsBeforeReport > 3);
        // The stamp counts the imports.
        const dump::IgnoredColumns stamp{QStringLiteral("OKRES.ZMIANA")};
        const QStringList before = dump::dumpDatabase(f.dm.KSU, stamp);

        HookedOutput closing;
        closing.actOnCall = std::max(1, counting.callsBeforeReport * percentOfCalls / 100);
        bool closedWhileReading = true;
        closing.action = [&] {
            f.dm.LOKRA.close();
            closedWhileReading = closing.readingLokra();
        };
        try {
            f.import(FirstHalf2013, closing, {true});
            QVERIFY2(!closedWhileReading, qPrintable(QStringLiteral("the import went through without Lokra (closed "
                                                                    "at call %1 of %2, at %3 %)")
                                                         .arg(closing.actOnCall)
                                                         .arg(counting.callsBeforeReport)
                                                         .arg(closing.progress)));
        } catch (const db::Error &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("Import przerwany: ")) && endsRolledBack(e.message()),
                     qPrintable(e.message()));
        }
        QCOMPARE(dump::dumpDatabase(f.dm.KSU, stamp), before);
        QVERIFY(!f.workflow.isRunning());
        HookedOutput again;
        QVERIFY(f.import(FirstHalf2013, again, {true}));
    }

    // Both databases on one server, which dies half-way through an import: the
    // import stops with its message, and once the server is back the reporting
    // database holds exactly what it held before and passes Firebird's validation.
    void serverOfBothDatabasesKilledDuringAnImport()
    {
        WorkflowFixture f;
        HookedOutput counting;
        QVERIFY(f.import(FirstHalf2013, counting));
        f.dm.KSU.close();
        f.dm.LOKRA.close();
        firebird::PrivateServer server;
        const QString failure = server.start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QString ksu = f.ws.path(QStringLiteral("ksu.fdb"));
        f.dm.KSU.setDatabase(server.host(), ksu);
        f.dm.LOKRA.setDatabase(server.host(), f.ws.path(QStringLiteral("lokra.fdb")));
        f.dm.KSU.open();
        f.dm.LOKRA.open();
        const QStringList before = dump::dumpDatabase(f.dm.KSU);

        HookedOutput killing;
        killing.actOnCall = counting.calls / 2;
        killing.action = [&] { server.stop(); };
        try {
            f.import(FirstHalf2013, killing, {true});
            QFAIL("the import went through without its server");
        } catch (const db::Error &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("Import przerwany: ")) && endsRolledBack(e.message()),
                     qPrintable(e.message()));
        }
        QVERIFY(!f.workflow.isRunning());
        f.dm.KSU.close();
        f.dm.LOKRA.close();

        QCOMPARE(server.start(), QString());
        db::Connection after;
        after.setDatabase(server.host(), ksu);
        after.open();
        QCOMPARE(dump::dumpDatabase(after), before);
        after.close();
        server.stop();
        const firebird::Validation validation = firebird::validateDatabase(ksu);
        QVERIFY2(validation.sound(), qPrintable(validation.output));
    }

    // A cursor whose connection is closed under it reports the loss instead of
    // reading as if the rows had ended.
    void closedConnectionUnderAnOpenCursor()
    {
        WorkflowFixture f;
        db::Query q(f.dm.LOKRA, QStringLiteral("select NR from SLOWNIK order by NR"));
        q.execute();
        QVERIFY(q.next());
        f.dm.LOKRA.close();
        QVERIFY_THROWS_EXCEPTION(db::Error, q.next());
        f.dm.LOKRA.open();
        q.execute();
        QVERIFY(q.next());
    }

    // "Zapisz zmiany" refused by the database in any of its tables: nothing of the
    // save stays, the pages keep what the user typed, and the save goes through
    // once the database accepts it.
    void saveFaults_data()
    {
        QTest::addColumn<QString>("table");
        for (const char *table : {"DANE_INST", "AKT_STR", "ZASADY", "POZYCZKI", "DANE_KAP"})
            QTest::newRow(table) << table;
    }
    void saveFaults()
    {
        QFETCH(QString, table);
        WindowFixture f;
        f.start();
        f.importTwoPeriods();
        if (QTest::currentTestFailed())
            return;
        const QList<std::pair<QString, QString>> edits{{"e_nazwa_inst", "Fundusz po zmianie"},
                                                       {"Jvl_poz_akt", "99"},
                                                       {"e_zinne", "zasady po zmianie"},
                                                       {"Jvl_mik", "77"},
                                                       {"Przyr_spad", "zmiana po zmianie"}};
        for (const auto &[control, text] : edits)
            QVERIFY(f.window->model().setText(control, text));
        refuseWrites(f.dm.KSU, table);
        const QStringList before = f.dump();

        f.messages.clear();
        f.child<QPushButton>(QStringLiteral("bb_zapisw"))->click();
        QCOMPARE(f.messages.entries().size(), 1);
        const Entry failure = f.messages.entries().first();
        QCOMPARE(failure.kind, Kind::Error);
        QVERIFY2(failure.text.startsWith(QStringLiteral("Zapis zmian przerwany: "))
                     && failure.text.contains(RefusedWrite) && endsRolledBack(failure.text),
                 qPrintable(failure.text));
        QVERIFY2(f.dump() == before, qPrintable(dump::firstDifference(before, f.dump())));
        QVERIFY(f.idle());
        for (const auto &[control, text] : edits)
            QCOMPARE(f.window->model().text(control), text);

        allowWrites(f.dm.KSU, table);
        f.messages.clear();
        f.child<QPushButton>(QStringLiteral("bb_zapisw"))->click();
        QCOMPARE(f.messages.texts(), QStringList{QStringLiteral("Dane zaktualizowane")});
        QVERIFY(f.open(FirstHalf2013));
        for (const auto &[control, text] : edits)
            QCOMPARE(f.window->model().text(control), text);
    }

    // "Zapisz do pliku" that cannot write: a message naming the file, any earlier
    // file as it was, and the file written once the way is clear.
    void xmlFileFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("cause");
        QTest::newRow("a file in place of the Eksport folder") << "export-file"
                                                               << "Nie można utworzyć folderu";
        QTest::newRow("a folder in place of plik.xml") << "xml-folder"
                                                       << "to folder, nie plik";
    }
    void xmlFileFaults()
    {
        QFETCH(QString, fault);
        QFETCH(QString, cause);
        WindowFixture f;
        f.start();
        f.importTwoPeriods();
        if (QTest::currentTestFailed())
            return;
        const QString xml = f.ws.path(QStringLiteral("Eksport/plik.xml"));
        if (fault == u"export-file") {
            QVERIFY(QDir(f.ws.path(QStringLiteral("Eksport"))).removeRecursively());
            QVERIFY(writeFile(f.ws.path(QStringLiteral("Eksport")), "nie folder"));
        } else {
            QVERIFY(QDir().mkpath(xml));
        }
        const QStringList before = f.dump();
        f.messages.clear();
        f.child<QPushButton>(QStringLiteral("bb_zapis"))->click();
        QVERIFY2(f.messages.entries().size() == 1, qPrintable(f.messages.texts().join(u'|')));
        QCOMPARE(f.messages.entries().first().kind, Kind::Error);
        QVERIFY2(f.messages.entries().first().text.contains(cause), qPrintable(f.messages.entries().first().text));
        QCOMPARE(f.dump(), before);
        QVERIFY(f.idle());

        if (fault == u"export-file")
            QVERIFY(QFile::remove(f.ws.path(QStringLiteral("Eksport"))));
        else
            QVERIFY(QDir(xml).removeRecursively());
        f.messages.clear();
        f.child<QPushButton>(QStringLiteral("bb_zapis"))->click();
        QCOMPARE(f.messages.entries().size(), 1);
        QCOMPARE(f.messages.entries().first().kind, Kind::Information);
        QVERIFY(readFile(xml).startsWith("<?xml"));
    }

    // The command line when its PDF cannot be written: a Polish message, exit 1,
    // the reporting database as it was, and the same command working afterwards.
    void commandLineFileFaults_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("blocked");
        QTest::addColumn<QString>("message");
        QTest::newRow("error report of an import") << QStringList{"import", "01", "2013", "06", "2013", "--overwrite"}
                                                   << "Eksport/ERR_2013-01-01_2013-06-30.pdf"
                                                   << "Błąd!: %1 to folder, nie plik. Wybierz nazwę pliku PDF.";
        QTest::newRow("printed summary") << QStringList{"summary", "01", "2013", "06", "2013", "wydruk.pdf"}
                                         << "wydruk.pdf"
                                         << "Błąd!: %1 to folder, nie plik. Wybierz nazwę pliku PDF.";
    }
    void commandLineFileFaults()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, blocked);
        QFETCH(QString, message);
        Workspace ws;
        placeDatabases(ws);
        ws.writeEmbeddedIni();
        QCOMPARE(runTervala({"--home", ws.path(), "import", "01", "2013", "06", "2013"}).status, 0);
        if (arguments.last() == u"wydruk.pdf")
            arguments.last() = ws.path(blocked);
        const QString ksu = ws.path(QStringLiteral("ksu.fdb"));
        const QStringList before = dump::dumpDatabaseFile(ksu);

        QFile::remove(ws.path(blocked));
        QVERIFY(QDir().mkpath(ws.path(blocked)));
        CliResult r = runTervala(QStringList{"--home", ws.path()} + arguments);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains(message.arg(ws.path(blocked))), qPrintable(r.out));
        QCOMPARE(dump::dumpDatabaseFile(ksu), before);

        QVERIFY(QDir(ws.path(blocked)).removeRecursively());
        r = runTervala(QStringList{"--home", ws.path()} + arguments);
        QVERIFY2(r.status == 0, qPrintable(r.out));
        QVERIFY(readFile(ws.path(blocked)).startsWith("%PDF-"));
    }

    // The start-up task held inside its work (waiting on the update server, with
    // the reporting database's gate taken): every button and menu item is refused
    // with a message or does not touch the database, and the window answers. When
    // the server answers badly or not at all, the window is free afterwards.
    void controlsWhileTheStartupTaskHoldsTheDatabase_data()
    {
        QTest::addColumn<QByteArray>("answer"); // empty: never answers
        QTest::newRow("server answers garbage after a while") << QByteArray("\x01\x02 to nie jest HTTP \xff\r\n\r\n");
        QTest::newRow("server never answers") << QByteArray();
    }
    void controlsWhileTheStartupTaskHoldsTheDatabase()
    {
        QFETCH(QByteArray, answer);
        HeldHttpServer server;
        WindowFixture f(QString::fromUtf8(Dictionary)
                            + QStringLiteral("insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values "
                                             "(1, '2013-01-01', '2013-06-30', '2013-07-02', 1);\n"),
                        server.base());
        QSignalSpy started(f.window.get(), &MainWindow::startupFinished);
        f.window->show();
        QVERIFY(server.waitForRequest());
        // The task has connected and recorded the version; it waits on the server now.
        QVERIFY(!f.dm.reportingGate.tryAcquire());
        db::Connection observer;
        observer.setDatabase(QString(), f.ws.path(QStringLiteral("ksu.fdb")));
        observer.open();
        const QStringList before = dump::dumpDatabase(observer);
        f.capitalPage()->setFileChooser([&] { return f.ws.path(QStringLiteral("slownik.txt")); });
        f.messages.clear();
        f.choose(FirstHalf2013);

        struct Trial
        {
            QString control;
            QList<bool> answers;
            std::function<void()> act;
            QList<Entry> expected;
        };
        auto press = [&](const char *name, const std::function<void()> &handler) {
            return [&f, name, handler] {
                auto *b = f.child<QPushButton>(QString::fromLatin1(name));
                if (b->isEnabled())
                    b->click();
                else
                    handler(); // as if it could be pressed
            };
        };
        auto trigger = [&](const char *name) {
            return [&f, name] { f.child<QAction>(QString::fromLatin1(name))->trigger(); };
        };
        MainWindow &w = *f.window;
        pages::CapitalPage &page = *f.capitalPage();
        const Entry exitQuestion{Kind::Question, QStringLiteral("Zamykanie"), ExitQuestion};
        const Entry dictionaryWarning{Kind::Warning, QStringLiteral("Ostrzeżenie !"),
                                      QStringLiteral("Zaczytanie nowego słownika spowoduje zmiany w składnikach "
                                                     "kapitału pożyczkowego!")};
        const Entry dictionaryQuestion{Kind::Question, QStringLiteral("Pytanie"),
                                       QStringLiteral("Czy na pewno chcesz zaczytać nowy słownik?")};
        const QList<Trial> trials{
            {"bb_zdane", {}, press("bb_zdane", [&] { w.bb_zdaneClick(); }), {StartupBusy}},
            {"bb_edycja", {}, press("bb_edycja", [&] { w.bb_edycjaClick(); }), {StartupBusy}},
            {"bb_zapisw", {}, press("bb_zapisw", [&] { w.bb_zapiswClick(); }), {StartupBusy}},
            {"bb_zapis", {}, press("bb_zapis", [&] { w.bb_zapisClick(); }), {StartupBusy}},
            {"bb_kontrola", {}, press("bb_kontrola", [&] { w.bb_kontrolaClick(); }), {StartupBusy}},
            {"bb_druk", {}, press("bb_druk", [&] { w.bb_drukClick(); }), {StartupBusy}},
            {"bb_wyjscie", {false}, press("bb_wyjscie", [&] { w.close(); }), {exitQuestion}},
            {"Oprogramie1", {}, trigger("Oprogramie1"), {}},
            {"Wczyt", {true}, trigger("Wczyt"), {dictionaryWarning, dictionaryQuestion, StartupBusy}},
            {"Instalacjawersji1", {}, trigger("Instalacjawersji1"), {StartupBusy}},
            {"UsunOkres", {true}, [&] { w.deletePeriod(); }, {StartupBusy}},
            {"bb_porownanie", {}, press("bb_porownanie", [&] { w.bb_porownanieClick(); }), {StartupBusy}},
            {"Porownanieokresow1", {}, [&] { w.bb_porownanieClick(); }, {StartupBusy}},
            {"Zamknij", {false}, trigger("Zamknij"), {exitQuestion}},
            {"cb_grupa", {}, [&] { page.cb_grupaSelect(); }, {StartupBusy}},
            // Without an open period the capital page's buttons cannot be pressed.
            {"bb_dskl", {}, [] {}, {}},
            {"bb_uskl", {}, [] {}, {}},
            {"bb_Dzrod", {}, [] {}, {}},
            {"bb_Uzrod", {}, [] {}, {}},
            {"Ts_kap_poz", {}, [&] { f.child<QTabWidget>(QStringLiteral("Pc_struktura"))->setCurrentIndex(1); }, {}},
            {"Esc", {false}, [&] { QTest::keyClick(&w, Qt::Key_Escape); }, {exitQuestion}},
        };
        for (const char *name :
             {"bb_zapisw", "bb_zapis", "bb_kontrola", "bb_druk", "bb_dskl", "bb_uskl", "bb_Dzrod", "bb_Uzrod"})
            QVERIFY2(!f.child<QPushButton>(QString::fromLatin1(name))->isEnabled(), name);
        verifyEveryControlTried(w, trials);

        for (const Trial &t : trials) {
            f.messages.clear();
            f.messages.scriptAnswers(t.answers);
            t.act();
            QVERIFY2(f.messages.entries() == t.expected,
                     qPrintable(t.control + QStringLiteral(": ") + f.messages.texts().join(u'|')));
        }
        QVERIFY(f.child<QWidget>(QStringLiteral("To_prog"))->isVisible());
        f.child<QWidget>(QStringLiteral("To_prog"))->close();
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.window->workflow().period().isOpen);
        QCOMPARE(dump::dumpDatabase(observer), before);
        observer.close();
        // It was the task that held the database all along.
        QVERIFY(server.clientWaits());
        QVERIFY(started.isEmpty());
        QVERIFY(!f.dm.reportingGate.tryAcquire());

        f.messages.clear();
        if (!answer.isEmpty())
            server.answerWith(answer);
        QVERIFY(started.wait(30000));
        QCOMPARE(f.messages.entries(), (QList<Entry>{{Kind::Warning, QStringLiteral("Brak połączenia z internetem"),
                                                      QString::fromUtf8(NoInternetText)}}));
        QVERIFY(f.idle());
        QVERIFY(f.open(FirstHalf2013));
    }

    // Every command started while an import runs (the window answers the user
    // between contracts) is refused or does nothing to the database; the import
    // ends as it would have without them.
    void controlsDuringAnImport()
    {
        auto prepare = [](WindowFixture &f) {
            f.start();
            f.importTwoPeriods();
            // A group chosen, so that the component buttons work.
            QComboBox *groups = f.child<QComboBox>(QStringLiteral("cb_grupa"));
            QCOMPARE(groups->count(), 1);
            groups->setCurrentIndex(0);
            f.capitalPage()->cb_grupaSelect();
            QVERIFY(f.child<QPushButton>(QStringLiteral("bb_dskl"))->isEnabled());
            QCOMPARE(f.window->model().capitalSources().size(), 1);
            f.messages.clear();
        };
        // The same work without interruptions, for comparison.
        WindowFixture twin;
        prepare(twin);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(twin.import(FirstHalf2012));
        const QStringList expectedAfter = dump::dumpDatabase(twin.dm.KSU, {QStringLiteral("*.DATAW")});

        WindowFixture f;
        prepare(f);
        if (QTest::currentTestFailed())
            return;
        f.capitalPage()->setFileChooser([&] { return f.ws.path(QStringLiteral("slownik.txt")); });
        MainWindow &w = *f.window;
        pages::CapitalPage &page = *f.capitalPage();
        struct Trial
        {
            QString control;
            QList<bool> answers;
            std::function<void()> act;
            QList<Entry> expected;
        };
        auto click = [&](const char *name) {
            return [&f, name] { f.child<QPushButton>(QString::fromLatin1(name))->click(); };
        };
        auto trigger = [&](const char *name) {
            return [&f, name] { f.child<QAction>(QString::fromLatin1(name))->trigger(); };
        };
        auto disabled = [&](const char *name) {
            return [&f, name] {
                auto *b = f.child<QPushButton>(QString::fromLatin1(name));
                QVERIFY2(!b->isEnabled(), name);
                b->click();
            };
        };
        const Entry exitQuestion{Kind::Question, QStringLiteral("Zamykanie"), ExitQuestion};
        const Entry dictionaryWarning{Kind::Warning, QStringLiteral("Ostrzeżenie !"),
                                      QStringLiteral("Zaczytanie nowego słownika spowoduje zmiany w składnikach "
                                                     "kapitału pożyczkowego!")};
        const Entry dictionaryQuestion{Kind::Question, QStringLiteral("Pytanie"),
                                       QStringLiteral("Czy na pewno chcesz zaczytać nowy słownik?")};
        const QList<Trial> trials{
            {"bb_zdane", {true}, click("bb_zdane"), {CommandRunning}},
            {"bb_edycja", {}, click("bb_edycja"), {CommandRunning}},
            {"bb_zapisw", {}, click("bb_zapisw"), {CommandRunning}},
            {"bb_zapis", {}, click("bb_zapis"), {CommandRunning}},
            {"bb_kontrola", {}, click("bb_kontrola"), {CommandRunning}},
            {"bb_druk", {}, click("bb_druk"), {CommandRunning}},
            {"bb_wyjscie", {}, click("bb_wyjscie"), {ClosingDuringImport}},
            {"Oprogramie1", {}, trigger("Oprogramie1"), {}},
            {"Wczyt", {true}, trigger("Wczyt"), {dictionaryWarning, dictionaryQuestion, CommandRunning}},
            {"Instalacjawersji1", {}, trigger("Instalacjawersji1"), {CommandRunning}},
            {"UsunOkres", {true}, trigger("UsunOkres"), {CommandRunning}},
            {"bb_porownanie", {}, click("bb_porownanie"), {CommandRunning}},
            {"Porownanieokresow1", {}, trigger("Porownanieokresow1"), {CommandRunning}},
            // Even a user who does not save and wants to leave waits for the import.
            {"Zamknij", {false, true}, trigger("Zamknij"), {ClosingDuringImport}},
            // Esc says at once that the import runs, without the exit question first.
            {"Esc", {}, [&] { QTest::keyClick(&w, Qt::Key_Escape); }, {ClosingDuringImport}},
            {"cb_grupa", {}, [&] { page.cb_grupaSelect(); }, {CommandRunning}},
            {"Ts_kap_poz",
             {},
             [&] { f.child<QTabWidget>(QStringLiteral("Pc_struktura"))->setCurrentIndex(1); },
             {CommandRunning}},
            // The import forgets the chosen group first: no component can be added or removed.
            {"bb_dskl", {}, disabled("bb_dskl"), {}},
            {"bb_uskl", {true}, disabled("bb_uskl"), {}},
            {"bb_Dzrod", {}, click("bb_Dzrod"), {CommandRunning}},
            {"bb_Uzrod", {}, click("bb_Uzrod"), {CommandRunning}},
        };
        verifyEveryControlTried(w, trials);
        f.modals.handler = [](QDialog *dialog) {
            // The source dialog filled in and saved; the error preview closed.
            if (dialog->objectName() != u"CapitalSourceDialog")
                return false;
            dialog->findChild<QLineEdit *>(QStringLiteral("Nazwa"))->setText(QStringLiteral("Nowe źródło"));
            dialog->findChild<QPushButton *>(QStringLiteral("Zapisz"))->click();
            return true;
        };

        QList<std::pair<QString, QList<Entry>>> seen;
        bool tried = false;
        const QMetaObject::Connection hook =
            QObject::connect(f.progress(), &QProgressBar::valueChanged, f.window.get(), [&](int value) {
                if (tried || value < 50)
                    return;
                tried = true;
                QVERIFY(f.window->workflow().isRunning());
                const QList<Entry> importSoFar = f.messages.entries();
                for (const Trial &t : trials) {
                    f.messages.clear();
                    f.messages.scriptAnswers(t.answers);
                    t.act();
                    seen.append({t.control, f.messages.entries()});
                }
                f.messages.clear();
                f.messages.scriptAnswers({});
                // A new period asks nothing before this point.
                QVERIFY(importSoFar.isEmpty());
            });
        f.messages.clear();
        f.choose(FirstHalf2012);
        f.child<QPushButton>(QStringLiteral("bb_zdane"))->click();
        QObject::disconnect(hook);
        QVERIFY(tried);
        QCOMPARE(seen.size(), trials.size());
        for (int i = 0; i < trials.size(); ++i)
            QVERIFY2(seen[i].second == trials[i].expected, qPrintable(seen[i].first + QStringLiteral(": ") + [&] {
                         QStringList texts;
                         for (const Entry &e : seen[i].second)
                             texts << e.text;
                         return texts.join(u'|');
                     }()));

        // The import itself ended as usual, and nothing else reached the database.
        QVERIFY2(!f.messages.entries().isEmpty()
                     && f.messages.entries().last().text.startsWith(QStringLiteral("Dane ")),
                 qPrintable(f.messages.texts().join(u'|')));
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.window->workflow().period().CurrentPeriodId, QStringLiteral("3"));
        QVERIFY(!QFile::exists(f.ws.path(QStringLiteral("Eksport/plik.xml"))));
        const QStringList after = dump::dumpDatabase(f.dm.KSU, {QStringLiteral("*.DATAW")});
        QVERIFY2(after == expectedAfter, qPrintable(dump::firstDifference(expectedAfter, after)));
        QVERIFY(f.idle());
    }

    // The same from the import's own calls between contracts, without a window: a
    // second import, an opening and a save are refused, the first import goes on.
    void commandsStartedBetweenContracts()
    {
        WorkflowFixture f;
        HookedOutput first;
        QVERIFY(f.import(FirstHalf2013, first));
        const QString openedBefore = f.workflow.period().CurrentPeriodId;

        QList<bool> results;
        QList<Entry> refusals;
        HookedOutput hooked;
        hooked.actOnCall = 2;
        hooked.action = [&] {
            const qsizetype from = f.messages.entries().size();
            HookedOutput inner;
            results << f.workflow.importPeriod({"01", "2012", "06", "2012"}, inner);
            results << f.workflow.openPeriod({"01", "2013", "06", "2013"});
            results << f.workflow.save();
            refusals = f.messages.entries().mid(from);
            QCOMPARE(inner.calls, 0);
        };
        QVERIFY(f.import(SecondHalf2012, hooked));
        QCOMPARE(results, (QList<bool>{false, false, false}));
        QCOMPARE(refusals, (QList<Entry>{CommandRunning, CommandRunning, CommandRunning}));
        QCOMPARE(f.workflow.period().PeriodStartText, QStringLiteral("2012-07-01"));
        QVERIFY(openedBefore != f.workflow.period().CurrentPeriodId);
        db::Query periods(f.dm.KSU, QStringLiteral("select count(*) from OKRES"));
        periods.execute();
        QVERIFY(periods.next());
        QCOMPARE(periods.value(0).toInt(), qint64(2));
    }

private:
    // Every named button of the window (not of its dialogs) and every named menu
    // item has a trial: a control added later cannot slip past these tests.
    template <typename Trials>
    static void verifyEveryControlTried(QMainWindow &window, const Trials &trials)
    {
        QStringList tried;
        for (const auto &t : trials)
            tried << t.control;
        QStringList missing;
        for (QPushButton *b : window.findChildren<QPushButton *>()) {
            if (!b->objectName().isEmpty() && b->window() == &window && !tried.contains(b->objectName()))
                missing << b->objectName();
        }
        for (QAction *a : window.findChildren<QAction *>()) {
            if (!a->objectName().isEmpty() && !tried.contains(a->objectName()))
                missing << a->objectName();
        }
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("controls without a trial: ") + missing.join(u',')));
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
