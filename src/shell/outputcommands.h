#pragma once

#include <QStringList>

class Messages;

// tervala xml MC RRRR MC RRRR: opens the period as "Edycja okresu" does, then
// writes Eksport/plik.xml as "Zapisz do pliku" does.
// tervala summary MC RRRR MC RRRR PLIK.pdf: opens the period, then writes the
// printed summary ("Drukuj dane") to the PDF file instead of previewing it.
// Exit status 0 when the file was written, 1 when the command stopped on an error
// or a refusal (its messages printed), 2 for a usage error.
int runXml(const QStringList &args, Messages &messages);
int runSummary(const QStringList &args, Messages &messages);
