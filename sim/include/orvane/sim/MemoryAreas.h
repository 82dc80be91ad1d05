#pragma once

// The controller memory the host reads and writes: the areas and their sizes.

#include "orvane/sim/Wire.h"

#include <map>
#include <optional>

namespace orvane::sim {

constexpr int kBlocks = 160;
constexpr int kBlockRecordSize = 10;
constexpr int kMessageRecordSize = 17;
constexpr int kMessages = 20;
constexpr uint8_t kNopFunction = 127;

enum Area : int {
    kIdentification = 0,
    kConstants = 3,
    kBlockTable = 4,
    kStatus = 5,
    kMessageArea = 6,
    kQuickMessages = 9,
};

class MemoryAreas {
public:
    MemoryAreas(); // a blank controller: every block runs NOP, all else zero

    // The area sizes; any other area number is unknown to the controller.
    static const std::map<int, int> &sizes();

    // False (nothing changed) for an unknown or read-only area or a range past its end.
    bool write(int area, int address, const uint8_t *data, int count);
    std::optional<Bytes> read(int area, int address, int count) const;

    // Takes the known areas from `stored`, cut or zero-padded to their sizes.
    void load(const std::map<int, Bytes> &stored);
    const std::map<int, Bytes> &all() const { return areas_; }
    const Bytes &area(int number) const { return areas_.at(number); }

    // The identification text (area 0): 24 characters, space-padded.
    void setIdentification(const std::string &text);

    uint8_t blockFunction(int block) const;
    uint8_t blockFtype(int block) const;
    std::string message(int number) const; // text up to the first NUL

private:
    std::map<int, Bytes> areas_;
};

} // namespace orvane::sim
