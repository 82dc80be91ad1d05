#pragma once

// The simulator's command line.

#include "orvane/arguments/Syntax.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orvane::sim {

// Faults injected by frame number: N counts every frame received from 1,
// rejected ones included; a reply fault acts on the answer to frame N.
struct FaultPlan {
    std::set<int> lose;       // garbled on the line: neither carried out nor answered
    std::set<int> dropReply;  // carried out, but not answered
    std::set<int> extraByte;
    std::set<int> garble;
    std::set<int> corrupt;    // a data byte (byte 1) inverted: only the check bytes show it
    std::map<int, int> lateReplyMs;
    std::map<int, int> heldUntil; // frame N -> frame M: N's reply goes out when M comes, ahead of M's
    int silentAfter = 0; // 0: never silent
    int noiseAfter = 0;  // 0: never; else frames after it are answered with 5 random bytes
    int replyDelayMs = 0; // every reply leaves this long after its frame came

    bool arrives(int frame) const { return !lose.contains(frame); }
    bool answers(int frame) const { return !dropReply.contains(frame) && (silentAfter == 0 || frame <= silentAfter); }
    bool noise(int frame) const { return noiseAfter > 0 && frame > noiseAfter; }
};

struct Options {
    bool tcp = false;
    int tcpPort = 0;          // 0: a free port
    std::string linkPath;     // symbolic link to the pty slave
    std::string romVersion = "2.50";
    std::string memoryFile;
    int baud = 0;             // 0: no pacing
    bool log = false;
    FaultPlan faults;
    std::map<int, int16_t> pinnedOutputs; // --output BLOCK=VALUE
};

// The options, or an error text naming the argument at fault.
struct ParsedOptions {
    std::optional<Options> options;
    std::string error;
};
ParsedOptions parseOptions(const std::vector<std::string> &arguments);

// What orvane-sim takes, for its --help and for reading its command line.
orvane::arguments::Syntax commandLineSyntax();
ParsedOptions optionsOf(const orvane::arguments::Arguments &arguments);

// The reply as the fault plan wants it sent for frame `frame`: one byte more, its first
// byte inverted (a poll then sees 0xEF instead of 0x10), or its second (a data byte).
void applyReplyFaults(const FaultPlan &plan, int frame, std::vector<uint8_t> &reply);

} // namespace orvane::sim
