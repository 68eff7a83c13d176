#pragma once

// The loan statistics step of the import: the loans disbursed in the period,
// counted and valued in the eight breakdowns of the page "Dane zbiorcze", with
// the error report and the import report's contract lists written on the way.

#include "db/money.h"
#include "store/statisticpairs.h"

#include <array>
#include <stdexcept>
#include <string_view>

namespace import {

struct ImportContext;

// One category's figures: the loans granted in the period, and everything
// disbursed in the period (later tranches of older loans included).
struct LoanFigure
{
    int count = 0;
    db::Money value;

    void add(bool granted, db::Money amount)
    {
        if (granted)
            ++count;
        value += amount;
    }
    bool operator==(const LoanFigure &) const = default;
};

// The index of a category in store::StatisticPairs, by its POZYCZKI count column.
consteval int statisticIndex(std::string_view countColumn)
{
    for (std::size_t i = 0; i < store::StatisticPairs.size(); ++i) {
        if (store::StatisticPairs[i].countColumn == countColumn)
            return int(i);
    }
    throw std::logic_error("no such statistics column");
}

// The result of one computation: one figure per pair of the page, in the order of
// store::StatisticPairs, and the total of the six loan-size brackets.
struct LoanStatistics
{
    std::array<LoanFigure, store::StatisticPairs.size()> pairs{};
    LoanFigure bracketTotal;

    LoanFigure &operator[](int pairIndex) { return pairs[std::size_t(pairIndex)]; }
    const LoanFigure &operator[](int pairIndex) const { return pairs[std::size_t(pairIndex)]; }
};

// Reads the period's disbursements from Lokra in four passes, classifies every
// contract, writes the error report, the import report's four sections and the
// import report PDF, and shows the error report when it has something to say.
// Database errors are not caught: they end the import.
LoanStatistics ComputeLoanStatistics(ImportContext &ctx);

// The import step: computes the statistics, puts them and their sums into the
// page model and inserts the period's POZYCZKI row.
void ImportLoanStatistics(ImportContext &ctx);

} // namespace import
