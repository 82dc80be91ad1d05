#pragma once

// The ports a user can choose from, how a typed port name is checked, and what a
// chosen name opens. Shared by the port settings window and the command line.

#include "orvane/link/PortStatus.h"

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

// The devices of systemPorts() ("/dev/ttyS0", "/dev/ttyUSB0").
std::vector<std::string> systemPortNames();

// The folder where the system names each serial adapter by what it is (its maker, model
// and serial number), names that stay the same whichever ttyUSB number it gets.
inline constexpr std::string_view kSerialByIdFolder = "/dev/serial/by-id";

struct SerialPortInfo {
    std::string device;                 // "/dev/ttyUSB0"
    std::vector<std::string> byId;      // its names in the by-id folder
    std::string description;            // what the system says it is; may be empty
};

// The serial devices the system offers and those named in `byIdFolder`, in natural order
// (ttyS2 before ttyS10). Pseudo-terminals are not among them unless named there.
std::vector<SerialPortInfo> systemPorts(const std::string& byIdFolder = std::string(kSerialByIdFolder));

// Marks shown after a port's name in the port list (three blanks first).
inline constexpr std::string_view kAvailableMark = "   (Available)";
inline constexpr std::string_view kInUseMark = "   (In Use)";
inline constexpr std::string_view kNotPermittedMark = "   (Not Permitted)";
inline constexpr std::string_view kNotAvailableMark = "   (Not Available)";

// "<device>   (Available)", "(In Use)" for a port another program holds, "(Not
// Permitted)" for one this user may not open, "(Not Available)" otherwise.
std::string portListEntry(const std::string& device, PortState state);
// The port name of a list entry: the entry without its mark.
std::string portNameOfEntry(std::string_view entry);

// The number of a numbered port: "/dev/ttyS0" is 1 (as COM1 was), "/dev/ttyS9" is 10;
// 0 for every other name.
int portNumberOfDevice(std::string_view device);

// Why a typed port name cannot be used, or nullopt when it can. Refused: an empty
// name, and "host:port" without a host or without a port number 1..65535.
std::optional<std::string> portNameError(std::string_view name);

// Why the serial device named `portName` cannot be opened now, as a message that starts
// with its name ("/dev/ttyUSB0: not available: ..."); nullopt when it can, and for names
// that are no device ("Simulator", host:port).
std::optional<std::string> portProblem(std::string_view portName);

// What a Link opens for the chosen port name. A device path or "host:port" is
// returned as it is (blanks around it removed); for "Simulator" the answer of
// `simulatorPort`, which is called only then and returns the running simulator's
// port name, or nullopt when the simulator could not be started (its owner keeps
// the reason).
std::optional<std::string> resolvePortName(std::string_view chosen,
                                           const std::function<std::optional<std::string>()>& simulatorPort);

} // namespace orvane::link
