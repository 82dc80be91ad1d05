#include "orvane/monitor/Readings.h"

#include "orvane/link/Link.h"
#include "orvane/monitor/ControllerLine.h"

#include <cstdlib>

namespace orvane::monitor {

Reading gridReading(int ftype)
{
    return ftype == 1 ? Reading::Analog : ftype == 2 ? Reading::Digital : Reading::None;
}

Reading tileReading(int ftype)
{
    return ftype == 1 ? Reading::Analog : Reading::Digital;
}

std::string formatValue(Reading reading, int value)
{
    if (reading != Reading::Analog)
        return std::to_string(value);
    const int magnitude = std::abs(value);
    const int cents = magnitude % 100;
    return (value < 0 ? "-" : "") + std::to_string(magnitude / 100) + (cents < 10 ? ".0" : ".") + std::to_string(cents);
}

std::optional<int> readOutput(ControllerLine& line, int block, Reading reading)
{
    int value = 0;
    const bool counts = line.read([&](orvane::link::Link& link) {
        value = reading == Reading::Analog ? link.get_analog(block) : link.get_digital(block);
    });
    if (!counts)
        return std::nullopt;
    return value;
}

void LiveValue::update(std::optional<int> value)
{
    missing_ = !value;
    if (value)
        last_ = value;
}

std::string LiveValue::text(Reading reading) const
{
    std::string shown = last_ ? formatValue(reading, *last_) : std::string();
    if (missing_)
        shown += last_ ? kMissingMark : "?";
    return shown;
}

} // namespace orvane::monitor
