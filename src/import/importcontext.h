#pragma once

#include "db/query.h"
#include "db/whilebeating.h"
#include "store/figurecontracts.h"
#include "store/openperiod.h"

#include <QString>
#include <QStringList>

#include <utility>

class Messages;
namespace db {
class Connection;
}
namespace store {
class PageModel;
}
namespace reports {
class ReportSheet;
}

namespace import {

// What an import needs of the window besides the page model and the messages.
class ImportOutput
{
public:
    virtual ~ImportOutput() = default;
    // The progress bar Postep, 0 to 100.
    virtual void setProgress(int percent) = 0;
    // Called between contracts: the window redraws itself at a bounded rate.
    virtual void keepResponsive() {}
    // Shows the error report (the window: a modal preview; the command line: a PDF).
    virtual void showErrorReport(const reports::ReportSheet &errorReport) = 0;
};

// Everything the import steps read and write. The period values are those of the
// period being imported; the window's open period changes only when the import
// has succeeded.
struct ImportContext
{
    db::Connection &ksu;
    db::Connection &lokra;
    store::PageModel &model;
    Messages &messages;
    ImportOutput &output;
    reports::ReportSheet &importReport; // Memakt / Grid_akt
    reports::ReportSheet &errorReport;  // Memr / Grid_rap
    store::OpenPeriod period;           // CurrentPeriodId and the period bounds and texts
    QString PreviousPeriodId;           // the source of every carry-over
    int ImportReportRow = 0;            // first free row of the import report table
    int errorCount = 0;                 // the error rows of the loan statistics (label spr_imp)
    QString importReportPath;           // where the import report PDF is written (a temporary name)
    QStringList fundNotes;              // lines on the fund's own data for the error report
    QStringList closingNotes;           // lines the closing message adds
    store::FigureContracts contracts;   // the contracts behind each figure, kept with the period

    // A statement over all of Lokra's contracts may take long before its first
    // row (a sort, a join): the window redraws while it waits.
    void keepResponsiveWhileWaiting(db::Query &query)
    {
        query.setHeartbeat([this] { output.keepResponsive(); });
    }

    // Runs `read` (statements on Lokra only, no window) on a thread of its own
    // while the window redraws: for a list whose rows a server computes batch by
    // batch, each batch taking long. Returns what `read` returns.
    template <typename F>
    auto readWhileResponsive(F &&read)
    {
        return db::whileBeating([this] { output.keepResponsive(); }, std::forward<F>(read));
    }
};

} // namespace import
