#pragma once

// Private to the access layer: the Firebird interface and the one place that
// turns its status vectors into db::Error.
#include <firebird/Interface.h>

#include "error.h"

#include <chrono>
#include <functional>
#include <future>
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

// Runs `work`, one engine call that may take long (a commit, a statement that
// sorts before its first row), on a thread of its own and calls `heartbeat` every
// few milliseconds until it returns, so that a window can redraw meanwhile. The
// caller's thread must not use the connection in between. Without a heartbeat
// the work runs here. Returns what `work` returns and throws what it throws.
template <typename F>
auto whileBeating(const std::function<void()> &heartbeat, F &&work)
{
    if (!heartbeat)
        return std::forward<F>(work)();
    auto done = std::async(std::launch::async, std::forward<F>(work));
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        heartbeat();
    return done.get();
}

} // namespace db::fb
