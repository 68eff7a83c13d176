#pragma once

// The figures of "Dane zbiorcze" (POZYCZKI) and "Aktywne i stracone pożyczki"
// (AKT_STR) of every stored period, for comparing periods side by side. The list
// of figures is made from the field tables (statisticpairs.h, fields.h): each
// column and its caption are described there once.

#include "db/money.h"

#include <QDate>
#include <QList>
#include <QString>

#include <variant>

namespace db {
class Connection;
}

namespace store {

// Counts are whole numbers, values exact amounts in złoty, loss ratios percents.
enum class FigureKind { Count, Money, Ratio };

struct HistoryFigure
{
    QString column;  // the POZYCZKI or AKT_STR column, e.g. "MIKRO_LS"
    QString page;    // "Dane zbiorcze" or "Aktywne i stracone pożyczki"
    QString group;   // the breakdown's heading on "Dane zbiorcze"; the item on "Aktywne i stracone pożyczki"
    QString item;    // the category's caption ("mikro"); the item with its number on the second page
    QString measure; // "liczba pożyczek", "wartość pożyczek", "wg liczby", "wg wartości"
    FigureKind kind = FigureKind::Count;
    int breakdown = -1; // index into StatisticGroups; -1 for AKT_STR

    // The caption that names the figure on its own: "mikro – liczba pożyczek".
    QString caption() const;
    // The unit of its axis: "szt.", "zł" or "%".
    QString unit() const;
};

// Every pair of POZYCZKI in column order, then every row of AKT_STR, the count
// before the value.
const QList<HistoryFigure> &historyFigures();
// The figure of a column named in any letter case; -1 when there is none.
int historyFigureIndex(const QString &column);
// The columns of historyFigures(), in order.
QStringList historyColumns();

// One figure of one period as stored: nothing (no row or a NULL), a count, an
// exact amount or a ratio.
using FigureValue = std::variant<std::monostate, qint64, db::Money, double>;

struct PeriodFigures
{
    qint64 id = 0;
    QDate first;
    QDate last;
    QList<FigureValue> values; // one per historyFigures()
};

// Every OKRES row in date order (first day, last day, key) with its POZYCZKI and
// AKT_STR figures; a period without a row has no values there.
QList<PeriodFigures> LoadPeriodHistory(db::Connection &ksu);

// "01–06.2013" within one year, "07.2012–06.2013" across years.
QString periodLabel(const PeriodFigures &period);

} // namespace store
