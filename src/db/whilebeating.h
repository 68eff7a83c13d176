#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <utility>

namespace db {

// Runs `work`, engine calls that may take long (a commit, a statement that sorts
// before its first row, many inserts of which one now and then waits for the
// file to grow), on a thread of its own and calls `heartbeat` every few
// milliseconds until it returns, so that a window can redraw meanwhile. The
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

} // namespace db
