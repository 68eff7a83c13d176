#pragma once

#include <QString>
#include <QStringView>
#include <compare>
#include <optional>

namespace db {

// A money amount held exactly as a whole number of ten-thousandths of a złoty,
// the precision of the program's currency fields. Never passes through a double
// unless a caller asks for one.
class Money
{
public:
    static constexpr int Decimals = 4;
    static constexpr qint64 Scale = 10000;

    constexpr Money() = default;
    static constexpr Money fromUnits(qint64 units)
    {
        Money m;
        m.m_units = units;
        return m;
    }
    static constexpr Money fromWhole(qint64 zloty) { return fromUnits(zloty * Scale); }
    // A scaled integer as Firebird stores NUMERIC/DECIMAL: value * 10^scale (scale <= 0).
    // Digits beyond four decimals are rounded half away from zero.
    static Money fromScaled(qint64 value, int scale);
    // Rounded to four decimals, half away from zero.
    static Money fromDouble(double value);
    // Parses "1234,5", "-1 234.50" and the like exactly; spaces and non-breaking spaces
    // between digits are thousands separators. Either ',' or '.' is the decimal separator.
    // Empty text is not a number here: callers decide what empty means.
    static std::optional<Money> parse(QStringView text);

    constexpr qint64 units() const { return m_units; }
    double toDouble() const { return double(m_units) / Scale; }
    bool isZero() const { return m_units == 0; }

    // Rounded to the given number of decimals (0..4), half away from zero.
    Money rounded(int decimals) const;
    // Rounded to the given number of decimals (0..4), ties to the even neighbour.
    Money roundedHalfEven(int decimals) const;

    // Plain digits, an optional minus, the decimal separator and exactly `decimals`
    // digits (rounded half away from zero); groups of three separated by
    // `groupSeparator` when it is not null.
    QString format(int decimals, QChar decimalSeparator, QChar groupSeparator = QChar()) const;

    constexpr Money operator+(Money o) const { return fromUnits(m_units + o.m_units); }
    constexpr Money operator-(Money o) const { return fromUnits(m_units - o.m_units); }
    constexpr Money operator-() const { return fromUnits(-m_units); }
    Money &operator+=(Money o)
    {
        m_units += o.m_units;
        return *this;
    }
    Money &operator-=(Money o)
    {
        m_units -= o.m_units;
        return *this;
    }
    constexpr auto operator<=>(const Money &) const = default;

private:
    qint64 m_units = 0;
};

} // namespace db
