#pragma once

namespace import {

struct ImportContext;

// The institution data of the new period: taken over from the newest named
// DANE_INST row when one exists; at the first import read from Lokra's FIRMA
// record and stored as the period's row.
void ImportInstitutionData(ImportContext &ctx);
// The management rules of the new period: those of the previous period, passed
// through the page and stored as the new period's ZASADY row.
void ImportManagementRules(ImportContext &ctx);

} // namespace import
