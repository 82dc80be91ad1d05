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

namespace {
// Code points of 0x80..0x9F in Windows-1252; 0 marks the five unassigned bytes.
constexpr char32_t kHigh[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// Stands for a malformed UTF-8 sequence; outside every code page.
constexpr char32_t kMalformed = 0x110000;

char toCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] != 0 && kHigh[i] == cp)
            return static_cast<char>(0x80 + i);
    return '?';
}

void appendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The character a Windows-1252 byte stands for; '?' for the five unassigned codes.
char32_t fromCp1252(uint8_t b)
{
    if (b < 0x80 || b >= 0xA0)
        return b;
    return kHigh[b - 0x80] ? kHigh[b - 0x80] : U'?';
}

// Walks a UTF-8 text one code point at a time; malformed sequences come out as one
// code point that Windows-1252 lacks, so they turn into '?'.
template <typename Visit>
void forEachCodePoint(std::string_view utf8, Visit visit)
{
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        if (lead >= 0x80 && extra == 0) { // stray continuation byte
            visit(utf8.substr(i, 1), kMalformed);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        for (; j < utf8.size() && j <= i + extra && (static_cast<uint8_t>(utf8[j]) & 0xC0) == 0x80; ++j)
            cp = (cp << 6) | (static_cast<uint8_t>(utf8[j]) & 0x3F);
        visit(utf8.substr(i, j - i), j == i + extra + 1 ? cp : kMalformed);
        i = j;
    }
}

} // namespace

std::string utf8ToCp1252(std::string_view utf8)
{
    std::string out;
    forEachCodePoint(utf8, [&](std::string_view, char32_t cp) { out += toCp1252(cp); });
    return out;
}

std::string charactersOutsideCp1252(std::string_view utf8)
{
    std::string missing;
    forEachCodePoint(utf8, [&](std::string_view character, char32_t cp) {
        if (toCp1252(cp) == '?' && cp != U'?' && missing.find(character) == std::string::npos)
            missing += character;
    });
    return missing;
}

namespace {

constexpr std::size_t kShownCharacters = 40;
constexpr std::size_t kShownTexts = 12;

// A text as one line of a message: its first line, cut where it is long.
std::string excerpt(std::string_view utf8)
{
    std::string shown;
    std::size_t characters = 0;
    bool cut = false;
    forEachCodePoint(utf8, [&](std::string_view character, char32_t cp) {
        cut = cut || cp == U'\r' || cp == U'\n' || characters == kShownCharacters;
        if (!cut) {
            shown += character;
            ++characters;
        }
    });
    return cut ? shown + "..." : shown;
}

} // namespace

void TextsOutsideCp1252::check(const std::string& name, const std::string& text)
{
    const std::string missing = charactersOutsideCp1252(text);
    if (!missing.empty())
        lines_.push_back(name + " \"" + excerpt(text) + "\": " + missing);
}

std::string TextsOutsideCp1252::message(const std::string& intro, const std::string& question) const
{
    std::string text = intro;
    for (std::size_t i = 0; i < lines_.size() && i < kShownTexts; ++i)
        text += "\r" + lines_[i];
    if (lines_.size() > kShownTexts)
        text += "\rand " + std::to_string(lines_.size() - kShownTexts) + " more";
    if (!question.empty())
        text += "\r\r" + question;
    return text;
}

std::string cp1252ToUtf8(std::string_view cp1252)
{
    std::string out;
    for (char c : cp1252)
        appendUtf8(out, fromCp1252(static_cast<uint8_t>(c)));
    return out;
}

std::string printableText(std::string_view cp1252)
{
    // NULs at the end pad a fixed-width record; they are no part of the text.
    cp1252 = cp1252.substr(0, cp1252.find_last_not_of('\0') + 1);
    std::string out;
    for (char c : cp1252) {
        const char32_t cp = fromCp1252(static_cast<uint8_t>(c));
        appendUtf8(out, cp < 0x20 || cp == 0x7F ? U'?' : cp);
    }
    return out;
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
