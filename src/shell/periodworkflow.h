#pragma once

#include "store/openperiod.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

class Messages;
namespace db {
class Connection;
}
namespace store {
class DataModule;
class PageModel;
}

// The four combo texts that choose a period: first month and year, last month and year.
struct PeriodChoice
{
    QString fromMonth;
    QString fromYear;
    QString toMonth;
    QString toYear;
};

// Invalid when a text is empty or the first month comes after the last (the texts
// compared as texts, months only within one year).
bool isValidPeriodChoice(const PeriodChoice &choice);

// 00:00 of the first day and 23:59:59.999 of the last day. Throws db::Error with a
// clear message when a text is not a number or a month is outside 1 to 12.
struct PeriodBounds
{
    QDateTime start;
    QDateTime end;
};
PeriodBounds periodBounds(const PeriodChoice &choice);

// YYYY-MM-DD.
QString FormatDateYMD(QDate date);

// The ID_OK of the OKRES row whose ODK and DOK fall on these days, if any.
std::optional<qint64> findPeriod(db::Connection &ksu, QDate first, QDate last);

// What opening a period does to the window besides the page model.
class PeriodView
{
public:
    virtual ~PeriodView() = default;
    virtual void clearCapitalGroupText() {}
    virtual void ShowPeriodLabels(const store::OpenPeriod &) {}
    virtual void enablePeriodButtons() {}
    virtual void focusInstitutionName() {}
    virtual void setProgress(int) {}
};

// Opening, saving and the open period's values, without a window: the window,
// the command line and the tests run the same steps.
class PeriodWorkflow
{
public:
    PeriodWorkflow(store::DataModule &dataModule, store::PageModel &model, Messages &messages, PeriodView &view);

    const store::OpenPeriod &period() const { return m_period; }
    const store::CapitalGroupList &capitalGroups() const { return m_groups; }

    // "Edycja okresu": true when the period was opened. Refusals are shown as
    // messages; database and conversion errors are thrown for the general error
    // display. A failed or refused opening leaves the open period and the pages
    // exactly as they were.
    bool bb_edycjaClick(const PeriodChoice &choice);

    // "Zapisz zmiany": saves the open period, then "Dane zaktualizowane". False
    // when refused because the start-up task still uses the database.
    bool bb_zapiswClick();

    // Sets the open period after an import (which fills the pages itself).
    void setOpenPeriod(const store::OpenPeriod &period) { m_period = period; }

private:
    store::DataModule &m_dm;
    store::PageModel &m_model;
    Messages &m_messages;
    PeriodView &m_view;
    store::OpenPeriod m_period;
    store::CapitalGroupList m_groups;
};

// Refuses (with a message) when the start-up task is still using the reporting
// database; otherwise holds it until the returned object goes.
class ReportingDatabaseUse
{
public:
    ReportingDatabaseUse(store::DataModule &dataModule, Messages &messages);
    ~ReportingDatabaseUse();
    ReportingDatabaseUse(const ReportingDatabaseUse &) = delete;
    ReportingDatabaseUse &operator=(const ReportingDatabaseUse &) = delete;
    explicit operator bool() const { return m_held; }

private:
    store::DataModule &m_dm;
    bool m_held;
};
