#pragma once

#include <QStringList>

class Messages;

// tervala contracts MC RRRR MC RRRR KOLUMNA: the contracts behind one figure of
// an imported period as CSV on standard output: "umowa;klient;liczona;kwota",
// one line per contract in ascending contract number; liczona 1 when it counts in
// the count, kwota what it adds to the value (decimal comma, two decimals).
// KOLUMNA names either column of a POZYCZKI or AKT_STR pair, in any case.
// Exit status 0 when listed, 1 when the period has no lists (not imported, or
// imported before they were kept), 2 for a usage error.
int runContracts(const QStringList &args, Messages &messages);
