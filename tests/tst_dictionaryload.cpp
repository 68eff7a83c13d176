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
Entry refused(const QString &cause)
{
    return {Kind::Warning, QStringLiteral("Błąd!"),
            QStringLiteral("Wystąpiły błędy podczas wczytywania nowego składnika\r") + cause
                + QStringLiteral("\rSłownik pozostał bez zmian.")};
}

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
        QTest::addColumn<QString>("refusal"); // the cause of a refused file; empty: loaded
        QTest::newRow("8 lines: two entries") << QByteArray("Grupa A\r\n10\r\n0\r\n0\r\nSkladnik\r\n11\r\n10\r\n1\r\n")
                                              << QStringList{"Grupa A|10|0|0", "Skladnik|11|10|1"} << QString();
        QTest::newRow("7 lines: one entry, the rest ignored")
            << QByteArray("Grupa A\r\n10\r\n0\r\n0\r\nSkladnik\r\n11\r\n10\r\n") << QStringList{"Grupa A|10|0|0"}
            << QString();
        QTest::newRow("LF line ends, last line without one")
            << QByteArray("Grupa A\n10\n0\n0\nSkladnik\n11\n10\n3") << QStringList{"Grupa A|10|0|0", "Skladnik|11|10|3"}
            << QString();
        QTest::newRow("a stray CR is dropped")
            << QByteArray("Gru\rpa A\r\n1\r0\r\n0\r\n0\r\n") << QStringList{"Grupa A|10|0|0"} << QString();
        QTest::newRow("names kept with their spaces, empty name")
            << QByteArray("  Grupa  \r\n10\r\n0\r\n0\r\n\r\n11\r\n10\r\n1\r\n")
            << QStringList{"  Grupa  |10|0|0", "|11|10|1"} << QString();
        // Encodings are told apart by the bytes: a Windows-1250 text with Polish
        // letters is not valid UTF-8, a UTF-8 text is.
        QTest::newRow("Windows-1250 Polish letters")
            << win1250(QStringLiteral("Pożyczki źródłowe ĄĆĘŁŃÓŚŹŻ\r\n5\r\n0\r\n0\r\n"))
            << QStringList{QStringLiteral("Pożyczki źródłowe ĄĆĘŁŃÓŚŹŻ|5|0|0")} << QString();
        QTest::newRow("UTF-8 without byte-order mark")
            << QStringLiteral("Grupa Ł\r\n5\r\n0\r\n0\r\nŚrodki źródłowe ĄĆĘŃÓŹŻ\r\n6\r\n5\r\n1\r\n").toUtf8()
            << QStringList{QStringLiteral("Grupa Ł|5|0|0"), QStringLiteral("Środki źródłowe ĄĆĘŃÓŹŻ|6|5|1")}
            << QString();
        QTest::newRow("UTF-8 with byte-order mark")
            << QByteArray("\xEF\xBB\xBF") + QStringLiteral("Grupa A\r\n5\r\n0\r\n0\r\nPożyczki\n6\n5\n1\n").toUtf8()
            << QStringList{QStringLiteral("Grupa A|5|0|0"), QStringLiteral("Pożyczki|6|5|1")} << QString();
        QTest::newRow("byte-order mark and ASCII only")
            << QByteArray("\xEF\xBB\xBFGrupa A\r\n5\r\n0\r\n0\r\n") << QStringList{"Grupa A|5|0|0"} << QString();
        const QString notANumber = QStringLiteral("Wiersz %1 powinien zawierać liczbę całkowitą, a zawiera „%2”.");
        QTest::newRow("letters on the KOD line of the second entry")
            << QByteArray("Grupa A\r\n10\r\n0\r\n0\r\nSkladnik\r\n1l\r\n10\r\n1\r\nGrupa B\r\n12\r\n0\r\n0\r\n")
            << OldRows << notANumber.arg(6).arg("1l");
        QTest::newRow("an empty number line")
            << QByteArray("Grupa A\r\n\r\n0\r\n0\r\n") << OldRows << notANumber.arg(2).arg("");
        QTest::newRow("a name too long for the column")
            << QByteArray("Grupa A\r\n10\r\n0\r\n0\r\n") + QByteArray(201, 'x') + QByteArray("\r\n11\r\n10\r\n1\r\n")
            << OldRows << QStringLiteral("Nazwa w wierszu 5 ma 201 znaków, a mieści się najwyżej 200.");
        QTest::newRow("a UTF-8 letter the database cannot store")
            << QStringLiteral("Grupa A\r\n10\r\n0\r\n0\r\nФонд\r\n11\r\n10\r\n1\r\n").toUtf8() << OldRows
            << QStringLiteral("Nazwa w wierszu 5 („Фонд”) zawiera znak spoza polskiego alfabetu, którego nie da się "
                              "zapisać w bazie danych.");
        // Files that hold no dictionary never empty the stored one.
        const QString empty = QStringLiteral("Plik jest pusty.");
        QTest::newRow("empty file") << QByteArray() << OldRows << empty;
        QTest::newRow("only carriage returns") << QByteArray("\r\r\r\r") << OldRows << empty;
        QTest::newRow("only empty lines") << QByteArray("\r\n\r\n \r\n\r\n\r\n") << OldRows << empty;
        QTest::newRow("fewer than four lines")
            << QByteArray("Grupa A\r\n10\r\n0\r\n") << OldRows
            << QStringLiteral("Plik nie zawiera ani jednego pełnego wpisu: każdy wpis to cztery wiersze (nazwa, kod, "
                              "kod grupy – 0 dla grupy, rodzaj).");
        QTest::newRow("no group") << QByteArray("Skladnik\r\n11\r\n10\r\n1\r\n") << OldRows
                                  << QStringLiteral("Plik nie zawiera żadnej grupy (wpisu z 0 w trzecim wierszu), więc "
                                                    "żaden składnik nie miałby swojej grupy.");
        QTest::newRow("a binary file") << QByteArray("PK\x03\x04\x14\0\x06\0\x08\0\n\0\0\0\n\n\n\n", 18) << OldRows
                                       << QStringLiteral("Plik nie jest plikiem tekstowym. Wybierz plik słownika "
                                                         "zapisany jako tekst.");
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFEG\0r\0\r\0\n\0", 10) << OldRows
                                << QStringLiteral("Plik jest zapisany w kodowaniu UTF-16. Zapisz go ponownie jako "
                                                  "UTF-8 albo Windows-1250 (ANSI) i wczytaj jeszcze raz.");
        QTest::newRow("text of another kind")
            << QByteArray("Sprawozdanie kwartalne\r\nFundusz: 12 pożyczek\r\nrazem\r\nkoniec\r\n") << OldRows
            << notANumber.arg(2).arg(QStringLiteral("Fundusz: 12 pożyczek"));
    }

    void loadingAFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, rows);
        QFETCH(QString, refusal);
        Fixture f;
        const QString file = f.writeFile(contents);
        QCOMPARE(store::LoadDictionary(f.connection, file, f.messages), refusal.isEmpty());
        QCOMPARE(f.messages.entries(), QList<Entry>{refusal.isEmpty() ? Loaded : refused(refusal)});
        QCOMPARE(f.committedDictionary(), rows);
        // The load touches nothing but the dictionary.
        QCOMPARE(f.committed(QStringLiteral("select ID_SKL, NAZWA_R from KAPITAL_FUND")), QStringList{"1|2"});
    }

    // Components stored under a group the new dictionary lacks are named: they
    // would be left out of the XML file.
    void componentsLeftWithoutAGroup_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("periodOpen");
        QTest::addColumn<QList<Entry>>("messages");
        const Entry ungrouped{Kind::Warning, QStringLiteral("Składniki bez grupy"),
                              QStringLiteral("Składniki kapitału pożyczkowego okresu %1 nie należą do żadnej grupy "
                                             "słownika:\r– Stary składnik\rNie trafią do pliku XML ani na wydruk. "
                                             "Dodaj je na stronie „Kapitał pożyczkowy” do grup nowego słownika albo "
                                             "wczytaj słownik, w którym są ich grupy.")};
        Entry newest = ungrouped;
        newest.text = newest.text.arg(QStringLiteral("2013-07-01 – 2013-12-31"));
        Entry open = ungrouped;
        open.text = open.text.arg(QStringLiteral("2013-01-01 – 2013-06-30"));
        QTest::newRow("group codes kept")
            << QByteArray("Nowa grupa\r\n1\r\n0\r\n0\r\n") << false << QList<Entry>{Loaded};
        QTest::newRow("group codes changed, no period open: the newest")
            << QByteArray("Nowa grupa\r\n5\r\n0\r\n0\r\n") << false << QList<Entry>{Loaded, newest};
        QTest::newRow("group codes changed, the open period")
            << QByteArray("Nowa grupa\r\n5\r\n0\r\n0\r\n") << true << QList<Entry>{Loaded, open};
        QTest::newRow("the code kept by a component, not a group")
            << QByteArray("Nowa grupa\r\n5\r\n0\r\n0\r\nSkladnik\r\n1\r\n5\r\n1\r\n") << false
            << QList<Entry>{Loaded, newest};
    }

    void componentsLeftWithoutAGroup()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, periodOpen);
        QFETCH(QList<Entry>, messages);
        Fixture f;
        db::runSqlScript(f.connection,
                         QStringLiteral("insert into OKRES (ID_OK, ODK, DOK) values (1, '2013-01-01', '2013-06-30');"
                                        "insert into OKRES (ID_OK, ODK, DOK) values (2, '2013-07-01', '2013-12-31');"
                                        "insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, GRUPA, RODZAJ) values "
                                        "(2, 2, 'Stary składnik', 1, 1);"));
        store::OpenPeriod period;
        if (periodOpen) {
            period.isOpen = true;
            period.CurrentPeriodId = QStringLiteral("1");
            period.PeriodStartText = QStringLiteral("2013-01-01");
            period.PeriodEndText = QStringLiteral("2013-06-30");
        }
        QVERIFY(store::LoadDictionary(f.connection, f.writeFile(contents), f.messages, period));
        QCOMPARE(f.messages.entries(), messages);
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
        // The database refuses a negative code here, so the entry passes every check
        // of the file and is rejected only by the insert.
        Fixture f;
        db::runSqlScript(f.connection,
                         QStringLiteral("alter table SLOWNIKI add constraint KOD_DODATNI check (KOD > 0);"));
        db::Query(f.connection, QStringLiteral("update KAPITAL_FUND set WARTOSC = 99 where ID_SKL = 1")).execute();
        const QString file = f.writeFile("Grupa A\r\n7\r\n0\r\n0\r\nUjemny\r\n-8\r\n7\r\n1\r\n");
        QVERIFY(!store::LoadDictionary(f.connection, file, f.messages));
        QCOMPARE(f.messages.entries(),
                 QList<Entry>{refused(QStringLiteral("Baza danych nie przyjęła wpisu z wierszy 5–8 („Ujemny”)."))});
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
        QTest::newRow("faulty dictionary refused")
            << QByteArray("Grupa\r\ndziesięć\r\n0\r\n0\r\n") << 1 << OldRows
            << QList<Entry>{
                   refused(QStringLiteral("Wiersz 2 powinien zawierać liczbę całkowitą, a zawiera „dziesięć”."))};
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
