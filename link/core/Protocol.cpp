#include "orvane/link/Protocol.h"

#include <algorithm>
#include <cmath>

namespace orvane::link {

std::array<uint8_t, 2> checkBytes(const uint8_t *body, std::size_t lastIndex)
{
    uint32_t sum = 0;
    for (std::size_t i = 0; i <= lastIndex; ++i)
        sum = (sum + body[i]) % 65536;
    return {static_cast<uint8_t>(255 - sum / 256), static_cast<uint8_t>(255 - sum % 256)};
}

bool hasValidCheckBytes(const uint8_t *frame, std::size_t length)
{
    if (length < 3)
        return false;
    const auto check = checkBytes(frame, length - 3);
    return frame[length - 2] == check[0] && frame[length - 1] == check[1];
}

int16_t decodeSigned16(uint8_t high, uint8_t low)
{
    if (high < 128)
        return static_cast<int16_t>(high * 256 + low);
    return static_cast<int16_t>(-((255 - high) * 256 + (255 - low) + 1));
}

std::string printableText(std::string_view cp1252)
{
    // NULs at the end pad a fixed-width record; they are no part of the text.
    std::string shown(cp1252.substr(0, cp1252.find_last_not_of('\0') + 1));
    for (char& c : shown)
        if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F)
            c = '?';
    return codepage::cp1252ToUtf8(shown);
}

double lineBytesPerSecond(int baud)
{
    return (baud > 0 ? baud : kDefaultBaud) / 11.0;
}

namespace {
double wireMs(int bytes, int baud)
{
    return bytes * 1000.0 / lineBytesPerSecond(baud);
}
} // namespace

int attemptTimeoutMs(int baud, int requestBytes, int replyBytes)
{
    const double needed = wireMs(requestBytes + replyBytes, baud) + 500.0;
    return std::max(1500, static_cast<int>(std::ceil(needed)));
}

int quietIntervalMs(int baud)
{
    return std::max(200, static_cast<int>(std::ceil(wireMs(32, baud))));
}

} // namespace orvane::link
