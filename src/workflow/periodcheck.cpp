#include "periodcheck.h"

#include "store/capitalstore.h"
#include "store/carryover.h"
#include "store/fields.h"
#include "store/figurecontracts.h"
#include "store/pagemodel.h"
#include "store/periods.h"
#include "store/periodstore.h"
#include "store/statisticpairs.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace check {

namespace {

using store::toQString;

const QString InstitutionPage = QStringLiteral("Dane Funduszu");
const QString CapitalPage = QStringLiteral("Kapitał pożyczkowy");
const QString StatisticsPage = QStringLiteral("Dane zbiorcze");
const QString ActiveLostPage = QStringLiteral("Aktywne i stracone pożyczki");

QString money(db::Money m)
{
    return m.format(2, u',', u' ') + QStringLiteral(" zł");
}

QString decimal(double v)
{
    return QLocale(QLocale::Polish).toString(v, 'f', 2);
}

QString quoted(const QString &text)
{
    return QStringLiteral("„%1”").arg(text);
}

// A count and a value of the pages, added up as the page's sums add them.
struct Figure
{
    qint64 count = 0;
    db::Money value;

    void add(const store::PageModel &model, std::string_view countControl, std::string_view valueControl)
    {
        count += model.integer(toQString(countControl));
        value += model.money(toQString(valueControl));
    }
    QString text() const { return QStringLiteral("liczba %1, wartość %2").arg(count).arg(money(value)); }
};

// The previous period by dates, with what the checks compare.
struct Previous
{
    store::PeriodDates dates;
    store::PageModel model;
    db::Money capitalTotal;

    QString name() const
    {
        return QStringLiteral("okres poprzedni (%1 – %2)")
            .arg(store::FormatDateYMD(dates.first), store::FormatDateYMD(dates.last));
    }
};

db::Money componentTotal(const QList<store::CapitalComponent> &components)
{
    db::Money total;
    for (const store::CapitalComponent &c : components)
        total += c.WARTOSC.value_or(db::Money());
    return total;
}

QString groupName(const store::CapitalGroupList &groups, qint64 kod)
{
    for (const store::CapitalGroup &g : groups) {
        if (g.Kod == kod)
            return g.Nazwa;
    }
    return QStringLiteral("kod %1").arg(kod);
}

// The check digit of a ten-digit NIP: weights 6 5 7 2 3 4 5 6 7 over the first
// nine digits, modulo 11; 10 means no NIP can end this way.
int nipCheckDigit(const QString &nip)
{
    static constexpr std::array<int, 9> Weights{6, 5, 7, 2, 3, 4, 5, 6, 7};
    int sum = 0;
    for (std::size_t i = 0; i < Weights.size(); ++i)
        sum += Weights[i] * nip[qsizetype(i)].digitValue();
    return sum % 11;
}

class Checker
{
public:
    Checker(const store::PageModel &model, const std::optional<Previous> &previous)
        : m_model(model), m_previous(previous)
    {
    }

    void institution();
    void capital(const QList<store::CapitalComponent> &components, const store::CapitalGroupList &groups);
    // `unclassified`: how many contracts the import could not classify, per breakdown.
    void statistics(const std::array<qsizetype, store::StatisticGroups.size()> &unclassified);
    void activeLost();

    QList<Finding> findings;

private:
    void add(Level level, const QString &page, std::string_view field, const QString &values,
             const QString &explanation)
    {
        findings << Finding{level, page, toQString(field), values, explanation};
    }
    QString caption(const QString &control) const { return toQString(m_model.spec(control).caption); }
    // A warning when a figure grew or shrank by more than half since the previous period.
    void compareWithPrevious(const QString &page, std::string_view field, const QString &what, double now,
                             double before, const QString &nowText, const QString &beforeText);

    const store::PageModel &m_model;
    const std::optional<Previous> &m_previous;
};

void Checker::institution()
{
    for (const char *control :
         {"e_nazwa_inst", "e_nip_inst", "e_adres_inst", "e_kod_inst", "e_miasto_inst", "cb_forma_inst"}) {
        if (m_model.text(QLatin1StringView(control)).trimmed().isEmpty())
            add(Level::Warning, InstitutionPage, control, QStringLiteral("pole puste"),
                QStringLiteral("Nie wypełniono pola %1.").arg(quoted(caption(QLatin1StringView(control)))));
    }
    const QString nip = m_model.text(QStringLiteral("e_nip_inst"));
    static const QRegularExpression tenDigits(QStringLiteral("^[0-9]{10}$"));
    if (!nip.isEmpty() && !tenDigits.match(nip).hasMatch()) {
        add(Level::Warning, InstitutionPage, "e_nip_inst", QStringLiteral("NIP: ") + nip,
            QStringLiteral("NIP musi składać się z dziesięciu cyfr, bez kresek i spacji."));
    } else if (!nip.isEmpty()) {
        const int digit = nipCheckDigit(nip);
        if (digit == 10)
            add(Level::Warning, InstitutionPage, "e_nip_inst", QStringLiteral("NIP: ") + nip,
                QStringLiteral("Błędny NIP: suma kontrolna pierwszych dziewięciu cyfr daje 10, taki NIP nie "
                               "istnieje."));
        else if (digit != nip[9].digitValue())
            add(Level::Warning, InstitutionPage, "e_nip_inst", QStringLiteral("NIP: ") + nip,
                QStringLiteral("Błędna cyfra kontrolna NIP: ostatnią cyfrą powinno być %1.").arg(digit));
    }
    const QString postalCode = m_model.text(QStringLiteral("e_kod_inst"));
    static const QRegularExpression postal(QStringLiteral("^[0-9]{2}-[0-9]{3}(\\s|$)"));
    if (!postalCode.trimmed().isEmpty() && !postal.match(postalCode).hasMatch())
        add(Level::Warning, InstitutionPage, "e_kod_inst", QStringLiteral("kod pocztowy: ") + postalCode,
            QStringLiteral("Kod pocztowy powinien mieć postać NN-NNN (np. 90-001)."));
    const QString email = m_model.text(QStringLiteral("e_mail_inst"));
    static const QRegularExpression emailLike(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s.]+$"));
    if (!email.trimmed().isEmpty() && !emailLike.match(email).hasMatch())
        add(Level::Warning, InstitutionPage, "e_mail_inst", QStringLiteral("e-mail: ") + email,
            QStringLiteral("Adres e-mail nie wygląda na poprawny (oczekiwano postaci nazwa@domena.pl)."));
}

void Checker::capital(const QList<store::CapitalComponent> &components, const store::CapitalGroupList &groups)
{
    for (const store::CapitalComponent &c : components) {
        if (c.WARTOSC && *c.WARTOSC < db::Money())
            add(Level::Error, CapitalPage, "JvDBGrid1",
                QStringLiteral("grupa %1, składnik %2: %3")
                    .arg(quoted(groupName(groups, c.GRUPA)), quoted(c.SKLADNIK), money(*c.WARTOSC)),
                QStringLiteral("Wartość składnika kapitału pożyczkowego nie może być ujemna."));
    }
    if (!m_previous)
        return;
    const db::Money total = componentTotal(components);
    const db::Money expected = total - m_previous->capitalTotal;
    const db::Money change = m_model.money(QStringLiteral("Prz_kw")).rounded(2);
    if (change != expected)
        add(Level::Warning, CapitalPage, "Prz_kw",
            QStringLiteral("przyrost/spadek: %1; suma składników: %2, %3: %4; różnica sum: %5")
                .arg(money(change), money(total), m_previous->name(), money(m_previous->capitalTotal), money(expected)),
            QStringLiteral("Przyrost lub spadek kapitału nie równa się różnicy sum składników kapitału tego okresu "
                           "i okresu poprzedniego."));
}

void Checker::compareWithPrevious(const QString &page, std::string_view field, const QString &what, double now,
                                  double before, const QString &nowText, const QString &beforeText)
{
    // Against nothing there is no measure of a change.
    if (before == 0 || std::fabs(now - before) * 2 <= std::fabs(before))
        return;
    const double percent = (now - before) / std::fabs(before) * 100;
    add(Level::Warning, page, field,
        QStringLiteral("%1: %2; %3: %4 (%5%6 %)")
            .arg(what, nowText, m_previous->name(), beforeText, percent > 0 ? QStringLiteral("+") : QString(),
                 QLocale(QLocale::Polish).toString(percent, 'f', 0)),
        QStringLiteral("Wartość zmieniła się o więcej niż połowę względem poprzedniego okresu: sprawdź, czy wybrano "
                       "właściwy okres i czy import objął wszystkie dane."));
}

void Checker::statistics(const std::array<qsizetype, store::StatisticGroups.size()> &unclassified)
{
    const auto groupFigure = [](const store::PageModel &model, std::size_t group, bool splitOnly) {
        Figure f;
        for (const store::StatisticPair &p : store::StatisticPairs) {
            if (std::size_t(p.group) == group && (p.splitsLoans || !splitOnly))
                f.add(model, p.countControl, p.valueControl);
        }
        return f;
    };
    std::size_t reference = 0;
    while (!store::StatisticGroups[reference].grantedTotal)
        ++reference;
    const Figure granted = groupFigure(m_model, reference, true);
    for (std::size_t g = 0; g < store::StatisticGroups.size(); ++g) {
        const store::StatisticGroup &group = store::StatisticGroups[g];
        if (g == reference)
            continue;
        const Figure split = groupFigure(m_model, g, true);
        if (split.count == granted.count && split.value == granted.value)
            continue;
        QStringList subsets;
        for (const store::StatisticPair &p : store::StatisticPairs) {
            if (std::size_t(p.group) == g && !p.splitsLoans)
                subsets << quoted(toQString(p.caption));
        }
        const QString without =
            subsets.isEmpty() ? QString() : QStringLiteral(" (bez kolumny %1)").arg(subsets.join(QStringLiteral(", ")));
        add(Level::Warning, StatisticsPage, group.countSum,
            QStringLiteral("kategorie%1: %2; udzielone w okresie (%3): %4; różnica: liczba %5, wartość %6")
                .arg(without, split.text(), toQString(store::StatisticGroups[reference].heading).toLower(),
                     granted.text())
                .arg(split.count - granted.count)
                .arg(money(split.value - granted.value)),
            QStringLiteral("Suma kategorii podziału %1 różni się od liczby i wartości pożyczek udzielonych w okresie. "
                           "Umów, których import nie mógł zaliczyć do żadnej kategorii tego podziału: %2 (wymienia "
                           "je raport błędów importu).")
                .arg(quoted(toQString(group.heading)))
                .arg(unclassified[g]));
    }
    if (!m_previous)
        return;
    for (std::size_t g = 0; g < store::StatisticGroups.size(); ++g) {
        const store::StatisticGroup &group = store::StatisticGroups[g];
        const Figure now = groupFigure(m_model, g, false);
        const Figure before = groupFigure(m_previous->model, g, false);
        const QString heading = quoted(toQString(group.heading));
        compareWithPrevious(StatisticsPage, group.countSum, QStringLiteral("suma liczby %1").arg(heading),
                            double(now.count), double(before.count), QString::number(now.count),
                            QString::number(before.count));
        compareWithPrevious(StatisticsPage, group.valueSum, QStringLiteral("suma wartości %1").arg(heading),
                            now.value.toDouble(), before.value.toDouble(), money(now.value), money(before.value));
    }
}

void Checker::activeLost()
{
    const auto &rows = store::ActiveLostRows;
    const store::ActiveLostRow &active = rows[0];
    Figure parts;
    QStringList countParts;
    QStringList valueParts;
    for (std::size_t i = 1; i <= 3; ++i) {
        parts.add(m_model, rows[i].count.control, rows[i].value.control);
        countParts << m_model.text(toQString(rows[i].count.control));
        valueParts << money(m_model.money(toQString(rows[i].value.control)));
    }
    Figure whole;
    whole.add(m_model, active.count.control, active.value.control);
    const QString rule = QStringLiteral("Pożyczki aktywne (wiersz 1) muszą być sumą wierszy 1a, 1b i 1c.");
    if (whole.count != parts.count)
        add(Level::Error, ActiveLostPage, active.count.control,
            QStringLiteral("liczba: 1 = %1; 1a + 1b + 1c = %2 (%3)")
                .arg(whole.count)
                .arg(parts.count)
                .arg(countParts.join(QStringLiteral(" + "))),
            rule);
    if (whole.value != parts.value)
        add(Level::Error, ActiveLostPage, active.value.control,
            QStringLiteral("wartość: 1 = %1; 1a + 1b + 1c = %2 (%3)")
                .arg(money(whole.value), money(parts.value), valueParts.join(QStringLiteral(" + "))),
            rule);

    // Row 4 as the import computes it: lost loans over active ones, in per cent.
    const store::ActiveLostRow &lost = rows[5];
    const store::ActiveLostRow &ratio = rows[6];
    Figure lostFigure;
    lostFigure.add(m_model, lost.count.control, lost.value.control);
    const double byNumber = m_model.number(toQString(ratio.count.control));
    const double expected = whole.count != 0 ? double(lostFigure.count) / double(whole.count) * 100 : 0;
    // The page shows two decimals: a ratio typed as shown is right.
    constexpr double Shown = 0.005 + 1e-9;
    if (std::fabs(byNumber - expected) > Shown)
        add(Level::Error, ActiveLostPage, ratio.count.control,
            QStringLiteral("4 = %1 %; 3 ÷ 1 × 100 = %2 ÷ %3 × 100 = %4 %")
                .arg(decimal(byNumber))
                .arg(lostFigure.count)
                .arg(whole.count)
                .arg(decimal(expected)),
            QStringLiteral("Współczynnik strat według liczby (wiersz 4) musi być liczbą pożyczek straconych (wiersz 3) "
                           "podzieloną przez liczbę pożyczek aktywnych (wiersz 1), w procentach."));
    // By value the import divides the ledger sum of every lost contract, those
    // without a positive balance included, so row 3 ÷ row 1 is its upper bound.
    const double byValue = m_model.number(toQString(ratio.value.control));
    const double bound = whole.value.isZero() ? 0 : lostFigure.value.toDouble() / whole.value.toDouble() * 100;
    if (byValue > bound + Shown || (whole.value.isZero() && byValue != 0))
        add(Level::Error, ActiveLostPage, ratio.value.control,
            QStringLiteral("4 = %1; 3 ÷ 1 × 100 = %2 ÷ %3 × 100 = %4")
                .arg(decimal(byValue), money(lostFigure.value), money(whole.value), decimal(bound)),
            QStringLiteral("Współczynnik strat według wartości (wiersz 4) dzieli sumę księgowań pożyczek straconych "
                           "przez wartość pożyczek aktywnych (wiersz 1): nie może przekroczyć wiersza 3 podzielonego "
                           "przez wiersz 1, a przy zerowej wartości pożyczek aktywnych wynosi 0."));

    if (!m_previous)
        return;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        const store::ActiveLostRow &row = rows[i];
        const QString what = QStringLiteral("wiersz %1").arg(toQString(row.number));
        const qint64 countNow = m_model.integer(toQString(row.count.control));
        const qint64 countBefore = m_previous->model.integer(toQString(row.count.control));
        compareWithPrevious(ActiveLostPage, row.count.control, what + QStringLiteral(", liczba"), double(countNow),
                            double(countBefore), QString::number(countNow), QString::number(countBefore));
        const db::Money valueNow = m_model.money(toQString(row.value.control));
        const db::Money valueBefore = m_previous->model.money(toQString(row.value.control));
        compareWithPrevious(ActiveLostPage, row.value.control, what + QStringLiteral(", wartość"), valueNow.toDouble(),
                            valueBefore.toDouble(), money(valueNow), money(valueBefore));
    }
}

} // namespace

QString levelText(Level level)
{
    return level == Level::Error ? QStringLiteral("błąd") : QStringLiteral("ostrzeżenie");
}

QString Finding::text() const
{
    return QStringList{levelText(level), page, field, values, explanation}.join(QStringLiteral(" | "));
}

QList<Finding> CheckPeriod(db::Connection &ksu, const store::OpenPeriod &period, const store::CapitalGroupList &groups,
                           const store::PageModel &model)
{
    const qint64 id = period.id();
    std::optional<Previous> previous;
    if (const auto dates = store::previousPeriod(ksu, period.PeriodStart.date(), id)) {
        previous.emplace();
        previous->dates = *dates;
        store::OpenPeriod before;
        before.CurrentPeriodId = QString::number(dates->id);
        store::LoadActiveLostLoans(ksu, before, previous->model);
        store::LoadLoanStatistics(ksu, before, previous->model);
        previous->capitalTotal = componentTotal(store::LoadCapitalComponents(ksu, dates->id));
    }
    Checker checker(model, previous);
    checker.institution();
    checker.capital(store::LoadCapitalComponents(ksu, id), groups);
    std::array<qsizetype, store::StatisticGroups.size()> unclassified{};
    for (std::size_t g = 0; g < unclassified.size(); ++g)
        unclassified[g] = store::LoadUnclassifiedContracts(ksu, id, int(g)).size();
    checker.statistics(unclassified);
    checker.activeLost();
    return checker.findings;
}

bool hasErrors(const QList<Finding> &findings)
{
    return std::any_of(findings.cbegin(), findings.cend(), [](const Finding &f) { return f.level == Level::Error; });
}

QString summaryText(const QList<Finding> &findings)
{
    const auto errors =
        std::count_if(findings.cbegin(), findings.cend(), [](const Finding &f) { return f.level == Level::Error; });
    return QStringLiteral("Kontrola danych: błędów %1, ostrzeżeń %2.").arg(errors).arg(findings.size() - errors);
}

} // namespace check
