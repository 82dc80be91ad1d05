#include "orvane/record/ControllerImage.h"

#include <QStringList>

#include <algorithm>

namespace orvane::record {

using orvane::transfer::ControllerMemory;
namespace t = orvane::transfer;

namespace {

constexpr qsizetype kMessageBytes = t::kMessages * t::kMessageRecord;
constexpr qsizetype kQuickBytes = t::kQuickMessages * t::kQuickRecord;
constexpr qsizetype kBlockBytes = t::kBlocks * t::kBlockRecord;
constexpr qsizetype kFixedBytes = kMessageBytes + kQuickBytes + kBlockBytes;

std::vector<uint8_t> part(const QByteArray& bytes, qsizetype at, qsizetype count)
{
    const QByteArray piece = bytes.mid(at, count);
    return {piece.begin(), piece.end()};
}

bool sameRecord(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, size_t at, size_t length)
{
    const auto slice = [&](const std::vector<uint8_t>& v) {
        const size_t from = std::min(at, v.size());
        return std::vector<uint8_t>(v.begin() + long(from), v.begin() + long(std::min(at + length, v.size())));
    };
    return slice(a) == slice(b);
}

// The constants of block `b`: from its first slot to the next block's (to the end of
// the slots in use for the last block).
std::vector<uint8_t> constantsOf(const ControllerMemory& m, int b)
{
    const auto firstSlot = [&](int block) -> size_t {
        const size_t at = size_t(block) * t::kBlockRecord + 4;
        return at + 1 < m.blocks.size() ? size_t(m.blocks[at]) * 256 + m.blocks[at + 1] : 0;
    };
    const size_t from = std::min(firstSlot(b) * 4, m.constants.size());
    const size_t to = b + 1 < t::kBlocks ? std::min(firstSlot(b + 1) * 4, m.constants.size()) : m.constants.size();
    return from < to ? std::vector<uint8_t>(m.constants.begin() + long(from), m.constants.begin() + long(to))
                     : std::vector<uint8_t>();
}

QString numbers(const char* one, const char* many, const std::vector<int>& list)
{
    QStringList shown;
    for (int n : list)
        shown << QString::number(n);
    return QString::fromLatin1(list.size() == 1 ? one : many) + QLatin1Char(' ') + shown.join(QStringLiteral(", "));
}

} // namespace

QByteArray imageBytes(const ControllerMemory& memory)
{
    QByteArray bytes;
    for (const auto* area : {&memory.messages, &memory.quick, &memory.blocks, &memory.constants})
        bytes.append(reinterpret_cast<const char*>(area->data()), qsizetype(area->size()));
    return bytes;
}

std::optional<ControllerMemory> memoryOfImage(const QByteArray& bytes)
{
    if (bytes.size() < kFixedBytes)
        return std::nullopt;
    ControllerMemory memory;
    memory.messages = part(bytes, 0, kMessageBytes);
    memory.quick = part(bytes, kMessageBytes, kQuickBytes);
    memory.blocks = part(bytes, kMessageBytes + kQuickBytes, kBlockBytes);
    memory.constants = part(bytes, kFixedBytes, bytes.size() - kFixedBytes);
    return memory;
}

ImageDifferences imageDifferences(const ControllerMemory& one, const ControllerMemory& other)
{
    ImageDifferences d;
    for (int b = 0; b < t::kBlocks; ++b)
        if (!sameRecord(one.blocks, other.blocks, size_t(b) * t::kBlockRecord, t::kBlockRecord)
            || constantsOf(one, b) != constantsOf(other, b))
            d.blocks.push_back(b);
    for (int n = 0; n < t::kMessages; ++n)
        if (!sameRecord(one.messages, other.messages, size_t(n) * t::kMessageRecord, t::kMessageRecord))
            d.messages.push_back(n);
    for (int n = 0; n < t::kQuickMessages; ++n)
        if (!sameRecord(one.quick, other.quick, size_t(n) * t::kQuickRecord, t::kQuickRecord))
            d.quick.push_back(n);
    return d;
}

QString ImageDifferences::text() const
{
    QStringList parts;
    if (!blocks.empty())
        parts << numbers("block", "blocks", blocks);
    if (!messages.empty())
        parts << numbers("message", "messages", messages);
    if (!quick.empty())
        parts << numbers("quick message", "quick messages", quick);
    return parts.join(QStringLiteral("; "));
}

} // namespace orvane::record
