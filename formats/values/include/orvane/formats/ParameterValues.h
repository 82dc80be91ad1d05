#pragma once
// How a block's stored constants are shown: plain parameters with Decimal 1..3 are
// thousandths, variable-decimal parameters are value x 10^d with d taken from an
// earlier parameter of the block, text parameters live in "Messages". Shared by the
// editor's grids and the configuration's text form, so both show the same.

#include <QString>
#include <cstdint>

namespace orvane::formats {

inline constexpr int kTextParameter = 3;
inline constexpr int kVariableDecimals = 4;

// "###0.0"-style: at least one integer digit, exactly `decimals` decimals, the last
// one rounded halves to even.
QString formatDecimals(double value, int decimals);

// Display of a plain parameter; "" for a Decimal outside 0..3.
QString showPlain(int32_t stored, int decimal);
// Display of a variable-decimals parameter with d decimals (d outside 1..4 shows the
// stored whole number).
QString showVariable(int32_t stored, int32_t d);

// The constant offset, within a block whose function has `inputs` inputs, of the
// parameter holding the decimals of variable-decimals parameter `parameter` (1-based):
// the one before it for odd parameters, the one two before for even ones.
int decimalsOffset(int inputs, int parameter);

} // namespace orvane::formats
