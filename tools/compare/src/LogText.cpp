#include "LogText.h"

#include "orvane/compare/Compare.h"
#include "orvane/link/Protocol.h"

#include <QLocale>

namespace orvane::compare {

QString dateTimeText(const QDateTime& when)
{
    QString shown = QLocale::system().toString(when, QLocale::ShortFormat);
    // Some locales part the time from its AM/PM with a narrow space that 1252 lacks.
    shown.replace(QChar(0x202F), QLatin1Char(' '));
    shown.replace(QChar(0x2009), QLatin1Char(' '));
    return shown;
}

} // namespace orvane::compare

namespace orvane::compare::text {

namespace {
constexpr int64_t kPowers[] = {1, 10, 100, 1000, 10000, 100000};
} // namespace

std::string cp1252(std::string_view utf8) { return orvane::link::utf8ToCp1252(utf8); }
std::string cp1252(const QString& text) { return cp1252(text.toStdString()); }

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
