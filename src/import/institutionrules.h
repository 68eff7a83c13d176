#pragma once

#include <QString>

namespace import {

struct ImportContext;

// A NIP as the Lokra program may keep it ("725-18-34-561", "725 183 45 61"): its ten
// digits when dashes and blanks are all it has besides them; anything else is
// returned unchanged, for the user to correct.
QString importedNip(const QString &nip);

// The institution data of the new period: taken over from the newest named
// DANE_INST row when one exists; at the first import read from Lokra's FIRMA
// record and stored as the period's row.
void ImportInstitutionData(ImportContext &ctx);
// The management rules of the new period: those of the previous period, passed
// through the page and stored as the new period's ZASADY row.
void ImportManagementRules(ImportContext &ctx);

} // namespace import
