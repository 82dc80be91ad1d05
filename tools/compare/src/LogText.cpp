#include "LogText.h"

#include "orvane/compare/Compare.h"
#include "orvane/codepage/Cp1252.h"

#include <QLocale>

namespace orvane::compare {

namespace {

// A date or time pattern without its time zone, which the general form does not show.
QString withoutTimeZone(const QString& pattern)
{
    QString out;
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            out += c;
    }
    // Some locales put the zone in brackets.
    return out.remove(QStringLiteral("()")).simplified();
}

// The general date and time pattern of a locale: its short date with the full year and
// its time with seconds.
QString generalPattern(const QLocale& locale)
{
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QStringLiteral("yyyy")))
        date.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return date + QLatin1Char(' ') + withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
}

// Digits of any script as ASCII digits, marks that only steer the writing direction
// left out, and the narrow spaces some locales put before AM or PM as plain spaces.
QString inPlainCharacters(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c.category() == QChar::Number_DecimalDigit)
            out += QLatin1Char(static_cast<char>('0' + c.digitValue()));
        else if (c.category() == QChar::Other_Format)
            continue;
        else if (c.category() == QChar::Separator_Space)
            out += QLatin1Char(' ');
        else
            out += c;
    }
    return out;
}

} // namespace

QString dateTimeText(const QDateTime& when)
{
    const QLocale locale = QLocale::system();
    const QString shown = inPlainCharacters(locale.toString(when, generalPattern(locale)));
    // The log is Windows-1252: a locale that writes dates with words or signs it cannot
    // hold gets the neutral form, with the month's English name.
    if (orvane::codepage::charactersOutsideCp1252(shown.toStdString()).empty())
        return shown;
    return QLocale::c().toString(when, generalPattern(QLocale::c()));
}

} // namespace orvane::compare

namespace orvane::compare::text {

namespace {
constexpr int64_t kPowers[] = {1, 10, 100, 1000, 10000, 100000};
} // namespace

std::string cp1252(std::string_view utf8) { return orvane::codepage::utf8ToCp1252(utf8); }
std::string cp1252(const QString& text) { return cp1252(text.toStdString()); }

std::string onOneLine(const QString& text)
{
    std::string shown = cp1252(text);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            c = '?';
    return shown;
}

std::string fit(std::string_view text, size_t n)
{
    std::string r(text.substr(0, n));
    r.resize(n, ' ');
    return r;
}

std::string fit(int64_t value, size_t n) { return fit(whole(value), n); }
std::string spaces(size_t n) { return std::string(n, ' '); }
bool isBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

std::string trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string whole(int64_t value) { return std::to_string(value); }

std::string scaled(int64_t value, int scale, int decimals)
{
    const int64_t step = kPowers[scale - decimals];
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const uint64_t rounded = (magnitude + static_cast<uint64_t>(step / 2)) / static_cast<uint64_t>(step);
    const auto unit = static_cast<uint64_t>(kPowers[decimals]);
    std::string shown = (value < 0 && rounded != 0 ? "-" : "") + std::to_string(rounded / unit);
    if (decimals > 0) {
        const std::string fraction = std::to_string(rounded % unit);
        shown += '.' + std::string(static_cast<size_t>(decimals) - fraction.size(), '0') + fraction;
    }
    return shown;
}

std::string byCatalogueDecimals(int64_t value, int decimal)
{
    // Stored thousandths need no more than three decimals to show whole.
    if (decimal <= 0)
        return whole(value);
    return scaled(value, 3, decimal > 3 ? 3 : decimal);
}

std::string FormatByDecimals(int64_t value, int64_t decimals)
{
    if (decimals < 0 || decimals > 4)
        return fit("", 10);
    return fit(decimals == 0 ? whole(value) : scaled(value, static_cast<int>(decimals), static_cast<int>(decimals)), 10);
}

std::string normalisedMessage(std::string_view message)
{
    std::string r(message);
    for (char& c : r)
        if (c == '\0')
            c = ' ';
    if (r.size() < 16)
        r.resize(16, ' ');
    return r;
}

std::string withZoneDate(std::string title, const QDateTime& when)
{
    constexpr size_t kZone = 14;
    title.resize((title.size() / kZone + 1) * kZone, ' ');
    return title + cp1252(dateTimeText(when));
}

} // namespace orvane::compare::text
