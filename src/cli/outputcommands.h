#pragma once

#include <QStringList>

class Messages;

// tervala xml MC RRRR MC RRRR [--force]: opens the period as "Edycja okresu" does,
// then writes Eksport/plik.xml as "Zapisz do pliku" does.
// tervala summary MC RRRR MC RRRR PLIK.pdf [--force]: opens the period, then
// writes the printed summary ("Drukuj dane") to the PDF file instead of previewing it.
// --force lets the file replace an existing one of another kind.
// Exit status 0 when the file was written, 1 when the command stopped on an error
// or a refusal (its messages printed), 2 for a usage error.
int runXml(QStringList args, Messages &messages);
int runSummary(QStringList args, Messages &messages);

// tervala validate-xml PLIK: validates any report file against the report schema
// the program carries. Prints "PLIK: zgodny ze schematem" and exits 0, or prints
// each error (line, element, explanation) and exits 1; 2 for a usage error or a
// file that cannot be read.
int runValidateXml(const QStringList &args);
