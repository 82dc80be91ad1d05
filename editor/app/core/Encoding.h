#pragma once
// How block constants are shown and how typed text becomes a stored constant.
// Stored units: plain parameters with Decimal 1..3 are thousandths, variable-decimal
// parameters are value x 10^d, text parameters live in "Messages".

#include "orvane/formats/ParameterValues.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace brevant {

using orvane::formats::decimalsOffset;
using orvane::formats::formatDecimals;
using orvane::formats::kTextParameter;
using orvane::formats::kVariableDecimals;
using orvane::formats::showPlain;
using orvane::formats::showVariable;
inline constexpr int kMaxTextLength = 16;

// Nearest whole number, halves to even; saturates at the 32-bit limits.
int32_t roundHalfEven(double value);
// The number in a typed text (optional sign, digits, one decimal point, exponent);
// nullopt for anything else, including an empty text.
std::optional<double> parseNumber(const QString& text);
// A number the way a limit message shows it: no exponent, no trailing zeros.
QString plainNumber(double value);

QString limitMessage(double min, double max);
QString blockNumberMessage();

// The outcome of checking typed text for one cell.
struct CommitResult {
    bool store = false;      // a value is to be written
    int32_t stored = 0;      // the constant to write
    QString shown;           // the cell's new text
    QString message;         // a message to show first ("" for none)
};

// An input link: a block number 0..159.
CommitResult checkInputLink(const QString& text);
// A plain parameter with its catalogue limits (stored units) and Decimal.
CommitResult checkPlain(const QString& text, int32_t min, int32_t max, int decimal);
// A variable-decimals parameter with d decimals taken from its decimals parameter.
CommitResult checkVariable(const QString& text, int32_t min, int32_t max, int32_t d);

// A text parameter: upper case, at most 16 characters, " " for an empty text.
struct TextResult {
    QString text;
    QString message;
};
TextResult checkText(const QString& text);

} // namespace brevant
