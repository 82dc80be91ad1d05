#pragma once

// Frame and value rules of the controller link, free of any transport so the
// transfer code and the tests can use them directly.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::link {

constexpr std::size_t kXmitBufferSize = 301;
constexpr int kDefaultBaud = 38400;

// Two check bytes over body[0..lastIndex]: the ones' complement of the high and
// of the low byte of the sum of the body, taken modulo 65536.
std::array<uint8_t, 2> checkBytes(const uint8_t *body, std::size_t lastIndex);
// Whether the last two of `length` bytes are the check bytes of the ones before them, as
// the controller ends every reply.
bool hasValidCheckBytes(const uint8_t *frame, std::size_t length);

// A signed 16-bit value sent high byte first (FF FF is -1, 80 00 is -32768).
int16_t decodeSigned16(uint8_t high, uint8_t low);

// Text on the wire is Windows-1252, one byte per character.
std::string utf8ToCp1252(std::string_view utf8);   // characters outside 1252 become '?'
std::string cp1252ToUtf8(std::string_view cp1252); // the five unassigned codes become '?'
// The characters of a UTF-8 text that Windows-1252 lacks, each once, in the order met;
// empty when the whole text fits.
std::string charactersOutsideCp1252(std::string_view utf8);

// Texts on their way into Windows-1252 (the controller's records, the layout file, the
// companion programs' files) that would lose characters there, each named with the
// characters it lacks, so the user is told before any of them becomes "?".
class TextsOutsideCp1252 {
public:
    // Notes the UTF-8 `text` under `name` ("message 5") when Windows-1252 lacks any of
    // its characters.
    void check(const std::string& name, const std::string& text);
    bool empty() const { return lines_.empty(); }
    // One line a text: its name, the text in double quotes (its first line, cut after
    // 40 characters) and the characters it lacks.
    const std::vector<std::string>& lines() const { return lines_; }
    // `intro`, one line a text (the first 12, then how many more), and `question` after
    // an empty line when there is one; lines break at "\r".
    std::string message(const std::string& intro, const std::string& question = {}) const;

private:
    std::vector<std::string> lines_;
};
// Text from the line as a person may see it: UTF-8, without the NULs that pad it at
// the end, and with control characters and unassigned codes shown as '?', so bytes
// from the line cannot steer a terminal.
std::string printableText(std::string_view cp1252);

// The bytes a second the line carries at `baud` (11 bits a byte: start, 8 data, parity, stop).
double lineBytesPerSecond(int baud);

// How long one attempt waits for its reply: 1.5 s, or the wire time of the request and
// its reply at `baud` (11 bits a byte) plus 0.5 s when that is longer.
int attemptTimeoutMs(int baud, int requestBytes, int replyBytes);
// How long the line must stay silent before it counts as quiet: 200 ms, or the wire
// time of 32 bytes when that is longer (so a reply still on its way is never cut).
int quietIntervalMs(int baud);

} // namespace orvane::link
