#include "pagemodel.h"

#include "db/value.h"
#include "statisticpairs.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace store {

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

namespace {

int decimalsOf(FieldKind kind)
{
    return kind == FieldKind::Count ? 0 : 2;
}

// The largest numbers a field takes, those its column holds: counts are INTEGER,
// amounts and rates DECIMAL(15,2). Within them the page's sums cannot overflow.
constexpr qint64 LargestCount = std::numeric_limits<qint32>::max();
constexpr double AmountLimit = 1e13; // thirteen whole digits
constexpr qint64 AmountLimitUnits = qint64(10'000'000'000'000) * db::Money::Scale;

bool withinAmountRange(db::Money m)
{
    return m.units() > -AmountLimitUnits && m.units() < AmountLimitUnits;
}

// A value field of the statistics page; sums take the same kinds as their members.
FieldSpec statisticSpec(std::string_view control, bool count, std::string_view column)
{
    return {control, count ? FieldKind::Count : FieldKind::Decimal, column,
            column.empty() ? SaveAs::None : (count ? SaveAs::Integer : SaveAs::Currency), ""};
}

} // namespace

bool NumericValue::setText(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        clear();
        return true;
    }
    if (m_kind == FieldKind::Count) {
        bool ok = false;
        const qint64 n = t.toLongLong(&ok);
        if (!ok || n < -LargestCount || n > LargestCount)
            return false;
        setInteger(n);
        return true;
    }
    if (const auto m = db::Money::parse(t)) {
        if (!withinAmountRange(*m))
            return false;
        setMoney(*m);
        return true;
    }
    if (m_kind == FieldKind::Decimal) {
        // More decimals than money holds: a ratio read back from the database.
        QString plain = t;
        plain.replace(u',', u'.');
        bool ok = false;
        const double d = plain.toDouble(&ok);
        if (ok && std::isfinite(d) && std::fabs(d) < AmountLimit) {
            setNumber(d);
            return true;
        }
    }
    return false;
}

void NumericValue::setInteger(qint64 value)
{
    setMoney(db::Money::fromWhole(value));
}

void NumericValue::setMoney(db::Money value)
{
    m_empty = false;
    m_money = m_kind == FieldKind::Count ? value.rounded(0) : value;
    m_real = m_money.toDouble();
}

void NumericValue::setNumber(double value)
{
    m_empty = false;
    m_money = db::Money::fromDouble(value);
    if (m_kind == FieldKind::Count)
        m_money = m_money.rounded(0);
    m_real = m_kind == FieldKind::Decimal ? value : m_money.toDouble();
}

QString NumericValue::text() const
{
    if (m_empty)
        return QString();
    if (m_kind == FieldKind::Decimal) {
        // Rounded once, from the value itself: through four decimals first, 3.55497
        // would show as 3,56. Ties go away from zero, as for amounts.
        QString shown = QString::number(m_real, 'f', m_decimals);
        const bool zero = std::none_of(shown.cbegin(), shown.cend(), [](QChar c) { return c >= u'1' && c <= u'9'; });
        if (zero && shown.startsWith(u'-'))
            shown.remove(0, 1); // no "-0,00"
        return shown.replace(u'.', u',');
    }
    return m_money.format(m_decimals, u',');
}

qint64 NumericValue::toInteger() const
{
    return m_empty ? 0 : m_money.rounded(0).units() / db::Money::Scale;
}

db::Money NumericValue::toMoney() const
{
    return m_empty ? db::Money() : m_money;
}

double NumericValue::toNumber() const
{
    return m_empty ? 0 : m_real;
}

PageModel::PageModel()
{
    for (const FieldSpec &s : InstitutionFields)
        add(s);
    for (const FieldSpec &s : RuleFields)
        add(s);
    for (const ActiveLostRow &r : ActiveLostRows) {
        add(r.count);
        add(r.value);
    }
    for (const FieldSpec &s : CapitalFields)
        add(s);
    // The statistics fields live in their own table; their specs are made here once.
    m_sumSpecs.reserve(StatisticPairs.size() * 2 + StatisticGroups.size() * 2);
    for (const StatisticPair &p : StatisticPairs) {
        m_sumSpecs.push_back(statisticSpec(p.countControl, true, p.countColumn));
        m_sumSpecs.push_back(statisticSpec(p.valueControl, false, p.valueColumn));
    }
    for (const StatisticGroup &g : StatisticGroups) {
        m_sumSpecs.push_back(statisticSpec(g.countSum, true, {}));
        m_sumSpecs.push_back(statisticSpec(g.valueSum, false, {}));
    }
    for (const FieldSpec &s : m_sumSpecs)
        add(s);
}

void PageModel::add(const FieldSpec &spec)
{
    Field f;
    f.spec = &spec;
    if (spec.kind == FieldKind::Count || spec.kind == FieldKind::Money || spec.kind == FieldKind::Decimal)
        f.numeric = NumericValue(spec.kind, decimalsOf(spec.kind));
    m_fields.insert(toQString(spec.control), f);
}

void PageModel::assignFrom(const PageModel &other)
{
    for (auto it = m_fields.begin(); it != m_fields.end(); ++it) {
        const Field &source = other.field(it.key());
        it->text = source.text;
        it->date = source.date;
        it->numeric = source.numeric;
    }
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it)
        emit fieldChanged(it.key());
    QStringList changedItems = m_items.keys() + other.m_items.keys();
    changedItems.removeDuplicates();
    m_items = other.m_items;
    for (const QString &control : std::as_const(changedItems))
        emit itemsChanged(control);
    setCapitalSources(other.m_capitalSources);
}

PageModel::Field &PageModel::field(const QString &control)
{
    auto it = m_fields.find(control);
    if (it == m_fields.end())
        throw std::logic_error("no page field " + control.toStdString());
    return *it;
}

const PageModel::Field &PageModel::field(const QString &control) const
{
    auto it = m_fields.find(control);
    if (it == m_fields.end())
        throw std::logic_error("no page field " + control.toStdString());
    return *it;
}

FieldKind PageModel::kind(const QString &control) const
{
    return field(control).spec->kind;
}

const FieldSpec &PageModel::spec(const QString &control) const
{
    return *field(control).spec;
}

QString PageModel::text(const QString &control) const
{
    const Field &f = field(control);
    switch (f.spec->kind) {
    case FieldKind::Text:
        return f.text;
    case FieldKind::Date:
        return db::shortDateText(f.date);
    default:
        return f.numeric.text();
    }
}

QString PageModel::shownText(const QString &control) const
{
    const QString t = text(control);
    const FieldSpec &s = spec(control);
    return t.isEmpty() || s.suffix.empty() ? t : t + toQString(s.suffix);
}

bool PageModel::setText(const QString &control, const QString &text)
{
    Field &f = field(control);
    bool ok = true;
    switch (f.spec->kind) {
    case FieldKind::Text:
        if (f.text == text)
            return true;
        f.text = text;
        break;
    case FieldKind::Date: {
        const QDate d = db::parseShortDate(text);
        ok = d.isValid() || text.trimmed().isEmpty();
        f.date = d;
        break;
    }
    default:
        ok = f.numeric.setText(text);
        if (!ok)
            f.numeric.clear();
        break;
    }
    emit fieldChanged(control);
    return ok;
}

QDate PageModel::date(const QString &control) const
{
    return field(control).date;
}

void PageModel::setDate(const QString &control, QDate date)
{
    field(control).date = date;
    emit fieldChanged(control);
}

const NumericValue &PageModel::numeric(const QString &control) const
{
    return field(control).numeric;
}

void PageModel::setInteger(const QString &control, qint64 value)
{
    field(control).numeric.setInteger(value);
    emit fieldChanged(control);
}

void PageModel::setMoney(const QString &control, db::Money value)
{
    field(control).numeric.setMoney(value);
    emit fieldChanged(control);
}

void PageModel::setNumber(const QString &control, double value)
{
    field(control).numeric.setNumber(value);
    emit fieldChanged(control);
}

void PageModel::clear(const QString &control)
{
    Field &f = field(control);
    f.text.clear();
    f.date = QDate();
    f.numeric.clear();
    emit fieldChanged(control);
}

namespace {
bool isStored(const FieldSpec &spec)
{
    return spec.saveAs != SaveAs::None && !spec.column.empty();
}
} // namespace

bool PageModel::isModified() const
{
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it) {
        if (isStored(*it->spec) && text(it.key()) != m_unmodified.value(it.key()))
            return true;
    }
    return false;
}

QStringList PageModel::modifiedControls() const
{
    QStringList order = institutionControls() + ruleControls() + statisticsControls() + activeLostControls();
    QStringList rest = m_fields.keys();
    rest.sort();
    order += rest;
    QStringList modified;
    for (const QString &control : std::as_const(order)) {
        const auto it = m_fields.constFind(control);
        if (it != m_fields.cend() && isStored(*it->spec) && !modified.contains(control)
            && text(control) != m_unmodified.value(control))
            modified << control;
    }
    return modified;
}

void PageModel::markUnmodified()
{
    m_unmodified.clear();
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it) {
        if (isStored(*it->spec))
            m_unmodified.insert(it.key(), text(it.key()));
    }
}

void PageModel::setItems(const QString &control, const QStringList &items)
{
    field(control);
    m_items.insert(control, items);
    emit itemsChanged(control);
}

void PageModel::setCapitalSources(QList<CapitalSource> sources)
{
    m_capitalSources = std::move(sources);
    emit capitalSourcesChanged();
}

void PageModel::recomputeCountSum(int group)
{
    qint64 total = 0;
    for (const StatisticPair &p : StatisticPairs) {
        if (p.group == group)
            total += integer(toQString(p.countControl));
    }
    setInteger(toQString(StatisticGroups[group].countSum), total);
}

void PageModel::recomputeValueSum(int group)
{
    db::Money total;
    for (const StatisticPair &p : StatisticPairs) {
        if (p.group == group)
            total += money(toQString(p.valueControl));
    }
    setMoney(toQString(StatisticGroups[group].valueSum), total);
}

void PageModel::recomputeAllSums()
{
    for (int g = 0; g < int(StatisticGroups.size()); ++g) {
        recomputeCountSum(g);
        recomputeValueSum(g);
    }
}

QStringList PageModel::institutionControls()
{
    QStringList out;
    for (const FieldSpec &s : InstitutionFields)
        out << toQString(s.control);
    return out;
}

QStringList PageModel::ruleControls()
{
    QStringList out;
    for (const FieldSpec &s : RuleFields)
        out << toQString(s.control);
    return out;
}

QStringList PageModel::statisticsControls()
{
    QStringList out;
    for (int g = 0; g < int(StatisticGroups.size()); ++g) {
        for (const StatisticPair &p : StatisticPairs) {
            if (p.group == g)
                out << toQString(p.countControl);
        }
        out << toQString(StatisticGroups[g].countSum);
        for (const StatisticPair &p : StatisticPairs) {
            if (p.group == g)
                out << toQString(p.valueControl);
        }
        out << toQString(StatisticGroups[g].valueSum);
    }
    return out;
}

QStringList PageModel::activeLostControls()
{
    QStringList out;
    for (const ActiveLostRow &r : ActiveLostRows)
        out << toQString(r.count.control) << toQString(r.value.control);
    return out;
}

} // namespace store
