// The import driver on the demo fund's Lokra database: new periods, overwrites,
// refusals and a failure half-way, with the reporting database checked after each.
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "import/importcontext.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "support/cli.h"
#include "support/golden.h"
#include "support/workspace.h"
#include "workflow/periodworkflow.h"

#include <QFile>
#include <QTest>

using Kind = RecordingMessages::Kind;

namespace {

class RecordingOutput : public import::ImportOutput
{
public:
    QList<int> progress;
    int errorReports = 0;
    reports::ReportSheet lastErrorReport;
    void setProgress(int percent) override { progress << percent; }
    void showErrorReport(const reports::ReportSheet &sheet) override
    {
        ++errorReports;
        lastErrorReport = sheet;
    }
};

struct Fixture
{
    Workspace ws;
    store::DataModule dm;
    store::PageModel model;
    RecordingMessages messages;
    PeriodView view;
    RecordingOutput output;
    PeriodWorkflow workflow{dm, model, messages, view};

    explicit Fixture(const QString &reportingScript = QString())
    {
        ws.createReportingDatabase();
        ws.createDatabase(QStringLiteral("lokra.fdb"), lokraDemoScript());
        ws.makeHome();
        dm.KSU.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        dm.KSU.open();
        if (!reportingScript.isEmpty())
            db::runSqlScript(dm.KSU, reportingScript);
        dm.LOKRA.setDatabase(QString(), ws.path(QStringLiteral("lokra.fdb")));
        dm.LOKRA.open();
    }

    bool import(const QStringList &c, QList<bool> answers = {})
    {
        messages.clear();
        messages.scriptAnswers(answers);
        try {
            return workflow.importPeriod({c[0], c[1], c[2], c[3]}, output);
        } catch (const db::Error &e) {
            qWarning("import failed: %s", qPrintable(e.message()));
            throw;
        }
    }

    QString column(const QString &sql)
    {
        db::Query q(dm.KSU, sql);
        q.execute();
        QStringList values;
        while (q.next())
            values << q.value(0).toString();
        return values.join(u',');
    }
};

// Periods 1, 2 and 4 with rules, a capital component, a change row and a source each.
QString threePeriods()
{
    QString s;
    const QList<std::pair<int, QString>> periods{
        {1, "2012-01-01', '2012-06-30"}, {2, "2012-07-01', '2012-12-31"}, {4, "2014-01-01', '2014-06-30"}};
    for (const auto &[id, dates] : periods) {
        s += QStringLiteral(
                 "insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (%1, '%2', current_date, 1);\n")
                 .arg(id)
                 .arg(dates);
        s += QStringLiteral("insert into ZASADY (ID_ZAS, ID_OK, INNE, OKRES_SPL) values (%1, %1, 'zasady %1', %1);\n")
                 .arg(id);
        s += QStringLiteral("insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, GRUPA) values (%1, %1, "
                            "'skladnik %1', %2, 1);\n")
                 .arg(id)
                 .arg(id * 1000 + 0.5);
        s += QStringLiteral("insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (%1, 0, 'zmiana %1', %1);\n")
                 .arg(id);
        s += QStringLiteral("insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (%1, 1, 'zrodlo %1', %1);\n")
                 .arg(id);
    }
    s += QStringLiteral("insert into DANE_INST (ID_OK, NAZWA, KRS) values (1, 'Fundusz z bazy', '0000123');\n");
    return s;
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void firstImportOfTheDemoFund()
    {
        Fixture f;
        QVERIFY(f.import({"01", "2013", "06", "2013"}));
        const QString pdf = f.ws.path(QStringLiteral("Eksport/IMP_2013-01-01_2013-06-30.pdf"));
        QCOMPARE(f.messages.entries().last(),
                 (RecordingMessages::Entry{
                     Kind::Information, applicationTitle(),
                     QStringLiteral("Dane zaimportowane...ale wystąpiły błędy\rPlik z importem zapisany w ") + pdf}));
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(f.output.errorReports, 1);
        QCOMPARE(f.output.progress.first(), 0);
        QCOMPARE(f.output.progress.last(), 100);
        QCOMPARE(f.workflow.period().CurrentPeriodId, QStringLiteral("1"));
        QVERIFY(f.workflow.period().isOpen);
        // Figures of the demo fund worked out by hand for January to June 2013.
        QCOMPARE(f.model.text("Jvl_poz_akt"), QStringLiteral("13"));
        QCOMPARE(f.model.text("Jvw_poz_akt"), QStringLiteral("820100,00"));
        QCOMPARE(f.model.text("Jvl_po_180"), QStringLiteral("1"));
        QCOMPARE(f.model.text("Jvl_poz_strac"), QStringLiteral("2"));
        QCOMPARE(f.column("select PA_L || '/' || PA_W || '/' || PS_L from AKT_STR where ID_OK = 1"),
                 QStringLiteral("13/820100.00/2"));
        QCOMPARE(f.model.text("Jvl_ra"), QStringLiteral("10"));
        QCOMPARE(f.model.text("Jvw_ra"), QStringLiteral("749500,00"));
        QCOMPARE(f.column("select count(*) from POZYCZKI where ID_OK = 1"), QStringLiteral("1"));
        // The first import takes the institution data from FIRMA and stores them.
        QCOMPARE(f.model.text("e_nazwa_inst"), QStringLiteral("Fundusz Pożyczkowy Przykładowy"));
        QCOMPARE(f.column("select NAZWA from DANE_INST where ID_OK = 1"),
                 QStringLiteral("Fundusz Pożyczkowy Przykładowy"));
        QCOMPARE(f.column("select count(*) from DANE_KAP where ID_OK = 1 and ZRODLO = 0"), QStringLiteral("1"));

        // Both reports, every contract behind every figure, against their golden files
        // (the import report's rows stay after the import, the error report as shown).
        for (const auto &[name, sheet] : {std::pair{"import-report.txt", &f.workflow.importReport},
                                          std::pair{"error-report.txt", &f.output.lastErrorReport}}) {
            const QString difference = differenceFromGolden(QString::fromLatin1(name), sheetText(*sheet));
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
    }

    // The fund's data as Lokra keeps them: a NIP written with dashes or blanks is
    // stored as its ten digits, so that the page's own check accepts it; anything
    // else is kept for the user to correct and named in the error report. Without
    // FIRMA's record 1 the import goes on and its closing message says so.
    void institutionFromFirma_data()
    {
        QTest::addColumn<QString>("lokraChange");
        QTest::addColumn<QString>("nip");
        QTest::addColumn<QString>("reportNote");  // a line of the error report's title, or none
        QTest::addColumn<QString>("closingNote"); // the closing message's last line, or none
        const QString noFirma = QStringLiteral("W bazie programu Lokra nie ma danych funduszu (tabela FIRMA, rekord nr "
                                               "1): uzupełnij je na stronie „Dane Funduszu” i zapisz zmiany.");
        QTest::newRow("dashes") << QString() << "7251834561" << QString() << QString();
        QTest::newRow("blanks") << "update FIRMA set NIP = '725 183 45 61'"
                                << "7251834561" << QString() << QString();
        QTest::newRow("digits already") << "update FIRMA set NIP = '7251834561'"
                                        << "7251834561" << QString() << QString();
        QTest::newRow("nine digits") << "update FIRMA set NIP = '725-18-34-56'"
                                     << "725-18-34-56"
                                     << QStringLiteral(
                                            "NIP funduszu w programie Lokra („725-18-34-56”) nie składa się z "
                                            "dziesięciu cyfr: popraw go na stronie „Dane Funduszu”.")
                                     << QString();
        QTest::newRow("a letter") << "update FIRMA set NIP = 'PL7251834561'"
                                  << "PL7251834561"
                                  << QStringLiteral("NIP funduszu w programie Lokra („PL7251834561”) nie składa się z "
                                                    "dziesięciu cyfr: popraw go na stronie „Dane Funduszu”.")
                                  << QString();
        QTest::newRow("no record 1") << "update FIRMA set NR_REKORDU = 2" << QString() << QString() << noFirma;
    }
    void institutionFromFirma()
    {
        QFETCH(QString, lokraChange);
        QFETCH(QString, nip);
        QFETCH(QString, reportNote);
        QFETCH(QString, closingNote);
        Fixture f;
        if (!lokraChange.isEmpty())
            db::runSqlScript(f.dm.LOKRA, lokraChange + u';');
        QVERIFY(f.import({"01", "2013", "06", "2013"}));
        QCOMPARE(f.model.text("e_nip_inst"), nip);
        QCOMPARE(f.column("select NIP from DANE_INST where ID_OK = 1"), nip);
        QCOMPARE(f.output.lastErrorReport.titleLines.contains(reportNote), !reportNote.isEmpty());
        const QStringList closing = f.messages.entries().last().text.split(u'\r');
        QCOMPARE(closing.size(), closingNote.isEmpty() ? 2 : 3);
        if (!closingNote.isEmpty())
            QCOMPARE(closing.last(), closingNote);
    }

    // With OKRES holding 1 (2012 H1), 2 (2012 H2) and 4 (2014 H1): a new period gets
    // key 5 and takes the rules and the capital of the period that ends latest
    // before it starts (the latest of all when none does). A period imported again
    // keeps its key, its rules, its capital and the institution data: only the two
    // pages computed from Lokra are replaced.
    void periodKeysAndCarryOver_data()
    {
        QTest::addColumn<QStringList>("combos");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("periodsAfter");
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("new period between 2 and 4") << QStringList{"01", "2013", "06", "2013"} << "5"
                                                    << "2"
                                                    << "1,2,4,5" << false;
        QTest::newRow("new period after all") << QStringList{"1", "2015", "6", "2015"} << "5"
                                              << "4"
                                              << "1,2,4,5" << false;
        QTest::newRow("new period before all") << QStringList{"01", "2011", "06", "2011"} << "5"
                                               << "4"
                                               << "1,2,4,5" << false;
        QTest::newRow("overwrite 1") << QStringList{"01", "2012", "06", "2012"} << "1"
                                     << "1"
                                     << "1,2,4" << true;
        QTest::newRow("overwrite 2") << QStringList{"07", "2012", "12", "2012"} << "2"
                                     << "2"
                                     << "1,2,4" << true;
        QTest::newRow("overwrite 4") << QStringList{"01", "2014", "06", "2014"} << "4"
                                     << "4"
                                     << "1,2,4" << true;
    }
    void periodKeysAndCarryOver()
    {
        QFETCH(QStringList, combos);
        QFETCH(QString, id);
        QFETCH(QString, source);
        QFETCH(QString, periodsAfter);
        QFETCH(bool, overwrite);
        std::unique_ptr<Fixture> fixture;
        try {
            fixture = std::make_unique<Fixture>(threePeriods());
        } catch (const std::exception &e) {
            QFAIL(e.what());
        }
        Fixture &f = *fixture;
        QVERIFY(f.import(combos, {true}));
        if (overwrite)
            QCOMPARE(f.messages.entries().first().text,
                     QStringLiteral("Podany okres został już wcześniej zaimportowany. Przykryc dany okres ?\r"
                                    "Dane stron „Dane zbiorcze” i „Aktywne i stracone pożyczki” zostaną zaimportowane "
                                    "na nowo. Strony „Dane Funduszu”, „Kapitał pożyczkowy” i „Zasady gospodarowania” "
                                    "pozostaną bez zmian."));
        QVERIFY2(f.messages.entries().last().text.startsWith(overwrite ? QStringLiteral("Dane przyryte pomyślnie")
                                                                       : QStringLiteral("Dane zaimportowane")),
                 qPrintable(f.messages.texts().join(u'|')));
        QCOMPARE(f.workflow.period().CurrentPeriodId, id);
        QCOMPARE(f.column("select ID_OK from OKRES order by ID_OK"), periodsAfter);
        const QString where = QStringLiteral(" where ID_OK = ") + id;
        QCOMPARE(f.column("select INNE from ZASADY" + where), "zasady " + source);
        QCOMPARE(f.model.text("e_zinne"), "zasady " + source);
        QCOMPARE(f.column("select SKLADNIK from KAPITAL_FUND" + where), "skladnik " + source);
        QCOMPARE(f.column("select NAZWA from DANE_KAP" + where + " order by ZRODLO"),
                 "zmiana " + source + ",zrodlo " + source);
        QCOMPARE(f.model.text("Przyr_spad"), "zmiana " + source);
        QCOMPARE(f.model.capitalSources().size(), 1);
        // The two computed pages hold one row each, of this import.
        QCOMPARE(f.column("select count(*) from AKT_STR" + where), QStringLiteral("1"));
        QCOMPARE(f.column("select count(*) from POZYCZKI" + where), QStringLiteral("1"));
        QCOMPARE(f.column("select count(*) from AKT_STR"), QStringLiteral("1"));
        // Institution data come from the stored row, not from Lokra, and stay stored.
        QCOMPARE(f.model.text("e_nazwa_inst"), QStringLiteral("Fundusz z bazy"));
        QCOMPARE(f.column("select NAZWA || '/' || KRS from DANE_INST"), QStringLiteral("Fundusz z bazy/0000123"));
    }

    // A refusal changes nothing: the open period stays as it was.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("combos");
        QTest::addColumn<QString>("message");
        QTest::newRow("declined overwrite")
            << QStringList{"01", "2013", "06", "2013"}
            << "Podany okres został już wcześniej zaimportowany. Przykryc dany okres ?\r"
               "Dane stron „Dane zbiorcze” i „Aktywne i stracone pożyczki” zostaną "
               "zaimportowane na nowo. Strony „Dane Funduszu”, „Kapitał pożyczkowy” i "
               "„Zasady gospodarowania” pozostaną bez zmian.";
        QTest::newRow("invalid period") << QStringList{"06", "2013", "05", "2013"}
                                        << "Błędnie podany okres sprawozdawczy !";
        QTest::newRow("empty year") << QStringList{"01", "", "06", "2013"} << "Błędnie podany okres sprawozdawczy !";
    }
    void refusals()
    {
        QFETCH(QStringList, combos);
        QFETCH(QString, message);
        Fixture f;
        QVERIFY(f.import({"01", "2013", "06", "2013"}));
        const QString before = f.column("select count(*) from OKRES") + f.column("select count(*) from AKT_STR");
        QVERIFY(!f.import(combos, {false}));
        QCOMPARE(f.messages.texts(), QStringList{message});
        QCOMPARE(f.workflow.period().CurrentPeriodId, QStringLiteral("1"));
        QCOMPARE(f.workflow.period().PeriodEndText, QStringLiteral("2013-06-30"));
        QVERIFY(f.workflow.period().isOpen);
        QCOMPARE(f.column("select count(*) from OKRES") + f.column("select count(*) from AKT_STR"), before);
    }

    // An error half-way rolls the whole import back, an overwrite included.
    void failureHalfWayChangesNothing()
    {
        Fixture f(threePeriods());
        db::Connection lokra;
        f.dm.LOKRA.close();
        lokra.setDatabase(QString(), f.ws.path(QStringLiteral("lokra.fdb")));
        lokra.open();
        lokra.executeImmediate(QStringLiteral("drop procedure ZALEGLOSCI_AKTUALNE"));
        lokra.commitRetaining();
        lokra.close();
        f.dm.LOKRA.open();
        const QString tables[] = {"OKRES", "ZASADY", "KAPITAL_FUND", "DANE_KAP", "DANE_INST", "AKT_STR", "POZYCZKI"};
        auto snapshot = [&] {
            QStringList s;
            for (const QString &t : tables)
                s << f.column("select count(*) from " + t);
            return s;
        };
        const QStringList before = snapshot();
        f.model.setText("e_nazwa_inst", QStringLiteral("typed"));
        try {
            f.import({"07", "2012", "12", "2012"}, {true});
            QFAIL("the import went through without its procedure");
        } catch (const db::Error &e) {
            QVERIFY(e.message().contains(QStringLiteral("pozostała bez zmian")));
        }
        QCOMPARE(snapshot(), before);
        QCOMPARE(f.column("select ID_OK from OKRES order by ID_OK"), QStringLiteral("1,2,4"));
        QCOMPARE(f.model.text("e_nazwa_inst"), QStringLiteral("typed"));
        QVERIFY(!f.workflow.period().isOpen);
    }

    void commandLineImport()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.createDatabase(QStringLiteral("lokra.fdb"), lokraDemoScript());
        ws.writeEmbeddedIni();
        CliResult r = runTervala({"--home", ws.path(), "import", "01", "2013", "06", "2013"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("Raport błędów zapisany w ")
                                + ws.path("Eksport/ERR_2013-01-01_2013-06-30.pdf")),
                 qPrintable(r.out));
        QVERIFY(QFile::exists(ws.path("Eksport/ERR_2013-01-01_2013-06-30.pdf")));
        // Without --overwrite the question is answered No: nothing happens, exit 1.
        r = runTervala({"--home", ws.path(), "import", "01", "2013", "06", "2013"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.out.contains(
            QStringLiteral("Pytanie: Podany okres został już wcześniej zaimportowany. Przykryc dany okres ?\n")));
        QVERIFY(r.out.contains(QStringLiteral("„Zasady gospodarowania” pozostaną bez zmian. Nie\n")));
        // The last line says how to import it again and what that replaces.
        QVERIFY2(r.out.endsWith(QStringLiteral("Okres pozostał bez zmian. Aby zaimportować go ponownie, dodaj opcję "
                                               "--overwrite: strony „Dane zbiorcze” i „Aktywne i stracone pożyczki” "
                                               "zostaną zaimportowane na nowo, a „Dane Funduszu”, „Kapitał "
                                               "pożyczkowy” i „Zasady gospodarowania” pozostaną bez zmian.\n")),
                 qPrintable(r.out));
        r = runTervala({"--home", ws.path(), "import", "01", "2013", "06", "2013", "--overwrite"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QStringLiteral("Dane przykryte...ale wystąpiły błędy\nPlik z importem zapisany w ")));
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
