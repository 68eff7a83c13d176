// The capital workflow driven without a window: a period opened by the period
// workflow, then the capital page's work on a real embedded database.
#include "common/messages.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "support/workspace.h"
#include "workflow/capitalworkflow.h"
#include "workflow/databasecommand.h"
#include "workflow/periodworkflow.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using Kind = RecordingMessages::Kind;
using Entry = RecordingMessages::Entry;

namespace {

// Period 1 (the first half of 2013) with two groups: "Kapitał własny" with a
// component of each kind (the list component has two entries) and "Dotacje";
// three components and one source in period 1, one component in period 2.
const char *const Data = R"(
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (1, '2013-01-01', '2013-06-30', '2013-07-02', 1);
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (2, '2013-07-01', '2013-12-31', '2014-01-02', 1);
insert into DANE_INST (ID_OK, NAZWA, NIP, FORMA) values (1, 'Fundusz Łódzki', '1234567890', 'Fundacja');
insert into SLOWNIKI values ('Kapitał własny', 1, 0, 0);
insert into SLOWNIKI values ('Środki własne', 10, 1, 1);
insert into SLOWNIKI values ('Pożyczki i kredyty', 11, 1, 2);
insert into SLOWNIKI values ('Inne źródła', 12, 1, 3);
insert into SLOWNIKI values ('Bank spółdzielczy', 20, 11, 0);
insert into SLOWNIKI values ('Fundusz regionalny', 21, 11, 0);
insert into SLOWNIKI values ('Dotacje', 2, 0, 0);
insert into SLOWNIKI values ('Dotacja UE', 30, 2, 1);
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (1, 1, 'Środki własne', 1234567.50, 10, 1, 1, '');
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (2, 1, 'Inne źródła', 100.25, 12, 1, 3, 'darowizna');
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (3, 1, 'Dotacja UE', 5000.00, 30, 2, 1, '');
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (7, 2, 'Środki własne', 77.00, 10, 1, 1, '');
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA, WPROWADZIL) values (1, 0, 'Wzrost', 10.00, 1);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA, WPROWADZIL) values (1, 1, 'Zysk za rok', 2500.50, 1);
)";

const QString Total = QStringLiteral("JvValidateEdit7");
const Entry CommandRunning{Kind::Warning, QStringLiteral("Chwileczkę"),
                           QStringLiteral("Trwa import lub zapis danych.\rPoczekaj na jego zakończenie.")};
const Entry StartupBusy{Kind::Warning, QStringLiteral("Chwileczkę"),
                        QStringLiteral("Program kończy uruchamianie i korzysta jeszcze z bazy danych.\r"
                                       "Spróbuj ponownie za chwilę.")};

// Both databases, period 1 opened by the period workflow as "Edycja okresu"
// does, and the capital workflow beside it as the window makes it.
struct Fixture
{
    Workspace ws;
    store::DataModule dm;
    store::PageModel model;
    RecordingMessages messages;
    PeriodView view;
    PeriodWorkflow periods{dm, model, messages, view};
    CapitalWorkflow capital{dm, model, messages, periods.commands(), periods.period(), periods.capitalGroups()};
    bool opened = false;

    Fixture()
    {
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        dm.KSU.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        dm.KSU.open();
        db::runSqlScript(dm.KSU, QString::fromUtf8(Data));
        dm.LOKRA.setDatabase(QString(), ws.path(QStringLiteral("lokra.fdb")));
        dm.LOKRA.open();
        opened = periods.openPeriod({"01", "2013", "06", "2013"});
        messages.clear();
    }

    // A query's rows (columns joined by "|") as another attachment sees them:
    // only committed work shows.
    QStringList committed(const QString &sql) const
    {
        db::Connection reader;
        reader.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        reader.open();
        db::Query q(reader, sql);
        q.execute();
        QStringList out;
        while (q.next()) {
            QStringList row;
            for (int c = 0; c < q.columnCount(); ++c)
                row << (q.value(c).isNull() ? QStringLiteral("<NULL>") : q.value(c).toString());
            out << row.join(u'|');
        }
        return out;
    }

    QStringList componentIds() const
    {
        QStringList ids;
        for (const store::CapitalComponent &c : capital.components())
            ids << QString::number(c.ID_SKL);
        return ids;
    }

    QStringList sourceNames() const
    {
        QStringList names;
        for (const store::CapitalSource &s : model.capitalSources())
            names << s.nazwa;
        return names;
    }
};

QStringList namesOf(const store::GroupComponentList &entries)
{
    QStringList names;
    for (const store::GroupComponent &e : entries)
        names << e.Nazwa;
    return names;
}

} // namespace

class TestCapitalWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void choosingAGroup()
    {
        Fixture f;
        QVERIFY(f.opened);
        QCOMPARE(namesOf(f.capital.groups()), (QStringList{"Kapitał własny", "Dotacje"}));
        QSignalSpy offered(&f.capital, &CapitalWorkflow::groupComponentsChanged);
        QSignalSpy shown(&f.capital, &CapitalWorkflow::componentsChanged);

        QVERIFY(f.capital.chooseGroup(0));
        QCOMPARE(f.model.text(QStringLiteral("cb_grupa")), QStringLiteral("Kapitał własny"));
        QCOMPARE(f.capital.chosenGroup(), 1);
        QCOMPARE(namesOf(f.capital.groupComponents()),
                 (QStringList{"Środki własne", "Pożyczki i kredyty", "Inne źródła"}));
        QCOMPARE(f.componentIds(), (QStringList{"1", "2"}));
        QCOMPARE(f.capital.components().at(1).NAZ_PROJEKTU_SLOWN, QStringLiteral("Inne źródła"));
        QCOMPARE(f.capital.components().at(1).SZCZEGOLY, QStringLiteral("darowizna"));
        QCOMPARE(f.model.text(Total), QStringLiteral("1234667,75"));
        QCOMPARE(offered.count(), 1);
        QCOMPARE(shown.count(), 1);

        QVERIFY(f.capital.chooseGroup(1));
        QCOMPARE(f.capital.chosenGroup(), 2);
        QCOMPARE(namesOf(f.capital.groupComponents()), QStringList{"Dotacja UE"});
        QCOMPARE(f.componentIds(), QStringList{"3"});
        QCOMPARE(f.model.text(Total), QStringLiteral("5000,00"));
        QVERIFY(f.capital.showGroupTotal());
        QCOMPARE(f.model.text(Total), QStringLiteral("5000,00"));

        f.capital.clearGroup();
        QCOMPARE(f.capital.chosenGroup(), 0);
        QVERIFY(f.capital.groupComponents().isEmpty());
        QVERIFY(f.capital.components().isEmpty());
        QCOMPARE(f.model.text(Total), QString());
        QCOMPARE(f.messages.entries(), QList<Entry>{});
    }

    void addingEditingAndDeletingComponents()
    {
        Fixture f;
        QVERIFY(f.opened);
        QVERIFY(f.capital.chooseGroup(0));
        const store::GroupComponent loans = f.capital.groupComponents().at(1);
        const std::optional<QStringList> entries = f.capital.listEntries(loans);
        QVERIFY(entries);
        QCOMPARE(*entries, (QStringList{"Bank spółdzielczy", "Fundusz regionalny"}));

        // The next key is one more than the largest over all periods.
        QVERIFY(f.capital.addComponent(loans, db::Money::parse(QStringLiteral("200")).value(), entries->at(1)));
        QCOMPARE(f.committed(QStringLiteral("select ID_SKL, ID_OK, SKLADNIK, cast(WARTOSC as varchar(20)), NAZWA_R, "
                                            "GRUPA, RODZAJ, SZCZEGOLY from KAPITAL_FUND where ID_SKL = 8")),
                 QStringList{"8|1|Pożyczki i kredyty|200.00|11|1|2|Fundusz regionalny"});
        QCOMPARE(f.componentIds(), (QStringList{"1", "2", "8"}));
        QCOMPARE(f.model.text(Total), QStringLiteral("1234867,75"));

        // A value edited is committed and changes the total; the same value writes nothing.
        QVERIFY(f.capital.setComponentValue(2, db::Money::parse(QStringLiteral("300,5")).value()));
        QCOMPARE(f.committed(QStringLiteral("select cast(WARTOSC as varchar(20)) from KAPITAL_FUND where ID_SKL = 8")),
                 QStringList{"300.50"});
        QCOMPARE(f.model.text(Total), QStringLiteral("1234968,25"));
        QVERIFY(f.capital.setComponentValue(2, db::Money::parse(QStringLiteral("300,5")).value()));
        // Details edited are committed; the total stays.
        QVERIFY(f.capital.setComponentDetails(1, QStringLiteral("spadek")));
        QCOMPARE(f.committed(QStringLiteral("select SZCZEGOLY from KAPITAL_FUND where ID_SKL = 2")),
                 QStringList{"spadek"});
        QCOMPARE(f.capital.components().at(1).SZCZEGOLY, QStringLiteral("spadek"));
        QCOMPARE(f.messages.entries(), QList<Entry>{});

        // Deleting asks first: No keeps the row, Yes deletes it; no row is a warning.
        const Entry question{Kind::Question, QStringLiteral("Usuwanie rekordu"),
                             QStringLiteral("Czy na pewno chcesz usunąc zaznaczony składnik ?")};
        const Entry done{Kind::Information, QStringLiteral("Usunięto składnik"), QStringLiteral("Usunięto składnik.")};
        const Entry none{Kind::Warning, QStringLiteral("Błąd!"), QStringLiteral("Nie wybrano składnika do usunięcia")};
        f.messages.scriptAnswers({false, true, true});
        QVERIFY(!f.capital.deleteComponent(0));
        QVERIFY(f.capital.deleteComponent(0));
        QVERIFY(!f.capital.deleteComponent(-1));
        QCOMPARE(f.messages.entries(), (QList<Entry>{question, question, done, question, none}));
        QCOMPARE(f.componentIds(), (QStringList{"2", "8"}));
        QCOMPARE(f.committed(QStringLiteral("select ID_SKL from KAPITAL_FUND order by ID_SKL")),
                 (QStringList{"2", "3", "7", "8"}));
        QCOMPARE(f.model.text(Total), QStringLiteral("400,75"));
    }

    void capitalSources()
    {
        Fixture f;
        QVERIFY(f.opened);
        QCOMPARE(f.sourceNames(), QStringList{"Zysk za rok"});
        QVERIFY(f.capital.addSource(QStringLiteral("Pożyczka z banku"),
                                    db::Money::parse(QStringLiteral("1234,56")).value()));
        QCOMPARE(f.sourceNames(), (QStringList{"Zysk za rok", "Pożyczka z banku"}));
        const qint64 added = f.model.capitalSources().at(1).id;
        QVERIFY(f.capital.editSource(added, QStringLiteral("Kredyt"), db::Money::parse(QStringLiteral("10")).value()));
        QVERIFY(f.capital.deleteSource(f.model.capitalSources().at(0).id));
        QVERIFY(!f.capital.deleteSource(0));
        QCOMPARE(f.sourceNames(), QStringList{"Kredyt"});
        QCOMPARE(f.committed(QStringLiteral("select NAZWA, cast(KWOTA as varchar(20)), ZRODLO, ID_OK from DANE_KAP "
                                            "order by ID")),
                 (QStringList{"Wzrost|10.00|0|1", "Kredyt|10.00|1|1"}));
        QCOMPARE(f.messages.entries(), QList<Entry>{});
    }

    // One guard for every command: while a period command runs, or the start-up
    // task holds the database, the capital work is refused, and the other way round.
    void oneCommandAtATime()
    {
        Fixture f;
        QVERIFY(f.opened);
        {
            DatabaseCommand running(f.periods.commands(), f.messages);
            QVERIFY(running);
            QVERIFY(f.periods.isRunning());
            QVERIFY(!f.capital.chooseGroup(0));
            QVERIFY(!f.capital.addSource(QStringLiteral("Nowe"), db::Money()));
            QVERIFY(!f.capital.loadDictionary(f.ws.path(QStringLiteral("brak.txt"))));
            QCOMPARE(f.messages.entries(), (QList<Entry>{CommandRunning, CommandRunning, CommandRunning}));
        }
        QVERIFY(!f.periods.isRunning());
        f.messages.clear();

        f.dm.reportingGate.acquire();
        QVERIFY(!f.capital.chooseGroup(0));
        QVERIFY(!f.capital.showGroupTotal());
        QVERIFY(!f.periods.save());
        QCOMPARE(f.messages.entries(), (QList<Entry>{StartupBusy, StartupBusy, StartupBusy}));
        f.dm.reportingGate.release();
        QVERIFY(f.capital.components().isEmpty());
        QCOMPARE(f.committed(QStringLiteral("select count(*) from DANE_KAP")), QStringList{"2"});

        // Free again: the gate is not left held by a refusal.
        f.messages.clear();
        QVERIFY(f.capital.chooseGroup(0));
        QVERIFY(!f.periods.isRunning());
        QVERIFY(f.dm.reportingGate.tryAcquire());
        f.dm.reportingGate.release();
        QCOMPARE(f.messages.entries(), QList<Entry>{});
    }

    void loadingTheDictionary_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<Entry>>("messages");
        const Entry loaded{Kind::Information, applicationTitle(), QStringLiteral("Nowy słownik zaczytany prawidłowo")};
        // The open period's components are held against the new groups.
        QTest::newRow("two entries, new group codes")
            << QByteArray("Grupa A\r\n5\r\n0\r\n0\r\nSkladnik\r\n6\r\n5\r\n1\r\n") << true
            << QStringList{"Grupa A|5|0|0", "Skladnik|6|5|1"}
            << QList<Entry>{loaded,
                            {Kind::Warning, QStringLiteral("Składniki bez grupy"),
                             QStringLiteral("Składniki kapitału pożyczkowego okresu 2013-01-01 – 2013-06-30 nie należą "
                                            "do żadnej grupy słownika:\r– Środki własne\r– Inne źródła\r– Dotacja "
                                            "UE\rNie trafią do pliku XML ani na wydruk. Dodaj je na stronie „Kapitał "
                                            "pożyczkowy” do grup nowego słownika albo wczytaj słownik, w którym są "
                                            "ich grupy.")}};
        QTest::newRow("group codes kept") << QByteArray("Grupa A\r\n1\r\n0\r\n0\r\nGrupa B\r\n2\r\n0\r\n0\r\n") << true
                                          << QStringList{"Grupa A|1|0|0", "Grupa B|2|0|0"} << QList<Entry>{loaded};
        QTest::newRow("letters on a KOD line")
            << QByteArray("Grupa A\r\nA\r\n0\r\n0\r\n") << false << QStringList{"Kapitał własny|1|0|0", "Dotacje|2|0|0"}
            << QList<Entry>{{Kind::Warning, QStringLiteral("Błąd!"),
                             QStringLiteral("Wystąpiły błędy podczas wczytywania nowego składnika\rWiersz 2 powinien "
                                            "zawierać liczbę całkowitą, a zawiera „A”.\rSłownik pozostał bez zmian.")}};
    }

    void loadingTheDictionary()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, loaded);
        QFETCH(QStringList, rows);
        QFETCH(QList<Entry>, messages);
        Fixture f;
        QVERIFY(f.opened);
        QFile file(f.ws.path(QStringLiteral("slownik.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        QCOMPARE(f.capital.loadDictionary(file.fileName()), loaded);
        QCOMPARE(
            f.committed(QStringLiteral("select NAZWA, KOD, GRUPA, RODZAJ from SLOWNIKI where GRUPA = 0 or KOD = 6")),
            rows);
        QCOMPARE(f.messages.entries(), messages);
        QVERIFY(!f.periods.isRunning());
    }
};

QTEST_MAIN(TestCapitalWorkflow)
#include "tst_capitalworkflow.moc"
