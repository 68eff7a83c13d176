#pragma once

#include "money.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

namespace db {

// The short date and long time of the Polish regional settings, whatever the
// machine's locale: dd.MM.yyyy and HH:mm:ss.
QString shortDateText(QDate date);
QString longTimeText(QTime time);
// Reads dd.MM.yyyy (or YYYY-MM-DD); an invalid date when the text is neither.
QDate parseShortDate(const QString &text);

// One column of a fetched row. A NULL reads as empty text, 0 or no date.
class Value
{
public:
    enum class Kind { Null, Text, Scaled, Double, Date, Time, Timestamp, Boolean };

    Value() = default;
    static Value text(QString s)
    {
        Value v(Kind::Text);
        v.m_text = std::move(s);
        return v;
    }
    static Value scaled(qint64 value, int scale)
    {
        Value v(Kind::Scaled);
        v.m_int = value;
        v.m_scale = scale;
        return v;
    }
    static Value real(double d)
    {
        Value v(Kind::Double);
        v.m_double = d;
        return v;
    }
    static Value date(QDate d)
    {
        Value v(Kind::Date);
        v.m_dateTime = QDateTime(d, QTime(0, 0));
        return v;
    }
    static Value time(QTime t)
    {
        Value v(Kind::Time);
        v.m_dateTime = QDateTime(QDate(1899, 12, 30), t);
        return v;
    }
    static Value timestamp(QDateTime t)
    {
        Value v(Kind::Timestamp);
        v.m_dateTime = std::move(t);
        return v;
    }
    static Value boolean(bool b)
    {
        Value v(Kind::Boolean);
        v.m_int = b;
        return v;
    }

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }

    // The text a data-aware control shows: numbers with the Polish decimal comma and
    // no trailing zeros, dates as dd.MM.yyyy (with the time when it is not midnight).
    QString toString() const;
    // Whole number; a fraction is rounded half away from zero; text is parsed.
    // Throws db::Error for text that is not a whole number.
    qint64 toInt() const;
    double toDouble() const;
    // Exact for DECIMAL/NUMERIC and integer columns; text is parsed exactly.
    Money toMoney() const;
    // None for NULL.
    std::optional<Money> toOptionalMoney() const { return isNull() ? std::nullopt : std::optional(toMoney()); }
    QDate toDate() const;
    QDateTime toDateTime() const;

private:
    explicit Value(Kind k) : m_kind(k) {}
    Kind m_kind = Kind::Null;
    qint64 m_int = 0;
    int m_scale = 0;
    double m_double = 0;
    QString m_text;
    QDateTime m_dateTime;
};

} // namespace db
