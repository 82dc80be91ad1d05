#include "orvane/transfer/Exchange.h"

#include <algorithm>

namespace orvane::transfer {

std::vector<uint8_t> withCheckBytes(std::vector<uint8_t> body)
{
    unsigned sum = 0;
    for (uint8_t b : body)
        sum = (sum + b) & 0xFFFF;
    body.push_back(static_cast<uint8_t>(255 - (sum >> 8)));
    body.push_back(static_cast<uint8_t>(255 - (sum & 0xFF)));
    return body;
}

std::vector<uint8_t> writeFrame(uint8_t area, uint16_t address, const uint8_t* data, size_t count)
{
    std::vector<uint8_t> body = {0x02, area, static_cast<uint8_t>(count),
                                 static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0xFF)};
    body.insert(body.end(), data, data + count);
    return withCheckBytes(std::move(body));
}

std::vector<uint8_t> readFrame(uint8_t area, uint8_t count, uint16_t address)
{
    return withCheckBytes({0x04, area, count, static_cast<uint8_t>(address >> 8),
                           static_cast<uint8_t>(address & 0xFF)});
}

std::vector<uint8_t> endOfDownloadFrame() { return withCheckBytes({0x08}); }

} // namespace orvane::transfer
