#include "orvane/monitor/DoorPanel.h"

#include "orvane/link/Link.h"
#include "orvane/monitor/ControllerLine.h"

#include <utility>

namespace orvane::monitor {

namespace {
constexpr uint8_t kLampCommand = 0x24;
constexpr uint8_t kTextLineCommand = 0x22;
constexpr uint8_t kValueLineCommand = 0x23;

void buildRequest(orvane::link::Link& link, uint8_t command)
{
    link.xmit_bfr.fill(0);
    link.xmit_bfr[0] = command;
    link.sum_xmit_bfr(0);
}

std::optional<std::string> readLine(ControllerLine& line, uint8_t command)
{
    const bool counts = line.read([command](orvane::link::Link& link) {
        buildRequest(link, command);
        link.send_and_get_message(3);
    });
    if (!counts)
        return std::nullopt;
    const orvane::link::Link& link = line.link();
    const std::string_view bytes(reinterpret_cast<const char*>(link.rcv_bfr.data()), static_cast<std::size_t>(link.msg_len));
    return orvane::link::cp1252ToUtf8(bytes);
}
} // namespace

void DoorPanel::press(int key, bool repeat)
{
    if (repeat)
        repeatingKey_ = key;
    else
        pendingKeys_.push_back(key);
}

PanelReadings DoorPanel::tick(ControllerLine& line)
{
    // A key's reply is not examined: its exchange only moves the line's trust.
    // A key pressed while one is being sent (its exchange lets events run) waits for the next tick.
    for (auto keys = std::exchange(pendingKeys_, {}); !keys.empty(); keys.pop_front())
        line.link().send_key(keys.front());
    if (repeatingKey_ != 0)
        line.link().send_key(repeatingKey_);

    PanelReadings readings;
    const bool lamp = line.read([](orvane::link::Link& link) {
        buildRequest(link, kLampCommand);
        link.send_and_get(3, 5);
    });
    if (lamp)
        readings.lampLit = line.link().rcv_bfr[1] != 0;
    readings.text = readLine(line, kTextLineCommand);
    readings.value = readLine(line, kValueLineCommand);
    return readings;
}

} // namespace orvane::monitor
