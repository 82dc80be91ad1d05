#include "Encoding.h"

#include <QRegularExpression>
#include <cfenv>
#include <cmath>
#include <limits>

namespace brevant {

int32_t roundHalfEven(double value)
{
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    std::fesetround(saved);
    if (r >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (r <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

std::optional<double> parseNumber(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString t = text.trimmed();
    if (!number.match(t).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString plainNumber(double value)
{
    QString s = QString::number(value, 'f', 10);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

QString limitMessage(double min, double max)
{
    return QStringLiteral("Invalid Parameter Value") + QLatin1Char('\r') + QStringLiteral("Min   ")
           + plainNumber(min) + QStringLiteral("  Max  ") + plainNumber(max);
}

QString blockNumberMessage()
{
    return QStringLiteral("Enter A Block Number") + QLatin1Char('\r') + QStringLiteral("        0 to 159");
}

CommitResult checkInputLink(const QString& text)
{
    CommitResult r;
    const auto v = parseNumber(text);
    const int32_t block = v ? roundHalfEven(*v) : -1;
    if (!v || block < 0 || block > 159) {
        r.message = blockNumberMessage();
        return r;
    }
    r.store = true;
    r.stored = block;
    r.shown = QString::number(block);
    return r;
}

namespace {
CommitResult checkScaled(const QString& text, int32_t rawMin, int32_t rawMax, double scale, int decimals)
{
    CommitResult r;
    const auto v = parseNumber(text);
    if (!v) {
        r.message = limitMessage(rawMin, rawMax);
        return r;
    }
    const double min = rawMin / scale;
    const double max = rawMax / scale;
    if (*v < min || *v > max) {
        r.message = limitMessage(min, max);
        return r;
    }
    r.store = true;
    r.stored = roundHalfEven(*v * scale);
    r.shown = decimals == 0 ? QString::number(roundHalfEven(*v)) : formatDecimals(*v, decimals);
    return r;
}
} // namespace

CommitResult checkPlain(const QString& text, int32_t min, int32_t max, int decimal)
{
    if (decimal == 0)
        return checkScaled(text, min, max, 1.0, 0);
    if (decimal >= 1 && decimal <= 3)
        return checkScaled(text, min, max, 1000.0, decimal);
    // No scaling is defined for other decimals: check the limits, store nothing.
    CommitResult r = checkScaled(text, min, max, 1.0, 0);
    if (r.store) {
        r.store = false;
        r.shown.clear();
    }
    return r;
}

CommitResult checkVariable(const QString& text, int32_t min, int32_t max, int32_t d)
{
    if (d < 1 || d > 4)
        return checkScaled(text, min, max, 1.0, 0);
    return checkScaled(text, min, max, std::pow(10.0, d), d);
}

TextResult checkText(const QString& text)
{
    TextResult r;
    r.text = text.toUpper();
    if (r.text.size() > kMaxTextLength) {
        r.text = r.text.left(kMaxTextLength);
        r.message = QStringLiteral("String Too Long") + QLatin1Char('\r') + QStringLiteral("Using ") + r.text;
    }
    if (r.text.isEmpty())
        r.text = QStringLiteral(" ");
    return r;
}

} // namespace brevant
