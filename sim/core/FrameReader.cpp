#include "orvane/sim/FrameReader.h"

namespace orvane::sim {

std::vector<ReceivedFrame> FrameReader::feed(const Bytes &bytes, int64_t nowMs)
{
    std::vector<ReceivedFrame> frames;
    if (bytes.empty())
        return frames;
    const bool quietBefore = nowMs - lastByteMs_ >= kQuietMs;
    lastByteMs_ = nowMs;
    if (quietBefore) {
        resynchronising_ = false;
        if (!pending_.empty())
            frames.push_back({std::move(pending_), false});
        pending_.clear();
    }
    if (resynchronising_)
        return frames;

    for (uint8_t byte : bytes) {
        if (resynchronising_)
            break;
        pending_.push_back(byte);
        const int length = requestLength(pending_);
        if (length < 0) {
            frames.push_back({std::move(pending_), false});
            pending_.clear();
            resynchronising_ = true;
        } else if (length > 0 && static_cast<int>(pending_.size()) == length) {
            const bool valid = hasValidCheckBytes(pending_);
            frames.push_back({std::move(pending_), valid});
            pending_.clear();
            resynchronising_ = !valid;
        }
    }
    return frames;
}

void FrameReader::reset()
{
    pending_.clear();
    resynchronising_ = false;
    lastByteMs_ = 0;
}

} // namespace orvane::sim
