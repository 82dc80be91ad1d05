#include "orvane/transfer/Rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orvane::transfer {

std::optional<std::string> romVersionText(const std::string& identification)
{
    const auto dot = identification.find('.');
    if (dot == std::string::npos)
        return std::nullopt;
    // A "." in the first position has no character before it: start at the text's start.
    const size_t start = dot == 0 ? 0 : dot - 1;
    return identification.substr(start, 4);
}

namespace {

// The text as a single-precision number, accepting only a whole numeric text.
std::optional<float> parseVersion(const std::string& text)
{
    size_t first = text.find_first_not_of(' ');
    size_t last = text.find_last_not_of(' ');
    if (first == std::string::npos)
        return std::nullopt;
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    float value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool runsAny(const Configuration& config, std::initializer_list<int16_t> functions)
{
    for (const BlockRow& b : config.blocks)
        for (int16_t f : functions)
            if (b.function == f)
                return true;
    return false;
}

} // namespace

RomVerdict checkRom(const std::optional<std::string>& versionText, const Configuration& config)
{
    const std::optional<float> version = versionText ? parseVersion(*versionText) : std::nullopt;
    if (!version)
        return RomVerdict::NeedsRom30;
    const float v = *version;
    if (v < 3.0f && runsAny(config, {4, 6, 94}))
        return RomVerdict::NeedsRom30;
    if ((v <= 2.26f || 3.0f <= v) && v < 3.04f && runsAny(config, {84, 100}))
        return RomVerdict::NeedsRom304;
    return RomVerdict::Accepted;
}

std::optional<int16_t> blockExceedingConstants(const Configuration& config)
{
    if (static_cast<int>(config.constants.size()) > kMaxConstants)
        return config.constants[kMaxConstants].block;
    return std::nullopt;
}

std::optional<int16_t> blockExceedingRetentive(const Configuration& config, const Catalogue& catalogue)
{
    int total = 0;
    for (const BlockRow& b : config.blocks) {
        const auto fn = catalogue.find(b.function);
        if (fn == catalogue.end())
            continue;
        total += fn->second.volRam;
        if (total > kMaxRetentiveBytes)
            return b.number;
    }
    return std::nullopt;
}

int percentOf(long done, long whole)
{
    const long percent = whole > 0 ? std::lround(static_cast<double>(done) * 100.0 / static_cast<double>(whole)) : 0;
    return static_cast<int>(std::clamp(percent, 0L, 100L));
}

int progressPercent(long totalBytes) { return percentOf(totalBytes, kProgressFullBytes); }

} // namespace orvane::transfer
