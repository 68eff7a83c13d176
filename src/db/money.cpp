#include "money.h"

#include <cmath>
#include <limits>

namespace db {

namespace {

constexpr qint64 pow10(int n)
{
    qint64 p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

qint64 divideHalfAwayFromZero(qint64 value, qint64 divisor)
{
    qint64 q = value / divisor;
    qint64 r = value % divisor;
    if (2 * (r < 0 ? -r : r) >= divisor)
        q += value < 0 ? -1 : 1;
    return q;
}

qint64 divideHalfEven(qint64 value, qint64 divisor)
{
    qint64 q = value / divisor;
    qint64 r = value % divisor;
    qint64 twice = 2 * (r < 0 ? -r : r);
    if (twice > divisor || (twice == divisor && (q % 2) != 0))
        q += value < 0 ? -1 : 1;
    return q;
}

} // namespace

Money Money::fromScaled(qint64 value, int scale)
{
    if (scale >= -Decimals)
        return fromUnits(value * pow10(Decimals + scale));
    return fromUnits(divideHalfAwayFromZero(value, pow10(-scale - Decimals)));
}

Money Money::fromDouble(double value)
{
    return fromUnits(qint64(std::llround(value * Scale)));
}

std::optional<Money> Money::parse(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    qsizetype i = 0;
    bool negative = false;
    if (t[0] == u'-' || t[0] == u'+') {
        negative = t[0] == u'-';
        ++i;
    }
    qint64 whole = 0;
    qint64 fraction = 0;
    int fractionDigits = 0;
    bool inFraction = false;
    bool anyDigit = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128) {
            const int d = c.unicode() - '0';
            anyDigit = true;
            if (inFraction) {
                if (fractionDigits == Decimals) {
                    if (d != 0)
                        return std::nullopt; // more precision than the amount can hold
                    continue;
                }
                fraction = fraction * 10 + d;
                ++fractionDigits;
            } else {
                if (whole > (std::numeric_limits<qint64>::max() / Scale - d) / 10)
                    return std::nullopt;
                whole = whole * 10 + d;
            }
        } else if ((c == u',' || c == u'.') && !inFraction) {
            inFraction = true;
        } else if ((c == u' ' || c == QChar(0x00A0)) && !inFraction && anyDigit) {
            continue;
        } else {
            return std::nullopt;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    // The largest amount is a whole number of złoty: nothing past the int64 is
    // read, and every rounding of an accepted amount can still be held.
    if (whole == std::numeric_limits<qint64>::max() / Scale && fraction != 0)
        return std::nullopt;
    qint64 units = whole * Scale + fraction * pow10(Decimals - fractionDigits);
    return fromUnits(negative ? -units : units);
}

Money Money::rounded(int decimals) const
{
    const qint64 step = pow10(Decimals - decimals);
    return fromUnits(divideHalfAwayFromZero(m_units, step) * step);
}

Money Money::roundedHalfEven(int decimals) const
{
    const qint64 step = pow10(Decimals - decimals);
    return fromUnits(divideHalfEven(m_units, step) * step);
}

QString Money::format(int decimals, QChar decimalSeparator, QChar groupSeparator) const
{
    const qint64 step = pow10(Decimals - decimals);
    const qint64 scaled = divideHalfAwayFromZero(m_units, step);
    const bool negative = scaled < 0;
    // Work on the magnitude as unsigned so that the smallest int64 survives.
    const quint64 magnitude = negative ? quint64(0) - quint64(scaled) : quint64(scaled);
    const quint64 unit = quint64(pow10(decimals));
    QString whole = QString::number(magnitude / unit);
    if (!groupSeparator.isNull()) {
        for (qsizetype pos = whole.size() - 3; pos > 0; pos -= 3)
            whole.insert(pos, groupSeparator);
    }
    QString out = negative ? QStringLiteral("-") + whole : whole;
    if (decimals > 0) {
        out += decimalSeparator;
        out += QString::number(magnitude % unit).rightJustified(decimals, u'0');
    }
    return out;
}

} // namespace db
