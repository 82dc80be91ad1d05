#include "orvane/sim/BlockOutputs.h"

#include <cmath>
#include <numbers>

namespace orvane::sim {

namespace {
constexpr int64_t kSinePeriodMs = 10000;
constexpr int kSineAmplitude = 5000;  // +-50.00
constexpr int64_t kRampPeriodMs = 20000;
constexpr int kRampTop = 10000;        // 0 .. 100.00

int16_t analogWave(int block, int64_t nowMs)
{
    // Even blocks swing, odd blocks climb; each block starts at its own phase.
    if (block % 2 == 0) {
        const double turns = double(nowMs % kSinePeriodMs) / kSinePeriodMs + block / 16.0;
        return static_cast<int16_t>(std::lround(kSineAmplitude * std::sin(2 * std::numbers::pi * turns)));
    }
    const int64_t phase = (nowMs + block * 1000) % kRampPeriodMs;
    return static_cast<int16_t>(phase * kRampTop / kRampPeriodMs);
}

int16_t discreteWave(int block, int64_t nowMs)
{
    const int64_t halfPeriodMs = 1000 * (1 + block % 4);
    return static_cast<int16_t>((nowMs / halfPeriodMs + block) % 2);
}
} // namespace

int16_t BlockOutputs::value(const MemoryAreas &memory, int block, int64_t nowMs) const
{
    if (const auto found = pinned_.find(block); found != pinned_.end())
        return found->second;
    if (memory.blockFunction(block) == kNopFunction)
        return 0;
    switch (memory.blockFtype(block)) {
    case kAnalogFtype:
        return analogWave(block, nowMs);
    case kDiscreteFtype:
        return discreteWave(block, nowMs);
    default:
        return 0;
    }
}

std::array<uint8_t, 2> BlockOutputs::replyBytes(const MemoryAreas &memory, int block, int64_t nowMs) const
{
    const auto raw = static_cast<uint16_t>(value(memory, block, nowMs));
    if (memory.blockFtype(block) == kDiscreteFtype)
        return {static_cast<uint8_t>(raw & 0xFF), 0};
    return {static_cast<uint8_t>(raw >> 8), static_cast<uint8_t>(raw & 0xFF)};
}

} // namespace orvane::sim
