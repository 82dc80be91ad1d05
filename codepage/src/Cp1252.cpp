#include "orvane/codepage/Cp1252.h"

#include <cstdint>

namespace orvane::codepage {

namespace {

// The characters of 0x80..0x9F; 0 marks the five unassigned codes. Every other byte
// stands for the code point of its own value.
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

char32_t fromCp1252(uint8_t b)
{
    if (b < 0x80 || b >= 0xA0)
        return b;
    return kHigh[b - 0x80] ? kHigh[b - 0x80] : U'?';
}

// Every character this code page holds lies below U+10000: three bytes at most.
void appendUtf8(std::string& out, char32_t cp)
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

bool isContinuation(char c) { return (static_cast<uint8_t>(c) & 0xC0) == 0x80; }

// Walks a UTF-8 text one character at a time, handing `visit` its bytes and its code
// point. A malformed sequence (a stray or missing continuation byte, an overlong form, a
// surrogate, a code point past U+10FFFF) comes as one kMalformed, so it turns into one '?'
// and never into the character an overlong form would smuggle in.
template <typename Visit>
void forEachCharacter(std::string_view utf8, Visit visit)
{
    constexpr char32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2
                        : lead >= 0xF0 && lead <= 0xF4 ? 3 : -1;
        if (extra < 0) {
            visit(utf8.substr(i, 1), kMalformed);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        std::size_t j = i + 1;
        for (; j < utf8.size() && j <= i + static_cast<std::size_t>(extra) && isContinuation(utf8[j]); ++j)
            cp = (cp << 6) | (static_cast<uint8_t>(utf8[j]) & 0x3F);
        const bool whole = j == i + static_cast<std::size_t>(extra) + 1;
        const bool valid = whole && cp >= kSmallest[extra] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        visit(utf8.substr(i, j - i), valid ? cp : kMalformed);
        i = j;
    }
}

constexpr std::size_t kShownCharacters = 40;
constexpr std::size_t kShownTexts = 12;

// A text as one line of a message: its first line, cut where it is long.
std::string excerpt(std::string_view utf8)
{
    std::string shown;
    std::size_t characters = 0;
    bool cut = false;
    forEachCharacter(utf8, [&](std::string_view character, char32_t cp) {
        cut = cut || cp == U'\r' || cp == U'\n' || characters == kShownCharacters;
        if (!cut) {
            shown += character;
            ++characters;
        }
    });
    return cut ? shown + "..." : shown;
}

} // namespace

std::string utf8ToCp1252(std::string_view utf8)
{
    std::string out;
    forEachCharacter(utf8, [&](std::string_view, char32_t cp) { out += toCp1252(cp); });
    return out;
}

std::string cp1252ToUtf8(std::string_view cp1252)
{
    std::string out;
    for (char c : cp1252)
        appendUtf8(out, fromCp1252(static_cast<uint8_t>(c)));
    return out;
}

std::string charactersOutsideCp1252(std::string_view utf8)
{
    std::string missing;
    forEachCharacter(utf8, [&](std::string_view character, char32_t cp) {
        if (toCp1252(cp) == '?' && cp != U'?' && missing.find(character) == std::string::npos)
            missing += character;
    });
    return missing;
}

std::optional<std::size_t> utf8Length(std::string_view utf8)
{
    std::size_t characters = 0;
    bool malformed = false;
    forEachCharacter(utf8, [&](std::string_view, char32_t cp) {
        malformed = malformed || cp == kMalformed;
        ++characters;
    });
    return malformed ? std::nullopt : std::optional(characters);
}

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

} // namespace orvane::codepage
