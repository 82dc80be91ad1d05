#include "orvane/formats/ParameterValues.h"

#include <cfenv>
#include <cmath>

namespace orvane::formats {

QString formatDecimals(double value, int decimals)
{
    // Round in the last shown decimal, halves to even, then lay the digits out.
    const double scale = std::pow(10.0, decimals);
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const auto scaled = static_cast<long long>(std::nearbyint(value * scale));
    std::fesetround(saved);
    const unsigned long long magnitude = scaled < 0 ? 0ULL - static_cast<unsigned long long>(scaled)
                                                    : static_cast<unsigned long long>(scaled);
    QString digits = QString::number(magnitude).rightJustified(decimals + 1, QLatin1Char('0'));
    if (decimals > 0)
        digits.insert(digits.size() - decimals, QLatin1Char('.'));
    return scaled < 0 ? QLatin1Char('-') + digits : digits;
}

QString showPlain(int32_t stored, int decimal)
{
    if (decimal == 0)
        return QString::number(stored);
    if (decimal >= 1 && decimal <= 3)
        return formatDecimals(stored / 1000.0, decimal);
    return {};
}

QString showVariable(int32_t stored, int32_t d)
{
    if (d < 1 || d > 4)
        return QString::number(stored);
    return formatDecimals(stored / std::pow(10.0, d), d);
}

int decimalsOffset(int inputs, int parameter)
{
    return parameter % 2 == 1 ? inputs + parameter - 2 : inputs + parameter - 3;
}

} // namespace orvane::formats
