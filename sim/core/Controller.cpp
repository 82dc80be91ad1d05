#include "orvane/sim/Controller.h"

#include <algorithm>

namespace orvane::sim {

namespace {
constexpr std::size_t kDisplayWidth = 16;

Bytes shortReply(uint8_t first = 0, uint8_t second = 0)
{
    Bytes reply{kAcknowledge, first, second};
    appendCheckBytes(reply);
    return reply;
}

int addressOf(const Bytes &frame) { return frame[3] * 256 + frame[4]; }

Controller::Answer replied(Bytes reply, bool memoryChanged = false) { return {std::move(reply), memoryChanged, {}}; }
Controller::Answer refuse(std::string why) { return {std::nullopt, false, std::move(why)}; }
} // namespace

std::string identificationText(const std::string &romVersion) { return "ORVANE DCX7 ROM " + romVersion; }

Controller::Controller(std::string romVersion) : romVersion_(std::move(romVersion)) { restoreIdentification(); }

void Controller::restoreIdentification() { memory_.setIdentification(identificationText(romVersion_)); }

Controller::Answer Controller::answer(const Bytes &frame, int64_t nowMs)
{
    switch (frame.at(0)) {
    case kPoll:
        return replied(shortReply());
    case kWriteMemory:
        return writeMemory(frame);
    case kReadMemory:
        return readMemory(frame);
    case kEndOfDownload:
        ++downloadsEnded_;
        return replied(shortReply());
    case kReadOutput:
        return readOutput(frame, nowMs);
    case kPressKey:
        panel_.press(frame[1]);
        return replied(shortReply());
    case kReadTextLine:
        return displayLine(panel_.textLine({memory_, outputs_, nowMs, romVersion_}));
    case kReadValueLine:
        return displayLine(panel_.valueLine({memory_, outputs_, nowMs, romVersion_}));
    case kReadLamp:
        return replied(shortReply(panel_.lampLit() ? 1 : 0));
    default:
        return refuse("unknown command");
    }
}

Controller::Answer Controller::writeMemory(const Bytes &frame)
{
    const int area = frame[1], count = frame[2], address = addressOf(frame);
    if (!memory_.write(area, address, frame.data() + 5, count))
        return refuse("write of " + std::to_string(count) + " bytes at " + std::to_string(address) +
                      " refused in area " + std::to_string(area));
    return replied(shortReply(), true);
}

Controller::Answer Controller::readMemory(const Bytes &frame) const
{
    const int area = frame[1], count = frame[2], address = addressOf(frame);
    const auto data = memory_.read(area, address, count);
    if (!data)
        return refuse("read of " + std::to_string(count) + " bytes at " + std::to_string(address) +
                      " refused in area " + std::to_string(area));
    Bytes reply(5 + data->size()); // echoes area, count and address before the data
    std::copy_n(frame.begin(), 5, reply.begin());
    reply[0] = kAcknowledge;
    std::copy(data->begin(), data->end(), reply.begin() + 5);
    appendCheckBytes(reply);
    return replied(std::move(reply));
}

Controller::Answer Controller::readOutput(const Bytes &frame, int64_t nowMs) const
{
    const int block = frame[1];
    if (block >= kBlocks)
        return refuse("no block " + std::to_string(block));
    const auto bytes = outputs_.replyBytes(memory_, block, nowMs);
    return replied(shortReply(bytes[0], bytes[1]));
}

Controller::Answer Controller::displayLine(const std::string &text)
{
    const std::string shown = text.substr(0, kDisplayWidth);
    Bytes reply(2 + shown.size());
    reply[0] = kAcknowledge;
    reply[1] = static_cast<uint8_t>(shown.size());
    std::copy(shown.begin(), shown.end(), reply.begin() + 2);
    appendCheckBytes(reply);
    return replied(std::move(reply));
}

} // namespace orvane::sim
