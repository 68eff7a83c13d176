#include "common/messages.h"
#include "db/error.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "shell/mainwindow.h"
#include "store/periods.h"
#include "workflow/periodworkflow.h"

using namespace store;
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "support/cli.h"
#include "support/windowdriver.h"
#include "support/workspace.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using Kind = RecordingMessages::Kind;
using Entry = RecordingMessages::Entry;

namespace {

// Two imported periods: the first half of 2013 (ID_OK 1) and 02/2012 (ID_OK 2).
const char *TwoPeriods = R"(
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (1, '2013-01-01', '2013-06-30', '2013-07-02', 1);
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (2, '2012-02-01', '2012-02-29', '2012-03-02', 1);
insert into DANE_INST (ID_OK, NAZWA, NIP, FORMA) values (1, 'Fundusz Łódzki', '1234567890', 'Fundacja');
insert into ZASADY (ID_ZAS, ID_OK, FUN_NIE_ZYS, WYM_TECH, MAX_POZ, OKRES_SPL) values (1, 1, 'Tak', 'Nie dotyczy', 120000, 60);
insert into POZYCZKI (ID_OK, MIKRO_LS, MIKRO_WS, MALE_LS, MALE_WS, WPROWADZIL) values (1, 12, 1234.50, 3, 100.25, 1);
insert into AKT_STR (ID_OK, PA_L, PA_W, WSDO_L) values (1, 13, 820100, 15.384615);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (1, 0, 'Dotacja', 5000);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Kapitał własny', 1, 0, 0);
)";

const QString OpenedInfo = QStringLiteral("Podany okres był już importowany i można go edytować");

struct Fixture
{
    Workspace ws;
    store::DataModule dm;
    store::PageModel model;
    RecordingMessages messages;
    PeriodView view;
    PeriodWorkflow workflow{dm, model, messages, view};

    Fixture()
    {
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        dm.KSU.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        dm.KSU.open();
        db::runSqlScript(dm.KSU, QString::fromUtf8(TwoPeriods));
        dm.LOKRA.setDatabase(QString(), ws.path(QStringLiteral("lokra.fdb")));
        dm.LOKRA.open();
    }
};

// A window on the fixture's databases, its start-up task finished.
struct WindowFixture
{
    Fixture f;
    store::DataModule dm;
    RecordingMessages messages;
    MainWindow window{dm, &messages};

    explicit WindowFixture(const QString &lokraFile = QStringLiteral("lokra.fdb"))
    {
        f.dm.KSU.close();
        f.dm.LOKRA.close();
        f.ws.writeEmbeddedIni(QStringLiteral("ksu.fdb"), lokraFile);
        f.ws.makeHome();
        if (!startWindow(window))
            qFatal("the start-up task did not finish");
        messages.clear();
    }
};

} // namespace

class TestPeriodWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void validation_data()
    {
        QTest::addColumn<QStringList>("combos");
        QTest::addColumn<bool>("valid");
        QTest::newRow("across a year end") << QStringList{"11", "2012", "02", "2013"} << true;
        QTest::newRow("one month") << QStringList{"02", "2012", "02", "2012"} << true;
        QTest::newRow("months backwards") << QStringList{"05", "2013", "04", "2013"} << false;
        QTest::newRow("years backwards") << QStringList{"01", "2014", "12", "2013"} << false;
        QTest::newRow("empty month") << QStringList{"", "2013", "06", "2013"} << false;
        QTest::newRow("empty year") << QStringList{"01", "2013", "06", ""} << false;
        QTest::newRow("months without a leading zero") << QStringList{"9", "2013", "10", "2013"} << true;
        QTest::newRow("one month written two ways") << QStringList{"01", "2013", "1", "2013"} << true;
        QTest::newRow("year 213") << QStringList{"01", "213", "06", "2013"} << false;
        QTest::newRow("year before the list") << QStringList{"01", "1984", "06", "1984"} << false;
        QTest::newRow("first year of the list") << QStringList{"01", "1985", "06", "1985"} << true;
        QTest::newRow("next year") << QStringList{"01", QString::number(QDate::currentDate().year() + 1), "06",
                                                  QString::number(QDate::currentDate().year() + 1)}
                                   << true;
        QTest::newRow("the year after next") << QStringList{"01", QString::number(QDate::currentDate().year() + 2),
                                                            "06", QString::number(QDate::currentDate().year() + 2)}
                                             << false;
    }
    void validation()
    {
        QFETCH(QStringList, combos);
        QFETCH(bool, valid);
        QCOMPARE(isValidPeriodChoice({combos[0], combos[1], combos[2], combos[3]}), valid);
    }

    void bounds()
    {
        const PeriodBounds leap = periodBounds({"02", "2012", "02", "2012"});
        QCOMPARE(leap.start, QDateTime(QDate(2012, 2, 1), QTime(0, 0)));
        QCOMPARE(leap.end, QDateTime(QDate(2012, 2, 29), QTime(23, 59, 59, 999)));
        QCOMPARE(FormatDateYMD(leap.end.date()), QStringLiteral("2012-02-29"));
        QCOMPARE(periodBounds({"11", "2012", "02", "2013"}).end.date(), QDate(2013, 2, 28));
        QCOMPARE(FormatDateYMD(QDate(2013, 1, 1)), QStringLiteral("2013-01-01"));
    }

    void badCombosAreClearErrors_data()
    {
        QTest::addColumn<QStringList>("combos");
        QTest::newRow("letters") << QStringList{"ab", "2013", "06", "2013"};
        QTest::newRow("month 13") << QStringList{"01", "2013", "13", "2013"};
        QTest::newRow("month 0") << QStringList{"00", "2013", "06", "2013"};
    }
    void badCombosAreClearErrors()
    {
        QFETCH(QStringList, combos);
        QVERIFY_THROWS_EXCEPTION(db::Error, periodBounds({combos[0], combos[1], combos[2], combos[3]}));
    }

    void opensAnImportedPeriod()
    {
        Fixture f;
        QVERIFY(f.workflow.openPeriod({"01", "2013", "06", "2013"}));
        QCOMPARE(f.messages.entries(), (QList<Entry>{{Kind::Information, applicationTitle(), OpenedInfo}}));
        const store::OpenPeriod &p = f.workflow.period();
        QVERIFY(p.isOpen);
        QCOMPARE(p.CurrentPeriodId, QStringLiteral("1"));
        QCOMPARE(p.PeriodStartText, QStringLiteral("2013-01-01"));
        QCOMPARE(p.PeriodEndText, QStringLiteral("2013-06-30"));
        QCOMPARE(p.PeriodEnd, QDateTime(QDate(2013, 6, 30), QTime(23, 59, 59, 999)));
        QCOMPARE(f.model.text("e_nazwa_inst"), QStringLiteral("Fundusz Łódzki"));
        QCOMPARE(f.model.text("Jvl_mik"), QStringLiteral("12"));
        QCOMPARE(f.model.text("Jvw_r"), QStringLiteral("1334,75"));
        QCOMPARE(f.model.text("cb_wym_tech"), QStringLiteral("Nie dotyczy"));
        QCOMPARE(f.model.shownText("Jvl_wspol_strat"), QStringLiteral("15,38 %"));
        QCOMPARE(f.model.items("cb_grupa"), QStringList{QStringLiteral("Kapitał własny")});
        QCOMPARE(f.workflow.capitalGroups().size(), 1);

        // Months without their leading zero name the same period.
        f.messages.clear();
        QVERIFY(f.workflow.openPeriod({"1", "2013", "6", "2013"}));
        QCOMPARE(f.workflow.period().CurrentPeriodId, QStringLiteral("1"));
    }

    // A refused or failed opening leaves the open period and the pages as they were.
    void failedOpeningsChangeNothing_data()
    {
        QTest::addColumn<QStringList>("combos");
        QTest::addColumn<QString>("sabotage");
        QTest::addColumn<QString>("warning");
        QTest::newRow("never imported") << QStringList{"01", "2013", "05", "2013"} << ""
                                        << "Podany okres, nie został jeszcze zaimportowany !";
        QTest::newRow("invalid") << QStringList{"06", "2013", "01", "2013"} << ""
                                 << "Błędnie podany okres sprawozdawczy";
        QTest::newRow("load fails") << QStringList{"02", "2012", "02", "2012"} << "drop table AKT_STR"
                                    << "";
    }
    void failedOpeningsChangeNothing()
    {
        QFETCH(QStringList, combos);
        QFETCH(QString, sabotage);
        QFETCH(QString, warning);
        Fixture f;
        QVERIFY(f.workflow.openPeriod({"01", "2013", "06", "2013"}));
        f.model.setText("e_nazwa_inst", QStringLiteral("typed but not saved"));
        f.messages.clear();
        if (!sabotage.isEmpty()) {
            f.dm.KSU.executeImmediate(sabotage);
            f.dm.KSU.commitRetaining();
        }
        bool opened = true;
        try {
            opened = f.workflow.openPeriod({combos[0], combos[1], combos[2], combos[3]});
        } catch (const db::Error &) {
            opened = false;
            QVERIFY(!sabotage.isEmpty());
        }
        QVERIFY(!opened);
        if (!warning.isEmpty())
            QCOMPARE(f.messages.entries(), (QList<Entry>{{Kind::Warning, QStringLiteral("Błąd!"), warning}}));
        QVERIFY(f.workflow.period().isOpen);
        QCOMPARE(f.workflow.period().CurrentPeriodId, QStringLiteral("1"));
        QCOMPARE(f.workflow.period().PeriodEndText, QStringLiteral("2013-06-30"));
        QCOMPARE(f.model.text("e_nazwa_inst"), QStringLiteral("typed but not saved"));
        QCOMPARE(f.model.text("Jvl_mik"), QStringLiteral("12"));
    }

    // Another period replacing pages with unsaved edits: the user saves them,
    // drops them or stays where they were.
    void unsavedEditsBeforeAnotherPeriod_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer"); // Messages::Answer
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QString>("stored"); // MALE_LS of period 1 afterwards
        QTest::newRow("nothing edited") << false << -1 << true << "3";
        QTest::newRow("save") << true << int(Messages::Answer::Yes) << true << "7";
        QTest::newRow("drop") << true << int(Messages::Answer::No) << true << "3";
        QTest::newRow("cancel") << true << int(Messages::Answer::Cancel) << false << "3";
    }
    void unsavedEditsBeforeAnotherPeriod()
    {
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(bool, opened);
        QFETCH(QString, stored);
        Fixture f;
        QVERIFY(f.workflow.openPeriod({"01", "2013", "06", "2013"}));
        // Choosing a capital group or a recomputed sum is no edit of the user's data.
        f.model.setText("cb_grupa", QStringLiteral("Kapitał własny"));
        f.model.recomputeAllSums();
        if (edited)
            f.model.setText("Jvl_mal", QStringLiteral("7"));
        f.messages.clear();
        if (answer >= 0)
            f.messages.scriptChoices({Messages::Answer(answer)});
        QCOMPARE(f.workflow.openPeriod({"2", "2012", "2", "2012"}), opened);
        QStringList expected;
        if (edited)
            expected << QStringLiteral("Czy chcesz zapisac zmiany?");
        if (answer == int(Messages::Answer::Yes))
            expected << QStringLiteral("Dane zaktualizowane");
        if (opened)
            expected << OpenedInfo;
        QCOMPARE(f.messages.texts(), expected);
        QCOMPARE(f.messages.unansweredQuestions(), 0);
        QCOMPARE(f.workflow.period().CurrentPeriodId, opened ? QStringLiteral("2") : QStringLiteral("1"));
        QCOMPARE(f.model.text("Jvl_mal"), opened ? QString() : QStringLiteral("7"));
        db::Query q(f.dm.KSU, QStringLiteral("select MALE_LS from POZYCZKI where ID_OK = 1"));
        q.execute();
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), stored);
        // What was just opened or saved counts as unedited.
        QCOMPARE(f.model.isModified(), !opened);
    }

    // Deleting asks, naming the dates; it removes every row of the period and,
    // when that period was open, leaves no period open and the pages empty.
    void deletePeriod_data()
    {
        QTest::addColumn<QStringList>("choice");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QString>("deleted"); // ID_OK, or empty
        QTest::newRow("the open period") << QStringList{"01", "2013", "06", "2013"} << QList<bool>{true} << "1";
        QTest::newRow("another period") << QStringList{"02", "2012", "02", "2012"} << QList<bool>{true} << "2";
        QTest::newRow("not confirmed") << QStringList{"01", "2013", "06", "2013"} << QList<bool>{false} << "";
        QTest::newRow("not imported") << QStringList{"03", "2013", "06", "2013"} << QList<bool>{} << "";
    }
    void deletePeriod()
    {
        QFETCH(QStringList, choice);
        QFETCH(QList<bool>, answers);
        QFETCH(QString, deleted);
        Fixture f;
        QVERIFY(f.workflow.openPeriod({"01", "2013", "06", "2013"}));
        f.messages.clear();
        f.messages.scriptAnswers(answers);
        QCOMPARE(f.workflow.deletePeriod({choice[0], choice[1], choice[2], choice[3]}), !deleted.isEmpty());
        QCOMPARE(f.messages.unansweredQuestions(), 0);
        const QString dates = QStringLiteral("od %1-%2-01 do ").arg(choice[1], choice[0]);
        if (answers.isEmpty())
            QCOMPARE(f.messages.entries().first().kind, Kind::Warning);
        else
            QVERIFY2(f.messages.entries().first().text.contains(dates), qPrintable(f.messages.texts().join(u'|')));

        auto count = [&](const QString &sql) {
            db::Query q(f.dm.KSU, sql);
            q.execute();
            return q.next() ? q.value(0).toInt() : -1;
        };
        QCOMPARE(count("select count(*) from OKRES"), deleted.isEmpty() ? 2 : 1);
        if (!deleted.isEmpty()) {
            for (const char *table :
                 {"ZASADY", "POZYCZKI", "AKT_STR", "KAPITAL_FUND", "DANE_INST", "DANE_KAP", "OKRES"})
                QVERIFY2(
                    count(QStringLiteral("select count(*) from %1 where ID_OK=%2").arg(QLatin1String(table), deleted))
                        == 0,
                    table);
            QCOMPARE(f.messages.entries().last().kind, Kind::Information);
        }
        QCOMPARE(count("select count(*) from DANE_INST"), 1); // the institution data stay
        const bool openDeleted = deleted == u"1";
        QCOMPARE(f.workflow.period().isOpen, !openDeleted);
        QCOMPARE(f.model.text("e_nazwa_inst"), openDeleted ? QString() : QStringLiteral("Fundusz Łódzki"));
    }

    void deletePeriodInTheWindowAndOnTheCommandLine()
    {
        {
            WindowFixture w;
            MainWindow &window = w.window;
            for (const auto &[name, text] :
                 {std::pair{"cb_odmc", "01"}, {"cb_odrok", "2013"}, {"cb_domc", "06"}, {"cb_dorok", "2013"}})
                window.findChild<QComboBox *>(name)->setEditText(QString::fromLatin1(text));
            QTest::mouseClick(window.findChild<QPushButton *>("bb_edycja"), Qt::LeftButton);
            QVERIFY(window.workflow().period().isOpen);
            auto *action = window.findChild<QAction *>("UsunOkres");
            QVERIFY(action && action->isEnabled());
            w.messages.scriptAnswers({true});
            action->trigger();
            QVERIFY2(!window.workflow().period().isOpen, qPrintable(w.messages.texts().join(u'|')));
            QVERIFY(window.findChild<QLabel *>("La_do")->isHidden());
            QVERIFY(!window.findChild<QPushButton *>("bb_zapisw")->isEnabled());
            QVERIFY(!window.findChild<QPushButton *>("bb_druk")->isEnabled());
        }
        Fixture f;
        f.dm.KSU.close();
        f.dm.LOKRA.close();
        f.ws.writeEmbeddedIni();
        const QStringList args{"--home", f.ws.path(), "delete-period", "02", "2012", "02", "2012"};
        CliResult r = runTervala(args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains(QStringLiteral("od 2012-02-01 do 2012-02-29"))
                     && r.out.contains(QStringLiteral("--yes")),
                 qPrintable(r.out));
        r = runTervala(args + QStringList{"--yes"});
        QCOMPARE(r.status, 0);
        r = runTervala(args + QStringList{"--yes"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains(QStringLiteral("nie został jeszcze zaimportowany")), qPrintable(r.out));
    }

    void saveConfirms()
    {
        Fixture f;
        QVERIFY(f.workflow.openPeriod({"01", "2013", "06", "2013"}));
        f.messages.clear();
        f.model.setText("Jvl_mal", QStringLiteral("7"));
        QVERIFY(f.workflow.save());
        QCOMPARE(f.messages.entries(), (QList<Entry>{{Kind::Information, applicationTitle(), "Dane zaktualizowane"}}));
        db::Query q(f.dm.KSU, QStringLiteral("select MALE_LS from POZYCZKI where ID_OK = 1"));
        q.execute();
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), qint64(7));
    }

    void startupTaskHoldsTheDatabase()
    {
        Fixture f;
        f.dm.reportingGate.acquire();
        QVERIFY(!f.workflow.openPeriod({"01", "2013", "06", "2013"}));
        QCOMPARE(f.messages.entries().size(), 1);
        QCOMPARE(f.messages.entries().first().kind, Kind::Warning);
        QVERIFY(!f.workflow.period().isOpen);
        f.dm.reportingGate.release();
    }

    void commandLineOpen()
    {
        Fixture f;
        f.dm.KSU.close();
        f.dm.LOKRA.close();
        f.ws.writeEmbeddedIni();
        CliResult r = runTervala({"--home", f.ws.path(), "open", "01", "2013", "06", "2013"});
        QCOMPARE(r.status, 0);
        const QStringList lines = r.out.split(u'\n');
        QCOMPARE(lines.first(), QStringLiteral("Prog 1.16.5: ") + OpenedInfo);
        for (const char *expected : {"e_nazwa_inst=Fundusz Łódzki", "cb_forma_inst=Fundacja", "jv_max=120000,00",
                                     "Okres_spl=60", "Jvw_mik=1234,50", "Jvl_r=15", "Jvl_poz_akt=13",
                                     "Jvw_poz_akt=820100,00", "Jvl_wspol_strat=15,38 %", "Jvl_pw="})
            QVERIFY2(lines.contains(QString::fromUtf8(expected)), expected);
        r = runTervala({"--home", f.ws.path(), "open", "01", "2013", "05", "2013"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QStringLiteral("Błąd!: Podany okres, nie został jeszcze zaimportowany !\n"));
    }

    // The window's ways of closing, with scripted answers.
    void closing_data()
    {
        QTest::addColumn<bool>("periodOpen");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<bool>("ends");
        QTest::newRow("no period, leave")
            << false << QList<bool>{true} << QStringList{"Czy na pewno chcesz wyjść z programu ?"} << true;
        QTest::newRow("no period, stay") << false << QList<bool>{false}
                                         << QStringList{"Czy na pewno chcesz wyjść z programu ?"} << false;
        QTest::newRow("open, no save, stay")
            << true << QList<bool>{false, false}
            << QStringList{"Czy chcesz zapisac zmiany?", "Czy na pewno chcesz wyjść z programu ?"} << false;
        QTest::newRow("open, save, leave") << true << QList<bool>{true, true}
                                           << QStringList{"Czy chcesz zapisac zmiany?", "Dane zaktualizowane",
                                                          "Czy na pewno chcesz wyjść z programu ?"}
                                           << true;
    }
    void closing()
    {
        QFETCH(bool, periodOpen);
        QFETCH(QList<bool>, answers);
        QFETCH(QStringList, questions);
        QFETCH(bool, ends);
        WindowFixture w;
        MainWindow &window = w.window;
        RecordingMessages &messages = w.messages;
        if (periodOpen) {
            window.findChild<QComboBox *>("cb_odmc")->setEditText("01");
            window.findChild<QComboBox *>("cb_odrok")->setEditText("2013");
            window.findChild<QComboBox *>("cb_domc")->setEditText("06");
            window.findChild<QComboBox *>("cb_dorok")->setEditText("2013");
            QTest::mouseClick(window.findChild<QPushButton *>("bb_edycja"), Qt::LeftButton);
            QVERIFY(window.workflow().period().isOpen);
            QVERIFY(!window.findChild<QLabel *>("La_do")->isHidden()); // on a page not shown
            QCOMPARE(window.findChild<QLabel *>("La_do")->text(), QStringLiteral("do 2013-06-30"));
            QVERIFY(window.findChild<QPushButton *>("bb_zapisw")->isEnabled());
        }
        messages.clear();
        messages.scriptAnswers(answers);
        window.close();
        QCOMPARE(messages.texts(), questions);
        QCOMPARE(window.isVisible(), !ends);
        QCOMPARE(messages.unansweredQuestions(), 0);
    }

    // Esc asks the exit question; Yes closes the window, whose close asks again.
    void escape_data()
    {
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("ends");
        QTest::newRow("stay") << QList<bool>{false} << 1 << false;
        QTest::newRow("leave") << QList<bool>{true, true} << 2 << true;
        QTest::newRow("change of mind") << QList<bool>{true, false} << 2 << false;
    }
    void escape()
    {
        QFETCH(QList<bool>, answers);
        QFETCH(int, questions);
        QFETCH(bool, ends);
        WindowFixture w;
        MainWindow &window = w.window;
        RecordingMessages &messages = w.messages;
        messages.scriptAnswers(answers);
        window.findChild<QWidget *>("e_nazwa_inst")->setFocus();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, Qt::Key_Escape);
        QCOMPARE(messages.texts(), QStringList(questions, QStringLiteral("Czy na pewno chcesz wyjść z programu ?")));
        QCOMPARE(window.isVisible(), !ends);
    }

    void aboutBoxShowsTheSettings()
    {
        WindowFixture w(QStringLiteral("brak.fdb"));
        MainWindow &window = w.window;
        const Workspace &ws = w.f.ws;
        window.Oprogramie1Click();
        auto *about = window.findChild<QWidget *>("To_prog");
        QVERIFY(about->isVisible());
        const QString memo = about->findChild<QPlainTextEdit *>("M_prog")->toPlainText();
        QCOMPARE(memo, QStringLiteral(
                           "Wersja programu: Prog 1.16.5\nŚcieżka bazy Lokra: %1\nŚcieżka bazy Tervala: %2\nHost: ")
                           .arg(ws.path("brak.fdb"), ws.path("ksu.fdb")));
        about->close();
        QCOMPARE(about->findChild<QPlainTextEdit *>("M_prog")->toPlainText(), QString());
    }
};

QTEST_MAIN(TestPeriodWorkflow)
#include "tst_periodworkflow.moc"
