#pragma once

// Whether a serial device can be opened now, and if not, why, in words that tell the user
// what to do: a device that does not exist (with the ports that do), one this user may
// not open (with the group to join), one another program holds.

#include <string>
#include <vector>

namespace orvane::link {

enum class PortState { Available, Missing, NotPermitted, Busy, Unusable };

struct PortStatus {
    PortState state = PortState::Available;
    std::string group;    // NotPermitted: the group that may open the device ("dialout"); empty when only its owner may
    std::string owner;    // NotPermitted: the user that owns it
    bool groupJoinedSinceLogin = false;   // NotPermitted: this user is in the group, but not this session yet
    std::string holder;   // Busy: the program holding it ("minicom, process 4242"), when it can be seen
    std::string error;    // Unusable: the system's words
};

// Opens the device and closes it again to tell.
PortStatus serialPortStatus(const std::string& device);

// Why an open of `device` that failed with QSerialPort's `error` (and its text) failed,
// found without opening it again.
PortStatus whyNotOpened(const std::string& device, int serialPortError, const std::string& errorText);

// The reason after "<port>: not available: ", with what to do about it; `ports` are the
// serial ports that exist, named when the device does not.
std::string portProblemText(const PortStatus& status, const std::vector<std::string>& ports);

} // namespace orvane::link
