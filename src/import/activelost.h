#pragma once

#include "db/money.h"

namespace import {

struct ImportContext;

// The active and lost loans of the fund at the end of the period. Values are exact
// sums of ledger balances; ratios are percentages (12.5 means 12.5 %).
struct ActiveLostFigures
{
    int activeCount = 0;
    int onTimeCount = 0;
    int late31to90Count = 0;
    int lateOver90Count = 0;
    int terminatedCount = 0;
    int lostCount = 0;
    db::Money activeValue;
    db::Money onTimeValue;
    db::Money late31to90Value;
    db::Money lateOver90Value;
    db::Money terminatedValue;
    db::Money lostValue;
    double lossRatioByNumber = 0;
    double lossRatioByValue = 0;
};

// Computes the figures from the Lokra ledger as of the period's end, writes the
// title lines and the first sections of the import report, sets ImportReportRow
// and moves the progress bar from 13 to 40.
ActiveLostFigures ComputeActiveLostLoans(ImportContext &ctx);

// Computes the figures, shows them on the page "Aktywne i stracone pożyczki" and
// stores them as the period's AKT_STR row.
void ImportActiveLostLoans(ImportContext &ctx);

// Inserts the AKT_STR row of the period from the page's fields.
void StoreActiveLostLoans(ImportContext &ctx);

} // namespace import
