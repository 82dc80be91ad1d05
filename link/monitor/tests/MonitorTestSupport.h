#pragma once
// What the monitor tests share: a controller memory whose block table gives chosen
// blocks a function and an Ftype (the simulator sends a discrete block's state in reply
// byte 1 only when its table says so), counting frames in the simulator's log, and
// waiting while events run.

#include "SimSupport.h"
#include "orvane/testing/WaitUntil.h"

#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace orvane::monitor::testing {

// Area 4 with every block running NOP but the given ones: block -> (function, Ftype).
inline std::map<int, std::vector<uint8_t>> blockTable(const std::map<int, std::pair<int, int>>& blocks)
{
    std::vector<uint8_t> area(1600, 0);
    for (int b = 0; b < 160; ++b)
        area[size_t(b) * 10 + 1] = 127;
    for (const auto& [block, functionAndFtype] : blocks) {
        area[size_t(block) * 10 + 1] = static_cast<uint8_t>(functionAndFtype.first);
        area[size_t(block) * 10 + 8] = static_cast<uint8_t>(functionAndFtype.second);
    }
    return {{4, area}};
}

// The monitors' waits include whole passes and a retried exchange: 15 s by default.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 15000)
{
    return orvane::testing::waitUntil(done, timeoutMs);
}

} // namespace orvane::monitor::testing
