#include "orvane/transfer/TimeLeft.h"

#include <algorithm>
#include <cmath>

namespace orvane::transfer {

namespace {
// A part's own rate counts once it has run this long: a few exchanges say little.
constexpr double kMeasuredAfterSeconds = 1.0;
} // namespace

void TimeLeft::startPart(long bytes, long laterBytes, double now)
{
    partBytes_ = bytes;
    laterBytes_ = laterBytes;
    doneInPart_ = 0;
    partStart_ = now;
    lastAdvance_ = now;
}

void TimeLeft::advance(long bytes, double now)
{
    doneInPart_ += bytes;
    partBytes_ = std::max(0L, partBytes_ - bytes);
    lastAdvance_ = now;
}

std::optional<int> TimeLeft::seconds() const
{
    const double ran = lastAdvance_ - partStart_;
    const double partRate = ran >= kMeasuredAfterSeconds && doneInPart_ > 0 ? doneInPart_ / ran : lineRate_;
    const double laterRate = lineRate_ > 0 ? lineRate_ : partRate;
    if ((partBytes_ > 0 && partRate <= 0) || (laterBytes_ > 0 && laterRate <= 0))
        return std::nullopt;
    const double left = (partBytes_ > 0 ? partBytes_ / partRate : 0) + (laterBytes_ > 0 ? laterBytes_ / laterRate : 0);
    return static_cast<int>(std::ceil(left));
}

} // namespace orvane::transfer
