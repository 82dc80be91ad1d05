#pragma once

// Lets reply bytes out no faster than a serial line at a given baud rate
// carries them: 11 bits a byte (start, 8 data, parity, stop).

#include <cstdint>
#include <deque>
#include <vector>

namespace orvane::sim {

class Pacer {
public:
    explicit Pacer(int baud) : byteUs_(baud > 0 ? 11'000'000 / baud : 0) {}

    void queue(const std::vector<uint8_t> &bytes, int64_t nowUs);
    // The bytes whose turn has come by `nowUs`.
    std::vector<uint8_t> takeDue(int64_t nowUs);
    // When the next byte may go; only meaningful while pending().
    int64_t nextDueUs() const { return nextUs_; }
    bool pending() const { return !waiting_.empty(); }
    void clear() { waiting_.clear(); }

private:
    int64_t byteUs_;
    int64_t nextUs_ = 0;
    std::deque<uint8_t> waiting_;
};

} // namespace orvane::sim
