#include "cli/outputcommands.h"
#include "common/apppaths.h"
#include "common/fileerror.h"
#include "common/messages.h"
#include "db/error.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "reports/xmlreport.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "support/workspace.h"
#include "workflow/periodworkflow.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QXmlStreamReader>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using Kind = RecordingMessages::Kind;
using Entry = RecordingMessages::Entry;

namespace {

// Two periods. The first half of 2013 has a figure of every kind: the golden file
// is written from it. The second half has one component of its own.
const char *SmallFund = R"(
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (1, '2013-01-01', '2013-06-30', '2013-07-02', 1);
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (2, '2013-07-01', '2013-12-31', '2014-01-03', 1);
insert into DANE_INST (ID_OK, NAZWA, NIP) values (1, 'Fundusz Łódzki', '1234567890');
insert into ZASADY (ID_ZAS, ID_OK, FUN_NIE_ZYS, MIN_OPR, PO_ANALIZ, MAX_POZ, TRUD_SYT, POT_EKO, KWAL_PRAC, INNE,
                    WYM_TECH, WYM_EKO, WYM_USL, ET_ZAW, OKRES_SPL)
  values (1, 1, 'Tak', 3, 'Nie', 120000, '', 'Tak', 'tak', 'Zabezpieczenie & weksel <in blanco>',
          'Nie dotyczy', 'Tak', 'Nie', '', 60);
insert into POZYCZKI (ID_OK, MIKRO_LS, MIKRO_WS, MALE_LS, MALE_WS, SREDNIE_LS, SREDNIE_WS, US_LS, US_WS,
                      S_PRZP_LS, S_PRZP_WS, S_PRZK_LS, S_PRZK_WS, MZ_WIEJ_LS, MZ_WIEJ_WS, MZ_MIEJ_LS, MZ_MIEJ_WS, WPROWADZIL)
  values (1, 12, 1500, 3, 1500.5, 1, 1234.56, 16, 4235.06, 4, 1000, 12, 3235.06, 9, 2000, 7, 2235.06, 1);
insert into AKT_STR (ID_OK, PA_L, PA_W, ST_L, ST_W, PS_L, PS_W, WSDO_L, WSDO_W) values (1, 13, 820100, 11, 700000.5, 2, 25000, 2.5, 3);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (1, 0, 'Spłaty "starych" pożyczek', -20);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (1, 1, 'Dotacja UE', 10000);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (1, 1, 'Wkład własny', 1500.25);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA) values (2, 0, 'Bez zmian', 0);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Kapitał własny', 1, 0, 0);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Gotówka', 10, 1, 1);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Lokaty', 11, 1, 2);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Bank "Śląski"', 110, 11, 0);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Inne składniki', 12, 1, 3);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Dotacje & "pożyczki"', 2, 0, 0);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Dotacja', 20, 2, 1);
insert into SLOWNIKI (NAZWA, KOD, GRUPA, RODZAJ) values ('Bez składników', 3, 0, 0);
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (1, 1, 'Inne składniki', 250, 12, 1, 3, 'Weksle ]]> & <umowy>');
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (2, 1, 'Lokaty', 100.5, 11, 1, 2, 'Bank "Śląski"');
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (3, 1, 'Gotówka', 1500, 10, 1, 1, '');
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (4, 1, 'Stary składnik', 5, 99, 1, 0, 'nie drukowany');
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (5, 1, 'Dotacja', NULL, 20, 2, 1, NULL);
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (6, 2, 'Gotówka drugiego półrocza', 7, 10, 1, 1, '');
)";

const QStringList FirstHalf{"01", "2013", "06", "2013"};
const QStringList SecondHalf{"07", "2013", "12", "2013"};

// A reporting database with the small fund, a Lokra database and TV.ini in a
// temporary home folder.
struct Fund
{
    Workspace ws;

    Fund()
    {
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        ws.writeEmbeddedIni();
        ws.makeHome();
        db::Connection ksu;
        ksu.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        ksu.open();
        db::runSqlScript(ksu, QString::fromUtf8(SmallFund));
        ksu.close();
    }
    QString xmlPath() const { return ws.path(QStringLiteral("Eksport/plik.xml")); }
};

// The fund with the window's side opened on it: connections, pages, workflow.
struct OpenedFund : Fund
{
    store::DataModule dm;
    store::PageModel model;
    RecordingMessages messages;
    PeriodView view;
    PeriodWorkflow workflow{dm, model, messages, view};

    OpenedFund()
    {
        dm.KSU.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        dm.KSU.open();
        dm.LOKRA.setDatabase(QString(), ws.path(QStringLiteral("lokra.fdb")));
        dm.LOKRA.open();
    }
    bool open(const QStringList &c)
    {
        messages.clear();
        const bool opened = workflow.openPeriod({c[0], c[1], c[2], c[3]});
        messages.clear();
        return opened;
    }
    void zapis() { workflow.writeXml(); }
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// One element of a file read back: its path from the root, the nearest `typ`
// (its own or an ancestor's) and, for a leaf, its text.
struct Element
{
    QString path;
    QString typ;
    QString text;
};

// Reads a file with Qt's XML reader, which accepts only well-formed XML 1.0.
struct ReadBack
{
    QString error;
    QString version;
    QString encoding;
    QList<Element> elements;

    explicit ReadBack(const QByteArray &bytes)
    {
        QXmlStreamReader r(bytes);
        QStringList names;
        QStringList typs;
        QList<int> index;
        while (!r.atEnd()) {
            switch (r.readNext()) {
            case QXmlStreamReader::StartDocument:
                version = r.documentVersion().toString();
                encoding = r.documentEncoding().toString();
                break;
            case QXmlStreamReader::StartElement: {
                names << r.name().toString();
                const QString own = r.attributes().value(QStringLiteral("typ")).toString();
                typs << (r.attributes().hasAttribute(QStringLiteral("typ")) ? own : typs.value(typs.size() - 1));
                index << int(elements.size());
                elements.append({names.join(u'/'), typs.last(), QString()});
                break;
            }
            case QXmlStreamReader::Characters:
                if (!index.isEmpty())
                    elements[index.last()].text += r.text().toString();
                break;
            case QXmlStreamReader::EndElement:
                names.removeLast();
                typs.removeLast();
                index.removeLast();
                break;
            default:
                break;
            }
        }
        if (r.hasError())
            error = QStringLiteral("%1 (wiersz %2)").arg(r.errorString()).arg(r.lineNumber());
    }

    // The text of the only element with this last name and typ.
    QString value(const QString &name, const QString &typ = QString()) const
    {
        QStringList found;
        for (const Element &e : elements) {
            if (e.path.section(u'/', -1) == name && e.typ == typ)
                found << e.text;
        }
        return found.size() == 1 ? found.first() : QStringLiteral("<%1 elements>").arg(found.size());
    }
    QStringList texts(const QString &path) const
    {
        QStringList out;
        for (const Element &e : elements) {
            if (e.path == path)
                out << e.text;
        }
        return out;
    }
    QStringList childNames(const QString &path) const
    {
        QStringList out;
        for (const Element &e : elements) {
            if (e.path.section(u'/', 0, -2) == path)
                out << e.path.section(u'/', -1);
        }
        return out;
    }
};

// libxml2's own check of a file's bytes.
QString xmllintErrors(const QByteArray &bytes)
{
    QProcess p;
    p.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("-")});
    p.write(bytes);
    p.closeWriteChannel();
    if (!p.waitForFinished())
        return QStringLiteral("xmllint did not run");
    const QString err = QString::fromUtf8(p.readAllStandardError());
    return p.exitCode() == 0 && err.isEmpty() ? QString()
                                              : err + QStringLiteral(" exit ") + QString::number(p.exitCode());
}

// The bytes must be accepted by both parsers; `var` is what Qt's reader read.
#define READ_BACK_BYTES(var, bytes)                                                                                    \
    const QByteArray var##Bytes = (bytes);                                                                             \
    const QString var##Lint = xmllintErrors(var##Bytes);                                                               \
    QVERIFY2(var##Lint.isEmpty(), qPrintable(var##Lint));                                                              \
    const ReadBack var(var##Bytes);                                                                                    \
    QVERIFY2(var.error.isEmpty(), qPrintable(var.error))
#define READ_BACK(var, path) READ_BACK_BYTES(var, readFile(path))

const QString SourcesPath = QStringLiteral("sprawozdanie/kapital_pozyczkowy/zrodlo_kapitalu_pozyczkowego");
const QString ComponentPath = QStringLiteral("sprawozdanie/kapital_pozyczkowy/skladnik_kapitalu_pozyczkowego");

store::OpenPeriod openPeriod()
{
    store::OpenPeriod p;
    p.isOpen = true;
    p.CurrentPeriodId = QStringLiteral("1");
    p.PeriodStartText = QStringLiteral("2013-01-01");
    p.PeriodEndText = QStringLiteral("2013-06-30");
    return p;
}

reports::CapitalGroupComponents group(const QString &name, QList<reports::CapitalComponent> components)
{
    reports::CapitalGroupComponents g;
    g.group.Kod = 1;
    g.group.Nazwa = name;
    g.components = std::move(components);
    return g;
}

#ifdef Q_OS_UNIX
// Rejects writes that would make any file longer than `bytes` for as long as it
// lives; the disk then refuses a write the way a full disk does.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};
#endif

} // namespace

class TestXmlReport : public QObject
{
    Q_OBJECT

private slots:
    void toPointDecimal_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole") << "1500"
                               << "1500.00";
        QTest::newRow("one decimal kept") << "1500,5"
                                          << "1500.5";
        QTest::newRow("two decimals") << "1234,56"
                                      << "1234.56";
        QTest::newRow("negative") << "-20"
                                  << "-20.00";
        QTest::newRow("empty (NULL)") << ""
                                      << ".00";
        QTest::newRow("already a point: no comma") << "2.5"
                                                   << "2.5.00";
    }
    void toPointDecimal()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(reports::ToPointDecimal(text), expected);
    }

    // The small period written by "Zapisz do pliku" is exactly the golden file:
    // declaration, CRLF, no indentation, the empty line of the list component.
    void goldenFile()
    {
        OpenedFund f;
        QVERIFY(f.open(FirstHalf));
        f.zapis();
        const QString shown = QDir::toNativeSeparators(f.xmlPath());
        QCOMPARE(f.messages.entries(),
                 (QList<Entry>{{Kind::Information, applicationTitle(), "Plik zapisany pomyślnie w " + shown}}));
        const QByteArray written = readFile(f.xmlPath());
        const QByteArray golden = readFile(QStringLiteral(TERVALA_SOURCE_DIR "/tests/golden/plik_small.xml"));
        if (written != golden) {
            // Kept after the test for a look at the difference.
            QFile out(QDir::temp().filePath(QStringLiteral("plik_small.actual.xml")));
            if (out.open(QIODevice::WriteOnly))
                out.write(written);
            QFAIL(qPrintable("differs from the golden file; written to " + out.fileName()));
        }
        QVERIFY(written.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<sprawozdanie>\r\n"));
        QCOMPARE(written.count("\n"), written.count("\r\n"));
        QVERIFY(!written.contains("\r\n "));
    }

    // The same file read back by two parsers holds the figures stored for the period.
    void storedFiguresReadBack()
    {
        OpenedFund f;
        QVERIFY(f.open(FirstHalf));
        f.zapis();
        READ_BACK(x, f.xmlPath());
        QCOMPARE(x.version, QStringLiteral("1.0"));
        QCOMPARE(x.encoding, QStringLiteral("utf-8"));
        QCOMPARE(x.value("poczatek_okresu_sprawozdawczego"), QStringLiteral("2013-01-01"));
        QCOMPARE(x.value("koniec_okresu_sprawozdawczego"), QStringLiteral("2013-06-30"));
        QCOMPARE(x.texts("sprawozdanie/dane_zbiorcze/kategoria").size(), 32);
        QCOMPARE(x.value("ilosc", "typ mikro"), QStringLiteral("12"));
        QCOMPARE(x.value("wartosc", "typ mikro"), QStringLiteral("1500.00"));
        QCOMPARE(x.value("wartosc", "typ male"), QStringLiteral("1500.5"));
        QCOMPARE(x.value("wartosc", "typ srednie"), QStringLiteral("1234.56"));
        QCOMPARE(x.value("ilosc", "typ inne"), QString());
        QCOMPARE(x.value("wartosc", "typ inne"), QStringLiteral("0.00"));
        QCOMPARE(x.value("ilosc", "dzialalnosc PKD 55"), QStringLiteral("16"));
        QCOMPARE(x.value("wartosc", "status rozpoczynajacy"), QStringLiteral("1000.00"));
        QCOMPARE(x.value("wartosc", "status kontynuujacy"), QStringLiteral("3235.06"));
        QCOMPARE(x.value("ilosc", "pochodzenie wiejskich"), QStringLiteral("9"));
        QCOMPARE(x.value("ilosc", "pochodzenie miejskich"), QStringLiteral("7"));
        QCOMPARE(x.value("ilosc", "Pożyczki aktywne na koniec okresu sprawozdawczego (obowiązujące umowy)"),
                 QStringLiteral("13"));
        QCOMPARE(x.value("wartosc", "- spłacane terminowo (opóźnienia w spłacie nie przekraczające 30 dni)"),
                 QStringLiteral("700000.5"));
        QCOMPARE(x.value("wartosc", "Pożyczki stracone w danym okresie"), QStringLiteral("25000.00"));
        QCOMPARE(x.value("procent", "Współczynnik strat w danym okresie"), QStringLiteral("2.5"));
        QCOMPARE(x.value("zmiana_wartosc"), QStringLiteral("-20.00"));
        QCOMPARE(x.value("zmiana_przyczyna"), QStringLiteral("Spłaty \"starych\" pożyczek"));
        QCOMPARE(x.texts(SourcesPath + "/opis"), (QStringList{"Dotacja UE", "Wkład własny"}));
        QCOMPARE(x.texts(SourcesPath + "/wartosc"), (QStringList{"10000.00", "1500.25"}));
        // Kinds 1, 2, 3 in that order whatever the table's order; kind 0 left out.
        QCOMPARE(x.texts(ComponentPath + "/rodzaj_kapitalu"),
                 (QStringList{"Gotówka", "Lokaty", "Inne składniki", "Dotacja"}));
        QCOMPARE(x.texts(ComponentPath + "/wartosc"), (QStringList{"1500.00", "100.5", "250.00", ".00"}));
        QCOMPARE(x.texts(ComponentPath + "/skp_lista/element_listy"), QStringList{"Bank \"Śląski\""});
        QCOMPARE(x.texts(ComponentPath + "/skp_napis"), QStringList{"Weksle ]]> & <umowy>"});
        QStringList typs;
        for (const Element &e : x.elements) {
            if (e.path == ComponentPath)
                typs << e.typ;
        }
        QCOMPARE(typs, (QStringList{"Kapitał własny", "Kapitał własny", "Kapitał własny", "Dotacje & \"pożyczki\""}));
        QCOMPARE(x.value("wartosc", "fundusz_nie_dziala_dla_zysku"), QStringLiteral("true"));
        QCOMPARE(x.value("zg_minimalne_oprocentowanie"), QStringLiteral("3.00"));
        QCOMPARE(x.value("zg_max_wielkosc_pozyczki"), QStringLiteral("120000.00"));
        QCOMPARE(x.value("zg_inne"), QStringLiteral("Zabezpieczenie & weksel <in blanco>"));
        QCOMPARE(x.value("zg_max_okres_splaty_mies"), QStringLiteral("60"));
        QCOMPARE(x.childNames("sprawozdanie"), (QStringList{"naglowek", "dane_zbiorcze", "aktywne_i_stracone_pozyczki",
                                                            "kapital_pozyczkowy", "zasady_gospodarowania"}));
    }

    // Number formats of the file, one field at a time on otherwise empty pages.
    void formats_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("typ");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole amount") << "Jvw_mik"
                                      << "1500"
                                      << "wartosc"
                                      << "typ mikro"
                                      << "1500.00";
        QTest::newRow("one decimal") << "Jvw_mik"
                                     << "1500,5"
                                     << "wartosc"
                                     << "typ mikro"
                                     << "1500.5";
        QTest::newRow("two decimals") << "w_in"
                                      << "1234,56"
                                      << "wartosc"
                                      << "dzialalnosc PKD 97"
                                      << "1234.56";
        QTest::newRow("zero") << "Jvw_300"
                              << "0"
                              << "wartosc"
                              << "kwota pow. 300"
                              << "0.00";
        QTest::newRow("empty value") << "Jvw_300"
                                     << ""
                                     << "wartosc"
                                     << "kwota pow. 300"
                                     << "0.00";
        QTest::newRow("negative change") << "Prz_kw"
                                         << "-20"
                                         << "zmiana_wartosc"
                                         << ""
                                         << "-20.00";
        QTest::newRow("money of the active loans") << "Jvw_pw"
                                                   << "12,5"
                                                   << "wartosc"
                                                   << "Pożyczki dla których zostały wypowiedziane umowy pożyczkowe, "
                                                      "w tym podlegające windykacji"
                                                   << "12.5";
        QTest::newRow("largest loan") << "jv_max"
                                      << "120000"
                                      << "zg_max_wielkosc_pozyczki"
                                      << ""
                                      << "120000.00";
        QTest::newRow("decimal 2.5") << "jv_min_opr"
                                     << "2,5"
                                     << "zg_minimalne_oprocentowanie"
                                     << ""
                                     << "2.5";
        QTest::newRow("decimal 3") << "jv_min_opr"
                                   << "3"
                                   << "zg_minimalne_oprocentowanie"
                                   << ""
                                   << "3.00";
        QTest::newRow("ratio") << "Jvl_wspol_strat"
                               << "15,38"
                               << "procent"
                               << "Współczynnik strat w danym okresie"
                               << "15.38";
        QTest::newRow("count") << "l_kon"
                               << "7"
                               << "ilosc"
                               << "status kontynuujacy"
                               << "7";
        QTest::newRow("empty count") << "l_kon"
                                     << ""
                                     << "ilosc"
                                     << "status kontynuujacy"
                                     << "";
        QTest::newRow("months") << "Okres_spl"
                                << "60"
                                << "zg_max_okres_splaty_mies"
                                << ""
                                << "60";
        QTest::newRow("no months") << "Okres_spl"
                                   << ""
                                   << "zg_max_okres_splaty_mies"
                                   << ""
                                   << "";
    }
    void formats()
    {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, element);
        QFETCH(QString, typ);
        QFETCH(QString, expected);
        store::PageModel model;
        QVERIFY(model.setText(control, typed));
        READ_BACK_BYTES(x, reports::BuildXmlReport(openPeriod(), model, {}));
        QCOMPARE(x.value(element, typ), expected);
    }

    void yesNoRules_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("twoWay");
        QTest::addColumn<QString>("threeWay");
        QTest::newRow("Tak") << "Tak"
                             << "true"
                             << "true";
        QTest::newRow("Nie") << "Nie"
                             << "false"
                             << "false";
        QTest::newRow("Nie dotyczy") << "Nie dotyczy"
                                     << "false"
                                     << "nie_dotyczy";
        QTest::newRow("empty") << ""
                               << "false"
                               << "nie_dotyczy";
        QTest::newRow("lower case tak") << "tak"
                                        << "false"
                                        << "nie_dotyczy";
    }
    void yesNoRules()
    {
        QFETCH(QString, answer);
        QFETCH(QString, twoWay);
        QFETCH(QString, threeWay);
        store::PageModel model;
        for (const QString &control : store::PageModel::ruleControls()) {
            if (control.startsWith(QStringLiteral("cb_")))
                model.setText(control, answer);
        }
        READ_BACK_BYTES(x, reports::BuildXmlReport(openPeriod(), model, {}));
        const QStringList values = x.texts(QStringLiteral("sprawozdanie/zasady_gospodarowania/"
                                                          "zasady_gospodarowania_tak_nie/wartosc"));
        QCOMPARE(values, (QStringList{twoWay, twoWay, twoWay, twoWay, twoWay, threeWay, threeWay, threeWay, threeWay}));
    }

    // Whatever the texts hold, the file is well-formed and gives them back unchanged.
    void textsStayWellFormed()
    {
        Fund f;
        store::PageModel model;
        const QString reason = QStringLiteral("A&B <c> ]]> \"d\" 'e' żółć\r\ndruga linia\tz tabulatorem");
        const QString groupName = QStringLiteral("Grupa \"A\" & <B> ]]> ąę\tx\ny");
        model.setText(QStringLiteral("Przyr_spad"), reason);
        model.setText(QStringLiteral("e_zinne"), QStringLiteral("]]>]]>&&<<"));
        model.setCapitalSources({{1, QStringLiteral("Źródło & <spółka> ]]>"), db::Money::fromWhole(5)}});
        store::CapitalComponent c;
        c.SKLADNIK = QStringLiteral("Składnik & <x> ]]>");
        c.WARTOSC = db::Money::parse(u"1,5").value();
        c.RODZAJ = store::RodzajFreeText;
        c.SZCZEGOLY = QStringLiteral("Szczegóły ]]> & < \" 😀");
        const QByteArray bytes = reports::BuildXmlReport(openPeriod(), model, {group(groupName, {c})});
        reports::SaveXmlFile(f.xmlPath(), bytes);
        READ_BACK(x, f.xmlPath());
        QCOMPARE(x.value("zmiana_przyczyna"), reason);
        QCOMPARE(x.value("zg_inne"), QStringLiteral("]]>]]>&&<<"));
        QCOMPARE(x.texts(SourcesPath + "/opis"), QStringList{"Źródło & <spółka> ]]>"});
        QCOMPARE(x.value("rodzaj_kapitalu", groupName), c.SKLADNIK);
        QCOMPARE(x.value("skp_napis", groupName), c.SZCZEGOLY);
        QCOMPARE(x.value("wartosc", groupName), QStringLiteral("1.5"));
        // Polish letters as UTF-8 bytes, no byte-order mark; in content "]]>" never stands raw.
        QVERIFY(bytes.contains("żółć"));
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.contains("\r\n<zg_inne>]]&gt;]]&gt;&amp;&amp;&lt;&lt;</zg_inne>\r\n"));
        QVERIFY(bytes.contains(
            "\r\n<skladnik_kapitalu_pozyczkowego typ=\"Grupa &quot;A&quot; &amp; &lt;B> ]]> ąę&#9;x&#10;y\">\r\n"));
    }

    // A text XML 1.0 cannot carry stops the write with a message naming the field;
    // the old file stays and no success is announced.
    void forbiddenCharacters_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("field");
        const QString nul(QChar(0x01));
        QTest::newRow("reason") << "Przyr_spad"
                                << "Zmiana" + nul
                                << "pole „Przyczyna przyrostu lub spadku kapitału” na stronie „Kapitał pożyczkowy”";
        QTest::newRow("other rules") << "e_zinne" << QString(QChar(0x1F))
                                     << "pole „Inne” na stronie „Zasady gospodarowania”";
        QTest::newRow("unpaired surrogate") << "e_zinne" << QString(QChar(0xD800)) + "x"
                                            << "pole „Inne” na stronie „Zasady gospodarowania”";
        QTest::newRow("U+FFFF") << "e_zinne" << QString(QChar(0xFFFF))
                                << "pole „Inne” na stronie „Zasady gospodarowania”";
        QTest::newRow("source name") << "source"
                                     << "Dot" + QString(QChar(0x0B)) << "nazwa źródła kapitału „Dot?”";
        QTest::newRow("component name") << "component"
                                        << "Gotówka" + QString(QChar(0x08))
                                        << "składnik kapitału „Gotówka?” grupy „Kapitał własny”";
        QTest::newRow("component details")
            << "details"
            << "Bank" + QString(QChar(0x07)) << "szczegóły: składnik kapitału „Lokaty” grupy „Kapitał własny”";
    }
    void forbiddenCharacters()
    {
        QFETCH(QString, where);
        QFETCH(QString, bad);
        QFETCH(QString, field);
        OpenedFund f;
        QVERIFY(f.open(FirstHalf));
        writeFile(f.xmlPath(), "<stary plik/>");
        if (where == QStringLiteral("source")) {
            f.model.setCapitalSources({{1, bad, db::Money::fromWhole(1)}});
        } else if (where == QStringLiteral("component") || where == QStringLiteral("details")) {
            const QString column =
                where == QStringLiteral("component") ? QStringLiteral("SKLADNIK") : QStringLiteral("SZCZEGOLY");
            db::Query q(f.dm.KSU, QStringLiteral("update KAPITAL_FUND set %1=:d0 where ID_SKL=:d1").arg(column));
            q.execute({bad, qint64(where == QStringLiteral("component") ? 3 : 2)});
        } else {
            f.model.setText(where, bad);
        }
        QString message;
        try {
            f.zapis();
        } catch (const db::Error &e) {
            message = e.message();
        }
        QCOMPARE(message, QStringLiteral("Nie zapisano pliku XML: %1 zawiera znak, którego nie można zapisać w pliku "
                                         "XML (kod U+%2). Usuń ten znak i zapisz plik ponownie.")
                              .arg(field)
                              .arg(QString::number(bad.contains(QChar(0xD800)) ? 0xD800 : bad.back().unicode(), 16)
                                       .rightJustified(4, u'0')
                                       .toUpper()));
        QVERIFY(f.messages.entries().isEmpty());
        QCOMPARE(readFile(f.xmlPath()), QByteArray("<stary plik/>"));
    }

    // Edits on the pages reach the file before they are saved; the database keeps the stored figure.
    void unsavedEditsAreWritten()
    {
        OpenedFund f;
        QVERIFY(f.open(FirstHalf));
        f.model.setText(QStringLiteral("Jvl_mik"), QStringLiteral("99"));
        f.model.setText(QStringLiteral("cb_wym_usl"), QString());
        f.model.setText(QStringLiteral("Przyr_spad"), QStringLiteral("Nowa przyczyna"));
        f.zapis();
        READ_BACK(x, f.xmlPath());
        QCOMPARE(x.value("ilosc", "typ mikro"), QStringLiteral("99"));
        QCOMPARE(x.value("zmiana_przyczyna"), QStringLiteral("Nowa przyczyna"));
        QCOMPARE(x.value("wartosc", "podmiot_spelnia_wymagania_w_zakresie_jakosci_uslug_zgodnie_z_punktem_ii_3_"
                                    "standardu_funduszu_pozyczkowego_i_uslugi_finansowej_polegajacej_na_udzielaniu_"
                                    "pozyczki"),
                 QStringLiteral("nie_dotyczy"));
        db::Query q(f.dm.KSU, QStringLiteral("select MIKRO_LS from POZYCZKI where ID_OK=1"));
        q.execute();
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), qint64(12));
    }

    // With no sources the capital block holds the change and the components only.
    void noSources()
    {
        OpenedFund f;
        QVERIFY(f.open(FirstHalf));
        f.model.setCapitalSources({});
        f.zapis();
        READ_BACK(x, f.xmlPath());
        QCOMPARE(x.childNames(QStringLiteral("sprawozdanie/kapital_pozyczkowy")),
                 (QStringList{"zmiana_wartosc", "zmiana_przyczyna", "skladnik_kapitalu_pozyczkowego",
                              "skladnik_kapitalu_pozyczkowego", "skladnik_kapitalu_pozyczkowego",
                              "skladnik_kapitalu_pozyczkowego"}));
    }

    // One file for all periods: the second write leaves only the second period,
    // its dates and its figures together.
    void secondPeriodReplacesTheFirst()
    {
        OpenedFund f;
        QVERIFY(f.open(FirstHalf));
        f.zapis();
        QVERIFY(f.open(SecondHalf));
        f.zapis();
        READ_BACK(x, f.xmlPath());
        QCOMPARE(x.value("poczatek_okresu_sprawozdawczego"), QStringLiteral("2013-07-01"));
        QCOMPARE(x.value("koniec_okresu_sprawozdawczego"), QStringLiteral("2013-12-31"));
        QCOMPARE(x.texts(ComponentPath + "/rodzaj_kapitalu"), QStringList{"Gotówka drugiego półrocza"});
        QCOMPARE(x.value("zmiana_przyczyna"), QStringLiteral("Bez zmian"));
        QCOMPARE(x.value("ilosc", "typ mikro"), QString());
        QCOMPARE(QDir(f.ws.path(QStringLiteral("Eksport"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"plik.xml"});
    }

    void missingFolderIsMade()
    {
        OpenedFund f;
        QVERIFY(f.open(FirstHalf));
        QVERIFY(!QFileInfo::exists(f.ws.path(QStringLiteral("Eksport"))));
        f.zapis();
        READ_BACK(x, f.xmlPath());
        QCOMPARE(x.value("poczatek_okresu_sprawozdawczego"), QStringLiteral("2013-01-01"));
    }

    // A write that fails leaves whatever stood there before and no stray file.
    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("message");
#ifdef Q_OS_UNIX // a file size limit stands for the full disk
        QTest::newRow("disk refuses half-way") << "limit"
                                               << "Nie można zapisać pliku XML \"%1\": zapis przerwany, na dysku "
                                                  "może brakować miejsca";
#endif
        QTest::newRow("plik.xml is a folder") << "folder"
                                              << "%1 to folder, nie plik. Wybierz nazwę pliku XML.";
        QTest::newRow("Eksport is a file") << "Eksport file"
                                           << "Nie można utworzyć folderu %2 na plik %1.";
    }
    void failedWriteKeepsTheOldFile()
    {
        QFETCH(QString, obstacle);
        QFETCH(QString, message);
        OpenedFund f;
        QVERIFY(f.open(FirstHalf));
        const QString eksport = f.ws.path(QStringLiteral("Eksport"));
        const QString old = obstacle == QStringLiteral("Eksport file") ? eksport : f.xmlPath();
        if (obstacle == QStringLiteral("folder"))
            QVERIFY(QDir().mkpath(f.xmlPath() + QStringLiteral("/inside")));
        else
            writeFile(old, "<stary plik/>");
        const QByteArray content = reports::BuildXmlReport(
            f.workflow.period(), f.model,
            reports::ReadCapitalComponents(f.dm.KSU, f.workflow.period(), f.workflow.capitalGroups()));
        QString error;
        try {
            if (obstacle == QStringLiteral("limit")) {
                // The database is left alone meanwhile: the file itself is built above.
                // More than a write buffer past the limit, so the disk refuses in the middle.
#ifdef Q_OS_UNIX
                FileSizeLimit limit(20000);
#endif
                reports::SaveXmlFile(f.xmlPath(), content + QByteArray(40000, ' '));
            } else {
                f.zapis();
            }
        } catch (const FileError &e) {
            error = e.message();
        }
        message.replace(QStringLiteral("%1"), QDir::toNativeSeparators(f.xmlPath()));
        message.replace(QStringLiteral("%2"), QDir::toNativeSeparators(eksport));
        // What stands in the way is found before writing and refused with a message.
        if (obstacle == QStringLiteral("limit")) {
            QCOMPARE(error, message);
            QVERIFY(f.messages.entries().isEmpty());
        } else {
            QCOMPARE(error, QString());
            QCOMPARE(f.messages.texts(), QStringList{message});
        }
        if (obstacle == QStringLiteral("folder")) {
            QVERIFY(QFileInfo(f.xmlPath() + QStringLiteral("/inside")).isDir());
            QCOMPARE(QDir(eksport).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                     QStringList{"plik.xml"});
        } else {
            QCOMPARE(readFile(old), QByteArray("<stary plik/>"));
            if (obstacle == QStringLiteral("limit"))
                QCOMPARE(QDir(eksport).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                         QStringList{"plik.xml"});
        }
    }

    // A component filed under a group the dictionary no longer has cannot be
    // written; the user is told which, after the file was written without it. The
    // printed summary leaves it out and says so the same way.
    void componentsOfNoGroupAreNamed()
    {
        OpenedFund f;
        db::runSqlScript(f.dm.KSU,
                         QStringLiteral("insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, "
                                        "RODZAJ, SZCZEGOLY) values (7, 1, 'Fundusz poręczeniowy', 80, 70, 7, 1, '');"));
        f.dm.KSU.commitRetaining();
        QVERIFY(f.open(FirstHalf));
        f.zapis();
        QCOMPARE(f.messages.entries().size(), 2);
        QCOMPARE(f.messages.entries()[0].kind, Kind::Information);
        const Entry warning = f.messages.entries()[1];
        QCOMPARE(warning.kind, Kind::Warning);
        QCOMPARE(warning.caption, QStringLiteral("Składniki bez grupy"));
        QVERIFY2(warning.text.startsWith(QStringLiteral("Składniki kapitału pożyczkowego okresu 2013-01-01 – "
                                                        "2013-06-30 nie należą do żadnej grupy słownika:\r"
                                                        "– Fundusz poręczeniowy\rPlik XML zapisano bez nich.")),
                 qPrintable(warning.text));
        READ_BACK(x, f.xmlPath());
        QVERIFY(!x.texts(ComponentPath + "/rodzaj_kapitalu").contains(QStringLiteral("Fundusz poręczeniowy")));

        f.messages.clear();
        QVERIFY(f.workflow.buildPrintedSummary());
        QCOMPARE(f.messages.entries().size(), 1);
        QCOMPARE(f.messages.entries()[0].caption, QStringLiteral("Składniki bez grupy"));
        QVERIFY2(f.messages.entries()[0].text.contains(QStringLiteral("– Fundusz poręczeniowy\rWydruk danych ich "
                                                                      "nie zawiera.")),
                 qPrintable(f.messages.entries()[0].text));
        const reports::ReportSheet &summary = f.workflow.importReport;
        QVERIFY(summary.rowCount() > 0);
        for (int r = 0; r < summary.rowCount(); ++r) {
            for (int c = 0; c < summary.columnCount(); ++c)
                QVERIFY(summary.cell(c, r) != QStringLiteral("Fundusz poręczeniowy"));
        }
    }

    void noOpenPeriod()
    {
        store::PageModel model;
        QVERIFY_THROWS_EXCEPTION(db::Error, reports::BuildXmlReport(store::OpenPeriod(), model, {}));
    }

    // The command opens the period as "Edycja okresu" and writes the file as the button does.
    void command()
    {
        Fund f;
        RecordingMessages messages;
        QCOMPARE(runXml(FirstHalf, messages), 0);
        QCOMPARE(messages.texts(), (QStringList{"Podany okres był już importowany i można go edytować",
                                                "Plik zapisany pomyślnie w " + QDir::toNativeSeparators(f.xmlPath())}));
        QCOMPARE(readFile(f.xmlPath()), readFile(QStringLiteral(TERVALA_SOURCE_DIR "/tests/golden/plik_small.xml")));
        READ_BACK(x, f.xmlPath());
        QCOMPARE(x.value("wartosc", "typ male"), QStringLiteral("1500.5"));
    }

    void commandRefusals()
    {
        Fund f;
        RecordingMessages messages;
        QCOMPARE(runXml({"01", "2013", "05", "2013"}, messages), 1);
        QCOMPARE(messages.texts(), QStringList{"Podany okres, nie został jeszcze zaimportowany !"});
        QVERIFY(!QFileInfo::exists(f.xmlPath()));
        QCOMPARE(runXml({"01", "2013"}, messages), 2);
    }
};

QTEST_GUILESS_MAIN(TestXmlReport)
#include "tst_xmlreport.moc"
