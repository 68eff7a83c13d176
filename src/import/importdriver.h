#pragma once

#include "common/outputfiles.h"
#include "store/openperiod.h"
#include "store/periods.h"

#include <functional>

class Messages;
namespace store {
class DataModule;
class PageModel;
}
namespace reports {
class ReportSheet;
}

namespace import {

class ImportOutput;

// What a finished import leaves for the window.
struct ImportResult
{
    store::OpenPeriod period;       // the imported period, open
    store::CapitalGroupList groups; // CapitalGroups of the new period
    int errorCount = 0;             // error rows of the loan statistics (label spr_imp)
};

// "Zaimportuj dane": turns the chosen months into a reporting period and runs every
// import step. The whole import is one all-or-nothing unit of the reporting
// database: on any error it is rolled back and the error is thrown with a note
// that nothing was changed. Refusals (an invalid period, a declined overwrite)
// return nothing and change nothing. `model` is filled only when the import
// succeeded; the sheets hold the import and error reports. `mayReplacePages` is
// asked once nothing else stands in the way; false ends the import as a refusal.
// The import report PDF is written under a temporary name and takes its place
// only after the commit.
std::optional<ImportResult> runImport(store::DataModule &dm, store::PageModel &model, Messages &messages,
                                      ImportOutput &output, const output::OutputGuard &guard,
                                      reports::ReportSheet &importReport, reports::ReportSheet &errorReport,
                                      const store::PeriodChoice &choice,
                                      const std::function<bool()> &mayReplacePages = {});

// The import report's file: Eksport/IMP_<first day>_<last day>.pdf in the home folder.
QString importReportPath(const store::OpenPeriod &period);

} // namespace import
