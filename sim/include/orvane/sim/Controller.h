#pragma once

// The controller behind the link: answers one checked request frame at a time.
// A request it cannot carry out (an unknown area, a range past an area's end,
// a write to the identification text, a block number above 159) gets no reply,
// the way the host already handles a controller that cannot answer: it times
// out, tries once more and reports the failure. An error reply would not do:
// the host looks at the contents of no reply but the poll's.

#include "orvane/sim/BlockOutputs.h"
#include "orvane/sim/FrontPanel.h"
#include "orvane/sim/MemoryAreas.h"

#include <optional>
#include <string>

namespace orvane::sim {

class Controller {
public:
    explicit Controller(std::string romVersion = "2.50");

    struct Answer {
        std::optional<Bytes> reply; // none: the frame is left unanswered
        bool memoryChanged = false;
        std::string refusal;        // why there is no reply
    };
    // `frame` is a whole request with valid check bytes.
    Answer answer(const Bytes &frame, int64_t nowMs);

    MemoryAreas &memory() { return memory_; }
    const MemoryAreas &memory() const { return memory_; }
    BlockOutputs &outputs() { return outputs_; }
    const FrontPanel &panel() const { return panel_; }
    const std::string &romVersion() const { return romVersion_; }
    int downloadsEnded() const { return downloadsEnded_; }

    // Rewrites area 0 from the ROM version, e.g. after loading a memory file.
    void restoreIdentification();

private:
    Answer writeMemory(const Bytes &frame);
    Answer readMemory(const Bytes &frame) const;
    Answer readOutput(const Bytes &frame, int64_t nowMs) const;
    static Answer displayLine(const std::string &text);

    std::string romVersion_;
    MemoryAreas memory_;
    BlockOutputs outputs_;
    FrontPanel panel_;
    int downloadsEnded_ = 0;
};

// The 24-character identification text for a ROM version.
std::string identificationText(const std::string &romVersion);

} // namespace orvane::sim
