#include "orvane/monitor/Tiles.h"

#include <algorithm>
#include <cmath>

namespace orvane::monitor {

namespace {
constexpr std::array<int32_t, 5> kColumnLefts = {360, 2310, 4260, 6210, 8160};
constexpr std::array<int32_t, 4> kRowTops = {1200, 2450, 3700, 4950};

// The last grid line at or left of (above) the drop point; the first one for points before it.
template <std::size_t N> int32_t snap(const std::array<int32_t, N>& lines, int32_t at)
{
    int32_t chosen = lines[0];
    for (std::size_t i = 1; i < N; ++i)
        if (at >= lines[i])
            chosen = lines[i];
    return chosen;
}
// Relative luminance of a stored colour, its channels taken from sRGB to linear light.
double luminance(uint32_t colour)
{
    const auto linear = [](uint32_t channel) {
        const double c = double(channel & 0xFF) / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour) + 0.7152 * linear(colour >> 8) + 0.0722 * linear(colour >> 16);
}
} // namespace

double contrastRatio(uint32_t a, uint32_t b)
{
    const double first = luminance(a), second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

uint32_t groundFor(uint32_t text)
{
    return contrastRatio(text, kDarkGround) > contrastRatio(text, kLightGround) ? kDarkGround : kLightGround;
}

int paletteIndexAt(int x, int width)
{
    const int box = std::max(width / 8, 1);
    return std::clamp(x / box, 0, 7);
}

int tagBlock(const QString& entry)
{
    bool number = false;
    const int block = entry.trimmed().toInt(&number);
    return number && block >= 0 && block < kBlocks ? block : kDefaultTagBlock;
}

int32_t snapLeft(int32_t x) { return snap(kColumnLefts, x); }
int32_t snapTop(int32_t y) { return snap(kRowTops, y); }

int pixelsFromTwips(int twips, int dpi) { return (twips * dpi + 720) / 1440; }
int twipsFromPixels(int pixels, int dpi) { return pixels * 1440 / std::max(dpi, 1); }

Tile* TileTable::at(int slot)
{
    if (slot < 1 || slot > kTileSlots || !slots_[static_cast<std::size_t>(slot - 1)])
        return nullptr;
    return &*slots_[static_cast<std::size_t>(slot - 1)];
}

const Tile* TileTable::at(int slot) const { return const_cast<TileTable*>(this)->at(slot); }

Tile* TileTable::find(int slot, uint64_t id)
{
    Tile* tile = at(slot);
    return tile && tile->id == id ? tile : nullptr;
}

int TileTable::highestSlot() const
{
    for (int slot = kTileSlots; slot >= 1; --slot)
        if (at(slot))
            return slot;
    return 0;
}

int TileTable::count() const
{
    return static_cast<int>(std::count_if(slots_.begin(), slots_.end(), [](const auto& s) { return s.has_value(); }));
}

std::optional<int> TileTable::add(Tile tile)
{
    for (int slot = 1; slot <= kTileSlots; ++slot)
        if (!at(slot)) {
            put(slot, std::move(tile));
            return slot;
        }
    return std::nullopt;
}

void TileTable::put(int slot, Tile tile)
{
    if (slot < 1 || slot > kTileSlots)
        return;
    tile.id = nextId_++;
    tile.tag.truncate(kTagLength);
    slots_[static_cast<std::size_t>(slot - 1)] = std::move(tile);
}

void TileTable::reset()
{
    for (auto& slot : slots_)
        slot.reset();
}

Place shownPlace(const Tile& tile)
{
    return {std::clamp(tile.left, 0, kAreaWidth - kTileWidth), std::clamp(tile.top, 0, kAreaHeight - kTileHeight)};
}

std::optional<Place> freePlace(const TileTable& tiles)
{
    const auto overlaps = [](Place a, Place b) {
        return a.left < b.left + kTileWidth && b.left < a.left + kTileWidth && a.top < b.top + kTileHeight &&
               b.top < a.top + kTileHeight;
    };
    for (const int32_t left : kColumnLefts)
        for (const int32_t top : kRowTops) {
            const Place place{left == kColumnLefts[0] ? kNewTileLeft : left, top};
            bool taken = false;
            for (int slot = 1; slot <= kTileSlots && !taken; ++slot)
                taken = tiles.at(slot) && overlaps(shownPlace(*tiles.at(slot)), place);
            if (!taken)
                return place;
        }
    return std::nullopt;
}

} // namespace orvane::monitor
