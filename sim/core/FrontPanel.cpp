#include "orvane/sim/FrontPanel.h"

#include <cstdio>
#include <cstdlib>

namespace orvane::sim {

namespace {
int stepWrapped(int value, int step, int count) { return (value + step + count) % count; }

std::string formatAnalog(int16_t hundredths)
{
    char text[16];
    std::snprintf(text, sizeof text, "%c%d.%02d", hundredths < 0 ? '-' : '+', std::abs(hundredths) / 100,
                  std::abs(hundredths) % 100);
    return text;
}
} // namespace

void FrontPanel::press(int key)
{
    const int step = key == kUp ? -1 : key == kDown ? 1 : 0;
    switch (screen_) {
    case Screen::Menu:
        if (step != 0)
            item_ = stepWrapped(item_, step, kMenuItems);
        else if (key == kSelect && item_ == kViewOutputs)
            screen_ = Screen::Outputs;
        else if (key == kSelect && item_ == kViewMessages)
            screen_ = Screen::Messages;
        else if (key == kSelect && item_ == kSetupMode)
            setupMode_ = !setupMode_;
        break;
    case Screen::Outputs:
        if (step != 0)
            block_ = stepWrapped(block_, step, kBlocks);
        else if (key == kEscape)
            screen_ = Screen::Menu;
        break;
    case Screen::Messages:
        if (step != 0)
            message_ = stepWrapped(message_, step, kMessages);
        else if (key == kEscape)
            screen_ = Screen::Menu;
        break;
    }
}

std::string FrontPanel::textLine(const PanelContext &context) const
{
    switch (screen_) {
    case Screen::Outputs:
        return "BLOCK " + std::to_string(block_);
    case Screen::Messages:
        return context.memory.message(message_);
    case Screen::Menu:
        break;
    }
    switch (item_) {
    case kViewOutputs:
        return "VIEW OUTPUTS";
    case kViewMessages:
        return "VIEW MESSAGES";
    case kRomVersion:
        return "ROM VERSION";
    default:
        return setupMode_ ? "EXIT S/M" : "ENTER S/M";
    }
}

std::string FrontPanel::valueLine(const PanelContext &context) const
{
    switch (screen_) {
    case Screen::Outputs: {
        const int16_t value = context.outputs.value(context.memory, block_, context.nowMs);
        if (context.memory.blockFtype(block_) == kDiscreteFtype)
            return value ? "ON" : "OFF";
        return formatAnalog(value);
    }
    case Screen::Messages:
        return "MSG " + std::to_string(message_);
    case Screen::Menu:
        break;
    }
    if (item_ == kRomVersion)
        return context.romVersion;
    if (item_ == kSetupMode)
        return setupMode_ ? "S/M ALL" : "RUN";
    return "";
}

} // namespace orvane::sim
