#pragma once
// Text pieces of the compare log. Everything here works on Windows-1252 bytes, one byte
// per character, so widths are counted in characters.

#include <QDateTime>

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::compare::text {

std::string cp1252(std::string_view utf8);
std::string cp1252(const QString& text);
// A text that keeps to its line of the log, such as a file's name: its control characters,
// a line end among them, as "?", as are the characters 1252 lacks.
std::string onOneLine(const QString& text);

// Left-justified in exactly n characters: padded with spaces or cut.
std::string fit(std::string_view text, size_t n);
std::string fit(int64_t value, size_t n);
std::string spaces(size_t n);
// Non-blank: something other than spaces.
bool isBlank(std::string_view text);
std::string trimmed(std::string_view text);

// The whole number ("#######0").
std::string whole(int64_t value);
// value / 10^scale with `decimals` digits after the point (decimals <= scale), halves
// rounded away from zero ("######0.00" and the like).
std::string scaled(int64_t value, int scale, int decimals);
// A parameter of plain numbers by its catalogue decimals: whole, or thousandths.
std::string byCatalogueDecimals(int64_t value, int decimal);
// Decimals 0 to 4 of a display group; any other count gives a blank field.
std::string FormatByDecimals(int64_t value, int64_t decimals);
// Character 0 becomes a space; padded on the right to at least 16 characters.
std::string normalisedMessage(std::string_view message);

// The title and, at the start of the next 14-column print zone, the date and time.
std::string withZoneDate(std::string title, const QDateTime& when);

} // namespace orvane::compare::text
