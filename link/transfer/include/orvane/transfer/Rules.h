#pragma once
// The checks a download makes before it sends anything, and its progress arithmetic.

#include "orvane/transfer/Configuration.h"

#include <optional>
#include <string>

namespace orvane::transfer {

inline constexpr int kMaxConstants = 1280;
inline constexpr int kMaxRetentiveBytes = 58;
inline constexpr int kProgressFullBytes = 7600;

// The 4 characters starting one before the first "." of the identification text;
// nothing when the text holds no ".".
std::optional<std::string> romVersionText(const std::string& identification);

enum class RomVerdict { Accepted, NeedsRom30, NeedsRom304 };

// The ROM rules over the functions the blocks run.
RomVerdict checkRom(const std::optional<std::string>& versionText, const Configuration& config);

// The block of the first constants record past the limit, if any.
std::optional<int16_t> blockExceedingConstants(const Configuration& config);
// The block whose retentive bytes take the running total past the limit, if any.
std::optional<int16_t> blockExceedingRetentive(const Configuration& config, const Catalogue& catalogue);

// Whole percent of `done` out of `whole`, rounded, at most 100.
int percentOf(long done, long whole);
// Whole percent of a byte total of frames sent, out of 7600.
int progressPercent(long totalBytes);

} // namespace orvane::transfer
