#pragma once

// Private to the access layer: the Firebird interface and the one place that
// turns its status vectors into db::Error.
#include <firebird/Interface.h>

#include "error.h"

#include <functional>
#include <utility>

namespace db::fb {

Firebird::IMaster *master();
Firebird::IUtil *util();
QString formatStatus(const Firebird::IStatus *status);
// The failure of a status vector: Firebird's text with its error codes.
Error statusError(const Firebird::IStatus *status);

// Calls f(ThrowStatusWrapper*) and turns a Firebird failure into db::Error.
template <typename F>
auto call(F &&f)
{
    Firebird::ThrowStatusWrapper status(master()->getStatus());
    struct Dispose
    {
        Firebird::ThrowStatusWrapper &s;
        ~Dispose() { s.dispose(); }
    } dispose{status};
    try {
        return std::forward<F>(f)(&status);
    } catch (const Firebird::FbException &e) {
        throw statusError(e.getStatus());
    }
}

// The same, with what `connection` knows of the failure (Connection::annotateFailure).
template <typename Database, typename F>
auto call(Database &connection, F &&f)
{
    try {
        return call(std::forward<F>(f));
    } catch (Error &e) {
        connection.annotateFailure(e);
        throw;
    }
}

} // namespace db::fb
