#pragma once

// The controller's side of the frame rules. Kept apart from the host's link
// library on purpose: tests of the host against this simulator then check two
// independent readings of the protocol against each other.

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::sim {

using Bytes = std::vector<uint8_t>;

enum Command : uint8_t {
    kPoll = 0x01,
    kWriteMemory = 0x02,
    kReadMemory = 0x04,
    kEndOfDownload = 0x08,
    kReadOutput = 0x20,
    kPressKey = 0x21,
    kReadTextLine = 0x22,
    kReadValueLine = 0x23,
    kReadLamp = 0x24,
};

// Byte 0 of every reply: the controller took the frame. The host tests it only in the poll.
constexpr uint8_t kAcknowledge = 0x10;

// Ones' complement of the high and of the low byte of the body's sum modulo 65536.
void appendCheckBytes(Bytes &body);
bool hasValidCheckBytes(const Bytes &frame);

// Length of a whole request frame that starts with `head`, 0 while `head` is too
// short to tell, -1 for a byte that starts no known command.
int requestLength(const Bytes &head);

std::string toHex(const Bytes &bytes); // "01 FF FE"

} // namespace orvane::sim
