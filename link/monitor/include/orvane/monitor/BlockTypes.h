#pragma once
// What the monitors need from the configuration and its catalogue: each block's
// function and the Ftype that decides how its output is read.

#include "orvane/monitor/Readings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kessig { class OrvaneDB; }

namespace orvane::monitor {

// The catalogue's Ftype of a function, or nothing when the catalogue lacks it.
std::optional<int16_t> functionFtype(kessig::OrvaneDB& db, int16_t function);
// The function name, or "" when the catalogue lacks it.
std::string functionName(kessig::OrvaneDB& db, int16_t function);
// The function a block runs in the open configuration ("Block List").
int16_t blockFunction(kessig::OrvaneDB& db, int block);
// Every block's function from the open configuration.
std::array<int16_t, kBlocks> blockFunctions(kessig::OrvaneDB& db);
// The Ftype of each block's function; -1 where the catalogue lacks the function.
std::array<int16_t, kBlocks> blockFtypes(kessig::OrvaneDB& db, const std::array<int16_t, kBlocks>& functions);

} // namespace orvane::monitor
