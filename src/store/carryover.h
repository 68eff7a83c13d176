#pragma once

// What a new period takes over from an earlier one: the source period, and the
// copies of its loan capital (components, change and sources).

#include "openperiod.h"

#include <QDate>

#include <optional>

namespace db {
class Connection;
}

namespace store {

class PageModel;

// An earlier period by its dates.
struct PeriodDates
{
    qint64 id = 0;
    QDate first;
    QDate last;
};

// The period that ends latest before `start` (among periods ending on one day,
// the one created last), never period `except`; none when no period ends before it.
std::optional<PeriodDates> previousPeriod(db::Connection &ksu, QDate start, qint64 except = 0);

// The period a new period starting on `newStart` carries over from: the one that
// ends latest before that day, or, when none ends before it, the one that ends
// latest of all; among periods ending on one day, the one created last. Period
// `except` (one being imported again) is never its own source. 0 when there is none.
qint64 carryOverSource(db::Connection &ksu, QDate newStart, qint64 except = 0);

// Copies the KAPITAL_FUND rows of period `from` to the open period, each with the
// next free ID_SKL.
void CopyCapitalComponents(db::Connection &ksu, qint64 from, const OpenPeriod &period);

// Creates the open period's capital-change row with the change of period `from`
// (empty when it has none) and copies its capital sources; the page model
// shows the result.
void CopyCapitalSources(db::Connection &ksu, qint64 from, const OpenPeriod &period, PageModel &model);

} // namespace store
