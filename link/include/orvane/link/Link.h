#pragma once

// The link state shared by every operation that talks to the controller.
// The program holds one Link; callers build xmit_bfr from index 0, call
// sum_xmit_bfr with the index of the last body byte, then exchange.

#include "orvane/link/CommSettings.h"
#include "orvane/link/Protocol.h"

#include <array>
#include <cstdint>
#include <string>

namespace orvane::link {

// Where messages and progress of the link go: a message box in the editor,
// stderr on the command line.
class LinkReporter {
public:
    virtual ~LinkReporter() = default;
    virtual void message(const std::string &text) = 0;
    virtual void update_progress(int /*percent*/) {}
};

class Link {
public:
    std::array<uint8_t, kXmitBufferSize> xmit_bfr{};
    std::array<uint8_t, kXmitBufferSize> rcv_bfr{};
    bool reply_ok = false;
    bool timed_out = false;
    int tick_count = 0;
    bool port_is_open = false;
    int count_progress = 0;
    int msg_len = 0;

    // Writes the two check bytes to xmit_bfr[n + 1] and xmit_bfr[n + 2].
    void sum_xmit_bfr(int n);

    CommSettings settings;
};

} // namespace orvane::link
