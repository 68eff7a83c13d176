#include "value.h"

#include "error.h"

#include <cmath>

namespace db {

namespace {

QString polishNumber(QString plain)
{
    plain.replace(u'.', u',');
    return plain;
}

// A scaled integer as its shortest decimal text: 123450 at scale -2 is "1234,5".
QString scaledText(qint64 value, int scale)
{
    if (scale >= 0) {
        QString s = QString::number(value);
        return scale == 0 ? s : s + QString(scale, u'0');
    }
    const bool negative = value < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    QString digits = QString::number(magnitude).rightJustified(1 - scale, u'0');
    QString whole = digits.left(digits.size() + scale);
    QString fraction = digits.right(-scale);
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    QString out = negative ? QStringLiteral("-") + whole : whole;
    if (!fraction.isEmpty())
        out += u',' + fraction;
    return out;
}

qint64 pow10(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

} // namespace

QString shortDateText(QDate date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString longTimeText(QTime time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QDate parseShortDate(const QString &text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, QStringLiteral("dd.MM.yyyy"));
    if (!d.isValid())
        d = QDate::fromString(t, QStringLiteral("d.M.yyyy"));
    if (!d.isValid())
        d = QDate::fromString(t, Qt::ISODate);
    return d;
}

QString Value::toString() const
{
    switch (m_kind) {
    case Kind::Null:
        return QString();
    case Kind::Text:
        return m_text;
    case Kind::Scaled:
        return scaledText(m_int, m_scale);
    case Kind::Double:
        return polishNumber(QString::number(m_double, 'g', 15));
    case Kind::Date:
        return shortDateText(m_dateTime.date());
    case Kind::Time:
        return longTimeText(m_dateTime.time());
    case Kind::Timestamp:
        if (m_dateTime.time() == QTime(0, 0))
            return shortDateText(m_dateTime.date());
        return shortDateText(m_dateTime.date()) + u' ' + longTimeText(m_dateTime.time());
    case Kind::Boolean:
        return m_int ? QStringLiteral("True") : QStringLiteral("False");
    }
    return QString();
}

qint64 Value::toInt() const
{
    switch (m_kind) {
    case Kind::Null:
        return 0;
    case Kind::Scaled:
        if (m_scale >= 0)
            return m_int * pow10(m_scale);
        return Money::fromScaled(m_int, m_scale).rounded(0).units() / Money::Scale;
    case Kind::Double:
        return qint64(std::llround(m_double));
    case Kind::Boolean:
        return m_int;
    case Kind::Text: {
        bool ok = false;
        const qint64 n = m_text.trimmed().toLongLong(&ok);
        if (!ok)
            throw Error(QStringLiteral("'%1' nie jest poprawną liczbą całkowitą").arg(m_text));
        return n;
    }
    default:
        throw Error(QStringLiteral("Wartość daty nie jest liczbą"));
    }
}

double Value::toDouble() const
{
    switch (m_kind) {
    case Kind::Null:
        return 0;
    case Kind::Scaled:
        return double(m_int) / std::pow(10.0, -m_scale);
    case Kind::Double:
        return m_double;
    case Kind::Boolean:
        return double(m_int);
    case Kind::Text: {
        const auto m = Money::parse(m_text);
        if (!m)
            throw Error(QStringLiteral("'%1' nie jest poprawną liczbą").arg(m_text));
        return m->toDouble();
    }
    default:
        throw Error(QStringLiteral("Wartość daty nie jest liczbą"));
    }
}

Money Value::toMoney() const
{
    switch (m_kind) {
    case Kind::Null:
        return Money();
    case Kind::Scaled:
        return Money::fromScaled(m_int, m_scale);
    case Kind::Double:
        return Money::fromDouble(m_double);
    case Kind::Text: {
        const auto m = Money::parse(m_text);
        if (!m)
            throw Error(QStringLiteral("'%1' nie jest poprawną kwotą").arg(m_text));
        return *m;
    }
    default:
        throw Error(QStringLiteral("Wartość nie jest kwotą"));
    }
}

QDate Value::toDate() const
{
    return toDateTime().date();
}

QDateTime Value::toDateTime() const
{
    switch (m_kind) {
    case Kind::Null:
        return QDateTime();
    case Kind::Date:
    case Kind::Time:
    case Kind::Timestamp:
        return m_dateTime;
    case Kind::Text: {
        const QDate d = parseShortDate(m_text);
        if (!d.isValid())
            throw Error(QStringLiteral("'%1' nie jest poprawną datą").arg(m_text));
        return QDateTime(d, QTime(0, 0));
    }
    default:
        throw Error(QStringLiteral("Wartość nie jest datą"));
    }
}

} // namespace db
