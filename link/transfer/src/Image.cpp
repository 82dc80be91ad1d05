#include "orvane/transfer/Image.h"

#include "orvane/link/Protocol.h"

#include <limits>

namespace orvane::transfer {

namespace {

void putWord(std::vector<uint8_t>& out, size_t at, int value)
{
    out[at] = static_cast<uint8_t>((value >> 8) & 0xFF);
    out[at + 1] = static_cast<uint8_t>(value & 0xFF);
}

} // namespace

void putText(std::vector<uint8_t>& out, size_t at, const std::string& text)
{
    const std::string wire = orvane::link::utf8ToCp1252(text);
    for (size_t i = 0; i < kTextLength; ++i)
        out[at + i] = i < wire.size() ? static_cast<uint8_t>(wire[i]) : 0;
}

std::vector<uint8_t> messageRecords(const Configuration& config)
{
    std::vector<uint8_t> out(kMessages * kMessageRecord, 0);
    for (int n = 0; n < kMessages; ++n)
        putText(out, static_cast<size_t>(n * kMessageRecord), config.messages[n]);
    return out;
}

std::vector<uint8_t> quickRecords(const Configuration& config)
{
    std::vector<uint8_t> out(kQuickMessages * kQuickRecord, 0);
    for (int j = 0; j < kQuickMessages; ++j) {
        const size_t at = static_cast<size_t>(j * kQuickRecord);
        putText(out, at, config.quick[j].text);
        out[at + 17] = static_cast<uint8_t>(config.quick[j].block);
        out[at + 18] = static_cast<uint8_t>(config.quick[j].parameter);
    }
    return out;
}

std::optional<std::vector<uint8_t>> blockRecords(const Configuration& config,
                                                 const Catalogue& catalogue,
                                                 UnknownFunction* unknown)
{
    std::vector<uint8_t> out(kBlocks * kBlockRecord, 0);
    int cycles = 0, firstSlot = 0, retentive = 0;
    for (size_t b = 0; b < config.blocks.size() && b < kBlocks; ++b) {
        const BlockRow& block = config.blocks[b];
        const auto fn = catalogue.find(block.function);
        if (fn == catalogue.end()) {
            if (unknown)
                *unknown = {block.number, block.function};
            return std::nullopt;
        }
        const size_t at = b * kBlockRecord;
        out[at + 1] = static_cast<uint8_t>(block.function & 0xFF);
        putWord(out, at + 2, cycles);
        putWord(out, at + 4, firstSlot);
        putWord(out, at + 6, retentive);
        out[at + 8] = static_cast<uint8_t>(fn->second.ftype & 0xFF);
        cycles += fn->second.icycle;
        firstSlot += fn->second.constantCount();
        retentive += fn->second.volRam;
    }
    return out;
}

int32_t slotValue(SlotKind kind, int16_t paramType, int32_t stored)
{
    // Inputs and 16-bit parameters travel in the high half of the slot.
    const auto high = [](int32_t v) {
        return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int16_t>(v)) << 16);
    };
    switch (kind) {
    case SlotKind::Input:
        return high(stored);
    case SlotKind::Parameter:
        if (paramType == 1)
            return stored;
        if (paramType == 2 || paramType == 4)
            return high(stored);
        return 0;  // type 3 and types the catalogue does not define
    case SlotKind::Hidden:
    case SlotKind::Fill:
        return 0;
    }
    return 0;
}

void putSlot(std::vector<uint8_t>& out, size_t slot, int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out[slot * 4 + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

std::optional<std::string> quickFieldFault(const std::string& field, int64_t value)
{
    if (value >= 0 && value <= 255)
        return std::nullopt;
    return field + " " + std::to_string(value) + " does not fit the record's byte (0 to 255)";
}

namespace {

// The 160 blocks, numbered 0 to 159 in this order: anything else would put every
// block after a gap in the place of another.
std::optional<RowFault> blockListFault(const Configuration& config)
{
    for (size_t i = 0; i < config.blocks.size(); ++i) {
        const int16_t number = config.blocks[i].number;
        if (i >= size_t(kBlocks))
            return RowFault{"Block List", "row " + std::to_string(i + 1),
                            "block " + std::to_string(number) + " after block 159, the controller's last"};
        if (number != static_cast<int16_t>(i))
            return RowFault{"Block List", "row " + std::to_string(i + 1),
                            "block " + std::to_string(number) + " where block " + std::to_string(i) + " belongs"};
    }
    if (config.blocks.size() < size_t(kBlocks))
        return RowFault{"Block List", "row " + std::to_string(config.blocks.size() + 1),
                        "missing: block " + std::to_string(config.blocks.size()) +
                            " belongs there (a configuration holds the blocks 0 to 159)"};
    return std::nullopt;
}

std::optional<RowFault> quickFault(const Configuration& config)
{
    for (int j = 0; j < kQuickMessages; ++j) {
        const QuickRow& q = config.quick[size_t(j)];
        for (const auto& [field, value] : {std::pair{"Block", q.block}, std::pair{"Parameter", q.parameter}})
            if (auto problem = quickFieldFault(field, value))
                return RowFault{"QuickMessages", "quick message " + std::to_string(j), std::move(*problem)};
    }
    return std::nullopt;
}

// Inputs and 16-bit parameters travel in the high half of their slot.
bool fitsSlot(SlotKind kind, int16_t paramType, int32_t value)
{
    const bool sixteenBits = kind == SlotKind::Input || (kind == SlotKind::Parameter && (paramType == 2 || paramType == 4));
    return !sixteenBits || (value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max());
}

} // namespace

ImageResult computeImage(const Configuration& config, const Catalogue& catalogue)
{
    ImageResult result;
    result.fault = blockListFault(config);
    if (!result.fault)
        result.fault = quickFault(config);
    if (result.fault)
        return result;
    Image image;
    image.messages = messageRecords(config);
    image.quick = quickRecords(config);
    UnknownFunction unknown;
    auto blocks = blockRecords(config, catalogue, &unknown);
    if (!blocks) {
        result.unknownFunction = unknown;
        return result;
    }
    image.blocks = std::move(*blocks);
    image.constants.assign(kSlots * 4, 0);
    image.slotOrigins.assign(kSlots, SlotOrigin{});

    size_t record = 0;
    size_t slot = 0;
    for (const BlockRow& block : config.blocks) {
        const FunctionInfo& fn = catalogue.at(block.function);
        // A block without constant rows (a new configuration's first blocks) still owns
        // its function's slots in the block table: it gets the catalogue defaults there,
        // so every later block's constants stay where its record says they start.
        const bool fromDefaults = block.constantCount <= 0;
        int16_t offset = 0;
        const auto emit = [&](SlotKind kind, int16_t paramType, int32_t defaultValue) {
            int32_t value = defaultValue;
            if (!fromDefaults) {
                if (record >= config.constants.size() || config.constants[record].block != block.number) {
                    result.syncError = SyncError{block.number,
                        record < config.constants.size() ? config.constants[record].block : int16_t(-1)};
                    return false;
                }
                value = config.constants[record++].value;
                if (!fitsSlot(kind, paramType, value)) {
                    result.fault = RowFault{"Constants", "block " + std::to_string(block.number) + ", offset " +
                                                             std::to_string(offset),
                                            "value " + std::to_string(value) + " does not fit the 16 bits " +
                                                (kind == SlotKind::Input ? "of an input link"
                                                                         : "of this parameter") +
                                                " (-32768 to 32767)"};
                    return false;
                }
            }
            if (slot >= kSlots) {
                result.slotsExceededAt = block.number;
                return false;
            }
            putSlot(image.constants, slot, slotValue(kind, paramType, value));
            image.slotOrigins[slot] = {kind, block.number, offset};
            ++slot;
            ++offset;
            return true;
        };
        const auto defaultOf = [&](size_t j) { return j < fn.defaults.size() ? fn.defaults[j] : 0; };
        for (int i = 0; i < fn.inputs; ++i) {
            const bool digital = size_t(i) < fn.inputTypes.size() && fn.inputTypes[size_t(i)] != 1;
            if (!emit(SlotKind::Input, 0, digital ? 2 : 0))
                return result;
        }
        for (int i = 0; i < fn.params; ++i) {
            const int16_t type = i < static_cast<int>(fn.paramTypes.size()) ? fn.paramTypes[i] : 0;
            if (!emit(SlotKind::Parameter, type, defaultOf(size_t(i))))
                return result;
        }
        for (int i = 0; i < fn.hidden; ++i)
            if (!emit(SlotKind::Hidden, 0, 0))
                return result;
    }
    result.image = std::move(image);
    return result;
}

} // namespace orvane::transfer
