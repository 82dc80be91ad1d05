#pragma once

// The door panel: a text line, a value line and a lamp, walked with four keys.
//
// Main menu (up/down walk it, SEL enters, ESC returns):
//   "VIEW OUTPUTS"   SEL: one block at a time, "BLOCK n" over its output;
//                    up/down step the block number
//   "VIEW MESSAGES"  SEL: the messages, the text over "MSG n"; up/down step
//   "ROM VERSION"    the value line shows the ROM version
//   "ENTER S/M" / "EXIT S/M"  SEL switches the set-up mode; the lamp is lit in it

#include "orvane/sim/BlockOutputs.h"
#include "orvane/sim/MemoryAreas.h"

#include <string>

namespace orvane::sim {

struct PanelContext {
    const MemoryAreas &memory;
    const BlockOutputs &outputs;
    int64_t nowMs;
    const std::string &romVersion;
};

class FrontPanel {
public:
    enum Key { kUp = 1, kSelect = 2, kDown = 7, kEscape = 8 };
    enum class Screen { Menu, Outputs, Messages };
    enum MenuItem { kViewOutputs, kViewMessages, kRomVersion, kSetupMode, kMenuItems };

    void press(int key); // other key codes are ignored
    std::string textLine(const PanelContext &context) const;
    std::string valueLine(const PanelContext &context) const;
    bool lampLit() const { return setupMode_; }

private:
    Screen screen_ = Screen::Menu;
    int item_ = kViewOutputs;
    int block_ = 0;
    int message_ = 0;
    bool setupMode_ = false;
};

} // namespace orvane::sim
