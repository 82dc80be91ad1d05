#pragma once
// How a block's live output is read and shown: the reading follows the Ftype of the
// block's function, and a reading whose reply did not arrive is shown as missing, never
// with the bytes of another exchange.

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::monitor {

class ControllerLine;

inline constexpr int kBlocks = 160;
inline constexpr int16_t kNopFunction = 127;

enum class Reading { None, Analog, Digital };

// The all-blocks grid reads Ftype 1 as analog and 2 as digital; other blocks are not read.
Reading gridReading(int ftype);
// A tile reads Ftype 1 as analog and anything else as digital.
Reading tileReading(int ftype);

// Analog: the signed hundredths with two decimals and at least one digit before the
// point ("12.34", "-0.05"); digital: the whole number.
std::string formatValue(Reading reading, int value);

// One exchange: the block's output, or nothing when no reply counted (ControllerLine).
std::optional<int> readOutput(ControllerLine& line, int block, Reading reading);

// A reading as shown: the last value that arrived, and whether the latest exchange went
// unanswered.
class LiveValue {
public:
    void update(std::optional<int> value);
    // The value shown is no longer live (the line died, or the session that read it
    // ended): it is shown as missing. Nothing changes while no value arrived yet.
    void markMissing() { missing_ = missing_ || last_.has_value(); }
    std::optional<int> last() const { return last_; }
    bool missing() const { return missing_; }
    // The last value formatted, followed by kMissingMark while the reading is missing;
    // the mark alone when no value arrived yet; "" before the first exchange.
    std::string text(Reading reading) const;

private:
    std::optional<int> last_;
    bool missing_ = false;
};

inline constexpr const char* kMissingMark = " ?";

} // namespace orvane::monitor
