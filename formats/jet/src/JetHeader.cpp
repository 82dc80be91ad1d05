#include "orvane/formats/JetHeader.h"

#include <cstring>

namespace orvane::formats {

std::optional<JetHeader> readJetHeader(const unsigned char* bytes, std::size_t size)
{
    // A four-byte page-0 mark, the engine's name, then its version at offset 20.
    static const unsigned char mark[4] = {0x00, 0x01, 0x00, 0x00};
    if (size < kJetHeaderSize || std::memcmp(bytes, mark, sizeof mark) != 0)
        return std::nullopt;
    const bool jet = std::memcmp(bytes + 4, "Standard Jet DB", 16) == 0;
    const bool ace = std::memcmp(bytes + 4, "Standard ACE DB", 16) == 0;
    if (!jet && !ace)
        return std::nullopt;
    const unsigned char version = bytes[20];
    JetHeader header;
    if (jet && version == 0)
        return header;
    header.pageSize = 4096;
    header.version = jet && version == 1 ? JetVersion::Jet4 : JetVersion::Later;
    return header;
}

} // namespace orvane::formats
