#pragma once

// Frame and value rules of the controller link, free of any transport so the
// transfer code and the tests can use them directly.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::link {

constexpr std::size_t kXmitBufferSize = 301;

// Two check bytes over body[0..lastIndex]: the ones' complement of the high and
// of the low byte of the sum of the body, taken modulo 65536.
std::array<uint8_t, 2> checkBytes(const uint8_t *body, std::size_t lastIndex);

// A signed 16-bit value sent high byte first (FF FF is -1, 80 00 is -32768).
int16_t decodeSigned16(uint8_t high, uint8_t low);

// Text on the wire is Windows-1252, one byte per character.
std::string utf8ToCp1252(std::string_view utf8);   // characters outside 1252 become '?'
std::string cp1252ToUtf8(std::string_view cp1252);

} // namespace orvane::link
