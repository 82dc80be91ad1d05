#pragma once

// Cuts the byte stream from the host into request frames. A frame with wrong
// check bytes, or a byte that starts no known command, is rejected; the reader
// then throws away everything until the line has been quiet for a short while,
// so it picks up again at the start of the host's next frame. A frame left
// unfinished by such a quiet spell is rejected as well.

#include "orvane/sim/Wire.h"

#include <cstdint>
#include <vector>

namespace orvane::sim {

struct ReceivedFrame {
    Bytes bytes;
    bool valid = false; // false: bad check bytes, unknown command, or cut short
};

class FrameReader {
public:
    // Quiet time that ends a resynchronisation and abandons a half-received frame.
    static constexpr int64_t kQuietMs = 100;

    // Bytes that arrived at `nowMs` (a steady clock); returns the frames they complete.
    std::vector<ReceivedFrame> feed(const Bytes &bytes, int64_t nowMs);
    // Starts afresh, e.g. for a new TCP client.
    void reset();

private:
    Bytes pending_;
    bool resynchronising_ = false;
    int64_t lastByteMs_ = 0;
};

} // namespace orvane::sim
