#pragma once

#include <QString>

class Messages;

// tervala load-dictionary FILE: connects the reporting database as the start-up
// task does and replaces the component dictionary with the file's entries, as the
// menu item "Wczytanie słownika składników" does after the user answered Yes.
// Exit status 0 when the new dictionary was committed; 1 when the database is out
// of reach, the file cannot be opened or the load was rolled back.
int runLoadDictionary(const QString &file, Messages &messages);
