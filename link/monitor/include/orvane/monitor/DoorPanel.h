#pragma once
// The controller's door panel as the front-panel window mirrors it: keys pressed
// remotely and, on every tick, the lamp, the text line and the value line read back,
// each as a reading of a ControllerLine (a tick ends early on a dead line).

#include <deque>
#include <optional>
#include <string>

namespace orvane::monitor {

class ControllerLine;

// What one tick read; an element whose reply did not count is left unset and its
// display stays as it was.
struct PanelReadings {
    std::optional<bool> lampLit;
    std::optional<std::string> text;    // UTF-8
    std::optional<std::string> value;   // UTF-8
};

class DoorPanel {
public:
    enum Key { kUp = 1, kSelect = 2, kDown = 7, kEscape = 8 };

    // Mouse down on a key: with Ctrl held it becomes the repeating key (sent on every
    // tick), otherwise it joins the pending keys: every press is sent once, in order, on
    // the next tick, however many come between two ticks.
    void press(int key, bool repeat);
    // Mouse up on a key: no key repeats any more.
    void release() { repeatingKey_ = 0; }
    void requestClose() { closeRequested_ = true; }
    bool closeRequested() const { return closeRequested_; }
    const std::deque<int>& pendingKeys() const { return pendingKeys_; }
    int repeatingKey() const { return repeatingKey_; }

    // The keys, then the lamp (0x24), the text line (0x22) and the value line (0x23).
    PanelReadings tick(ControllerLine& line);

private:
    std::deque<int> pendingKeys_;
    int repeatingKey_ = 0;
    bool closeRequested_ = false;
};

} // namespace orvane::monitor
