#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

namespace db {
class Connection;
}

namespace store {

// The four combo texts that choose a period: first month and year, last month and year.
struct PeriodChoice
{
    QString fromMonth;
    QString fromYear;
    QString toMonth;
    QString toYear;
};

// The years a period may lie in: the year lists run from the first to the last.
inline constexpr int FirstPeriodYear = 1985;
int lastPeriodYear(); // the current year + 1

// Invalid when a text is empty, when the first month comes after the last, or when
// a year lies outside FirstPeriodYear to lastPeriodYear(). Whole numbers compare
// as numbers ("1" and "01" are one month); other texts as texts, months only
// within one year.
bool isValidPeriodChoice(const PeriodChoice &choice);

// 00:00 of the first day and 23:59:59.999 of the last day. Throws db::Error with a
// clear message when a text is not a number, a month is outside 1 to 12 or a year
// outside 1 to 9999.
struct PeriodBounds
{
    QDateTime start;
    QDateTime end;
};
PeriodBounds periodBounds(const PeriodChoice &choice);

// YYYY-MM-DD, the year with at least four digits.
QString FormatDateYMD(QDate date);

// The ID_OK of the OKRES row whose ODK and DOK fall on these days, if any.
std::optional<qint64> findPeriod(db::Connection &ksu, QDate first, QDate last);

// A new OKRES row with the next key (the last one plus 1), created today; its key.
qint64 InsertPeriod(db::Connection &ksu, QDate first, QDate last);

// Stamps a period imported again with today's date.
void MarkPeriodImported(db::Connection &ksu, qint64 id);

} // namespace store
