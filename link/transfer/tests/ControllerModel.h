#pragma once
// A controller's memory and its side of the frames, in process. Stands in for the
// simulator program until it is part of the build; it rejects frames with bad check bytes.

#include "orvane/transfer/Exchange.h"

#include <map>

namespace orvane::transfer::testing {

class ControllerModel : public Exchange {
public:
    std::map<int, std::vector<uint8_t>> areas{{0, std::vector<uint8_t>(24, ' ')}, {3, std::vector<uint8_t>(5120)},
                                              {4, std::vector<uint8_t>(1600)}, {5, std::vector<uint8_t>(180)},
                                              {6, std::vector<uint8_t>(340)}, {9, std::vector<uint8_t>(152)}};
    std::vector<std::vector<uint8_t>> frames;  // every frame received
    int dropReplyTo = -1;     // 0-based frame number left unanswered
    int silentAfter = -1;     // frames answered before the controller stops answering
    int endCommands = 0;

    ControllerModel()
    {
        for (size_t b = 0; b < 160; ++b)
            areas[4][b * 10 + 1] = 127;  // a blank controller runs NOP everywhere
    }

    std::optional<std::vector<uint8_t>> sendAndGet(const std::vector<uint8_t>& frame, int replyLength) override
    {
        const int n = static_cast<int>(frames.size());
        frames.push_back(frame);
        if (n == dropReplyTo || (silentAfter >= 0 && n >= silentAfter))
            return std::nullopt;
        if (frame.size() < 3 || withCheckBytes({frame.begin(), frame.end() - 2}) != frame)
            return std::nullopt;
        std::vector<uint8_t> reply(size_t(replyLength), 0);
        switch (frame[0]) {
        case 0x02: {
            auto& area = areas.at(frame[1]);
            const size_t address = size_t(frame[3]) * 256 + frame[4];
            for (size_t i = 0; i < frame[2]; ++i)
                area.at(address + i) = frame[5 + i];
            break;
        }
        case 0x04: {
            const auto& area = areas.at(frame[1]);
            const size_t address = size_t(frame[3]) * 256 + frame[4];
            for (size_t i = 0; i < frame[2]; ++i)
                reply.at(5 + i) = address + i < area.size() ? area[address + i] : 0;
            break;
        }
        case 0x08:
            ++endCommands;
            break;
        default:
            return std::nullopt;
        }
        return reply;
    }
};

struct Box {
    std::string text, title;
    Icon icon;
};

class RecordingReporter : public Reporter {
public:
    std::vector<Box> boxes;
    std::vector<int> percents;
    std::string caption;
    bool shown = false;
    void message(const std::string& text, const std::string& title, Icon icon) override
    {
        boxes.push_back({text, title, icon});
    }
    void progressStart(const std::string& c) override { caption = c; shown = true; }
    void progress(int percent) override { percents.push_back(percent); }
    void progressEnd() override { shown = false; }
};

} // namespace orvane::transfer::testing
