// The numeric edits' text: NumericValue::setText and PageModel::setText for every
// field of the pages, then the statistics page's sums. Up to 16 settings per input,
// separated by NUL bytes; the first byte of each picks the field.
#include "db/money.h"
#include "db/value.h"
#include "fuzzsupport.h"
#include "store/fields.h"
#include "store/pagemodel.h"
#include "store/statisticpairs.h"

#include <cmath>

namespace {

QStringList allControls()
{
    QStringList controls = store::PageModel::institutionControls() + store::PageModel::ruleControls()
                           + store::PageModel::statisticsControls() + store::PageModel::activeLostControls();
    for (const store::FieldSpec &s : store::CapitalFields)
        controls << store::toQString(s.control);
    return controls;
}

QString describe(const QString &control, const QString &text, const store::PageModel &model)
{
    return control + QStringLiteral(" <- \"") + text + QStringLiteral("\" shows \"") + model.text(control) + u'"';
}

// What a field shows must be taken back by the same field unchanged: the edit
// hands its own text to the model whenever the user leaves it.
void checkShownTextReadsBack(const store::PageModel &model, const QString &control, const QString &text)
{
    const QString shown = model.text(control);
    store::PageModel again;
    FUZZ_CHECK(again.setText(control, shown), describe(control, text, model));
    FUZZ_CHECK(again.text(control) == shown,
               describe(control, text, model) + QStringLiteral(" then \"") + again.text(control) + u'"');
}

void checkNumeric(const store::PageModel &model, const QString &control, const QString &text, bool ok)
{
    const store::NumericValue &v = model.numeric(control);
    if (!ok || text.trimmed().isEmpty()) {
        FUZZ_CHECK(v.isEmpty() && model.text(control).isEmpty(), describe(control, text, model));
        return;
    }
    FUZZ_CHECK(!v.isEmpty(), describe(control, text, model));
    FUZZ_CHECK(std::isfinite(v.toNumber()), describe(control, text, model));
    const QString shown = model.text(control);
    const std::optional<db::Money> shownValue = db::Money::parse(shown);
    FUZZ_CHECK(shownValue.has_value(), describe(control, text, model));
    // The text shown is the value held, rounded to the field's decimals.
    const double held = v.kind() == store::FieldKind::Decimal ? v.toNumber() : v.toMoney().toDouble();
    const double difference = std::fabs(shownValue->toDouble() - held);
    FUZZ_CHECK(difference <= (v.kind() == store::FieldKind::Count ? 0.5 : 0.005) + 1e-12 * std::fabs(held),
               describe(control, text, model));
    if (v.kind() == store::FieldKind::Count)
        FUZZ_CHECK(__int128(v.toInteger()) * db::Money::Scale == shownValue->units(), describe(control, text, model));
    checkShownTextReadsBack(model, control, text);

    // The model takes a text exactly like a free-standing value of the same kind.
    store::NumericValue alone(v.kind(), v.decimals());
    FUZZ_CHECK(alone.setText(text) && alone.text() == shown, describe(control, text, model));
}

void checkDate(const store::PageModel &model, const QString &control, const QString &text, bool ok)
{
    const QDate d = model.date(control);
    if (!ok) {
        FUZZ_CHECK(!d.isValid(), describe(control, text, model));
        return;
    }
    if (text.trimmed().isEmpty())
        return;
    FUZZ_CHECK(d.isValid(), describe(control, text, model));
    FUZZ_CHECK(db::parseShortDate(model.text(control)) == d, describe(control, text, model));
}

void checkSums(const store::PageModel &model)
{
    for (int g = 0; g < int(store::StatisticGroups.size()); ++g) {
        __int128 count = 0;
        __int128 value = 0;
        for (const store::StatisticPair &p : store::StatisticPairs) {
            if (p.group != g)
                continue;
            count += model.integer(store::toQString(p.countControl));
            value += model.money(store::toQString(p.valueControl)).units();
        }
        const store::StatisticGroup &group = store::StatisticGroups[g];
        FUZZ_CHECK(model.integer(store::toQString(group.countSum)) == count, store::toQString(group.countSum));
        FUZZ_CHECK(model.money(store::toQString(group.valueSum)).units() == value, store::toQString(group.valueSum));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApplication();
    static const QStringList controls = allControls();
    store::PageModel model;
    for (const QByteArray &part : fuzz::parts(data, size, 16)) {
        if (part.isEmpty())
            continue;
        const QString control = controls[uchar(part[0]) % controls.size()];
        const QString text = fuzz::text(part.mid(1));
        const bool ok = model.setText(control, text);
        switch (model.kind(control)) {
        case store::FieldKind::Text:
            FUZZ_CHECK(ok && model.text(control) == text, describe(control, text, model));
            break;
        case store::FieldKind::Date:
            checkDate(model, control, text, ok);
            break;
        default:
            checkNumeric(model, control, text, ok);
            break;
        }
    }
    model.recomputeAllSums();
    checkSums(model);
    return 0;
}
