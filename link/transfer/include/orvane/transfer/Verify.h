#pragma once
// Compares what the controller holds with the image the configuration would send.

#include "orvane/transfer/Image.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane::transfer {

struct ControllerMemory {
    std::vector<uint8_t> messages;   // area 6
    std::vector<uint8_t> quick;      // area 9
    std::vector<uint8_t> blocks;     // area 4
    std::vector<uint8_t> constants;  // area 3
};

// What a download of the image leaves in the controller.
ControllerMemory memoryOf(const Image& image);

// The part of controller memory a configuration occupies: the constants end after the
// last slot the block table's functions use (all are kept when the catalogue lacks one
// of them). Controllers that hold the same occupied memory run the same configuration,
// whatever lies in the slots past it.
ControllerMemory occupiedMemory(ControllerMemory memory, const Catalogue& catalogue);

inline constexpr const char* kConfigurationMatches = "Configuration matches";
// Lines of differences a message box can still show.
inline constexpr size_t kDifferencesShown = 25;

// One line per difference, in area order; empty when everything matches.
std::vector<std::string> compareWithImage(const Image& image, const ControllerMemory& controller);

// One line per field of a block record that differs ("block 4 cycle offset: expected 3,
// controller holds 5"), or one for a record that differs only in a reserved byte.
std::vector<std::string> blockRecordDifferences(const std::vector<uint8_t>& expected,
                                                const std::vector<uint8_t>& held);

// At most `maxLines` of the differences, one a line ("\r" between), then how many more.
std::string differenceLines(const std::vector<std::string>& differences, size_t maxLines);
// The differences for a message box, under a heading and what the transfer history says
// the controller holds (`heldAs`, when it knows); kConfigurationMatches when there are none.
std::string verifySummary(const std::vector<std::string>& differences, size_t maxLines,
                          const std::optional<std::string>& heldAs = std::nullopt);

} // namespace orvane::transfer
