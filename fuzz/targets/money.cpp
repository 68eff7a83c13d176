// Money::parse, the reader of every amount typed or read as text, against the
// plain decimal reading of the same text; then the amount's own formats and
// roundings read back.
#include "db/money.h"
#include "fuzzsupport.h"

#include <QRegularExpression>

namespace {

// The amount the text means when it has the form of one, as the text of its
// ten-thousandths magnitude (no leading zeros) and its sign; nothing otherwise.
struct Expected
{
    bool negative = false;
    QString units; // decimal digits
};

std::optional<Expected> plainReading(const QString &input)
{
    static const QRegularExpression form(QStringLiteral("^([+-]?)((?:[0-9][0-9 \\x{00A0}]*)?)(?:[.,]([0-9]*))?\\z"));
    const QString t = input.trimmed();
    const QRegularExpressionMatch m = form.match(t);
    if (!m.hasMatch())
        return std::nullopt;
    QString whole = m.captured(2);
    whole.remove(u' ').remove(QChar(0x00A0));
    QString fraction = m.captured(3);
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt; // no digit at all
    while (fraction.size() > 4 && fraction.endsWith(u'0'))
        fraction.chop(1);
    if (fraction.size() > 4)
        return std::nullopt; // more precision than an amount holds
    QString units = whole + fraction.leftJustified(4, u'0');
    qsizetype lead = 0;
    while (lead + 1 < units.size() && units[lead] == u'0')
        ++lead;
    units = units.mid(lead);
    return Expected{m.captured(1) == u"-" && units != u"0", units};
}

// The largest amount is 922 337 203 685 477 złoty, the whole złoty an int64 of
// ten-thousandths holds.
bool fitsAmount(const QString &digits)
{
    static const QString max = QStringLiteral("9223372036854770000");
    return digits.size() < max.size() || (digits.size() == max.size() && digits <= max);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApplication();
    const QString text = fuzz::text(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const std::optional<db::Money> parsed = db::Money::parse(text);
    const std::optional<Expected> expected = plainReading(text);

    if (!expected || !fitsAmount(expected->units)) {
        FUZZ_CHECK(!parsed, text + QStringLiteral(" -> ") + (parsed ? parsed->format(4, u'.') : QString()));
        return 0;
    }
    FUZZ_CHECK(parsed, text);
    const QString exact = parsed->format(4, u'.').remove(u'.');
    const QString wanted = (expected->negative ? QStringLiteral("-") : QString())
                           + (expected->units.size() < 5 ? expected->units.rightJustified(5, u'0') : expected->units);
    FUZZ_CHECK(exact == wanted, text + QStringLiteral(" -> ") + exact + QStringLiteral(" expected ") + wanted);

    // Every format of the amount reads back as the amount rounded to its decimals.
    const db::Money m = *parsed;
    for (int decimals = 0; decimals <= db::Money::Decimals; ++decimals) {
        const db::Money rounded = m.rounded(decimals);
        const db::Money even = m.roundedHalfEven(decimals);
        const QString shown = m.format(decimals, u',', QChar(0x00A0));
        const std::optional<db::Money> back = db::Money::parse(shown);
        FUZZ_CHECK(back && *back == rounded, text + QStringLiteral(" shown as ") + shown);
        const db::Money step = db::Money::fromUnits(decimals == 4   ? 1
                                                    : decimals == 3 ? 10
                                                    : decimals == 2 ? 100
                                                    : decimals == 1 ? 1000
                                                                    : 10000);
        FUZZ_CHECK(rounded.units() % step.units() == 0 && even.units() % step.units() == 0, text);
    }
    return 0;
}
