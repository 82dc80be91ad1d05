#pragma once
// The selected-blocks monitor's tiles: up to 25, each watching one block, with a tag,
// a text colour and a position in twips; the snap grid a dropped tile moves to; and the
// rules of the dialog that asks for a new tile.

#include "orvane/monitor/Readings.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace orvane::monitor {

inline constexpr int kTileSlots = 25;       // slots 1..25
inline constexpr int kTagLength = 16;       // characters of a tag

// Colours are stored as red + 256 x green + 65536 x blue.
constexpr uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue) { return red + 256 * green + 65536 * blue; }
inline constexpr std::array<uint32_t, 8> kPalette = {
    rgb(0, 0, 0),     rgb(255, 0, 0),   rgb(255, 255, 0), rgb(0, 255, 0),
    rgb(0, 0, 255),   rgb(255, 0, 255), rgb(0, 255, 255), rgb(255, 255, 255)};
inline constexpr uint32_t kDefaultTagColour = rgb(0, 0, 255);
// The grounds a tile's text stands on, light for dark text and dark for light text.
inline constexpr uint32_t kLightGround = rgb(0xF4, 0xF4, 0xF4);
inline constexpr uint32_t kDarkGround = rgb(0x30, 0x30, 0x30);
// How far apart two colours are to the eye: the ratio of their relative luminances (each
// + 0.05), from 1 (alike) to 21 (black and white). Large bold text reads from 3 up.
double contrastRatio(uint32_t a, uint32_t b);
// The ground a text colour reads best on.
uint32_t groundFor(uint32_t text);
inline constexpr int kDefaultTagBlock = 4;
inline constexpr const char* kDefaultTag = "Block 4";

// The palette entry under a click at x in a palette `width` wide: x div (width div 8), at most 7.
int paletteIndexAt(int x, int width);
// The block of the BLOCK entry: the number when it is a whole number 0..159, else 4.
int tagBlock(const QString& entry);

// Where a dropped tile goes: the grid column and row the drop point (in twips) falls in.
int32_t snapLeft(int32_t x);
int32_t snapTop(int32_t y);
inline constexpr int32_t kNewTileLeft = 400;

// A tile's size, and the area the tiles lie in: the snap grid's five columns and four
// rows with a margin (all in twips).
inline constexpr int32_t kTileWidth = 1800;
inline constexpr int32_t kTileHeight = 1100;
inline constexpr int32_t kAreaWidth = 8160 + kTileWidth + 360;
inline constexpr int32_t kAreaHeight = 4950 + kTileHeight + 240;

// Twips (1440 an inch) and pixels at a resolution in dots per inch.
int pixelsFromTwips(int twips, int dpi);
int twipsFromPixels(int pixels, int dpi);

struct Tile {
    int block = 0;
    Reading reading = Reading::Digital;   // Analog (kind 1) or Digital (kind 2)
    QString tag;                          // at most 16 characters
    int32_t top = 0;
    int32_t left = 0;
    uint32_t colour = 0;
    LiveValue live;
    uint64_t id = 0;                      // set by the table, unique over the run
};

// The 25 slots. A poll pass lets events run during each exchange, and "Add Block",
// "Reset" and "restore" may change the table then: find() tells whether a tile read
// before the exchange is still in its slot.
class TileTable {
public:
    Tile* at(int slot);                   // nullptr for a free slot or one outside 1..25
    const Tile* at(int slot) const;
    Tile* find(int slot, uint64_t id);    // the tile in slot if it is still the one with id
    int highestSlot() const;              // 0 when empty
    int count() const;
    bool full() const { return count() == kTileSlots; }

    // Into the first free slot; the slot, or nothing when all 25 are taken.
    std::optional<int> add(Tile tile);
    // Into the given slot, replacing what was there (a layout being restored).
    void put(int slot, Tile tile);
    void reset();

private:
    std::array<std::optional<Tile>, kTileSlots> slots_;
    uint64_t nextId_ = 1;
};

struct Place {
    int32_t left = 0;
    int32_t top = 0;
    bool operator==(const Place&) const = default;
};
// Where a tile is shown: its position, moved into the area when a layout file put it
// (partly) outside.
Place shownPlace(const Tile& tile);
// Where a new tile goes so that it hides no other: the first place of the snap grid,
// column by column from the top left, that no shown tile overlaps (the first column's
// new tiles stand at left 400). Nothing when every place is taken.
std::optional<Place> freePlace(const TileTable& tiles);

} // namespace orvane::monitor
