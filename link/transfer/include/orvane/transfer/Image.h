#pragma once
// The controller memory a download writes: records, block table sums and constant slots.

#include "orvane/transfer/Configuration.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::transfer {

inline constexpr int kMessageRecord = 17;
inline constexpr int kQuickRecord = 19;
inline constexpr int kBlockRecord = 10;
inline constexpr int kMessagePageBytes = 170;   // 10 messages
inline constexpr int kQuickPageBytes = 152;     // 8 quick messages
inline constexpr int kBlockPageBytes = 160;     // 16 blocks
inline constexpr int kBlockPages = 10;
inline constexpr int kSlots = 1280;
inline constexpr int kSlotsPerPage = 32;
inline constexpr int kConstantPageBytes = 128;
inline constexpr int kConstantPages = kSlots / kSlotsPerPage;  // 40

enum class SlotKind { Input, Parameter, Hidden, Fill };

// Where a slot came from, for verify's reports.
struct SlotOrigin {
    SlotKind kind = SlotKind::Fill;
    int16_t block = -1;
    int16_t offset = -1;
};

struct Image {
    std::vector<uint8_t> messages;   // area 6, 340 bytes
    std::vector<uint8_t> quick;      // area 9, 152 bytes
    std::vector<uint8_t> blocks;     // area 4, 1600 bytes
    std::vector<uint8_t> constants;  // area 3, 5120 bytes
    std::vector<SlotOrigin> slotOrigins;   // 1280 entries
};

// A constants record out of block order: the download stops before it sends constants.
struct SyncError {
    int16_t block = 0;           // the block being sent
    int16_t recordBlock = 0;     // the block of the record found instead
};

// A block whose function the catalogue does not hold.
struct UnknownFunction {
    int16_t block = 0;
    int16_t function = 0;
};

// A row that would not go out as the file holds it: a Block List that is not the
// blocks 0 to 159 in order, or a value that does not fit the place it is sent to.
struct RowFault {
    std::string table;    // "Block List", "Constants", "QuickMessages"
    std::string row;      // "row 81", "block 4, offset 2", "quick message 3"
    std::string problem;  // what is wrong with it, naming the value
};

struct ImageResult {
    std::optional<Image> image;
    std::optional<RowFault> fault;
    std::optional<SyncError> syncError;
    std::optional<UnknownFunction> unknownFunction;
    // The block whose slots would run past the 1280 the controller holds (possible
    // only with blocks sent their defaults, which have no rows to count).
    std::optional<int16_t> slotsExceededAt;
};

inline constexpr size_t kTextLength = 16;

// One text record: the first 16 characters of the UTF-8 text in Windows-1252, one byte
// a character (characters outside it as "?"), zero-padded to 16 bytes.
void putText(std::vector<uint8_t>& out, size_t at, const std::string& text);

// Why a quick message's "Block" or "Parameter" cannot go into its byte of the record;
// nothing when it fits.
std::optional<std::string> quickFieldFault(const std::string& field, int64_t value);

std::vector<uint8_t> messageRecords(const Configuration& config);
std::vector<uint8_t> quickRecords(const Configuration& config);
// Block table; fails only on an unknown function. The blocks are expected in order
// (computeImage checks that first).
std::optional<std::vector<uint8_t>> blockRecords(const Configuration& config,
                                                 const Catalogue& catalogue,
                                                 UnknownFunction* unknown = nullptr);
// The slot value of one constant of a given kind and parameter type.
int32_t slotValue(SlotKind kind, int16_t paramType, int32_t stored);
void putSlot(std::vector<uint8_t>& out, size_t slot, int32_t value);

// Checks every row first: nothing is computed from a configuration that would not go
// out as it is stored.
ImageResult computeImage(const Configuration& config, const Catalogue& catalogue);

} // namespace orvane::transfer
