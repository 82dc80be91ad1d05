#pragma once
// One pass over what a window or the data logger watches: each block read in turn,
// its reading updated with the value, or marked missing when no reply counted. A pass
// ends at once when the line is found dead (ControllerLine), without the reading that
// found it: the caller then shows every value as missing at once.

#include "orvane/monitor/Readings.h"
#include "orvane/monitor/Tiles.h"

#include <array>
#include <functional>
#include <vector>

namespace orvane::monitor {

class ControllerLine;

using GoOn = std::function<bool()>;   // asked before each exchange; false ends the pass

// The tiles from slot 1 up to the highest in use, each read by its kind. The table is
// looked at afresh for every slot, and a tile that left its slot during its exchange is
// not updated. `shown(slot)` follows each update.
void pollTiles(ControllerLine& line, TileTable& tiles, const GoOn& goOn, const std::function<void(int)>& shown);

struct Watch {
    int block = 0;
    Reading reading = Reading::None;
    LiveValue value;
};

// The blocks the all-blocks grid reads: those whose function is not NOP and whose
// function's Ftype is 1 or 2, in block order. `ftypes[b]` is -1 for a function the
// catalogue lacks.
std::vector<Watch> gridWatches(const std::array<int16_t, kBlocks>& functions, const std::array<int16_t, kBlocks>& ftypes);

// Each watch in order; `shown(index)` follows each update.
void pollWatches(ControllerLine& line, std::vector<Watch>& watches, const GoOn& goOn,
                 const std::function<void(std::size_t)>& shown);

} // namespace orvane::monitor
