#pragma once
// What the port settings window offers and how each choice becomes a setting,
// kept apart from the widgets.

#include "orvane/link/CommSettings.h"

#include <string>
#include <string_view>
#include <vector>

namespace brevant::linkwin {

// The baud list, four-digit rates with one leading blank; a rate stored that is not
// among them is added at the end so that it is not lost.
std::vector<std::string> baudEntries(const std::string& storedRate);
std::string baudOfEntry(std::string_view entry);   // the entry without blanks

// "ODD", "EVEN", "NONE" for "O", "E", "N"; any other stored letter shows as "NONE".
const std::vector<std::string>& parityEntries();
int parityEntryIndex(std::string_view parity);
std::string parityOfEntry(std::string_view entry);

// The port name as stored: "Simulator" in any letter case becomes "Simulator",
// any other name loses the blanks around it.
std::string canonicalPortName(std::string_view typed);

// The port name shown for the settings: the stored name, or the device of the
// numbered port (port 1 is /dev/ttyS0).
std::string portNameOf(const orvane::link::CommSettings& settings);

// The settings with the chosen port: a numbered device (/dev/ttySn) keeps its number
// and clears the name; any other name is kept as the name and the number stays.
orvane::link::CommSettings withPort(orvane::link::CommSettings settings, std::string_view portName);

} // namespace brevant::linkwin
