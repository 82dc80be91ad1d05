#include "orvane/monitor/LayoutFile.h"

#include "orvane/link/Protocol.h"
#include "orvane/files/SafeSave.h"

#include <QFile>
#include <QFileInfo>

namespace orvane::monitor {

namespace {

constexpr int kTagOffset = 6;
constexpr int16_t kActive = -1;

void putLittle(QByteArray& out, int at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t takeLittle(const char* in, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(in[i]);
    return value;
}

QByteArray tagBytes(const QString& tag)
{
    std::string bytes = orvane::link::utf8ToCp1252(tag.toStdString());
    bytes.resize(kTagLength, ' ');
    return QByteArray(bytes.data(), kTagLength);
}

QString tagText(const char* bytes)
{
    const std::string utf8 = orvane::link::cp1252ToUtf8(std::string_view(bytes, kTagLength));
    QString tag = QString::fromStdString(utf8);
    while (tag.endsWith(QLatin1Char(' ')))
        tag.chop(1);
    return tag;
}

// Why a record cannot be restored, or nothing for a sound one.
std::optional<QString> recordProblem(int16_t active, int16_t block, int16_t kind, uint32_t colour)
{
    if (active != kActive && active != 0)
        return QStringLiteral("its active mark %1 is neither -1 nor 0").arg(active);
    if (active == 0)
        return std::nullopt;
    if (block < 0 || block >= kBlocks)
        return QStringLiteral("block %1 is outside 0..159").arg(block);
    if (kind != 1 && kind != 2)
        return QStringLiteral("kind %1 is neither 1 (analog) nor 2 (digital)").arg(kind);
    if (colour > 0xFFFFFF)
        return QStringLiteral("colour %1 is no red-green-blue value").arg(colour);
    return std::nullopt;
}

} // namespace

QString layoutPathFor(const QString& configurationPath)
{
    return configurationPath.left(std::max<qsizetype>(configurationPath.size() - 3, 0)) + QStringLiteral("mon");
}

QByteArray encodeLayout(const TileTable& tiles)
{
    QByteArray out(kLayoutSize, '\0');
    for (int slot = 1; slot <= kTileSlots; ++slot) {
        const int at = kLayoutRecordSize * (slot - 1);
        const Tile* tile = tiles.at(slot);
        if (!tile) {
            out.replace(at + kTagOffset, kTagLength, QByteArray(kTagLength, ' '));
            continue;
        }
        putLittle(out, at, static_cast<uint16_t>(kActive), 2);
        putLittle(out, at + 2, static_cast<uint32_t>(tile->block), 2);
        putLittle(out, at + 4, tile->reading == Reading::Analog ? 1 : 2, 2);
        out.replace(at + kTagOffset, kTagLength, tagBytes(tile->tag));
        putLittle(out, at + 22, static_cast<uint32_t>(tile->top), 4);
        putLittle(out, at + 26, static_cast<uint32_t>(tile->left), 4);
        putLittle(out, at + 30, tile->colour, 4);
    }
    return out;
}

orvane::link::TextsOutsideCp1252 tagsOutsideCp1252(const TileTable& tiles)
{
    orvane::link::TextsOutsideCp1252 texts;
    for (int slot = 1; slot <= kTileSlots; ++slot)
        if (const Tile* tile = tiles.at(slot))
            texts.check("tile " + std::to_string(slot) + " tag", tile->tag.toStdString());
    return texts;
}

LayoutContents decodeLayout(const QByteArray& bytes)
{
    LayoutContents contents;
    const int whole = std::min<int>(static_cast<int>(bytes.size() / kLayoutRecordSize), kTileSlots);
    for (int slot = 1; slot <= whole; ++slot) {
        const char* record = bytes.constData() + kLayoutRecordSize * (slot - 1);
        const auto active = static_cast<int16_t>(takeLittle(record, 2));
        const auto block = static_cast<int16_t>(takeLittle(record + 2, 2));
        const auto kind = static_cast<int16_t>(takeLittle(record + 4, 2));
        const uint32_t colour = takeLittle(record + 30, 4);
        if (const auto problem = recordProblem(active, block, kind, colour)) {
            contents.problems << QStringLiteral("record %1: %2").arg(slot).arg(*problem);
            continue;
        }
        if (active == 0)
            continue;
        Tile tile;
        tile.block = block;
        tile.reading = kind == 1 ? Reading::Analog : Reading::Digital;
        tile.tag = tagText(record + kTagOffset);
        tile.top = static_cast<int32_t>(takeLittle(record + 22, 4));
        tile.left = static_cast<int32_t>(takeLittle(record + 26, 4));
        tile.colour = colour;
        contents.tiles.emplace_back(slot, std::move(tile));
    }
    if (whole < kTileSlots)
        contents.problems << QStringLiteral("records %1 to 25: missing, the file ends after %2 bytes")
                                 .arg(whole + 1)
                                 .arg(bytes.size());
    else if (bytes.size() > kLayoutSize)
        contents.problems << QStringLiteral("the file is longer than 25 records; the rest was not read");
    return contents;
}

std::optional<QString> saveLayout(const QString& path, const TileTable& tiles)
{
    return orvane::files::saveContent(encodeLayout(tiles), path);
}

LayoutContents loadLayout(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    LayoutContents unreadable;
    QFile file(path);
    if (!info.isFile())
        unreadable.problems << QStringLiteral("it is not a regular file");
    else if (!file.open(QIODevice::ReadOnly))
        unreadable.problems << QStringLiteral("it cannot be read: ") + file.errorString();
    if (!unreadable.problems.isEmpty())
        return unreadable;
    // One byte more than a layout is enough to see that a file is too long.
    return decodeLayout(file.read(kLayoutSize + 1));
}

void restoreLayout(TileTable& tiles, const LayoutContents& contents)
{
    tiles.reset();
    for (const auto& [slot, tile] : contents.tiles)
        tiles.put(slot, tile);
}

} // namespace orvane::monitor
