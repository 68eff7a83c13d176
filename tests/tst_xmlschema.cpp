// The report file's schema: the file the program writes validates, documents that
// break the layout of the report fail with a message naming the element and the
// line, an invalid document never replaces the old file, and validate-xml says so
// on the command line.
#include "common/fileerror.h"
#include "reports/xmlreport.h"
#include "reports/xmlschema.h"
#include "support/cli.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

QString goldenPath()
{
    return QStringLiteral(TERVALA_GOLDEN_DIR "/plik_small.xml");
}

// The golden file with the first occurrence of `from` replaced by `to`.
QByteArray goldenWith(const QByteArray &from, const QByteArray &to)
{
    QByteArray doc = readFile(goldenPath());
    const qsizetype at = doc.indexOf(from);
    if (at < 0)
        qFatal("the golden file has no %s", from.constData());
    return doc.replace(at, from.size(), to);
}

QStringList texts(const QList<reports::SchemaError> &errors)
{
    QStringList out;
    for (const reports::SchemaError &e : errors)
        out << e.text();
    return out;
}

} // namespace

class TestXmlSchema : public QObject
{
    Q_OBJECT

private slots:
    // The schema the program carries is the one the source tree keeps for installing.
    void shippedSchemaIsTheSourceFile()
    {
        QCOMPARE(reports::reportSchema(), readFile(QStringLiteral(TERVALA_SOURCE_DIR "/data/tervala-report.xsd")));
    }

    void goldenFileValidates() { QCOMPARE(texts(reports::validateReportXml(readFile(goldenPath()))), QStringList()); }

    void brokenDocumentsFail_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("first");

        QTest::newRow("missing element") << goldenWith("<wartosc>1500.00</wartosc>\r\n", "")
                                         << "wiersz 8, element „kategoria”: brakuje elementu; oczekiwano: wartosc";
        QTest::newRow("missing block") << goldenWith(
            "<naglowek>\r\n<poczatek_okresu_sprawozdawczego>2013-01-01</poczatek_okresu_sprawozdawczego>"
            "\r\n<koniec_okresu_sprawozdawczego>2013-06-30</koniec_okresu_sprawozdawczego>\r\n"
            "</naglowek>\r\n",
            "") << "wiersz 3, element „dane_zbiorcze”: element w złym miejscu; oczekiwano: naglowek";
        QTest::newRow("wrong order") << goldenWith("<ilosc>12</ilosc>\r\n<wartosc>1500.00</wartosc>",
                                                   "<wartosc>1500.00</wartosc>\r\n<ilosc>12</ilosc>")
                                     << "wiersz 9, element „wartosc”: element w złym miejscu; oczekiwano: ilosc";
        QTest::newRow("one category too many")
            << goldenWith("</dane_zbiorcze>",
                          "<kategoria typ=\"typ mikro\">\r\n<ilosc>1</ilosc>\r\n<wartosc>1.00</wartosc>\r\n"
                          "</kategoria>\r\n</dane_zbiorcze>")
            << "wiersz 136, element „kategoria”: element nadmiarowy: w tym miejscu nie może już stać żaden element";
        QTest::newRow("decimal comma") << goldenWith("<wartosc>1500.5</wartosc>", "<wartosc>1500,5</wartosc>")
                                       << "wiersz 14, element „wartosc”: wartość „1500,5” nie ma wymaganej postaci: "
                                          "kwota z kropką dziesiętną, bez zer na końcu, kwota całkowita z „.00”, "
                                          "np. 1500.00, 1500.5, -20.00";
        QTest::newRow("whole amount without .00")
            << goldenWith("<zmiana_wartosc>-20.00</zmiana_wartosc>", "<zmiana_wartosc>-20</zmiana_wartosc>")
            << "wiersz 167, element „zmiana_wartosc”: wartość „-20” nie ma wymaganej postaci: kwota z kropką "
               "dziesiętną, bez zer na końcu, kwota całkowita z „.00”, np. 1500.00, 1500.5, -20.00";
        QTest::newRow("count with decimals") << goldenWith("<ilosc>12</ilosc>", "<ilosc>12.00</ilosc>")
                                             << "wiersz 9, element „ilosc”: wartość „12.00” nie ma wymaganej postaci: "
                                                "liczba całkowita albo pusty tekst";
        QTest::newRow("rate with comma") << goldenWith("<procent>2.5</procent>", "<procent>2,5</procent>")
                                         << "wiersz 163, element „procent”: wartość „2,5” nie ma wymaganej postaci: "
                                            "liczba z kropką dziesiętną, liczba całkowita z „.00”, np. 2.5, 3.00";
        QTest::newRow("date") << goldenWith(">2013-06-30<", ">30.06.2013<")
                              << "wiersz 5, element „koniec_okresu_sprawozdawczego”: wartość „30.06.2013” nie ma "
                                 "wymaganej postaci: data RRRR-MM-DD";
        QTest::newRow("unknown typ") << goldenWith("typ=\"typ male\"", "typ=\"typ duze\"")
                                     << "wiersz 12, element „kategoria”: atrybut „typ”: wartość „typ duze” jest "
                                        "niedozwolona";
        QTest::newRow("typ twice") << goldenWith("typ=\"typ male\"", "typ=\"typ mikro\"")
                                   << "wiersz 12, element „kategoria”: typ „typ mikro” występuje więcej niż raz";
        QTest::newRow("typ missing") << goldenWith(" typ=\"typ male\"", "")
                                     << "wiersz 12, element „kategoria”: brak wymaganego atrybutu „typ”";
        QTest::newRow("another attribute") << goldenWith("<naglowek>", "<naglowek id=\"1\">")
                                           << "wiersz 3, element „naglowek”: niedozwolony atrybut „id”";
        QTest::newRow("yes/no answer") << goldenWith("<wartosc>true</wartosc>", "<wartosc>Tak</wartosc>")
                                       << "wiersz 201, element „wartosc”: wartość „Tak” jest niedozwolona; "
                                          "dozwolone: true, false, nie_dotyczy";
        QTest::newRow("text in a container") << goldenWith("<naglowek>", "<naglowek>tekst")
                                             << "wiersz 3, element „naglowek”: element może zawierać tylko inne "
                                                "elementy, nie tekst";
        QTest::newRow("another root") << QByteArray("<?xml version=\"1.0\"?>\r\n<raport/>\r\n")
                                      << "wiersz 2, element „raport”: element główny pliku musi się nazywać "
                                         "„sprawozdanie”";
        QTest::newRow("not XML") << goldenWith("</naglowek>", "</naglowe>")
                                 << "wiersz 6: to nie jest poprawny dokument XML (Opening and ending tag mismatch: "
                                    "naglowek line 3 and naglowe)";
        QTest::newRow("empty") << QByteArray() << "wiersz 1: to nie jest poprawny dokument XML (Document is empty)";
    }

    void brokenDocumentsFail()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, first);
        const QList<reports::SchemaError> errors = reports::validateReportXml(document);
        QVERIFY(!errors.isEmpty());
        QCOMPARE(errors.first().text(), first);
    }

    // The nie_dotyczy answer, an empty count and a component without a value are
    // all part of the format.
    void edgesOfTheFormatValidate_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("empty count") << goldenWith("<ilosc>12</ilosc>", "<ilosc></ilosc>");
        QTest::newRow("empty period of repayment")
            << goldenWith("<zg_max_okres_splaty_mies>60<", "<zg_max_okres_splaty_mies><");
        QTest::newRow("four decimals") << goldenWith("<wartosc>1500.5<", "<wartosc>1500.0005<");
        QTest::newRow("negative amount") << goldenWith("<wartosc>1500.5<", "<wartosc>-0.5<");
        QTest::newRow("small rate") << goldenWith("<procent>2.5<", "<procent>0.000001<");
        QTest::newRow("no sources, no components")
            << goldenWith("<zrodlo_kapitalu_pozyczkowego>", "<!-- -->")
                   .replace(QByteArray("<opis>Dotacja UE</opis>\r\n<wartosc>10000.00</wartosc>\r\n"
                                       "</zrodlo_kapitalu_pozyczkowego>"),
                            QByteArray());
    }

    void edgesOfTheFormatValidate()
    {
        QFETCH(QByteArray, document);
        QCOMPARE(texts(reports::validateReportXml(document)), QStringList());
    }

    // Every error is listed, one per element and line.
    void everyErrorIsListed()
    {
        QByteArray doc = goldenWith("<wartosc>1500.5</wartosc>", "<wartosc>x</wartosc>");
        doc.replace("typ=\"typ srednie\"", "typ=\"typ\"");
        QCOMPARE(texts(reports::validateReportXml(doc)),
                 (QStringList{"wiersz 14, element „wartosc”: wartość „x” nie ma wymaganej postaci: kwota z kropką "
                              "dziesiętną, bez zer na końcu, kwota całkowita z „.00”, np. 1500.00, 1500.5, -20.00",
                              "wiersz 16, element „kategoria”: atrybut „typ”: wartość „typ” jest niedozwolona"}));
    }

    // A document the schema refuses is not written: the old file stays, and the
    // message names the file, the element and the line.
    void invalidDocumentIsNotWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plik.xml"));
        writeFile(path, "<stary plik/>");
        QString message;
        try {
            reports::SaveXmlFile(path, goldenWith("<ilosc>12</ilosc>", "<ilosc>dwanaście</ilosc>"));
        } catch (const FileError &e) {
            message = e.message();
        }
        QCOMPARE(message, QStringLiteral("Nie zapisano pliku XML \"%1\": dokument nie jest zgodny ze schematem pliku "
                                         "sprawozdania (wiersz 9, element „ilosc”: wartość „dwanaście” nie ma "
                                         "wymaganej postaci: liczba całkowita albo pusty tekst). Poprzedni plik "
                                         "pozostał bez zmian.")
                              .arg(QDir::toNativeSeparators(path)));
        QCOMPARE(readFile(path), QByteArray("<stary plik/>"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"plik.xml"});

        reports::SaveXmlFile(path, readFile(goldenPath()));
        QCOMPARE(readFile(path), readFile(goldenPath()));
    }

    void validateXmlCommand()
    {
        QTemporaryDir dir;
        const QString broken = dir.filePath(QStringLiteral("zly.xml"));
        writeFile(broken, goldenWith("typ=\"typ male\"", "typ=\"typ duze\""));

        CliResult r = runTervala({QStringLiteral("validate-xml"), goldenPath()});
        QCOMPARE(r.status, 0);
        // The program names files with the system's separators.
        QCOMPARE(r.out, QDir::toNativeSeparators(goldenPath()) + QStringLiteral(": zgodny ze schematem\n"));

        r = runTervala({QStringLiteral("validate-xml"), broken});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QStringLiteral("%1: niezgodny ze schematem\n%1: wiersz 12, element „kategoria”: atrybut "
                                       "„typ”: wartość „typ duze” jest niedozwolona\n")
                            .arg(QDir::toNativeSeparators(broken)));

        r = runTervala({QStringLiteral("validate-xml")});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.startsWith(QStringLiteral("validate-xml wymaga jednej ścieżki pliku XML.")));
        r = runTervala({QStringLiteral("validate-xml"), dir.filePath(QStringLiteral("brak.xml"))});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.startsWith(QStringLiteral("Nie można odczytać pliku ")));
    }
};

QTEST_GUILESS_MAIN(TestXmlSchema)
#include "tst_xmlschema.moc"
