#pragma once

// Live block outputs made up from the block table the host downloaded: analog
// blocks (Ftype 1) follow a sine or a ramp, discrete blocks (Ftype 2) toggle,
// NOP and other blocks read 0. A pinned block always reads its pinned value,
// like a forced point, so a test can ask for an exact reading.

#include "orvane/sim/MemoryAreas.h"

#include <array>
#include <cstdint>
#include <map>

namespace orvane::sim {

constexpr uint8_t kAnalogFtype = 1;
constexpr uint8_t kDiscreteFtype = 2;

class BlockOutputs {
public:
    void pin(int block, int16_t value) { pinned_[block] = value; }

    // Reply bytes 1 and 2 of a block-output read: analog high byte first;
    // discrete state in byte 1.
    std::array<uint8_t, 2> replyBytes(const MemoryAreas &memory, int block, int64_t nowMs) const;

    // The output as a signed number: hundredths for analog blocks, 0/1 for discretes.
    int16_t value(const MemoryAreas &memory, int block, int64_t nowMs) const;

private:
    std::map<int, int16_t> pinned_;
};

} // namespace orvane::sim
