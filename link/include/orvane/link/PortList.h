#pragma once

// The ports a user can choose from, how a typed port name is checked, and what a
// chosen name opens. Shared by the port settings window and the command line.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::link {

// The port name that stands for a controller simulator started for the session.
inline constexpr std::string_view kSimulatorPortName = "Simulator";

// "Simulator" in any letter case, blanks around it ignored.
bool isSimulatorPortName(std::string_view name);

// The text without the blanks (spaces and tabs) around it, as typed names and list
// entries are compared.
std::string_view trimmedBlanks(std::string_view text);

// The serial devices the system offers ("/dev/ttyS0", "/dev/ttyUSB0"), in natural
// order (ttyS2 before ttyS10). Pseudo-terminals are not among them.
std::vector<std::string> systemPortNames();

// True when the device can be opened and closed again now; false when it is
// missing or held open by any opener, this program included.
bool serialPortAvailable(const std::string& device);

// Marks shown after a port's name in the port list (three blanks first).
inline constexpr std::string_view kAvailableMark = "   (Available)";
inline constexpr std::string_view kInUseMark = "   (In Use)";

// "<device>   (Available)" or "<device>   (In Use)".
std::string portListEntry(const std::string& device, bool available);
// The port name of a list entry: the entry without its mark.
std::string portNameOfEntry(std::string_view entry);

// The number of a numbered port: "/dev/ttyS0" is 1 (as COM1 was), "/dev/ttyS9" is 10;
// 0 for every other name.
int portNumberOfDevice(std::string_view device);

// Why a typed port name cannot be used, or nullopt when it can. Refused: an empty
// name, and "host:port" without a host or without a port number 1..65535.
std::optional<std::string> portNameError(std::string_view name);

// What a Link opens for the chosen port name. A device path or "host:port" is
// returned as it is (blanks around it removed); for "Simulator" the answer of
// `simulatorPort`, which is called only then and returns the running simulator's
// port name, or nullopt when the simulator could not be started (its owner keeps
// the reason).
std::optional<std::string> resolvePortName(std::string_view chosen,
                                           const std::function<std::optional<std::string>()>& simulatorPort);

} // namespace orvane::link
