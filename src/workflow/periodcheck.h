#pragma once

// "Kontrola danych": the consistency checks of the open period, finding what the
// receiving side would reject or question before the file leaves. Widget-free:
// the window lists the findings, the command line prints them, the tests read them.

#include "store/openperiod.h"

#include <QList>
#include <QString>

namespace db {
class Connection;
}
namespace store {
class PageModel;
}

namespace check {

enum class Level { Error, Warning };

// "błąd" or "ostrzeżenie".
QString levelText(Level level);

struct Finding
{
    Level level = Level::Warning;
    QString page;        // the page's caption, e.g. "Dane zbiorcze"
    QString field;       // the control that holds the figure, e.g. "Jvl_poz_akt"
    QString values;      // the figures involved
    QString explanation; // a short Polish explanation
    // "błąd | Aktywne i stracone pożyczki | Jvl_poz_akt | … | …"
    QString text() const;
};

// Checks the open period's pages as they stand (unsaved edits included) against
// each other, against its loan-capital components and against the period that
// ends latest before it begins. Findings in the order of the pages. Reads the
// reporting database; throws db::Error.
QList<Finding> CheckPeriod(db::Connection &ksu, const store::OpenPeriod &period, const store::CapitalGroupList &groups,
                           const store::PageModel &model);

bool hasErrors(const QList<Finding> &findings);

// "Kontrola danych: błędów 1, ostrzeżeń 2."
QString summaryText(const QList<Finding> &findings);

} // namespace check
