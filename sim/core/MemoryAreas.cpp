#include "orvane/sim/MemoryAreas.h"

#include <algorithm>

namespace orvane::sim {

const std::map<int, int> &MemoryAreas::sizes()
{
    static const std::map<int, int> kSizes{{kIdentification, 24}, {kConstants, 5120}, {kBlockTable, 1600},
                                           {kStatus, 180},        {kMessageArea, 340}, {kQuickMessages, 152}};
    return kSizes;
}

MemoryAreas::MemoryAreas()
{
    for (const auto &[number, size] : sizes())
        areas_[number] = Bytes(static_cast<std::size_t>(size), 0);
    for (int block = 0; block < kBlocks; ++block)
        areas_[kBlockTable][block * kBlockRecordSize + 1] = kNopFunction;
    setIdentification("");
}

bool MemoryAreas::write(int area, int address, const uint8_t *data, int count)
{
    // The identification text is the controller's own; the host cannot change it.
    if (area == kIdentification)
        return false;
    const auto found = areas_.find(area);
    if (found == areas_.end() || address < 0 || count < 0 ||
        address + count > static_cast<int>(found->second.size()))
        return false;
    std::copy(data, data + count, found->second.begin() + address);
    return true;
}

std::optional<Bytes> MemoryAreas::read(int area, int address, int count) const
{
    const auto found = areas_.find(area);
    if (found == areas_.end() || address < 0 || count < 0 ||
        address + count > static_cast<int>(found->second.size()))
        return std::nullopt;
    return Bytes(found->second.begin() + address, found->second.begin() + address + count);
}

void MemoryAreas::load(const std::map<int, Bytes> &stored)
{
    for (auto &[number, bytes] : areas_) {
        const auto found = stored.find(number);
        if (found == stored.end())
            continue;
        const std::size_t n = std::min(bytes.size(), found->second.size());
        std::fill(bytes.begin(), bytes.end(), 0);
        std::copy_n(found->second.begin(), n, bytes.begin());
    }
}

void MemoryAreas::setIdentification(const std::string &text)
{
    Bytes &id = areas_[kIdentification];
    std::fill(id.begin(), id.end(), ' ');
    std::copy_n(text.begin(), std::min(text.size(), id.size()), id.begin());
}

uint8_t MemoryAreas::blockFunction(int block) const
{
    return areas_.at(kBlockTable)[block * kBlockRecordSize + 1];
}

uint8_t MemoryAreas::blockFtype(int block) const
{
    return areas_.at(kBlockTable)[block * kBlockRecordSize + 8];
}

std::string MemoryAreas::message(int number) const
{
    const Bytes &area = areas_.at(kMessageArea);
    const auto begin = area.begin() + number * kMessageRecordSize;
    const auto end = std::find(begin, begin + 16, 0);
    return std::string(begin, end);
}

} // namespace orvane::sim
