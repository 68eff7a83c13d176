#include "periods.h"

#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"

namespace store {

namespace {

std::optional<int> number(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

} // namespace

int lastPeriodYear()
{
    return QDate::currentDate().year() + 1;
}

bool isValidPeriodChoice(const PeriodChoice &c)
{
    if (c.fromMonth.isEmpty() || c.fromYear.isEmpty() || c.toMonth.isEmpty() || c.toYear.isEmpty())
        return false;
    const auto fromMonth = number(c.fromMonth), fromYear = number(c.fromYear);
    const auto toMonth = number(c.toMonth), toYear = number(c.toYear);
    if (!fromMonth || !fromYear || !toMonth || !toYear) {
        // Texts that are no numbers compare as texts; opening them then fails on the number.
        if (c.fromYear > c.toYear)
            return false;
        return !(c.fromYear == c.toYear && c.fromMonth > c.toMonth);
    }
    // A typed year such as 213 would make a period nobody can use.
    for (int year : {*fromYear, *toYear}) {
        if (year < FirstPeriodYear || year > lastPeriodYear())
            return false;
    }
    return qint64(*fromYear) * 12 + *fromMonth <= qint64(*toYear) * 12 + *toMonth;
}

namespace {

int wholeNumber(const QString &text, const char *what)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok)
        throw db::Error(QStringLiteral("\"%1\" nie jest poprawnym numerem %2.").arg(text, QString::fromUtf8(what)));
    return n;
}

QDate firstDay(const QString &month, const QString &year)
{
    const int m = wholeNumber(month, "miesiąca");
    const int y = wholeNumber(year, "roku");
    const QDate d(y, m, 1);
    if (m < 1 || m > 12 || !d.isValid())
        throw db::Error(QStringLiteral("Miesiąc %1 roku %2 nie istnieje.").arg(month, year));
    // The dates a Firebird DATE holds, written with four-digit years.
    if (y < 1 || y > 9999)
        throw db::Error(QStringLiteral("Rok %1 jest spoza zakresu od 1 do 9999.").arg(year));
    return d;
}

} // namespace

PeriodBounds periodBounds(const PeriodChoice &c)
{
    const QDate first = firstDay(c.fromMonth, c.fromYear);
    const QDate lastMonth = firstDay(c.toMonth, c.toYear);
    const QDate last(lastMonth.year(), lastMonth.month(), lastMonth.daysInMonth());
    return {QDateTime(first, QTime(0, 0)), QDateTime(last, QTime(23, 59, 59, 999))};
}

QString FormatDateYMD(QDate date)
{
    return QStringLiteral("%1-%2-%3")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

std::optional<qint64> findPeriod(db::Connection &ksu, QDate first, QDate last)
{
    db::Query q(ksu, QStringLiteral("select * from OKRES order by id_ok;"));
    q.execute();
    while (q.next()) {
        if (q.value(u"ODK").toDate() == first && q.value(u"DOK").toDate() == last)
            return q.value(u"ID_OK").toInt();
    }
    return std::nullopt;
}

qint64 InsertPeriod(db::Connection &ksu, QDate first, QDate last)
{
    db::Query lastKey(ksu, QStringLiteral("select max(id_ok) from OKRES"));
    lastKey.execute();
    lastKey.next();
    const qint64 id = lastKey.value(0).toInt() + 1;
    lastKey.closeCursor();
    db::Query insert(ksu,
                     QStringLiteral("insert into OKRES (ID_OK,ODK,DOK,DATAW,WPROWADZIL) values (:d0,:d1,:d2,:d3,:d4)"));
    insert.execute({id, first, last, QDate::currentDate(), 1});
    ksu.commitRetaining();
    return id;
}

void MarkPeriodImported(db::Connection &ksu, qint64 id)
{
    db::Query update(ksu, QStringLiteral("update OKRES set DATAW=:d0 where ID_OK=:d1"));
    update.execute({QDate::currentDate(), id});
    ksu.commitRetaining();
}

} // namespace store
