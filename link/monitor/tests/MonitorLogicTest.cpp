// The monitors' rules without a port: value formats, the new-tile dialog's rules, the
// snap grid, the tile table, the layout file (sound and damaged), the grid's choice of
// blocks, the data logger's lines and the trend history.
#include "orvane/monitor/CsvLog.h"
#include "orvane/monitor/LayoutFile.h"
#include "orvane/monitor/Passes.h"
#include "orvane/monitor/TrendHistory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace orvane::monitor;

namespace orvane::monitor {
void PrintTo(const Place& place, std::ostream* out) { *out << "left " << place.left << ", top " << place.top; }
} // namespace orvane::monitor

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

Tile tile(int block, Reading reading, const QString& tag, int32_t left, int32_t top, uint32_t colour)
{
    Tile t;
    t.block = block;
    t.reading = reading;
    t.tag = tag;
    t.left = left;
    t.top = top;
    t.colour = colour;
    return t;
}

void expectSameTile(const Tile* restored, const Tile& saved)
{
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->block, saved.block);
    EXPECT_EQ(restored->reading, saved.reading);
    EXPECT_EQ(restored->tag, saved.tag);
    EXPECT_EQ(restored->left, saved.left);
    EXPECT_EQ(restored->top, saved.top);
    EXPECT_EQ(restored->colour, saved.colour);
}

} // namespace

TEST(MonitorValues, ShownByFtype_AndAMissingReplyKeepsTheLastGoodValueMarked)
{
    EXPECT_EQ(formatValue(Reading::Analog, 1234), "12.34");
    EXPECT_EQ(formatValue(Reading::Analog, -5), "-0.05");
    EXPECT_EQ(formatValue(Reading::Analog, 0), "0.00");
    EXPECT_EQ(formatValue(Reading::Analog, 7), "0.07");
    EXPECT_EQ(formatValue(Reading::Analog, -32768), "-327.68");
    EXPECT_EQ(formatValue(Reading::Analog, 32767), "327.67");
    EXPECT_EQ(formatValue(Reading::Digital, 255), "255");

    EXPECT_EQ(gridReading(1), Reading::Analog);
    EXPECT_EQ(gridReading(2), Reading::Digital);
    EXPECT_EQ(gridReading(0), Reading::None);
    EXPECT_EQ(gridReading(-1), Reading::None);
    EXPECT_EQ(tileReading(1), Reading::Analog);
    EXPECT_EQ(tileReading(0), Reading::Digital);
    EXPECT_EQ(tileReading(9), Reading::Digital);

    LiveValue live;
    EXPECT_EQ(live.text(Reading::Analog), "");
    live.update(std::nullopt);
    EXPECT_EQ(live.text(Reading::Analog), "?");
    live.update(1234);
    EXPECT_EQ(live.text(Reading::Analog), "12.34");
    live.update(std::nullopt);
    EXPECT_TRUE(live.missing());
    EXPECT_EQ(live.last(), 1234);
    EXPECT_EQ(live.text(Reading::Analog), "12.34 ?");
    live.update(-100);
    EXPECT_FALSE(live.missing());
    EXPECT_EQ(live.text(Reading::Analog), "-1.00");
}

TEST(MonitorTiles, DialogRules_SnapGrid_AndSlotsFillingFromOne)
{
    EXPECT_EQ(tagBlock("12"), 12);
    EXPECT_EQ(tagBlock(" 159 "), 159);
    EXPECT_EQ(tagBlock("0"), 0);
    for (const char* bad : {"160", "abc", "", "-1", "12.5", "1e2", "7x"})
        EXPECT_EQ(tagBlock(bad), 4) << bad;
    EXPECT_EQ(paletteIndexAt(0, 240), 0);
    EXPECT_EQ(paletteIndexAt(30, 240), 1);
    EXPECT_EQ(paletteIndexAt(239, 240), 7);
    EXPECT_EQ(paletteIndexAt(245, 243), 7);   // the few pixels past 8 boxes still choose the last
    EXPECT_EQ(kPalette[4], 0xFF0000u);        // blue, the default
    EXPECT_EQ(kPalette[2], 0x00FFFFu);        // yellow: red + 256 x green
    // Every palette colour stands out from the ground it is shown on.
    EXPECT_NEAR(contrastRatio(kPalette[0], kPalette[7]), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(kPalette[3], kPalette[3]), 1.0, 1e-9);
    for (const uint32_t colour : kPalette)
        EXPECT_GE(contrastRatio(colour, groundFor(colour)), 3.0) << std::hex << colour;
    EXPECT_EQ(groundFor(kPalette[2]), kDarkGround);   // yellow
    EXPECT_EQ(groundFor(kPalette[4]), kLightGround);  // blue

    EXPECT_EQ(snapLeft(0), 360);
    EXPECT_EQ(snapLeft(2309), 360);
    EXPECT_EQ(snapLeft(2310), 2310);
    EXPECT_EQ(snapLeft(4259), 2310);
    EXPECT_EQ(snapLeft(4260), 4260);
    EXPECT_EQ(snapLeft(8159), 6210);
    EXPECT_EQ(snapLeft(8160), 8160);
    EXPECT_EQ(snapLeft(20000), 8160);
    EXPECT_EQ(snapTop(-5), 1200);
    EXPECT_EQ(snapTop(2449), 1200);
    EXPECT_EQ(snapTop(2450), 2450);
    EXPECT_EQ(snapTop(4949), 3700);
    EXPECT_EQ(snapTop(4950), 4950);
    EXPECT_EQ(pixelsFromTwips(2310, 96), 154);
    EXPECT_EQ(twipsFromPixels(284, 96), 4260);

    // New tiles take the first place, column by column, that no shown tile overlaps.
    TileTable placed;
    EXPECT_EQ(freePlace(placed), (Place{400, 1200}));
    placed.add(tile(1, Reading::Analog, "A", 400, 1200, 0));
    placed.add(tile(2, Reading::Analog, "B", 360, 3700, 0));
    placed.add(tile(3, Reading::Analog, "C", 2310, 2450, 0));   // dragged away from the first column
    EXPECT_EQ(freePlace(placed), (Place{400, 2450}));
    placed.add(tile(4, Reading::Analog, "D", 400, 2450, 0));
    placed.add(tile(5, Reading::Analog, "E", 400, 4950, 0));
    EXPECT_EQ(freePlace(placed), (Place{2310, 1200}));           // the first column is full
    placed.add(tile(6, Reading::Analog, "F", 2000, 1300, 0));    // off the grid: it covers two places
    EXPECT_EQ(freePlace(placed), (Place{2310, 3700}));
    placed.add(tile(7, Reading::Analog, "G", 2310, 3700, 0));
    placed.add(tile(8, Reading::Analog, "H", 2310, 4950, 0));
    EXPECT_EQ(freePlace(placed), (Place{4260, 1200}));
    placed.add(tile(9, Reading::Analog, "I", 90000, 90000, 0));   // outside the area: shown at its corner
    EXPECT_EQ(shownPlace(*placed.at(9)), (Place{kAreaWidth - kTileWidth, kAreaHeight - kTileHeight}));
    for (int32_t left : {4260, 6210})
        for (int32_t top : {1200, 2450, 3700, 4950})
            placed.add(tile(10, Reading::Analog, "J", left, top, 0));
    placed.add(tile(11, Reading::Analog, "K", 8160, 1200, 0));
    EXPECT_EQ(freePlace(placed), (Place{8160, 2450}));
    placed.add(tile(12, Reading::Analog, "L", 8160, 2450, 0));
    placed.add(tile(13, Reading::Analog, "M", 8160, 3700, 0));
    EXPECT_EQ(placed.count(), 20);
    EXPECT_EQ(freePlace(placed), std::nullopt);   // twenty places, every one taken

    TileTable tiles;
    EXPECT_EQ(tiles.highestSlot(), 0);
    for (int i = 1; i <= kTileSlots; ++i)
        EXPECT_EQ(tiles.add(tile(i, Reading::Analog, "T", 400, 1200, 0)), i);
    EXPECT_TRUE(tiles.full());
    EXPECT_EQ(tiles.add(tile(99, Reading::Analog, "26th", 400, 1200, 0)), std::nullopt);
    const uint64_t id3 = tiles.at(3)->id;
    tiles.put(3, tile(30, Reading::Digital, "a tag much longer than sixteen", 0, 0, 0));
    EXPECT_EQ(tiles.find(3, id3), nullptr);   // another tile now, though in the same slot
    EXPECT_EQ(tiles.at(3)->tag, "a tag much longe");
    tiles.reset();
    EXPECT_EQ(tiles.count(), 0);
    EXPECT_EQ(tiles.at(0), nullptr);
    EXPECT_EQ(tiles.at(26), nullptr);
}

TEST(MonitorLayoutFile, ThreeTilesWrite850LittleEndianBytes_AndRestoreAsTheyWere)
{
    QTemporaryDir dir;
    EXPECT_EQ(layoutPathFor("/plant/Line 2.mdb"), "/plant/Line 2.mon");
    EXPECT_EQ(layoutPathFor("ab"), "mon");
    const QString path = layoutPathFor(dir.filePath("plant.mdb"));

    TileTable tiles;
    const Tile flow = tile(12, Reading::Analog, QString::fromUtf8("Flow \xE2\x82\xAC/h"), 2310, 2450, kPalette[1]);
    const Tile pump = tile(159, Reading::Digital, "Pump running", 8160, 4950, kPalette[7]);
    const Tile zero = tile(0, Reading::Analog, "", 360, 1200, 0);
    tiles.add(flow);
    tiles.add(pump);
    tiles.add(zero);
    ASSERT_EQ(saveLayout(path, tiles), std::nullopt);
    const QByteArray bytes = readAll(path);
    ASSERT_EQ(bytes.size(), 850);
    // Record 1: active -1, block 12, kind 1, the tag in Windows-1252, top, left, colour.
    EXPECT_EQ(bytes.left(6).toHex(), "ffff0c000100");
    EXPECT_EQ(bytes.mid(6, 16), QByteArray("Flow \x80/h        "));
    EXPECT_EQ(bytes.mid(22, 12).toHex(), "9209000006090000ff000000");
    EXPECT_EQ(bytes.mid(34 + 2, 4).toHex(), "9f000200");     // block 159, kind 2
    // Record 4 on: free, zero but for a blank tag.
    EXPECT_EQ(bytes.mid(3 * 34, 6).toHex(), "000000000000");
    EXPECT_EQ(bytes.mid(3 * 34 + 6, 16), QByteArray(16, ' '));

    TileTable restored;
    restored.add(tile(5, Reading::Digital, "old", 0, 0, 0));
    const LayoutContents contents = loadLayout(path);
    EXPECT_TRUE(contents.problems.isEmpty()) << contents.problems.join("; ").toStdString();
    restoreLayout(restored, contents);
    EXPECT_EQ(restored.count(), 3);
    expectSameTile(restored.at(1), flow);
    expectSameTile(restored.at(2), pump);
    expectSameTile(restored.at(3), zero);

    // No layout file: nothing to restore and nothing to say.
    EXPECT_TRUE(loadLayout(dir.filePath("other.mon")).tiles.empty());
    EXPECT_TRUE(loadLayout(dir.filePath("other.mon")).problems.isEmpty());
}

TEST(MonitorLayoutFile, DamagedFiles_RestoreTheirSoundRecordsAndNameTheOthers)
{
    TileTable tiles;
    tiles.add(tile(12, Reading::Analog, "Flow", 2310, 2450, kPalette[1]));
    for (int i = 0; i < 5; ++i)
        tiles.add(tile(20 + i, Reading::Digital, QStringLiteral("D%1").arg(i), 360, 1200, kPalette[0]));
    QByteArray bytes = encodeLayout(tiles);
    auto put16 = [&](int record, int offset, int value) {
        bytes[34 * (record - 1) + offset] = static_cast<char>(value & 0xFF);
        bytes[34 * (record - 1) + offset + 1] = static_cast<char>((value >> 8) & 0xFF);
    };
    put16(2, 2, 160);      // block outside 0..159
    put16(3, 2, -1);
    put16(4, 4, 3);        // kind neither 1 nor 2
    put16(5, 0, 1);        // active mark neither -1 nor 0
    bytes[34 * 5 + 33] = 1; // colour beyond 24 bits

    const LayoutContents sound = decodeLayout(bytes);
    ASSERT_EQ(sound.tiles.size(), 1u);
    EXPECT_EQ(sound.tiles[0].first, 1);
    EXPECT_EQ(sound.tiles[0].second.tag, "Flow");
    EXPECT_EQ(sound.problems, QStringList({"record 2: block 160 is outside 0..159",
                                           "record 3: block -1 is outside 0..159",
                                           "record 4: kind 3 is neither 1 (analog) nor 2 (digital)",
                                           "record 5: its active mark 1 is neither -1 nor 0",
                                           "record 6: colour 16777216 is no red-green-blue value"}));

    // Short: the whole records are read, the rest is named.
    const LayoutContents shortFile = decodeLayout(encodeLayout(tiles).left(34 * 3 + 10));
    EXPECT_EQ(shortFile.tiles.size(), 3u);
    EXPECT_EQ(shortFile.problems, QStringList({"records 4 to 25: missing, the file ends after 112 bytes"}));
    EXPECT_EQ(decodeLayout({}).problems, QStringList({"records 1 to 25: missing, the file ends after 0 bytes"}));
    // Long: 25 records are read, the rest is named.
    QTemporaryDir dir;
    writeAll(dir.filePath("long.mon"), encodeLayout(tiles) + QByteArray(5000, 'x'));
    const LayoutContents longFile = loadLayout(dir.filePath("long.mon"));
    EXPECT_EQ(longFile.tiles.size(), 6u);
    EXPECT_EQ(longFile.problems, QStringList({"the file is longer than 25 records; the rest was not read"}));
    // Not a file at all.
    QDir(dir.path()).mkdir("folder.mon");
    const LayoutContents folder = loadLayout(dir.filePath("folder.mon"));
    EXPECT_TRUE(folder.tiles.empty());
    EXPECT_EQ(folder.problems, QStringList({"it is not a regular file"}));
}

TEST(MonitorLayoutFile, SavingThroughALinkReplacesTheTargetWholeAndKeepsItsMode)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("kept/plant.mon");
    QDir(dir.path()).mkdir("kept");
    writeAll(target, "old");
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QFile::Permissions mode = QFile::permissions(target);
    const QString link = dir.filePath("plant.mon");
    ASSERT_TRUE(QFile::link(target, link));
    TileTable tiles;
    tiles.add(tile(1, Reading::Analog, "A", 360, 1200, 0));
    ASSERT_EQ(saveLayout(link, tiles), std::nullopt);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(target).size(), 850);
    EXPECT_EQ(QFile::permissions(target), mode);
    // A folder that cannot be written: the reason comes back and nothing is left behind.
    const QString folder = dir.filePath("closed");
    QDir(dir.path()).mkdir("closed");
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(folder).isWritable())
        GTEST_SKIP() << "running with rights that write any folder";
    EXPECT_NE(saveLayout(folder + "/plant.mon", tiles), std::nullopt);
    EXPECT_TRUE(QDir(folder).isEmpty());
}

TEST(MonitorGridAndLogger, GridSkipsNopAndUnreadableBlocks_LoggerWritesEmptyFieldsForMissingReplies)
{
    std::array<int16_t, kBlocks> functions{}, ftypes{};
    functions.fill(kNopFunction);
    ftypes.fill(0);
    functions[0] = 0;     // SYSTEM, Ftype 0: not read
    functions[12] = 2;    // AIN
    ftypes[12] = 1;
    functions[37] = 5;    // DIN
    ftypes[37] = 2;
    functions[40] = 250;  // unknown to the catalogue
    ftypes[40] = -1;
    ftypes[50] = 1;       // NOP whatever its type
    std::vector<Watch> watches = gridWatches(functions, ftypes);
    ASSERT_EQ(watches.size(), 2u);
    EXPECT_EQ(watches[0].block, 12);
    EXPECT_EQ(watches[0].reading, Reading::Analog);
    EXPECT_EQ(watches[1].block, 37);
    EXPECT_EQ(watches[1].reading, Reading::Digital);

    EXPECT_EQ(csvHeader(watches, {"AIN     ", "DIN"}), "time,block 12 AIN,block 37 DIN");
    EXPECT_EQ(csvHeader(watches, {"A,B"}), "time,\"block 12 A,B\",block 37");
    const QDateTime at(QDate(2024, 5, 6), QTime(10, 15, 0, 250), QTimeZone(7200));
    EXPECT_EQ(csvRow(at, watches), "2024-05-06T10:15:00.250+02:00,,");
    watches[0].value.update(1234);
    watches[1].value.update(1);
    EXPECT_EQ(csvRow(at, watches), "2024-05-06T10:15:00.250+02:00,12.34,1");
    watches[0].value.update(std::nullopt);
    EXPECT_EQ(csvRow(at, watches), "2024-05-06T10:15:00.250+02:00,,1");
}

TEST(MonitorTrend, KeepsOnePointPerSpacingWithinTheSpan_SavedAsOneLineAReadingOldestFirst)
{
    TrendHistory history(60'000, 100);
    history.add(1, 1'000, 1.0);
    history.add(1, 1'050, 2.0);   // within the spacing: the newer value wins
    history.add(1, 1'100, 3.0);
    history.add(2, 1'100, 7.0);
    ASSERT_EQ(history.points(1).size(), 2u);
    EXPECT_EQ(history.points(1)[0], QPointF(1'000, 2.0));
    EXPECT_EQ(history.points(1)[1], QPointF(1'100, 3.0));
    history.add(1, 61'050, 4.0);  // the first point is now older than a minute
    ASSERT_EQ(history.points(1).size(), 2u);
    EXPECT_EQ(history.points(1).front().x(), 1'100);
    EXPECT_EQ(history.points(2).size(), 1u);
    EXPECT_EQ(history.newestMs(), 61'050);
    history.forget(1);
    EXPECT_TRUE(history.points(1).empty());
    EXPECT_TRUE(history.points(3).empty());

    // The data as saved: every reading with its tile's block and whole tag, in UTF-8.
    TileTable tiles;
    tiles.add(tile(12, Reading::Analog, QStringLiteral("Flow, \u00B0C \u03A9"), 400, 1200, 0));
    tiles.add(tile(13, Reading::Digital, "Pump", 400, 2450, 0));
    tiles.add(tile(14, Reading::Digital, "Unread", 400, 3700, 0));
    const qint64 at = QDateTime(QDate(2024, 5, 6), QTime(10, 15, 0, 250), QTimeZone(7200)).toMSecsSinceEpoch();
    TrendHistory saved;
    saved.add(tiles.at(2)->id, at, 1);
    saved.add(tiles.at(1)->id, at, 12.34);
    saved.add(tiles.at(1)->id, at + 100, -0.05);
    EXPECT_EQ(trendCsv(tiles, saved, QTimeZone(7200)),
              QStringLiteral("time,block,tag,value\n"
                             "2024-05-06T10:15:00.250+02:00,12,\"Flow, \u00B0C \u03A9\",12.34\n"
                             "2024-05-06T10:15:00.250+02:00,13,Pump,1\n"
                             "2024-05-06T10:15:00.350+02:00,12,\"Flow, \u00B0C \u03A9\",-0.05\n"));
}
