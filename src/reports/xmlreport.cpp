#include "xmlreport.h"

#include "common/apppaths.h"
#include "common/failures.h"
#include "common/fileerror.h"
#include "common/messages.h"
#include "common/outputfiles.h"
#include "db/connection.h"
#include "db/error.h"
#include "reportsheet.h"
#include "store/fields.h"
#include "store/pagemodel.h"
#include "store/reportreads.h"
#include "store/statisticpairs.h"
#include "xmlschema.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <array>
#include <string_view>

namespace reports {

namespace {

using store::toQString;

// A category of the file: its typ and the count control of its figures.
struct XmlCategory
{
    std::string_view typ;
    std::string_view countControl;
};

// The categories of dane_zbiorcze in file order, which differs from the page's:
// the sectors come last and two breakdowns list their members the other way round.
// Their typ and value control are those of their pair in StatisticPairs.
constexpr std::array<std::string_view, 32> StatisticOrder{
    "Jvl_mik", "Jvl_mal",   "Jvl_sred",  "Jvl_in",     "Jvl_ek",      "Jvl_obr", "Jvl_inw", "Jvl_oi",
    "Jvl_10",  "Jvl_10_30", "Jvl_30_50", "Jvl_50_120", "Jvl_120_300", "Jvl_300", "l_kon",   "l_12mc",
    "l_pier",  "l_kol",     "l_kob",     "l_men",      "l_popl",      "l_miej",  "l_wiej",  "l_rol",
    "l_gor",   "l_przet",   "l_dzial",   "l_bud",      "l_han",       "l_tran",  "l_poz",   "l_in",
};

// The yes/no rules in file order, their typ from Rules; whether a rule is two-way
// or three-way is read from the items its combo box offers.
constexpr std::array<std::string_view, 9> YesNoRuleOrder{
    "cb_fundusz", "cb_analiza", "cb_syt", "cb_pot", "cb_kwal", "cb_wym_tech", "cb_wym_eko", "cb_wym_usl", "cb_et_zaw",
};

// An amount in its shortest decimal form, then with the decimal point.

// A floating value in its shortest form of up to 15 significant digits, then with the point.
QString decimalNumber(double value)
{
    return ToPointDecimal(plainNumber(value));
}

// The first character of the text that XML 1.0 cannot carry (control characters
// other than tab, line feed and carriage return, unpaired surrogates, U+FFFE and
// U+FFFF), or -1 when every character is allowed.
int forbiddenCharacter(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // every character above U+FFFF is allowed
            continue;
        }
        if (QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF || (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r'))
            return c;
    }
    return -1;
}

void checkCharacters(const QString &text, const QString &field)
{
    const int c = forbiddenCharacter(text);
    if (c < 0)
        return;
    throw db::Error(QStringLiteral("Nie zapisano pliku XML: %1 zawiera znak, którego nie można zapisać w pliku XML "
                                   "(kod U+%2). Usuń ten znak i zapisz plik ponownie.")
                        .arg(field, QStringLiteral("%1").arg(c, 4, 16, QLatin1Char('0')).toUpper()));
}

// The text the user sees in a message: characters that cannot be shown become "?".
QString shownInMessage(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.unicode() < 0x20 || c.isSurrogate())
            c = u'?';
    }
    return out;
}

// "&" and "<" as entities, and line breaks as character references so that the
// element keeps its one line and a reader gets the very characters back. In an
// attribute value (in double quotes) also the quote and the tab, which a reader
// would otherwise turn into a space; in character content the ">" of "]]>", so
// that the text stays legal.
QString escapeXml(const QString &text, bool attribute)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QStringLiteral("&amp;");
            break;
        case u'<':
            out += QStringLiteral("&lt;");
            break;
        case u'\r':
            out += QStringLiteral("&#13;");
            break;
        case u'\n':
            out += QStringLiteral("&#10;");
            break;
        case u'"':
            out += attribute ? QStringLiteral("&quot;") : QString(c);
            break;
        case u'\t':
            out += attribute ? QStringLiteral("&#9;") : QString(c);
            break;
        default:
            out += c;
        }
    }
    if (!attribute)
        out.replace(QStringLiteral("]]>"), QStringLiteral("]]&gt;"));
    return out;
}

// The file as lines: one tag or one leaf element per line, no indentation.
class XmlLines
{
public:
    void line(const QString &text)
    {
        m_text += text;
        m_text += QStringLiteral("\r\n");
    }
    void open(const QString &tag) { line(u'<' + tag + u'>'); }
    // A start tag with its `typ`; `field` names the text in an error message.
    void open(const QString &tag, const QString &typ, const QString &field)
    {
        checkCharacters(typ, field);
        line(u'<' + tag + QStringLiteral(" typ=\"") + escapeXml(typ, true) + QStringLiteral("\">"));
    }
    void close(const QString &tag) { line(QStringLiteral("</") + tag + u'>'); }
    // A leaf whose content is made by the program (numbers, dates, true/false).
    void leaf(const QString &tag, const QString &content)
    {
        line(u'<' + tag + u'>' + escapeXml(content, false) + QStringLiteral("</") + tag + u'>');
    }
    // A leaf holding a text from the user or the database.
    void text(const QString &tag, const QString &content, const QString &field)
    {
        checkCharacters(content, field);
        leaf(tag, content);
    }
    QByteArray utf8() const { return m_text.toUtf8(); }

private:
    QString m_text;
};

QString twoWay(const QString &answer)
{
    return answer == QStringLiteral("Tak") ? QStringLiteral("true") : QStringLiteral("false");
}

QString threeWay(const QString &answer)
{
    if (answer == QStringLiteral("Tak"))
        return QStringLiteral("true");
    if (answer == QStringLiteral("Nie"))
        return QStringLiteral("false");
    return QStringLiteral("nie_dotyczy");
}

QString pageField(const store::PageModel &model, const QString &control, const QString &page)
{
    return QStringLiteral("pole „%1” na stronie „%2”").arg(toQString(model.spec(control).caption), page);
}

void writeHeader(XmlLines &xml, const store::OpenPeriod &period)
{
    xml.open(QStringLiteral("naglowek"));
    xml.leaf(QStringLiteral("poczatek_okresu_sprawozdawczego"), period.PeriodStartText);
    xml.leaf(QStringLiteral("koniec_okresu_sprawozdawczego"), period.PeriodEndText);
    xml.close(QStringLiteral("naglowek"));
}

void writeCountValue(XmlLines &xml, const QString &tag, const XmlCategory &category, const QString &valueControl,
                     const store::PageModel &model)
{
    xml.open(tag, toQString(category.typ), QString());
    xml.leaf(QStringLiteral("ilosc"), model.text(toQString(category.countControl)));
    xml.leaf(QStringLiteral("wartosc"), PointAmount(model.money(valueControl)));
    xml.close(tag);
}

void writeStatistics(XmlLines &xml, const store::PageModel &model)
{
    xml.open(QStringLiteral("dane_zbiorcze"));
    for (std::string_view countControl : StatisticOrder) {
        const store::StatisticPair &pair = store::statisticPair(countControl);
        writeCountValue(xml, QStringLiteral("kategoria"), {pair.xmlTyp, pair.countControl},
                        toQString(pair.valueControl), model);
    }
    xml.close(QStringLiteral("dane_zbiorcze"));
}

void writeActiveLost(XmlLines &xml, const store::PageModel &model)
{
    xml.open(QStringLiteral("aktywne_i_stracone_pozyczki"));
    // Every row but the last, the loss ratio, is a count and a value.
    for (std::size_t i = 0; i + 1 < store::ActiveLostRows.size(); ++i) {
        const store::ActiveLostRow &row = store::ActiveLostRows[i];
        writeCountValue(xml, QStringLiteral("kategoria_aktywnych_i_straconych"), {row.xmlTyp, row.count.control},
                        toQString(row.value.control), model);
    }
    const store::ActiveLostRow &ratioRow = store::ActiveLostRows.back();
    const QString ratio = QStringLiteral("kategoria_aktywnych_i_straconych_procent");
    xml.open(ratio, toQString(ratioRow.xmlTyp), QString());
    xml.leaf(QStringLiteral("procent"), decimalNumber(model.number(toQString(ratioRow.count.control))));
    xml.close(ratio);
    xml.close(QStringLiteral("aktywne_i_stracone_pozyczki"));
}

void writeComponent(XmlLines &xml, const CapitalComponent &c, const QString &groupName)
{
    const QString component =
        QStringLiteral("składnik kapitału „%1” grupy „%2”").arg(shownInMessage(c.SKLADNIK), shownInMessage(groupName));
    const QString tag = QStringLiteral("skladnik_kapitalu_pozyczkowego");
    xml.open(tag, groupName, QStringLiteral("nazwa grupy kapitału „%1”").arg(shownInMessage(groupName)));
    xml.text(QStringLiteral("rodzaj_kapitalu"), c.SKLADNIK, component);
    xml.leaf(QStringLiteral("wartosc"), PointAmount(c.WARTOSC));
    const QString details = QStringLiteral("szczegóły: ") + component;
    if (c.RODZAJ == 2) {
        xml.line(QString());
        xml.open(QStringLiteral("skp_lista"));
        xml.text(QStringLiteral("element_listy"), c.SZCZEGOLY, details);
        xml.close(QStringLiteral("skp_lista"));
    } else if (c.RODZAJ == 3) {
        xml.text(QStringLiteral("skp_napis"), c.SZCZEGOLY, details);
    }
    xml.close(tag);
}

void writeCapital(XmlLines &xml, const store::PageModel &model, const QList<CapitalGroupComponents> &components)
{
    const QString page = QStringLiteral("Kapitał pożyczkowy");
    xml.open(QStringLiteral("kapital_pozyczkowy"));
    xml.leaf(QStringLiteral("zmiana_wartosc"), PointAmount(model.money(QStringLiteral("Prz_kw"))));
    xml.text(QStringLiteral("zmiana_przyczyna"), model.text(QStringLiteral("Przyr_spad")),
             pageField(model, QStringLiteral("Przyr_spad"), page));
    for (const store::CapitalSource &source : model.capitalSources()) {
        const QString tag = QStringLiteral("zrodlo_kapitalu_pozyczkowego");
        xml.open(tag);
        xml.text(QStringLiteral("opis"), source.nazwa,
                 QStringLiteral("nazwa źródła kapitału „%1”").arg(shownInMessage(source.nazwa)));
        // The sources are the page's grid, where an amount the database holds as NULL shows 0.
        xml.leaf(QStringLiteral("wartosc"), PointAmount(source.kwota.value_or(db::Money())));
        xml.close(tag);
    }
    for (const CapitalGroupComponents &group : components) {
        // Walked once per kind so that the file lists kinds 1, 2 and 3 in that order.
        for (qint64 rodzaj = 1; rodzaj <= 3; ++rodzaj) {
            for (const CapitalComponent &c : group.components) {
                if (c.RODZAJ == rodzaj)
                    writeComponent(xml, c, group.group.Nazwa);
            }
        }
    }
    xml.close(QStringLiteral("kapital_pozyczkowy"));
}

void writeRules(XmlLines &xml, const store::PageModel &model)
{
    xml.open(QStringLiteral("zasady_gospodarowania"));
    for (std::string_view name : YesNoRuleOrder) {
        const store::RuleSpec &rule = store::rule(name);
        const QString control = toQString(name);
        const QString answer = model.text(control);
        const bool threeWayRule = model.spec(control).choices == store::Choices::YesNoNotApplicable;
        const QString tag = QStringLiteral("zasady_gospodarowania_tak_nie");
        xml.open(tag, toQString(rule.xmlTyp), QString());
        xml.leaf(QStringLiteral("wartosc"), threeWayRule ? threeWay(answer) : twoWay(answer));
        xml.close(tag);
    }
    xml.leaf(QStringLiteral("zg_minimalne_oprocentowanie"), decimalNumber(model.number(QStringLiteral("jv_min_opr"))));
    xml.leaf(QStringLiteral("zg_max_wielkosc_pozyczki"), PointAmount(model.money(QStringLiteral("jv_max"))));
    xml.text(QStringLiteral("zg_inne"), model.text(QStringLiteral("e_zinne")),
             pageField(model, QStringLiteral("e_zinne"), QStringLiteral("Zasady gospodarowania")));
    xml.leaf(QStringLiteral("zg_max_okres_splaty_mies"), model.text(QStringLiteral("Okres_spl")));
    xml.close(QStringLiteral("zasady_gospodarowania"));
}

void requireOpenPeriod(const store::OpenPeriod &period)
{
    if (!period.isOpen)
        throw db::Error(QStringLiteral("Nie otwarto żadnego okresu sprawozdawczego."));
}

} // namespace

QString ToPointDecimal(const QString &text)
{
    if (!text.contains(u','))
        return text + QStringLiteral(".00");
    QString out = text;
    out.replace(u',', u'.');
    return out;
}

QString PointAmount(db::Money value)
{
    return ToPointDecimal(plainNumber(value));
}

QString PointAmount(const std::optional<db::Money> &value)
{
    return value ? PointAmount(*value) : ToPointDecimal(QString());
}

QList<CapitalGroupComponents> ReadCapitalComponents(db::Connection &ksu, const store::OpenPeriod &period,
                                                    const store::CapitalGroupList &groups)
{
    const qint64 periodId = period.id();
    const qint64 counted = store::CountDictionaryGroups(ksu);
    // The table of groups has 100 entries, or as many as the dictionary filled
    // when it has more; the count alone does not bound the walk.
    const qint64 tableSize = std::max<qint64>(100, groups.size());
    const qint64 n = std::min(counted, tableSize);

    QList<CapitalGroupComponents> out;
    for (qint64 i = 0; i < n; ++i) {
        CapitalGroupComponents entry;
        if (i < groups.size())
            entry.group = groups[i];
        entry.components = store::LoadCapitalComponents(ksu, periodId, entry.group.Kod);
        out << entry;
    }
    return out;
}

QByteArray BuildXmlReport(const store::OpenPeriod &period, const store::PageModel &model,
                          const QList<CapitalGroupComponents> &components)
{
    requireOpenPeriod(period);
    XmlLines xml;
    xml.line(QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" ?>"));
    xml.open(QStringLiteral("sprawozdanie"));
    writeHeader(xml, period);
    writeStatistics(xml, model);
    writeActiveLost(xml, model);
    writeCapital(xml, model, components);
    writeRules(xml, model);
    xml.close(QStringLiteral("sprawozdanie"));
    return xml.utf8();
}

QString xmlReportPath()
{
    return AppPaths::file(QStringLiteral("Eksport/plik.xml"));
}

void SaveXmlFile(const QString &path, const QByteArray &content)
{
    const QString shown = QDir::toNativeSeparators(path);
    // Checked whole in memory before anything is touched: a document the schema
    // refuses never replaces the old file.
    const QList<SchemaError> errors = validateReportXml(content);
    if (!errors.isEmpty())
        throw FileError(QStringLiteral("Nie zapisano pliku XML \"%1\": dokument nie jest zgodny ze schematem pliku "
                                       "sprawozdania (%2). Poprzedni plik pozostał bez zmian.")
                            .arg(shown, errors.first().text()));
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    if (!output::ensureFolderOf(path))
        throw FileError(QStringLiteral("Nie można zapisać pliku XML \"%1\": folder \"%2\" nie istnieje.")
                            .arg(shown, QDir::toNativeSeparators(folder)));
    if (target.isDir())
        throw FileError(QStringLiteral("Nie można zapisać pliku XML \"%1\": w tym miejscu jest folder.").arg(shown));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(explainFileFailure(path, file, FileAccess::Write)
                            .text(QStringLiteral("Nie można zapisać pliku XML \"%1\": ").arg(shown)));
    if (file.write(content) != content.size()) {
        // A short write sets no error of its own: the disk took only part of the file.
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QStringLiteral("zapis przerwany, na dysku może brakować miejsca");
        file.cancelWriting();
        throw FileError(QStringLiteral("Nie można zapisać pliku XML \"%1\": %2").arg(shown, reason));
    }
    if (!file.commit())
        throw FileError(explainFileFailure(path, file, FileAccess::Write)
                            .text(QStringLiteral("Nie można zapisać pliku XML \"%1\": ").arg(shown)));
}

QStringList ComponentsLeftOut(db::Connection &ksu, qint64 periodId, const QList<CapitalGroupComponents> &components)
{
    QSet<qint64> walked;
    for (const CapitalGroupComponents &group : components)
        walked.insert(group.group.Kod);
    QStringList names;
    for (const store::CapitalComponent &c : store::LoadCapitalComponents(ksu, periodId)) {
        if (!walked.contains(c.GRUPA))
            names << c.SKLADNIK;
    }
    return names;
}

QStringList WriteXmlReport(db::Connection &ksu, const store::OpenPeriod &period, const store::CapitalGroupList &groups,
                           const store::PageModel &model, const QString &path)
{
    requireOpenPeriod(period);
    const QList<CapitalGroupComponents> components = ReadCapitalComponents(ksu, period, groups);
    // Built whole before the file is touched: a text that cannot be written stops
    // the operation with the old file still in place.
    SaveXmlFile(path, BuildXmlReport(period, model, components));
    return ComponentsLeftOut(ksu, period.id(), components);
}

} // namespace reports
