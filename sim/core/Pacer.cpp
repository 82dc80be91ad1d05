#include "orvane/sim/Pacer.h"

#include <algorithm>

namespace orvane::sim {

void Pacer::queue(const std::vector<uint8_t> &bytes, int64_t nowUs)
{
    if (waiting_.empty())
        nextUs_ = std::max(nextUs_, nowUs); // an idle line starts sending at once
    waiting_.insert(waiting_.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> Pacer::takeDue(int64_t nowUs)
{
    std::vector<uint8_t> due;
    while (!waiting_.empty() && (byteUs_ == 0 || nextUs_ <= nowUs)) {
        due.push_back(waiting_.front());
        waiting_.pop_front();
        nextUs_ += byteUs_;
    }
    return due;
}

} // namespace orvane::sim
