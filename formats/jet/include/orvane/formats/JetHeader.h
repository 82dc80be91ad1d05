#pragma once
// The first bytes of a Jet database file: what marks it as one and which engine
// version wrote it. Plain C++, shared by the reader process and the programs that
// decide whether a file needs it.

#include <cstddef>
#include <optional>

namespace orvane::formats {

enum class JetVersion { Jet3, Jet4, Later };

struct JetHeader {
    JetVersion version = JetVersion::Jet3;
    int pageSize = 2048;   // bytes per page: 2048 for Jet 3, 4096 from Jet 4 on
};

// Bytes needed to tell a Jet file by its header.
inline constexpr std::size_t kJetHeaderSize = 21;

// The header of a Jet (or later Access engine) database, or nullopt when the bytes
// are not one.
std::optional<JetHeader> readJetHeader(const unsigned char* bytes, std::size_t size);

} // namespace orvane::formats
