#pragma once
// What a download sends, read out of a configuration and its catalogue once, so the
// image can be computed (and recomputed for verify) without touching the store.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orvane::transfer {

inline constexpr int kBlocks = 160;
inline constexpr int kMessages = 20;
inline constexpr int kQuickMessages = 8;

struct FunctionInfo {
    int16_t number = 0;
    int16_t icycle = 0;
    int16_t volRam = 0;
    int16_t inputs = 0;
    int16_t params = 0;
    int16_t hidden = 0;
    int16_t ftype = 0;
    std::vector<int16_t> paramTypes;  // type of parameter 1, 2, ... (index 0 is parameter 1)
    std::vector<int16_t> inputTypes;  // type of input 1, 2, ...
    std::vector<int32_t> defaults;    // default of parameter 1 .. params + hidden
    int constantCount() const { return inputs + params + hidden; }
};

using Catalogue = std::map<int16_t, FunctionInfo>;

struct BlockRow {
    int16_t number = 0;
    int16_t function = 127;
    int16_t constantCount = 0;  // the block's BlockConstant field
};

struct ConstantRow {
    int16_t block = 0;
    int16_t offset = 0;
    int32_t value = 0;
};

// Texts are UTF-8, as stored; they become Windows-1252 on the wire.
struct QuickRow {
    std::string text;
    int64_t block = 0;       // sent as one byte each: checked before anything is sent
    int64_t parameter = 0;
};

struct Configuration {
    std::array<std::string, kMessages> messages;
    std::array<QuickRow, kQuickMessages> quick;
    std::vector<BlockRow> blocks;                // Block List order
    std::vector<ConstantRow> constants;          // Constants in (block, offset) order
};

} // namespace orvane::transfer
