#pragma once
// The layout file of the selected-blocks monitor, kept beside the configuration file
// (plant.mdb -> plant.mon): 25 records of 34 bytes, record i at 34 x (i - 1), numbers
// little-endian:
//   0  2  active (-1 holds a tile, 0 free)     22  4  top (twips)
//   2  2  block                                26  4  left (twips)
//   4  2  kind (1 analog, 2 digital)           30  4  colour (red + 256 green + 65536 blue)
//   6 16  tag, Windows-1252, space-padded

#include "orvane/codepage/Cp1252.h"
#include "orvane/monitor/Tiles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace orvane::monitor {

inline constexpr int kLayoutRecordSize = 34;
inline constexpr int kLayoutSize = kTileSlots * kLayoutRecordSize;   // 850

// The configuration's path with its last three characters replaced by "mon".
QString layoutPathFor(const QString& configurationPath);

QByteArray encodeLayout(const TileTable& tiles);

// Tags keep one byte a character, in Windows-1252: what it lacks is saved as "?".
inline constexpr const char* kTagsOutsideCp1252 =
    "The layout file keeps tags in Windows-1252, which lacks some of their characters; they are saved as \"?\":";
// The tags that would lose characters in the file, named by their slot ("tile 3 tag").
orvane::codepage::TextsOutsideCp1252 tagsOutsideCp1252(const TileTable& tiles);

struct LayoutContents {
    std::vector<std::pair<int, Tile>> tiles;   // slot and tile of each sound active record
    QStringList problems;                      // one line for each record (or part of the file) not restored
};
// Every sound record; a short or long file, or a record with a block outside 0..159,
// a kind other than 1 or 2, an active mark other than -1 or 0 or a colour beyond
// 24 bits, adds a problem line instead of a tile.
LayoutContents decodeLayout(const QByteArray& bytes);

// Writes all 25 records; the file is replaced only by its whole new contents. The
// reason when it could not be written.
std::optional<QString> saveLayout(const QString& path, const TileTable& tiles);
// A missing file holds 25 free records (no tiles, no problems).
LayoutContents loadLayout(const QString& path);
// Empties the table and puts the loaded tiles in their slots.
void restoreLayout(TileTable& tiles, const LayoutContents& contents);

} // namespace orvane::monitor
