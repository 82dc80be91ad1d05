#include "orvane/monitor/ControllerLine.h"

#include "orvane/link/Link.h"

namespace orvane::monitor {

namespace {
// A block output request and its reply: the longest attempt at the line's rate is as long
// as a reply can be late and still be waited for.
std::chrono::milliseconds doubtHeld(const orvane::link::Link& link)
{
    return std::chrono::milliseconds(orvane::link::attemptTimeoutMs(link.lineBaud(), 4, 5));
}
} // namespace

ControllerLine::ControllerLine(orvane::link::Link& link)
    : link_(link), exchange_(link), trust_(exchange_, doubtHeld(link))
{
}

bool ControllerLine::closed() const { return link_.line_closed(); }

void ControllerLine::startPass()
{
    dead_ = false;
    counted_ = 0;
}

bool ControllerLine::beginReading()
{
    if (dead_)
        return false;
    trust_.begin();
    return true;
}

bool ControllerLine::endReading()
{
    if (!link_.reply_ok) {
        // The controller may be gone, or only this reply lost: the poll tells.
        if (!closed())
            link_.poll_orvane();
        dead_ = closed() || !link_.reply_ok;
        return false;
    }
    const bool counts = trust_.confirmed();
    counted_ += counts ? 1 : 0;
    return counts;
}

std::string portClosedMessage(const std::string& port)
{
    return port + ": the port was closed (the device or the device server went away); polling stopped.";
}

} // namespace orvane::monitor
