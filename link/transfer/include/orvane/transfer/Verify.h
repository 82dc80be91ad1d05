#pragma once
// Compares what the controller holds with the image the configuration would send.

#include "orvane/transfer/Image.h"

#include <string>
#include <vector>

namespace orvane::transfer {

struct ControllerMemory {
    std::vector<uint8_t> messages;   // area 6
    std::vector<uint8_t> quick;      // area 9
    std::vector<uint8_t> blocks;     // area 4
    std::vector<uint8_t> constants;  // area 3
};

inline constexpr const char* kConfigurationMatches = "Configuration matches";

// One line per difference, in area order; empty when everything matches.
std::vector<std::string> compareWithImage(const Image& image, const ControllerMemory& controller);

} // namespace orvane::transfer
