#include "cli/dictionarycommand.h"
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "db/textcodec.h"
#include "pages/capitalpage.h"
#include "store/datamodule.h"
#include "store/dictionaryload.h"
#include "store/pagemodel.h"
#include "support/rowstext.h"
#include "support/workspace.h"
#include "workflow/capitalworkflow.h"
#include "workflow/databasecommand.h"

#include <QFile>
#include <QTest>

using Kind = RecordingMessages::Kind;
using Entry = RecordingMessages::Entry;

namespace {

// The dictionary every test starts from.
const char *const OldDictionary = R"(
insert into SLOWNIKI values ('Stara grupa', 1, 0, 0);
insert into SLOWNIKI values ('Stary składnik', 2, 1, 1);
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ) values (1, 1, 'Stary składnik', 10, 2, 1, 1);
)";
const QStringList OldRows{"Stara grupa|1|0|0", "Stary składnik|2|1|1"};

const Entry Loaded{Kind::Information, applicationTitle(), QStringLiteral("Nowy słownik zaczytany prawidłowo")};
const Entry Failed{Kind::Warning, QStringLiteral("Błąd!"),
                   QStringLiteral("Wystąpiły błędy podczas wczytywania nowego składnika")};

QByteArray win1250(const QString &text)
{
    return db::toWin1250(text);
}

// A reporting database with the old dictionary, and a place for dictionary files.
struct Fixture
{
    Fixture()
    {
        dbPath = ws.createReportingDatabase();
        connection.setDatabase(QString(), dbPath);
        connection.open();
        db::runSqlScript(connection, QString::fromUtf8(OldDictionary));
    }

    QString writeFile(const QByteArray &contents, const QString &name = QStringLiteral("slownik.txt")) const
    {
        QFile f(ws.path(name));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(name));
        f.write(contents);
        return f.fileName();
    }

    // SLOWNIKI in storage order as another attachment sees it: only committed rows show.
    QStringList committedDictionary() const
    {
        return committed(QStringLiteral("select NAZWA, KOD, GRUPA, RODZAJ from SLOWNIKI"));
    }

    QStringList committed(const QString &sql) const { return committedRows(dbPath, sql); }

    Workspace ws;
    QString dbPath;
    store::DataModule dm;
    db::Connection &connection = dm.KSU;
    RecordingMessages messages;
};

// The window's side of the page, enough for the menu's load: the capital
// workflow over the fixture's database, with no period open.
struct Context
{
    explicit Context(Fixture &f)
        : commands(f.dm.reportingGate), workflow(f.dm, model, f.messages, commands, period, groups)
    {
    }

    store::PageModel model;
    store::OpenPeriod period;
    store::CapitalGroupList groups;
    CommandGate commands;
    CapitalWorkflow workflow;
};

} // namespace

class TestDictionaryLoad : public QObject
{
    Q_OBJECT

private slots:
    void loadingAFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("8 lines: two entries") << QByteArray("Grupa A\r\n10\r\n0\r\n0\r\nSkladnik\r\n11\r\n10\r\n1\r\n")
                                              << QStringList{"Grupa A|10|0|0", "Skladnik|11|10|1"} << true;
        QTest::newRow("7 lines: one entry, the rest ignored")
            << QByteArray("Grupa A\r\n10\r\n0\r\n0\r\nSkladnik\r\n11\r\n10\r\n") << QStringList{"Grupa A|10|0|0"}
            << true;
        QTest::newRow("empty file: empty dictionary") << QByteArray() << QStringList{} << true;
        QTest::newRow("LF line ends, last line without one")
            << QByteArray("Grupa A\n10\n0\n0\nSkladnik\n11\n10\n3") << QStringList{"Grupa A|10|0|0", "Skladnik|11|10|3"}
            << true;
        QTest::newRow("a stray CR is dropped")
            << QByteArray("Gru\rpa A\r\n1\r0\r\n0\r\n0\r\n") << QStringList{"Grupa A|10|0|0"} << true;
        QTest::newRow("names kept with their spaces, empty name")
            << QByteArray("  Grupa  \r\n10\r\n0\r\n0\r\n\r\n11\r\n10\r\n1\r\n")
            << QStringList{"  Grupa  |10|0|0", "|11|10|1"} << true;
        QTest::newRow("Windows-1250 Polish letters")
            << win1250(QStringLiteral("Pożyczki źródłowe ĄĆĘŁŃÓŚŹŻ\r\n5\r\n0\r\n0\r\n"))
            << QStringList{QStringLiteral("Pożyczki źródłowe ĄĆĘŁŃÓŚŹŻ|5|0|0")} << true;
        QTest::newRow("UTF-8 is read as Windows-1250") << QStringLiteral("Pożyczki\r\n5\r\n0\r\n0\r\n").toUtf8()
                                                       << QStringList{QStringLiteral("PoĹĽyczki|5|0|0")} << true;
        QTest::newRow("letters on the KOD line of the second entry")
            << QByteArray("Grupa A\r\n10\r\n0\r\n0\r\nSkladnik\r\n1l\r\n10\r\n1\r\nGrupa B\r\n12\r\n0\r\n0\r\n")
            << OldRows << false;
        QTest::newRow("an empty number line") << QByteArray("Grupa A\r\n\r\n0\r\n0\r\n") << OldRows << false;
        QTest::newRow("a name too long for the column")
            << QByteArray("Grupa A\r\n10\r\n0\r\n0\r\n") + QByteArray(201, 'x') + QByteArray("\r\n11\r\n10\r\n1\r\n")
            << OldRows << false;
    }

    void loadingAFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, rows);
        QFETCH(bool, loaded);
        Fixture f;
        const QString file = f.writeFile(contents);
        QCOMPARE(store::LoadDictionary(f.connection, file, f.messages), loaded);
        QCOMPARE(f.messages.entries(), QList<Entry>{loaded ? Loaded : Failed});
        QCOMPARE(f.committedDictionary(), rows);
        // The load touches nothing but the dictionary.
        QCOMPARE(f.committed(QStringLiteral("select ID_SKL, NAZWA_R from KAPITAL_FUND")), QStringList{"1|2"});
    }

    void aFileThatCannotBeOpenedChangesNothing()
    {
        Fixture f;
        try {
            store::LoadDictionary(f.connection, f.ws.path(QStringLiteral("brak.txt")), f.messages);
            QFAIL("no error");
        } catch (const db::Error &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("Nie można otworzyć pliku słownika")),
                     qPrintable(e.message()));
        }
        QCOMPARE(f.messages.entries(), QList<Entry>{});
        QCOMPARE(f.committedDictionary(), OldRows);
    }

    void aFailedLoadUndoesOnlyItself()
    {
        // Work left pending on the connection before the load is not lost with it.
        Fixture f;
        db::Query(f.connection, QStringLiteral("update KAPITAL_FUND set WARTOSC = 99 where ID_SKL = 1")).execute();
        const QString file = f.writeFile("Grupa A\r\nX\r\n0\r\n0\r\n");
        QVERIFY(!store::LoadDictionary(f.connection, file, f.messages));
        QCOMPARE(f.committed(QStringLiteral("select cast(WARTOSC as varchar(20)) from KAPITAL_FUND")),
                 QStringList{"99.00"});
        QCOMPARE(f.committedDictionary(), OldRows);
        // The connection goes on working.
        QVERIFY(store::LoadDictionary(f.connection, f.writeFile("Grupa A\r\n7\r\n0\r\n0\r\n"), f.messages));
        QCOMPARE(f.committedDictionary(), QStringList{"Grupa A|7|0|0"});
    }

    void theMenuItem_data()
    {
        const Entry warning{
            Kind::Warning, QStringLiteral("Ostrzeżenie !"),
            QStringLiteral("Zaczytanie nowego słownika spowoduje zmiany w składnikach kapitału pożyczkowego!")};
        const Entry question{Kind::Question, QStringLiteral("Pytanie"),
                             QStringLiteral("Czy na pewno chcesz zaczytać nowy słownik?")};
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("fileChosen");
        QTest::addColumn<bool>("asked"); // the file dialog came up
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<Entry>>("messages");
        QTest::newRow("No at the question") << false << true << false << OldRows << QList<Entry>{warning, question};
        QTest::newRow("file dialog cancelled") << true << false << true << OldRows << QList<Entry>{warning, question};
        QTest::newRow("Yes and a file") << true << true << true << QStringList{"Grupa A|10|0|0"}
                                        << QList<Entry>{warning, question, Loaded};
    }

    void theMenuItem()
    {
        QFETCH(bool, answer);
        QFETCH(bool, fileChosen);
        QFETCH(bool, asked);
        QFETCH(QStringList, rows);
        QFETCH(QList<Entry>, messages);
        Fixture f;
        const QString file = f.writeFile("Grupa A\r\n10\r\n0\r\n0\r\n");
        Context context(f);
        pages::CapitalPage page(context.model, context.workflow, f.messages);
        bool dialogShown = false;
        page.setFileChooser([&] {
            dialogShown = true;
            return fileChosen ? file : QString();
        });
        f.messages.scriptAnswers({answer});
        page.WczytClick();
        QCOMPARE(dialogShown, asked);
        QCOMPARE(f.messages.entries(), messages);
        QCOMPARE(f.committedDictionary(), rows);
    }

    void theMenuItemShowsAFileThatCannotBeOpened()
    {
        Fixture f;
        Context context(f);
        pages::CapitalPage page(context.model, context.workflow, f.messages);
        page.setFileChooser([&] { return f.ws.path(QStringLiteral("brak.txt")); });
        f.messages.scriptAnswers({true});
        page.WczytClick();
        QCOMPARE(f.messages.entries().size(), 3);
        QCOMPARE(f.messages.entries().last().kind, Kind::Error);
        QVERIFY(f.messages.entries().last().text.contains(QStringLiteral("brak.txt")));
        QCOMPARE(f.committedDictionary(), OldRows);
    }

    void theCommand_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<Entry>>("messages");
        QTest::newRow("Windows-1250 dictionary")
            << win1250(QStringLiteral("Środki własne\r\n10\r\n0\r\n0\r\n")) << 0
            << QStringList{QStringLiteral("Środki własne|10|0|0")} << QList<Entry>{Loaded};
        QTest::newRow("faulty dictionary rolled back")
            << QByteArray("Grupa\r\ndziesięć\r\n0\r\n0\r\n") << 1 << OldRows << QList<Entry>{Failed};
    }

    void theCommand()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, status);
        QFETCH(QStringList, rows);
        QFETCH(QList<Entry>, messages);
        Fixture f;
        f.connection.close();
        // No Lokra database: the command needs none.
        f.ws.writeEmbeddedIni();
        f.ws.makeHome();
        QCOMPARE(runLoadDictionary(f.writeFile(contents), f.messages), status);
        QCOMPARE(f.messages.entries(), messages);
        QCOMPARE(f.committedDictionary(), rows);
    }

    void theCommandWithoutItsDatabase()
    {
        Fixture f;
        f.connection.close();
        f.ws.writeEmbeddedIni(QStringLiteral("brak.fdb"));
        f.ws.makeHome();
        QCOMPARE(runLoadDictionary(f.writeFile("Grupa\r\n1\r\n0\r\n0\r\n"), f.messages), 1);
        QCOMPARE(f.messages.entries().size(), 1);
        QCOMPARE(f.messages.entries().first().caption, QStringLiteral("Błąd serwera"));
        QVERIFY(f.messages.texts().first().startsWith(
            QStringLiteral("Błąd bazy danych programu Tervala \rBłąd serwera %1\rPlik bazy danych %1 nie istnieje.")
                .arg(f.ws.path(QStringLiteral("brak.fdb")))));
        QCOMPARE(f.committedDictionary(), OldRows);
    }
};

QTEST_MAIN(TestDictionaryLoad)
#include "tst_dictionaryload.moc"
