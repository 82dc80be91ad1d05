#include "orvane/transfer/Exchange.h"

#include "orvane/link/Protocol.h"

#include <array>

namespace orvane::transfer {

std::vector<uint8_t> withCheckBytes(std::vector<uint8_t> body)
{
    const std::array<uint8_t, 2> check =
        body.empty() ? std::array<uint8_t, 2>{0xFF, 0xFF} : orvane::link::checkBytes(body.data(), body.size() - 1);
    body.insert(body.end(), check.begin(), check.end());
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
