#pragma once

#include <QList>
#include <QString>

namespace Firebird {
class IMaster;
} // namespace Firebird

namespace db {

// The Firebird client library is loaded when the program first connects, so that the
// program starts (and says what is missing) on a computer without Firebird.
struct ClientLibraryPlace
{
    QString where; // the place as the user is told it ("folder programu")
    QString file;  // the library's path, or its bare name for the system's search; empty: nothing to try
    QString note;  // why there is nothing to try ("brak wpisu"), when file is empty
};

// The places tried in order: on Windows fbclient.dll of the Firebird installation named in the
// registry, the program's folder, then the system's search (PATH); elsewhere libfbclient.so.2
// through the system's library search. TERVALA_FBCLIENT, when set, names the one file to use
// instead (a Firebird in an unusual place).
QList<ClientLibraryPlace> clientLibraryPlaces();

// Loads the first library that exports fb_get_master_interface and returns its master
// interface; the library stays loaded for the life of the process. When none does, throws
// db::Error whose Polish message says that Firebird 3 must be installed and where it was
// looked for.
Firebird::IMaster *loadClientLibrary(const QList<ClientLibraryPlace> &places);

} // namespace db
