#pragma once

// Windows-1252, the code page of every text the tool set writes for the controller and
// for the programs that came before it (the controller's records, the monitor's layout
// file, the companion programs' files), one byte a character. Texts inside the tool set
// are UTF-8.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::codepage {

// Each character Windows-1252 lacks, and each malformed UTF-8 sequence, becomes '?'.
std::string utf8ToCp1252(std::string_view utf8);
// The five codes Windows-1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become '?'.
std::string cp1252ToUtf8(std::string_view cp1252);
// The characters of a UTF-8 text that Windows-1252 lacks (a malformed sequence as its
// bytes), each once, in the order met; empty when the whole text fits.
std::string charactersOutsideCp1252(std::string_view utf8);
// The number of characters of a UTF-8 text; nullopt when it is malformed (a stray or
// missing continuation byte, an overlong form, a surrogate, a code point past U+10FFFF).
std::optional<std::size_t> utf8Length(std::string_view utf8);

// Texts on their way into Windows-1252 that would lose characters there, each named with
// the characters it lacks, so the user is told before any of them becomes "?".
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

} // namespace orvane::codepage
