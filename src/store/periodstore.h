#pragma once

// The period's loads and saves: moves one reporting period's rows between the
// reporting database and the page model. Every statement binds the period key
// as an integer parameter; every save ends with a commit-retaining.

#include "db/value.h"
#include "fields.h"
#include "openperiod.h"
#include "pagemodel.h"

#include <QtGlobal>

#include <array>

namespace db {
class Connection;
}

namespace store {

// Loads. A period without a row in a table leaves its text and count fields
// empty; the statistics values then read 0 and the capital change amount 0.
void LoadInstitutionData(db::Connection &ksu, PageModel &model);
void LoadActiveLostLoans(db::Connection &ksu, const OpenPeriod &period, PageModel &model);
void LoadManagementRules(db::Connection &ksu, const OpenPeriod &period, PageModel &model);
void LoadLoanStatistics(db::Connection &ksu, const OpenPeriod &period, PageModel &model);
void LoadCapitalChange(db::Connection &ksu, const OpenPeriod &period, PageModel &model);
void RefreshCapitalSources(db::Connection &ksu, const OpenPeriod &period, PageModel &model);
// The period's capital sources (DANE_KAP rows with ZRODLO 1) in the order the database returns them.
QList<CapitalSource> LoadCapitalSources(db::Connection &ksu, qint64 periodId);
// The groups of loan-capital components (SLOWNIKI rows with GRUPA 0) in database
// order; also the items of cb_grupa, entry k belonging to item k.
CapitalGroupList LoadCapitalGroups(db::Connection &ksu, PageModel &model);

// Every load of an opened period, in its fixed order.
void LoadPeriod(db::Connection &ksu, const OpenPeriod &period, PageModel &model, CapitalGroupList &groups);

// Saves and other writes.
// Writes the institution data into the DANE_INST row of every period.
void SaveInstitutionData(db::Connection &ksu, const PageModel &model);
void SaveActiveLostLoans(db::Connection &ksu, const OpenPeriod &period, const PageModel &model);
void SaveManagementRules(db::Connection &ksu, const OpenPeriod &period, const PageModel &model);
// Inserts the period's POZYCZKI row from the statistics fields (the import calls it too).
void InsertLoanStatistics(db::Connection &ksu, const OpenPeriod &period, const PageModel &model);
// Replaces the period's POZYCZKI row; a failure keeps the old row.
void SaveLoanStatistics(db::Connection &ksu, const OpenPeriod &period, const PageModel &model);
void SaveCapitalChange(db::Connection &ksu, const OpenPeriod &period, const PageModel &model);
// The period's DANE_KAP capital-change row (ZRODLO 0), empty; then reloads it.
void CreateCapitalChangeRow(db::Connection &ksu, const OpenPeriod &period, PageModel &model);
// Deletes one DANE_KAP row by its ID; then reloads the sources.
void DeleteCapitalSource(db::Connection &ksu, const OpenPeriod &period, qint64 id, PageModel &model);
// Deletes the period from all seven period tables, all or nothing. Institution
// data held by no other period pass to the remaining period that ends latest.
void DeletePeriodData(db::Connection &ksu, const OpenPeriod &period);
// Deletes what an import computes from Lokra (AKT_STR and POZYCZKI), before the
// period is imported again; the rest of the period stays.
void DeleteImportedFigures(db::Connection &ksu, const OpenPeriod &period);
// Whether the period has its ZASADY row, and its DANE_KAP capital-change row.
bool HasManagementRules(db::Connection &ksu, const OpenPeriod &period);
bool HasCapitalChange(db::Connection &ksu, const OpenPeriod &period);

// The import's reads and writes of the new period's rows; the import commits.
// Whether DANE_INST has any row.
bool HasInstitutionData(db::Connection &ksu);
// Loads the newest DANE_INST row with a name into the institution fields; false
// (nothing changed) when no row has a name.
bool LoadNewestNamedInstitution(db::Connection &ksu, PageModel &model);
// Inserts the period's DANE_INST row from the institution fields.
void InsertInstitutionData(db::Connection &ksu, const OpenPeriod &period, const PageModel &model);
// The ZASADY columns of one period in the order of RuleFields; all NULL when the
// period has no row.
using ManagementRulesRow = std::array<db::Value, RuleFields.size()>;
ManagementRulesRow ReadManagementRules(db::Connection &ksu, qint64 periodId);
// Inserts the period's ZASADY row from the rule fields, keyed one past the largest ID_ZAS.
void InsertManagementRules(db::Connection &ksu, const OpenPeriod &period, const PageModel &model);
// Inserts the period's AKT_STR row from the page's fields.
void InsertActiveLostLoans(db::Connection &ksu, const OpenPeriod &period, const PageModel &model);

// "Zapisz zmiany": every page's save, in its fixed order, all or nothing.
void SavePeriod(db::Connection &ksu, const OpenPeriod &period, const PageModel &model);

} // namespace store
