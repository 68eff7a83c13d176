#pragma once

#include "common/outputfiles.h"
#include "databasecommand.h"
#include "periodcheck.h"
#include "reports/reportsheet.h"
#include "store/figurecontracts.h"
#include "store/openperiod.h"
#include "store/periods.h"
#include "store/sharedaccess.h"

#include <QString>

#include <optional>

class Messages;
namespace import {
class ImportOutput;
}
namespace db {
class Connection;
}
namespace store {
class DataModule;
class PageModel;
}

// What opening a period does to the window besides the page model.
class PeriodView
{
public:
    virtual ~PeriodView() = default;
    virtual void clearCapitalGroupText() {}
    virtual void ShowPeriodLabels(const store::OpenPeriod &) {}
    virtual void enablePeriodButtons() {}
    virtual void closePeriod() {} // the open period was deleted

    virtual void focusInstitutionName() {}
    virtual void setProgress(int) {}
};

// The contracts behind one count or value field of the open period: those of
// its pair as imported, those its breakdown could not classify, and the pair's
// values on the page now (a correction makes them differ from the imported ones).
struct FigureExplanation
{
    store::Figure figure;
    QList<store::FigureContract> contracts;
    QList<store::UnclassifiedContract> unclassified;
    qint64 pageCount = 0;
    db::Money pageValue;
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
    // exactly as they were. Unsaved edits of the open period are saved, dropped
    // or kept (the opening cancelled) as the user answers.
    bool openPeriod(const store::PeriodChoice &choice);

    // "Zapisz zmiany": saves the open period, then "Dane zaktualizowane". False
    // when refused because the start-up task still uses the database. A failed
    // save changes nothing and is thrown as "Zapis zmian przerwany: <cause>".
    bool save();

    // "Usuń okres": asks, naming the dates, then deletes the chosen period with
    // every row it has, all or nothing. When it was the open period, the pages
    // are cleared and no period is open. False when refused or not confirmed;
    // a failed delete is thrown and changes nothing.
    bool deletePeriod(const store::PeriodChoice &choice);

    // "Zaimportuj dane": true when the import finished (its closing message shown).
    // Errors are thrown after the import was rolled back.
    bool importPeriod(const store::PeriodChoice &choice, import::ImportOutput &output);

    // "Zapisz do pliku": writes Eksport/plik.xml of the open period and tells the
    // user where it is. False when refused; errors are thrown.
    bool writeXml();

    // "Kontrola danych": the findings of the open period's consistency checks
    // (workflow/periodcheck.h). None when refused; errors are thrown.
    std::optional<QList<check::Finding>> checkData();

    // "Pokaż umowy" on the field `control`: none when no period is open, the field
    // is no count or value of a figure, the database is busy or the period has no
    // lists (a warning says to import it again); errors are thrown.
    std::optional<FigureExplanation> explainFigure(const QString &control);

    // "Zapisz do pliku" in the window: the check first; when it finds an error the
    // user is asked whether to write the file anyway. False when refused or not
    // confirmed; errors are thrown.
    bool checkAndWriteXml();

    // "Drukuj dane": the printed summary of the open period in importReport, for
    // the preview. False when refused; errors are thrown.
    bool buildPrintedSummary();
    // The printed summary of the open period as a PDF file (the command line's
    // "Drukuj dane"). False when refused; errors are thrown.
    bool writePrintedSummary(const QString &path);

    // What becomes of an existing file of another kind that an output would replace.
    void setReplaceFiles(output::Replace replace) { m_replace = replace; }
    output::OutputGuard outputGuard() const;

    // Error rows of the last finished import (the label spr_imp).
    int lastErrorCount() const { return m_lastErrorCount; }

    // True while a command runs; the window refuses other commands meanwhile.
    bool isRunning() const { return m_commands.isRunning(); }
    // One command at a time: shared with the other workflows of the window.
    CommandGate &commands() { return m_commands; }

    // The two report sheets: the import report (also the printed summary's sheet)
    // and the error report.
    reports::ReportSheet importReport;
    reports::ReportSheet errorReport;

private:
    // The summary built into importReport; the components it left out for want of a group.
    QStringList buildSummary();
    void warnSummaryLeftOut(const QStringList &names);
    // Names the components a report left out for want of a group, and `consequence`.
    void warnComponentsLeftOut(const QStringList &names, const QString &consequence);
    // The imported period the four combo texts choose; a warning when the choice
    // is invalid or the period was not imported.
    std::optional<store::OpenPeriod> findImportedPeriod(const store::PeriodChoice &choice);
    // Saves the open period (its checks, the unit, "Dane zaktualizowane"). When
    // another user saved the period since it was read here, asks whether to
    // overwrite their work or to reload the period.
    bool saveOpenPeriod();
    // The pages and the change stamp in one unit; the new stamp. `expected` is the
    // stamp the pages were read at (store::BumpPeriodStamp).
    qint64 storeOpenPeriod(qint64 expected);
    bool resolveConflict(const store::PeriodStamp &stored);
    // Shows the user's unsaved edits next to the stored values, then shows the stored period.
    void reloadOpenPeriod();
    // Before another period replaces the pages: asks whether to save the user's
    // unsaved work. False when the user cancels (or the save was refused).
    bool keepOrDropEdits();

    store::DataModule &m_dm;
    store::PageModel &m_model;
    Messages &m_messages;
    PeriodView &m_view;
    store::OpenPeriod m_period;
    store::CapitalGroupList m_groups;
    CommandGate m_commands;
    int m_lastErrorCount = 0;
    output::Replace m_replace = output::Replace::Ask;
};
