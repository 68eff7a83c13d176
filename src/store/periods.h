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

// Invalid when a text is empty or the first month comes after the last (the texts
// compared as texts, months only within one year); when all four texts are whole
// numbers, also when the first month comes after the last by number.
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
