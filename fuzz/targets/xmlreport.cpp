// The XML report's input texts: whatever the pages and the database hold, either
// a strict XML parser reads the file and finds every text exactly as it went in,
// or the file is refused with a message, and only for a text that XML 1.0 cannot
// carry. A file built from what the database and the pages can hold is one the
// report schema accepts.
#include "db/error.h"
#include "fuzzsupport.h"
#include "reports/xmlreport.h"
#include "reports/xmlschema.h"
#include "store/pagemodel.h"

#include <QXmlStreamReader>

namespace {

bool isXmlText(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            continue;
        }
        const bool allowed =
            c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD);
        if (!allowed)
            return false;
    }
    return true;
}

// The texts of the elements (and the typ attributes of the components) in file order.
struct ReadBack
{
    QStringList texts;  // "tag=text"
    QStringList groups; // typ of each skladnik_kapitalu_pozyczkowego
    QString error;
};

ReadBack readFile(const QByteArray &file)
{
    ReadBack out;
    QXmlStreamReader xml(file);
    QString text;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            text.clear();
            if (xml.name() == u"skladnik_kapitalu_pozyczkowego")
                out.groups << xml.attributes().value(QStringLiteral("typ")).toString();
            break;
        case QXmlStreamReader::Characters:
            text += xml.text();
            break;
        case QXmlStreamReader::EndElement:
            out.texts << xml.name().toString() + u'=' + text;
            text.clear();
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        out.error =
            xml.errorString() + QStringLiteral(" at line %1 column %2").arg(xml.lineNumber()).arg(xml.columnNumber());
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApplication();
    const QList<QByteArray> raw = fuzz::parts(data, size, 12);
    QStringList part;
    for (const QByteArray &p : raw)
        part << fuzz::text(p);

    store::OpenPeriod period;
    period.isOpen = true;
    period.CurrentPeriodId = QStringLiteral("1");
    period.PeriodStartText = QStringLiteral("2013-01-01");
    period.PeriodEndText = QStringLiteral("2013-06-30");

    store::PageModel model;
    model.setText(QStringLiteral("Przyr_spad"), part[0]);
    model.setText(QStringLiteral("e_zinne"), part[1]);
    model.setText(QStringLiteral("Prz_kw"), part[2]);
    model.setText(QStringLiteral("cb_fundusz"), part[3]);
    model.setText(QStringLiteral("cb_wym_eko"), part[3]);
    model.setText(QStringLiteral("jv_min_opr"), part[4]);
    model.setText(QStringLiteral("Okres_spl"), part[4]);
    model.setCapitalSources({{1, part[5], db::Money::parse(part[4]).value_or(db::Money())}});

    reports::CapitalComponent component;
    component.RODZAJ = raw[6].isEmpty() ? 1 : uchar(raw[6][0]) % 4;
    component.SKLADNIK = part[7];
    component.WARTOSC = db::Money::parse(part[8]).value_or(db::Money());
    component.SZCZEGOLY = part[9];
    reports::CapitalGroupComponents group;
    group.group.Kod = 1;
    group.group.Nazwa = part[10];
    group.components << component;

    const QStringList inputs{part[0], part[1], part[5], part[7], part[9], part[10]};
    bool writable = true;
    for (const QString &t : inputs)
        writable = writable && isXmlText(t);

    QByteArray file;
    try {
        file = reports::BuildXmlReport(period, model, {group});
    } catch (const db::Error &e) {
        FUZZ_CHECK(!writable, QStringLiteral("refused a text XML can carry: ") + e.message());
        FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("refusal without a message"));
        return 0;
    }
    const ReadBack back = readFile(file);
    FUZZ_CHECK(back.error.isEmpty(), back.error + u'\n' + QString::fromUtf8(file));

    FUZZ_CHECK(back.texts.contains(QStringLiteral("zmiana_przyczyna=") + part[0]), QStringLiteral("zmiana_przyczyna"));
    FUZZ_CHECK(back.texts.contains(QStringLiteral("zg_inne=") + part[1]), QStringLiteral("zg_inne"));
    FUZZ_CHECK(back.texts.contains(QStringLiteral("opis=") + part[5]), QStringLiteral("opis"));
    if (component.RODZAJ >= 1) {
        FUZZ_CHECK(back.groups == QStringList{part[10]}, QStringLiteral("typ of the group"));
        FUZZ_CHECK(back.texts.contains(QStringLiteral("rodzaj_kapitalu=") + part[7]),
                   QStringLiteral("rodzaj_kapitalu"));
        FUZZ_CHECK(back.texts.contains(QStringLiteral("wartosc=") + reports::PointAmount(component.WARTOSC)),
                   QStringLiteral("wartosc"));
    }
    // Every file built from values the database can hold passes the report's schema.
    const QList<reports::SchemaError> errors = reports::validateReportXml(file);
    FUZZ_CHECK(errors.isEmpty(), errors.first().text() + u'\n' + QString::fromUtf8(file));
    if (component.RODZAJ == 2)
        FUZZ_CHECK(back.texts.contains(QStringLiteral("element_listy=") + part[9]), QStringLiteral("element_listy"));
    if (component.RODZAJ == 3)
        FUZZ_CHECK(back.texts.contains(QStringLiteral("skp_napis=") + part[9]), QStringLiteral("skp_napis"));
    return 0;
}
