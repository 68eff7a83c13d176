#pragma once

// "Drukuj dane": the whole open period on the import report's sheet, for the
// preview (the window) or a PDF file (the command line).

#include "store/openperiod.h"

#include <QDateTime>

namespace db {
class Connection;
}
namespace store {
class PageModel;
}

namespace reports {

class ReportSheet;

// Replaces the sheet's title lines and table with the summary of the open period:
// the statistics, active and lost loans and rules as the pages show them (saved or
// not), the loan-capital components from KAPITAL_FUND and the capital sources
// from DANE_KAP as stored. `now` is the creation time shown in the title. On a
// database error the sheet is left as it was and the error is thrown. Returns the
// names of the components left out because their group is none of the dictionary's.
QStringList BuildPrintedSummary(ReportSheet &sheet, db::Connection &ksu, const store::OpenPeriod &period,
                                const store::CapitalGroupList &groups, const store::PageModel &model,
                                const QDateTime &now = QDateTime::currentDateTime());

} // namespace reports
