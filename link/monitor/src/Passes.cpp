#include "orvane/monitor/Passes.h"

#include "orvane/monitor/ControllerLine.h"

namespace orvane::monitor {

void pollTiles(ControllerLine& line, TileTable& tiles, const GoOn& goOn, const std::function<void(int)>& shown)
{
    for (int slot = 1; slot <= tiles.highestSlot() && goOn(); ++slot) {
        const Tile* tile = tiles.at(slot);
        if (!tile)
            continue;
        const uint64_t id = tile->id;
        const auto value = readOutput(line, tile->block, tile->reading);
        if (line.dead())
            return;
        // The exchange let events run: the tile may have been removed or replaced.
        if (Tile* still = tiles.find(slot, id)) {
            still->live.update(value);
            shown(slot);
        }
    }
}

std::vector<Watch> gridWatches(const std::array<int16_t, kBlocks>& functions, const std::array<int16_t, kBlocks>& ftypes)
{
    std::vector<Watch> watches;
    for (int block = 0; block < kBlocks; ++block) {
        const Reading reading = gridReading(ftypes[static_cast<std::size_t>(block)]);
        if (functions[static_cast<std::size_t>(block)] != kNopFunction && reading != Reading::None)
            watches.push_back({block, reading, {}});
    }
    return watches;
}

void pollWatches(ControllerLine& line, std::vector<Watch>& watches, const GoOn& goOn,
                 const std::function<void(std::size_t)>& shown)
{
    for (std::size_t i = 0; i < watches.size() && goOn(); ++i) {
        const auto value = readOutput(line, watches[i].block, watches[i].reading);
        if (line.dead())
            return;
        watches[i].value.update(value);
        shown(i);
    }
}

} // namespace orvane::monitor
