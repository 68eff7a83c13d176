#pragma once

#include <QStringList>

class Messages;

// tervala check MC RRRR MC RRRR: opens the period as "Edycja okresu" does and
// prints the findings of "Kontrola danych", one a line ("poziom | strona | pole |
// wartości | wyjaśnienie"), then their count. Exit status 0 when no finding is an
// error (warnings allowed), 1 when one is or the period could not be opened, 2 for
// a usage error.
int runCheck(const QStringList &args, Messages &messages);
