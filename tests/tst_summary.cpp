#include "cli/outputcommands.h"
#include "common/messages.h"
#include "db/error.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "reports/printedsummary.h"
#include "reports/reportsheet.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "support/golden.h"
#include "support/rowstext.h"
#include "support/workspace.h"
#include "workflow/periodworkflow.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTest>

#include <memory>

namespace {

// One imported period, the first half of 2013, with figures on every page.
const char *Period = R"(
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (1, '2013-01-01', '2013-06-30', '2013-07-02', 1);
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (2, '2013-07-01', '2013-12-31', '2014-01-03', 1);
insert into ZASADY (ID_ZAS, ID_OK, FUN_NIE_ZYS, MIN_OPR, PO_ANALIZ, MAX_POZ, INNE, WYM_TECH, OKRES_SPL)
  values (1, 1, 'Tak', 3, 'Nie', 120000, 'Zabezpieczenie & weksel', 'Nie dotyczy', 60);
insert into POZYCZKI (ID_OK, MIKRO_LS, MIKRO_WS, MALE_LS, MALE_WS, SREDNIE_LS, SREDNIE_WS, US_LS, US_WS,
                      S_PRZP_LS, S_PRZP_WS, S_PRZK_LS, S_PRZK_WS, MZ_WIEJ_LS, MZ_WIEJ_WS, MZ_MIEJ_LS, MZ_MIEJ_WS, WPROWADZIL)
  values (1, 12, 1500, 3, 1500.5, 1, 1234.56, 16, 4235.06, 4, 1000, 12, 3235.06, 9, 2000, 7, 2235.06, 1);
insert into AKT_STR (ID_OK, PA_L, PA_W, ST_L, ST_W, WSDO_L, WSDO_W) values (1, 13, 820100, 11, 700000.5, 2.5, 3);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (1, 0, 'Spłaty pożyczek', -20);
)";

// The sources and dictionary of the usual case; layout cases bring their own.
const char *CapitalData = R"(
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (1, 1, 'Dotacja UE', 1500);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (1, 1, 'Wkład własny', 1500.5);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (2, 1, 'Inny okres', 7);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Kapitał własny', 1, 0, 0);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Gotówka', 10, 1, 1);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Lokaty', 11, 1, 2);
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (1, 1, 'Lokaty', 1500.5, 11, 1, 2, 'Bank Śląski');
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (2, 1, 'Gotówka', 1500, 10, 1, 1, '');
)";

const QDateTime Now(QDate(2013, 7, 2), QTime(9, 5, 7));

struct Fund
{
    Workspace ws;

    explicit Fund(const QString &capital = QString::fromUtf8(CapitalData))
    {
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        ws.writeEmbeddedIni();
        ws.makeHome();
        db::Connection ksu;
        ksu.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        ksu.open();
        db::runSqlScript(ksu, QString::fromUtf8(Period) + capital);
        ksu.close();
    }
};

// The fund opened for the first half of 2013 as "Edycja okresu" opens it.
struct OpenedFund : Fund
{
    store::DataModule dm;
    store::PageModel model;
    RecordingMessages messages;
    PeriodView view;
    PeriodWorkflow workflow{dm, model, messages, view};
    reports::ReportSheet sheet;

    explicit OpenedFund(const QString &capital = QString::fromUtf8(CapitalData)) : Fund(capital)
    {
        dm.KSU.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        dm.KSU.open();
        dm.LOKRA.setDatabase(QString(), ws.path(QStringLiteral("lokra.fdb")));
        dm.LOKRA.open();
        if (!workflow.openPeriod({"01", "2013", "06", "2013"}))
            qFatal("the period did not open");
    }
    void build()
    {
        reports::BuildPrintedSummary(sheet, dm.KSU, workflow.period(), workflow.capitalGroups(), model, Now);
    }
    void run(const QString &sql) { db::runSqlScript(dm.KSU, sql); }
};

QString pdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished())
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestSummary : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<OpenedFund> m_fund;

private slots:
    void cleanupTestCase() { m_fund.reset(); }

    // The fixed rows 0 to 65, as the pages show the period.
    void fixedRows_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("cells");
        QTest::newRow("0") << 0 << "DANE ZBIORCZE";
        QTest::newRow("1") << 1 << "TYP PRZED.";
        QTest::newRow("2") << 2 << "|Mikro|Małe|Średnie|Inne|Ekonom. społ.|Suma";
        QTest::newRow("3") << 3 << "Liczba poż.|12|3|1|||16";
        QTest::newRow("4") << 4 << "Wartość poż.|1500.00|1500.5|1234.56|0.00|0.00|4235.06";
        QTest::newRow("5") << 5 << "";
        QTest::newRow("6") << 6 << "PRZEZNACZENIE";
        QTest::newRow("7") << 7 << "|Obrotowa|Inwest.|Inwest-obrotowa|Suma";
        QTest::newRow("8") << 8 << "Liczba poż.||||0";
        QTest::newRow("9") << 9 << "Wartość poż.|0.00|0.00|0.00|0.00";
        QTest::newRow("11") << 11 << "SEKTOR DZIAŁ.";
        QTest::newRow("12") << 12
                            << "|Rolnictwo,..|Górnictwo..|Przetwórstwo|Wytwarzanie i zaop...|Budownictwo|Handel|"
                               "Transport|Pozostałe|Inne rodzaje|Suma";
        QTest::newRow("13") << 13 << "Liczba poż.||||||||16||16";
        QTest::newRow("14") << 14 << "Wartość poż.|0.00|0.00|0.00|0.00|0.00|0.00|0.00|4235.06|0.00|4235.06";
        QTest::newRow("16") << 16 << "WIELKOŚĆ UDZIELONEJ\rPOŻYCZKI";
        QTest::newRow("17") << 17
                            << "|<10 tys. zł|pow. 10-30 tys.|pow. 30-50 tys.|pow. 50-120 tys|pow. 120-300 tys|"
                               "pow. 300 tys|Suma";
        QTest::newRow("21") << 21 << "STATUS PRZED.";
        QTest::newRow("22") << 22 << "|Rozpoczynający dział.|Kontynuujący dział.|Suma";
        QTest::newRow("23") << 23 << "Liczba poż.|4|12|16";
        QTest::newRow("24") << 24 << "Wartość poż.|1000.00|3235.06|4235.06";
        QTest::newRow("26") << 26 << "PŁEĆ PRZED.";
        QTest::newRow("27") << 27 << "|Kobieta|Mężczyzna|Pozostałe|Suma";
        QTest::newRow("31") << 31 << "RODZAJ KLIENTA";
        QTest::newRow("32") << 32 << "|Przed. po raz pierwszy|Przed. po raz kolejny|Suma";
        QTest::newRow("36") << 36 << "MIEJSCE ZAREJESTR.\rDZIAŁALNOŚCI";
        QTest::newRow("37") << 37 << "|Obszar wiejski|Obszar miejski|Suma";
        QTest::newRow("38") << 38 << "Liczba poż.|9|7|16";
        QTest::newRow("39") << 39 << "Wartość poż.|2000.00|2235.06|4235.06";
        QTest::newRow("40") << 40 << "";
        QTest::newRow("41") << 41 << "DANE DOTYCZĄCE POŻYCZEK\rAKTYWNYCH I STRACONYCH|ILOŚĆ|WARTOŚĆ";
        QTest::newRow("42") << 42 << "Pożyczki aktywne|13|820100.00";
        QTest::newRow("43") << 43 << "-spłacane terminowo|11|700000.5";
        QTest::newRow("44") << 44 << "-poż. o opóźnieniach od 31 do 90 dni||0.00";
        QTest::newRow("45") << 45 << "-poż. o opóźnieniach powyżej 90 dni||0.00";
        QTest::newRow("46") << 46 << "-poż. wypowiedziane, windykowane||0.00";
        QTest::newRow("47") << 47 << "Pożyczki stracone||0.00";
        QTest::newRow("48") << 48 << "Wsp. strat w danym okresie|2,50 %|3.00";
        QTest::newRow("50") << 50 << "ZASADY GOSPODAROWANIA\rFUNDUSZEM POŻYCZKOWYM|WARTOŚĆ";
        QTest::newRow("51") << 51 << "Fundusz nie działa dla\rzysku|Tak";
        QTest::newRow("52") << 52 << "Minimalne oprocentowanie|3,00 %";
        QTest::newRow("53") << 53 << "Fundusz udziela pożyczek\rpo analizie ryzyka...|Nie";
        QTest::newRow("54") << 54 << "Maxymalna wielkość\rpożyczki|120000,00";
        QTest::newRow("55") << 55 << "Maxymalny okres\rspłaty pożyczki|60";
        QTest::newRow("56") << 56 << "Pożyczki udzielane są\rdla przedsiębiorców w nie\rtrudnej sytuacji";
        QTest::newRow("57") << 57 << "Fundusz posiada\rodpowiedni poencjał ekon.";
        QTest::newRow("58") << 58 << "Fundusz zatrudnia \rpracowników z odpowiednimi\rkwalifikacjami";
        QTest::newRow("59") << 59 << "Podmiot spełnia\rwymagania w zakresie\rpot. technicznego|Nie dotyczy";
        QTest::newRow("60") << 60 << "Podmiot spełnia\rwymagania w zakresie\rpot. ekonomicznego";
        QTest::newRow("61") << 61 << "Podmiot spełnia\rymagania w zakresie\rjakości usług";
        QTest::newRow("62") << 62 << "Fundusz\rprzestrzega\rzasad etyki zaw.";
        QTest::newRow("63") << 63 << "Inne|Zabezpieczenie & weksel";
        QTest::newRow("64") << 64 << "";
        QTest::newRow("65") << 65 << "KAPITAŁ POŻYCZKOWY";
    }
    void fixedRows()
    {
        QFETCH(int, row);
        QFETCH(QString, cells);
        if (!m_fund) {
            // One fund for every row of the table: the rows only read it.
            m_fund = std::make_unique<OpenedFund>();
            m_fund->build();
        }
        QCOMPARE(sheetRowsText(m_fund->sheet, row).value(0), cells);
        QCOMPARE(m_fund->sheet.columnCount(), 11);
        QCOMPARE(m_fund->sheet.titleLines,
                 (QStringList{"Dane sprawozdania za okres '2013-01-01' do '2013-06-30'",
                              "Data utworzenia: 02.07.2013 09:05:07", "Wersja programu: Prog 1.16.5"}));
    }

    // The whole summary of the usual case against its golden file.
    void wholeSummary()
    {
        OpenedFund f;
        f.build();
        const QString difference = differenceFromGolden(QStringLiteral("printed-summary.txt"), sheetText(f.sheet));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // The rows from 65 on: the capital groups, the capital change and the sources.
    void capitalRows_data()
    {
        QTest::addColumn<QString>("capital");
        QTest::addColumn<QStringList>("rows");
        const QString group = "insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Kapitał własny', 1, 0, 0);\n";
        const QString component =
            "insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, GRUPA, RODZAJ, SZCZEGOLY) "
            "values (%1, %2, '%3', %4, %5, %6, %7);\n";
        QTest::newRow("no groups") << QString()
                                   << QStringList{"KAPITAŁ POŻYCZKOWY",
                                                  "",
                                                  "",
                                                  "DANE DOT. KAP.",
                                                  "Przyrost(+)\rSpadek(-)|Przyczyna",
                                                  "-20,00|Spłaty pożyczek",
                                                  "",
                                                  "ŹRÓDŁA KAP.",
                                                  "|Nazwa|Kwota"};
        QTest::newRow("one group with two listed components")
            << group + component.arg(1).arg(1).arg("Lokaty").arg("1500").arg(1).arg(2).arg("'Bank Śląski'")
                   + component.arg(2).arg(1).arg("Lokaty").arg("1500.5").arg(1).arg(2).arg("'PKO'")
            << QStringList{"KAPITAŁ POŻYCZKOWY",
                           "",
                           "Kapitał własny",
                           "|Składnik|Wartość|Szczegóły",
                           "|Lokaty|1500.00|Bank Śląski",
                           "|Lokaty|1500.5|PKO",
                           "",
                           "",
                           "DANE DOT. KAP.",
                           "Przyrost(+)\rSpadek(-)|Przyczyna",
                           "-20,00|Spłaty pożyczek",
                           "",
                           "ŹRÓDŁA KAP.",
                           "|Nazwa|Kwota"};
        QTest::newRow("kinds 0 and 4 left out, table order kept")
            << group + component.arg(1).arg(1).arg("Opis").arg("7").arg(1).arg(3).arg("'tekst'")
                   + component.arg(2).arg(1).arg("Stary").arg("5").arg(1).arg(0).arg("NULL")
                   + component.arg(3).arg(1).arg("Gotówka").arg("NULL").arg(1).arg(1).arg("NULL")
                   + component.arg(4).arg(1).arg("Nowy").arg("6").arg(1).arg(4).arg("''")
                   + component.arg(5).arg(2).arg("Inny okres").arg("9").arg(1).arg(1).arg("''")
            << QStringList{"KAPITAŁ POŻYCZKOWY",
                           "",
                           "Kapitał własny",
                           "|Składnik|Wartość|Szczegóły",
                           "|Opis|7.00|tekst",
                           "|Gotówka|.00",
                           "",
                           "",
                           "DANE DOT. KAP.",
                           "Przyrost(+)\rSpadek(-)|Przyczyna",
                           "-20,00|Spłaty pożyczek",
                           "",
                           "ŹRÓDŁA KAP.",
                           "|Nazwa|Kwota"};
        QTest::newRow("groups with and without components, sources")
            << group + "insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Dotacje', 2, 0, 0);\n"
                   + component.arg(1).arg(1).arg("Dotacja").arg("-3.25").arg(2).arg(1).arg("''")
                   + "insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (1, 1, 'Dotacja UE', 1500);\n"
                     "insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (1, 1, 'Wkład', 1500.5);\n"
                     "insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (1, 1, 'Bez kwoty', NULL);\n"
                     "insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (2, 1, 'Inny okres', 7);\n"
            << QStringList{"KAPITAŁ POŻYCZKOWY",
                           "",
                           "Kapitał własny",
                           "|Składnik|Wartość|Szczegóły",
                           "",
                           "Dotacje",
                           "|Składnik|Wartość|Szczegóły",
                           "|Dotacja|-3.25",
                           "",
                           "",
                           "DANE DOT. KAP.",
                           "Przyrost(+)\rSpadek(-)|Przyczyna",
                           "-20,00|Spłaty pożyczek",
                           "",
                           "ŹRÓDŁA KAP.",
                           "|Nazwa|Kwota",
                           "|Dotacja UE|1500.00",
                           "|Wkład|1500.5",
                           "|Bez kwoty|.00"};
    }
    void capitalRows()
    {
        QFETCH(QString, capital);
        QFETCH(QStringList, rows);
        OpenedFund f(capital);
        f.build();
        QCOMPARE(sheetRowsText(f.sheet, 65), rows);
    }

    // The dictionary gained a group since the period was shown: the walk follows
    // the count, and the entry never filled prints an empty name, the header and
    // the components of group 0.
    void dictionaryGrewSinceOpening()
    {
        OpenedFund f;
        f.run("insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Nowa grupa', 5, 0, 0);\n"
              "insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, GRUPA, RODZAJ) "
              "values (9, 1, 'Bez grupy', 4, 0, 1);\n");
        f.build();
        QCOMPARE(sheetRowsText(f.sheet, 65).mid(0, 10),
                 (QStringList{"KAPITAŁ POŻYCZKOWY", "", "Kapitał własny", "|Składnik|Wartość|Szczegóły",
                              "|Lokaty|1500.5|Bank Śląski", "|Gotówka|1500.00", "", "", "|Składnik|Wartość|Szczegóły",
                              "|Bez grupy|4.00"}));
    }

    // More groups than the 100 entries of old: every group the page offers is printed, none past the list.
    void moreThanAHundredGroups()
    {
        QString script;
        for (int kod = 1; kod <= 101; ++kod)
            script +=
                QStringLiteral("insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Grupa %1', %1, 0, 0);\n")
                    .arg(kod);
        script += "insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, GRUPA, RODZAJ) values (1, 1, 'Ostatni', "
                  "1, 101, 1);\n";
        OpenedFund f(script);
        QCOMPARE(f.workflow.capitalGroups().size(), 101);
        f.build();
        QCOMPARE(f.sheet.cell(0, 67), QStringLiteral("Grupa 1"));
        QCOMPARE(f.sheet.cell(0, 67 + 3 * 100), QStringLiteral("Grupa 101"));
        QCOMPARE(f.sheet.cell(1, 69 + 3 * 100), QStringLiteral("Ostatni"));
        QCOMPARE(f.sheet.cell(0, 66 + 3 * 101 + 1 + 2), QStringLiteral("DANE DOT. KAP."));
    }

    // What the pages show counts, saved or not.
    void unsavedEditsArePrinted()
    {
        OpenedFund f;
        f.model.setText(QStringLiteral("l_kob"), QStringLiteral("5"));
        f.model.setText(QStringLiteral("w_kob"), QStringLiteral("100,25"));
        f.model.recomputeAllSums();
        f.model.setText(QStringLiteral("cb_pot"), QStringLiteral("Nie"));
        f.build();
        QCOMPARE(sheetRowsText(f.sheet, 28).value(0), QStringLiteral("Liczba poż.|5|||5"));
        QCOMPARE(sheetRowsText(f.sheet, 29).value(0), QStringLiteral("Wartość poż.|100.25|0.00|0.00|100.25"));
        QCOMPARE(f.sheet.cell(1, 57), QStringLiteral("Nie"));
    }

    void databaseErrorLeavesTheSheet()
    {
        OpenedFund f;
        f.sheet.titleLines = QStringList{"raport importu"};
        f.sheet.setCell(3, 3, QStringLiteral("komórka"));
        f.dm.KSU.executeImmediate(QStringLiteral("drop table KAPITAL_FUND"));
        f.dm.KSU.commitRetaining();
        QVERIFY_THROWS_EXCEPTION(db::Error, f.build());
        QCOMPARE(f.sheet.titleLines, QStringList{"raport importu"});
        QCOMPARE(f.sheet.cell(3, 3), QStringLiteral("komórka"));
        QCOMPARE(f.sheet.rowCount(), 4);
    }

    // The command writes the summary as a PDF that reads back with its texts.
    void commandWritesThePdf()
    {
        Fund f;
        RecordingMessages messages;
        const QString pdf = f.ws.path(QStringLiteral("podsumowanie.pdf"));
        QCOMPARE(runSummary({"01", "2013", "06", "2013", pdf}, messages), 0);
        QCOMPARE(messages.texts(), (QStringList{"Podany okres był już importowany i można go edytować",
                                                "Wydruk danych zapisany w " + QDir::toNativeSeparators(pdf)}));
        const QString text = pdfText(pdf);
        for (const char *expected : {"Dane sprawozdania za okres '2013-01-01' do '2013-06-30'",
                                     "Wersja programu: Prog 1.16.5",
                                     "DANE ZBIORCZE",
                                     "Ekonom. społ.",
                                     "4235.06",
                                     "Wytwarzanie i zaop...",
                                     "MIEJSCE ZAREJESTR.",
                                     "Pożyczki aktywne",
                                     "820100.00",
                                     "2,50 %",
                                     "ZASADY GOSPODAROWANIA",
                                     "120000,00",
                                     "Nie dotyczy",
                                     "KAPITAŁ POŻYCZKOWY",
                                     "Kapitał własny",
                                     "Bank Śląski",
                                     "1500.5",
                                     "DANE DOT. KAP.",
                                     "Spłaty pożyczek",
                                     "ŹRÓDŁA KAP.",
                                     "Wkład własny"}) {
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        }
        QVERIFY(!text.contains(QStringLiteral("Inny okres")));
    }

    void commandRefusals()
    {
        Fund f;
        RecordingMessages messages;
        const QString pdf = f.ws.path(QStringLiteral("p.pdf"));
        QCOMPARE(runSummary({"01", "2013", "05", "2013", pdf}, messages), 1);
        QCOMPARE(messages.texts(), QStringList{"Podany okres, nie został jeszcze zaimportowany !"});
        QVERIFY(!QFileInfo::exists(pdf));
        QCOMPARE(runSummary({"01", "2013", "06", "2013"}, messages), 2);
    }

    // The files the command must not write over, and what it says instead. Every
    // refusal leaves the file as it was and exits with 1.
    void commandRefusesToReplace_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("force");
        QTest::addColumn<QString>("refusal"); // empty: written
        QTest::newRow("reporting database") << "ksu.fdb" << true
                                            << "Plik %1 to baza danych programu Tervala (Path_ksu w pliku TV.ini). "
                                               "Raport nie zostanie w nim zapisany.\rWybierz inną nazwę pliku.";
        QTest::newRow("Lokra database") << "lokra.fdb" << true
                                        << "Plik %1 to baza danych programu Lokra (Path w pliku TV.ini). Raport nie "
                                           "zostanie w nim zapisany.\rWybierz inną nazwę pliku.";
        QTest::newRow("settings") << "TV.ini" << true
                                  << "Plik %1 to plik ustawień programu TV.ini. Raport nie zostanie w nim "
                                     "zapisany.\rWybierz inną nazwę pliku.";
        QTest::newRow("missing folder") << "wydruki/p.pdf" << true
                                        << "Folder %2 nie istnieje. Utwórz go albo wybierz inny folder na plik PDF.";
        QTest::newRow("text file") << "notatki.txt" << false
                                   << "Plik %1 istnieje i nie jest plikiem PDF, więc nie został zastąpiony.\r"
                                      "Podaj inną nazwę pliku albo dodaj opcję --force.";
        QTest::newRow("text file, --force") << "notatki.txt" << true << "";
        QTest::newRow("earlier summary") << "stary.pdf" << false << "";
    }
    void commandRefusesToReplace()
    {
        QFETCH(QString, target);
        QFETCH(bool, force);
        QFETCH(QString, refusal);
        Fund f;
        const QString path = f.ws.path(target);
        const auto write = [](const QString &file, const QByteArray &content) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        };
        write(f.ws.path(QStringLiteral("notatki.txt")), "moje notatki");
        write(f.ws.path(QStringLiteral("stary.pdf")), "%PDF-1.4 stary wydruk");
        const auto contents = [&](const QString &file) {
            QFile in(f.ws.path(file));
            return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
        };
        QMap<QString, QByteArray> before;
        for (const char *file : {"ksu.fdb", "lokra.fdb", "TV.ini", "notatki.txt", "stary.pdf"})
            before.insert(file, contents(file));

        RecordingMessages messages;
        QStringList args{"01", "2013", "06", "2013", path};
        if (force)
            args << QStringLiteral("--force");
        const int status = runSummary(args, messages);
        if (refusal.isEmpty()) {
            QCOMPARE(status, 0);
            QVERIFY(contents(target).startsWith("%PDF-"));
            QVERIFY(pdfText(path).contains(QStringLiteral("DANE ZBIORCZE")));
            return;
        }
        QCOMPARE(status, 1);
        refusal.replace(QStringLiteral("%1"), QDir::toNativeSeparators(path));
        refusal.replace(QStringLiteral("%2"), QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
        QCOMPARE(messages.texts().last(), refusal);
        QCOMPARE(messages.entries().last().kind, RecordingMessages::Kind::Error);
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            // Firebird itself updates a database's header pages on every attachment.
            if (it.key().endsWith(QStringLiteral(".fdb")))
                QCOMPARE(contents(it.key()).size(), it.value().size());
            else
                QCOMPARE(contents(it.key()), it.value());
            QVERIFY(it.key().endsWith(QStringLiteral(".pdf")) || !contents(it.key()).startsWith("%PDF"));
        }
        QVERIFY(!QFileInfo::exists(f.ws.path(QStringLiteral("wydruki"))));
    }
};

QTEST_MAIN(TestSummary)
#include "tst_summary.moc"
