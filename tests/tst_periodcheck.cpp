// "Kontrola danych" on real reporting databases: each check with a fixture that
// triggers it and one that does not, the findings list of the window with its
// way to the field, "Zapisz do pliku" asking before a file with errors, and
// tervala check with its exit codes.
#include "common/messages.h"
#include "db/sqlscript.h"
#include "shell/findingsdialog.h"
#include "shell/mainwindow.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "support/cli.h"
#include "support/windowdriver.h"
#include "support/workspace.h"
#include "workflow/periodcheck.h"
#include "workflow/periodworkflow.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using Kind = RecordingMessages::Kind;

namespace {

// Two half-years whose figures agree with each other and between the periods: the
// check finds nothing. Three loans granted in the second half (35 000 zł), ten
// active ones, one lost; the loan capital grew by 500 zł.
const char *ConsistentFund = R"(
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (1, '2013-01-01', '2013-06-30', '2013-07-02', 1);
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (2, '2013-07-01', '2013-12-31', '2014-01-03', 1);
insert into DANE_INST (ID_OK, NAZWA, NIP, ADRES, KOD_POCZTA, MIASTO, EMAIL, FORMA)
  values (2, 'Fundusz Łódzki', '5260250274', 'Piotrkowska 1', '90-001 Łódź', 'Łódź', 'biuro@fundusz.pl', 'Fundacja');
insert into POZYCZKI (ID_OK, JVL_10, JVW_10, JVL_10_30, JVW_10_30, MIKRO_LS, MIKRO_WS, MALE_LS, MALE_WS,
                      OBROT_LS, OBROT_WS, HAN_LS, HAN_WS, S_PRZP_LS, S_PRZP_WS, S_PRZK_LS, S_PRZK_WS,
                      PL_KOB_LS, PL_KOB_WS, RK_POC_LS, RK_POC_WS, MZ_MIEJ_LS, MZ_MIEJ_WS, WPROWADZIL)
  values (1, 2, 15000, 1, 20000, 2, 15000, 1, 20000, 3, 35000, 3, 35000, 1, 10000, 2, 25000,
          3, 35000, 3, 35000, 3, 35000, 1);
insert into POZYCZKI (ID_OK, JVL_10, JVW_10, JVL_10_30, JVW_10_30, MIKRO_LS, MIKRO_WS, MALE_LS, MALE_WS,
                      OBROT_LS, OBROT_WS, HAN_LS, HAN_WS, S_PRZP_LS, S_PRZP_WS, S_PRZK_LS, S_PRZK_WS,
                      PL_KOB_LS, PL_KOB_WS, RK_POC_LS, RK_POC_WS, MZ_MIEJ_LS, MZ_MIEJ_WS, WPROWADZIL)
  values (2, 2, 15000, 1, 20000, 2, 15000, 1, 20000, 3, 35000, 3, 35000, 1, 10000, 2, 25000,
          3, 35000, 3, 35000, 3, 35000, 1);
insert into AKT_STR (ID_OK, PA_L, PA_W, ST_L, ST_W, PO_31_180_L, PO_31_180_W, PO_180_L, PO_180_W, PW_L, PW_W,
                     PS_L, PS_W, WSDO_L, WSDO_W)
  values (1, 10, 100000, 8, 80000, 1, 10000, 1, 10000, 0, 0, 1, 5000, 10, 5);
insert into AKT_STR (ID_OK, PA_L, PA_W, ST_L, ST_W, PO_31_180_L, PO_31_180_W, PO_180_L, PO_180_W, PW_L, PW_W,
                     PS_L, PS_W, WSDO_L, WSDO_W)
  values (2, 10, 100000, 8, 80000, 1, 10000, 1, 10000, 0, 0, 1, 5000, 10, 5);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (2, 0, 'Spłaty pożyczek', 500);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Kapitał własny', 1, 0, 0);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Gotówka', 10, 1, 1);
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ) values (1, 1, 'Gotówka', 1000, 10, 1, 1);
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ) values (2, 2, 'Gotówka', 1500, 10, 1, 1);
)";

const QStringList SecondHalf{"07", "2013", "12", "2013"};

// The consistent fund changed by `changes`, opened at the second half-year.
struct Fixture
{
    Workspace ws;
    store::DataModule dm;
    store::PageModel model;
    RecordingMessages messages;
    PeriodView view;
    PeriodWorkflow workflow{dm, model, messages, view};

    explicit Fixture(const QString &changes = QString())
    {
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        dm.KSU.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        dm.KSU.open();
        db::runSqlScript(dm.KSU, QString::fromUtf8(ConsistentFund) + changes);
        dm.LOKRA.setDatabase(QString(), ws.path(QStringLiteral("lokra.fdb")));
        dm.LOKRA.open();
        if (!workflow.openPeriod({SecondHalf[0], SecondHalf[1], SecondHalf[2], SecondHalf[3]}))
            qFatal("the period did not open");
        messages.clear();
    }

    // Closes the databases and writes TV.ini for them, so that the program (the
    // window or tervala itself) can open them.
    void handOver()
    {
        dm.KSU.close();
        dm.LOKRA.close();
        ws.writeEmbeddedIni();
        ws.makeHome();
    }

    QList<check::Finding> findings()
    {
        const auto found = workflow.checkData();
        if (!found)
            qFatal("the check was refused");
        return *found;
    }
};

// "level | page | field" of each finding.
QStringList where(const QList<check::Finding> &findings)
{
    QStringList out;
    for (const check::Finding &f : findings)
        out << QStringList{check::levelText(f.level), f.page, f.field}.join(QStringLiteral(" | "));
    return out;
}

} // namespace

class TestPeriodCheck : public QObject
{
    Q_OBJECT

private slots:
    void checks_data()
    {
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QStringList>("expected");
        const QString stats = QStringLiteral("update POZYCZKI set %1 where ID_OK=2;\n");
        const QString active = QStringLiteral("update AKT_STR set %1 where ID_OK=2;\n");
        const QString inst = QStringLiteral("update DANE_INST set %1 where ID_OK=2;\n");
        const QString statsPage = QStringLiteral("ostrzeżenie | Dane zbiorcze | ");
        const QString activeError = QStringLiteral("błąd | Aktywne i stracone pożyczki | ");
        const QString instWarning = QStringLiteral("ostrzeżenie | Dane Funduszu | ");

        QTest::newRow("consistent") << QString() << QStringList();

        // Breakdowns against the loans granted (the loan-size brackets).
        QTest::newRow("purpose misses a loan")
            << stats.arg("OBROT_LS=2, OBROT_WS=30000") << QStringList{statsPage + "Jvl_poz"};
        QTest::newRow("value of a sector differs") << stats.arg("HAN_WS=34000") << QStringList{statsPage + "sl_dzial"};
        QTest::newRow("social economy counted within Inne")
            << "update POZYCZKI set MALE_LS=0, MALE_WS=0, INNE_LS=1, INNE_WS=20000, EKO_LS=1, EKO_WS=20000;\n"
            << QStringList();
        QTest::newRow("area left out") << stats.arg("MZ_MIEJ_LS=2, MZ_MIEJ_WS=25000")
                                       << QStringList{statsPage + "sl_zarej"};

        // Active and lost loans: 1 = 1a + 1b + 1c and row 4.
        QTest::newRow("1a edited") << active.arg("ST_L=7") << QStringList{activeError + "Jvl_poz_akt"};
        QTest::newRow("1c value edited") << active.arg("PO_180_W=9000") << QStringList{activeError + "Jvw_poz_akt"};
        QTest::newRow("terminated loans are not in row 1") << active.arg("PW_L=2, PW_W=7000") << QStringList();
        QTest::newRow("ratio by number") << active.arg("WSDO_L=12") << QStringList{activeError + "Jvl_wspol_strat"};
        QTest::newRow("ratio by number as shown") << active.arg("WSDO_L=10.004") << QStringList();
        QTest::newRow("ratio by value too high")
            << active.arg("WSDO_W=5.5") << QStringList{activeError + "Jvw_wspol_strat"};
        QTest::newRow("ratio by value below lost / active") << active.arg("WSDO_W=4") << QStringList();

        // Institution data.
        QTest::newRow("name missing") << inst.arg("NAZWA=''") << QStringList{instWarning + "e_nazwa_inst"};
        QTest::newRow("legal form missing") << inst.arg("FORMA=NULL") << QStringList{instWarning + "cb_forma_inst"};
        QTest::newRow("NIP missing") << inst.arg("NIP=NULL") << QStringList{instWarning + "e_nip_inst"};
        QTest::newRow("NIP with dashes") << inst.arg("NIP='526-025-02-74'") << QStringList{instWarning + "e_nip_inst"};
        QTest::newRow("NIP check digit") << inst.arg("NIP='5260250275'") << QStringList{instWarning + "e_nip_inst"};
        QTest::newRow("NIP sum 10") << inst.arg("NIP='1000000000'") << QStringList{instWarning + "e_nip_inst"};
        QTest::newRow("another valid NIP") << inst.arg("NIP='7251801126'") << QStringList();
        QTest::newRow("postal code") << inst.arg("KOD_POCZTA='90001'") << QStringList{instWarning + "e_kod_inst"};
        QTest::newRow("postal code alone") << inst.arg("KOD_POCZTA='90-001'") << QStringList();
        QTest::newRow("e-mail") << inst.arg("EMAIL='biuro(at)fundusz.pl'") << QStringList{instWarning + "e_mail_inst"};
        QTest::newRow("no e-mail") << inst.arg("EMAIL=NULL") << QStringList();

        // Loan capital.
        QTest::newRow("change is not the difference") << "update DANE_KAP set KWOTA=400 where ID_OK=2;\n"
                                                      << QStringList{"ostrzeżenie | Kapitał pożyczkowy | Prz_kw"};
        QTest::newRow("negative component")
            << "insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ) "
               "values (3, 2, 'Korekta', -100, 10, 1, 1);\nupdate DANE_KAP set KWOTA=400 where ID_OK=2;\n"
            << QStringList{"błąd | Kapitał pożyczkowy | JvDBGrid1"};
        QTest::newRow("no previous period, nothing to compare")
            << "delete from KAPITAL_FUND where ID_OK=1;\ndelete from AKT_STR where ID_OK=1;\n"
               "delete from POZYCZKI where ID_OK=1;\ndelete from OKRES where ID_OK=1;\n"
               "update DANE_KAP set KWOTA=400 where ID_OK=2;\n"
            << QStringList();
        QTest::newRow("a later period is not the previous one")
            << "update OKRES set ODK='2014-01-01', DOK='2014-06-30' where ID_OK=1;\n"
               "update DANE_KAP set KWOTA=400 where ID_OK=2;\n"
            << QStringList();

        // Against the previous period by dates.
        QTest::newRow("lost loans shrank by more than half")
            << "update AKT_STR set PS_L=3 where ID_OK=1;\n"
            << QStringList{"ostrzeżenie | Aktywne i stracone pożyczki | Jvl_poz_strac"};
        QTest::newRow("lost loans halved") << "update AKT_STR set PS_L=2 where ID_OK=1;\n" << QStringList();
        QTest::newRow("active value grew by more than half")
            << "update AKT_STR set PA_W=66000 where ID_OK=1;\n"
            << QStringList{"ostrzeżenie | Aktywne i stracone pożyczki | Jvw_poz_akt"};
        QTest::newRow("breakdown total shrank") << "update POZYCZKI set RK_POC_LS=7 where ID_OK=1;\n"
                                                << QStringList{statsPage + "sl_rodz"};
        QTest::newRow("nothing before") << "update AKT_STR set PW_L=0, PW_W=0 where ID_OK=1;\n" << QStringList();
    }

    void checks()
    {
        QFETCH(QString, changes);
        QFETCH(QStringList, expected);
        Fixture f(changes);
        QCOMPARE(where(f.findings()), expected);
    }

    // The findings name the figures and the difference.
    void findingTexts()
    {
        Fixture f(QStringLiteral("update POZYCZKI set OBROT_LS=2, OBROT_WS=30000, INNE_LS=1, INNE_WS=100, EKO_LS=1, "
                                 "EKO_WS=100 where ID_OK=2;\nupdate AKT_STR set ST_L=7 where ID_OK=2;\n"
                                 "update DANE_INST set NIP='5260250275' where ID_OK=2;\n"
                                 "update DANE_KAP set KWOTA=400 where ID_OK=2;\n"
                                 "insert into LISTY_UMOW (ID_OK, PODZIAL, LISTA) values (2, 0, "
                                 "'umowa;klient;kwota;komunikat' || ascii_char(10) || '17;;100;Brak typu');\n"));
        QStringList texts;
        for (const check::Finding &finding : f.findings())
            texts << finding.text();
        QCOMPARE(
            texts,
            (QStringList{
                "ostrzeżenie | Dane Funduszu | e_nip_inst | NIP: 5260250275 | Błędna cyfra kontrolna NIP: "
                "ostatnią cyfrą powinno być 4.",
                "ostrzeżenie | Kapitał pożyczkowy | Prz_kw | przyrost/spadek: 400,00 zł; suma składników: "
                "1 500,00 zł, okres poprzedni (2013-01-01 – 2013-06-30): 1 000,00 zł; różnica sum: 500,00 zł | "
                "Przyrost lub spadek kapitału nie równa się różnicy sum składników kapitału tego okresu i okresu "
                "poprzedniego.",
                "ostrzeżenie | Dane zbiorcze | Jvl_r | kategorie (bez kolumny „w tym inst ekon i społ”): liczba 4, "
                "wartość 35 100,00 zł; udzielone w okresie (według wielkości udzielonej pożyczki): liczba 3, "
                "wartość 35 000,00 zł; różnica: liczba 1, wartość 100,00 zł | Suma kategorii podziału „Według "
                "typu przedsiębiorstwa” różni się od liczby i wartości pożyczek udzielonych w okresie. Umów, "
                "których import nie mógł zaliczyć do żadnej kategorii tego podziału: 1 (wymienia je raport "
                "błędów importu).",
                "ostrzeżenie | Dane zbiorcze | Jvl_poz | kategorie: liczba 2, wartość 30 000,00 zł; udzielone w "
                "okresie (według wielkości udzielonej pożyczki): liczba 3, wartość 35 000,00 zł; różnica: liczba "
                "-1, wartość -5 000,00 zł | Suma kategorii podziału „Według przeznaczenia” różni się od liczby i "
                "wartości pożyczek udzielonych w okresie. Umów, których import nie mógł zaliczyć do żadnej "
                "kategorii tego podziału: 0 (wymienia je raport błędów importu).",
                "ostrzeżenie | Dane zbiorcze | Jvl_r | suma liczby „Według typu przedsiębiorstwa”: 5; okres "
                "poprzedni (2013-01-01 – 2013-06-30): 3 (+67 %) | Wartość zmieniła się o więcej niż połowę "
                "względem poprzedniego okresu: sprawdź, czy wybrano właściwy okres i czy import objął wszystkie "
                "dane.",
                "błąd | Aktywne i stracone pożyczki | Jvl_poz_akt | liczba: 1 = 10; 1a + 1b + 1c = 9 (7 + 1 + 1) | "
                "Pożyczki aktywne (wiersz 1) muszą być sumą wierszy 1a, 1b i 1c."}));
    }

    // The pages as they stand are checked, unsaved edits included.
    void unsavedEditsAreChecked()
    {
        Fixture f;
        f.model.setText(QStringLiteral("Jvw_splac_term"), QStringLiteral("79000"));
        QCOMPARE(where(f.findings()), QStringList{"błąd | Aktywne i stracone pożyczki | Jvw_poz_akt"});
    }

    // "Zapisz do pliku" checks first and asks before writing a file with errors.
    void writingAsksOnErrors_data()
    {
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<bool>("written");
        QTest::newRow("no error") << "update DANE_INST set NIP=NULL where ID_OK=2;\n" << QList<bool>{} << true;
        QTest::newRow("error, write anyway") << "update AKT_STR set ST_L=7 where ID_OK=2;\n"
                                             << QList<bool>{true} << true;
        QTest::newRow("error, do not write") << "update AKT_STR set ST_L=7 where ID_OK=2;\n"
                                             << QList<bool>{false} << false;
    }

    void writingAsksOnErrors()
    {
        QFETCH(QString, changes);
        QFETCH(QList<bool>, answers);
        QFETCH(bool, written);
        Fixture f(changes);
        f.ws.makeHome();
        f.messages.scriptAnswers(answers);
        QCOMPARE(f.workflow.checkAndWriteXml(), written);
        QCOMPARE(QFile::exists(f.ws.path(QStringLiteral("Eksport/plik.xml"))), written);
        QStringList questions;
        for (const RecordingMessages::Entry &e : f.messages.entries()) {
            if (e.kind == Kind::Question)
                questions << e.caption + u':' + e.text;
        }
        QCOMPARE(questions, answers.isEmpty() ? QStringList()
                                              : QStringList{"Pytanie:Kontrola danych: błędów 1, ostrzeżeń 0.\rDane "
                                                            "zawierają błędy. Czy mimo to zapisać plik?"});
        QCOMPARE(f.messages.unansweredQuestions(), 0);
    }

    // The window lists the findings; a double-click shows the field on its page.
    void windowShowsTheField()
    {
        Fixture f(QStringLiteral("update AKT_STR set ST_L=7 where ID_OK=2;\n"
                                 "update DANE_INST set EMAIL='brak' where ID_OK=2;\n"));
        f.handOver();
        store::DataModule dm;
        RecordingMessages messages;
        MainWindow window(dm, &messages);
        QVERIFY(startWindow(window));
        auto *check = window.findChild<QPushButton *>(QStringLiteral("bb_kontrola"));
        QVERIFY(check && !check->isEnabled());
        openPeriodInWindow(window, {"07", "2013", "12", "2013"});
        QVERIFY(window.workflow().period().isOpen);
        QVERIFY(check->isEnabled());
        QCOMPARE(check->text(), QStringLiteral("Kontrola danych"));

        QTest::mouseClick(check, Qt::LeftButton);
        FindingsDialog *dialog = window.findingsDialog();
        QVERIFY(dialog && dialog->isVisible());
        QTreeWidget *list = dialog->list();
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("błąd"));
        QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("Jvl_poz_akt"));

        auto *pages = window.findChild<QTabWidget *>(QStringLiteral("Pc_struktura"));
        QCOMPARE(pages->currentIndex(), 0);
        emit list->itemActivated(list->topLevelItem(1), 0);
        QCOMPARE(pages->tabText(pages->currentIndex()), QStringLiteral("Aktywne i stracone pożyczki"));
        QWidget *field = window.findChild<QWidget *>(QStringLiteral("Jvl_poz_akt"));
        QTRY_VERIFY(field->hasFocus() || field->isAncestorOf(QApplication::focusWidget()));
        emit list->itemActivated(list->topLevelItem(0), 0);
        QCOMPARE(pages->tabText(pages->currentIndex()), QStringLiteral("Dane Funduszu"));
        QTRY_COMPARE(QApplication::focusWidget(), window.findChild<QWidget *>(QStringLiteral("e_mail_inst")));

        // Corrected: the check finds nothing and says so.
        window.model().setText(QStringLiteral("Jvl_splac_term"), QStringLiteral("8"));
        window.model().setText(QStringLiteral("e_mail_inst"), QStringLiteral("biuro@fundusz.pl"));
        messages.clear();
        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(messages.texts(), QStringList{"Kontrola danych nie wykazała błędów ani ostrzeżeń."});
    }

    void checkCommand()
    {
        for (const auto &[changes, status] : {std::pair{QString(), 0},
                                              {QStringLiteral("update DANE_INST set NIP=NULL where ID_OK=2;\n"), 0},
                                              {QStringLiteral("update AKT_STR set ST_L=7 where ID_OK=2;\n"), 1}}) {
            Fixture f(changes);
            f.handOver();
            const CliResult r =
                runTervala(QStringList{QStringLiteral("--home"), f.ws.path(), QStringLiteral("check")} + SecondHalf);
            QCOMPARE(r.status, status);
            const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.first(),
                     QStringLiteral("Prog 1.16.5: Podany okres był już importowany i można go edytować"));
            QCOMPARE(lines.last(), status == 1         ? QStringLiteral("Kontrola danych: błędów 1, ostrzeżeń 0.")
                                   : changes.isEmpty() ? QStringLiteral("Kontrola danych: błędów 0, ostrzeżeń 0.")
                                                       : QStringLiteral("Kontrola danych: błędów 0, ostrzeżeń 1."));
            QCOMPARE(lines.size(), changes.isEmpty() ? 2 : 3);
        }
        Fixture f;
        f.handOver();
        CliResult r =
            runTervala({QStringLiteral("--home"), f.ws.path(), QStringLiteral("check"), QStringLiteral("07")});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.startsWith(QStringLiteral("check wymaga czterech argumentów: MC RRRR MC RRRR.")));
        // A period never imported: the refusal of "Edycja okresu", exit 1.
        r = runTervala({QStringLiteral("--home"), f.ws.path(), QStringLiteral("check"), QStringLiteral("01"),
                        QStringLiteral("2015"), QStringLiteral("06"), QStringLiteral("2015")});
        QCOMPARE(r.status, 1);
    }
};

QTEST_MAIN(TestPeriodCheck)
#include "tst_periodcheck.moc"
