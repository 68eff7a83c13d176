#pragma once

#include "openperiod.h"

#include <QString>

class Messages;

namespace db {
class Connection;
}

namespace store {

// Replaces the component dictionary (SLOWNIKI) with the entries of a dictionary
// file, all or nothing: the old rows are deleted and every complete four-line
// entry inserted in one unit of work, which is committed only when every line
// was read and every entry taken. Any failure rolls the unit back, leaving the
// old dictionary complete, and shows "Wystąpiły błędy podczas wczytywania
// nowego składnika"; success shows "Nowy słownik zaczytany prawidłowo" after the
// commit. Returns true when the new dictionary was committed.
//
// A file that dictionaryFault refuses (empty, no group, not a dictionary) is
// refused with its cause before anything changes. After a load, the components of
// `period` (or, with none open, of the newest period) that belong to no group of
// the new dictionary are named in a warning.
//
// A file that cannot be opened is thrown as db::Error before anything changes.
bool LoadDictionary(db::Connection &ksu, const QString &path, Messages &messages, const OpenPeriod &period = {});

} // namespace store
