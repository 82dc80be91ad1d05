#include "orvane/sim/Wire.h"

#include <cstdio>

namespace orvane::sim {

namespace {
void sumInto(const uint8_t *begin, const uint8_t *end, uint8_t out[2])
{
    unsigned sum = 0;
    for (const uint8_t *p = begin; p != end; ++p)
        sum = (sum + *p) & 0xFFFF;
    out[0] = static_cast<uint8_t>(~(sum >> 8));
    out[1] = static_cast<uint8_t>(~sum);
}
} // namespace

void appendCheckBytes(Bytes &body)
{
    uint8_t check[2];
    sumInto(body.data(), body.data() + body.size(), check);
    body.push_back(check[0]);
    body.push_back(check[1]);
}

bool hasValidCheckBytes(const Bytes &frame)
{
    if (frame.size() < 3)
        return false;
    uint8_t check[2];
    sumInto(frame.data(), frame.data() + frame.size() - 2, check);
    return frame[frame.size() - 2] == check[0] && frame[frame.size() - 1] == check[1];
}

int requestLength(const Bytes &head)
{
    if (head.empty())
        return 0;
    switch (head[0]) {
    case kPoll:
    case kEndOfDownload:
    case kReadTextLine:
    case kReadValueLine:
    case kReadLamp:
        return 3;
    case kReadOutput:
    case kPressKey:
        return 4;
    case kReadMemory:
        return 7;
    case kWriteMemory:
        return head.size() < 3 ? 0 : head[2] + 7;
    default:
        return -1;
    }
}

std::string toHex(const Bytes &bytes)
{
    std::string text;
    text.reserve(bytes.size() * 3);
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += digits;
    }
    return text;
}

} // namespace orvane::sim
