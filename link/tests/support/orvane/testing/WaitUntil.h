#pragma once
// Lets events run (replies, timers, a simulator's output) until a condition holds.

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace orvane::testing {

// False if `done` still does not hold after `timeoutMs`.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace orvane::testing
