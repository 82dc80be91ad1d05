#pragma once

#include <cstdint>
#include <string>

namespace orvane::link {

// The serial settings of the run: loaded at start-up, changed by the settings window.
struct CommSettings {
    int16_t CommPortNumber = 1;        // the number of a numbered port (ttyS0 is 1, like COM1)
    std::string CommBaudRate = "38400";
    std::string CommParity = "O";      // "O", "E" or "N"
    // The port as this platform names it: a device path ("/dev/ttyUSB0", "/dev/pts/3"),
    // "host:port" of a serial device server, or "Simulator". Empty: the numbered port.
    std::string CommPortName;
};

} // namespace orvane::link
