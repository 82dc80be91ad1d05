#include "linkwin/comm/CommChoices.h"

#include "orvane/link/Link.h"
#include "orvane/link/PortList.h"

#include <algorithm>

namespace brevant::linkwin {

namespace {

const std::vector<std::string> kBaudEntries = {"38400", "19200", " 9600", " 4800", " 2400", " 1200"};
const std::vector<std::string> kParityEntries = {"ODD", "EVEN", "NONE"};
const std::string kParityLetters = "OEN";

} // namespace

std::vector<std::string> baudEntries(const std::string& storedRate)
{
    std::vector<std::string> entries = kBaudEntries;
    const auto stored = orvane::link::trimmedBlanks(storedRate);
    const bool listed = std::any_of(entries.begin(), entries.end(),
                                    [&](const std::string& entry) { return orvane::link::trimmedBlanks(entry) == stored; });
    if (!listed && !stored.empty())
        entries.emplace_back(stored);
    return entries;
}

std::string baudOfEntry(std::string_view entry) { return std::string(orvane::link::trimmedBlanks(entry)); }

const std::vector<std::string>& parityEntries() { return kParityEntries; }

int parityEntryIndex(std::string_view parity)
{
    if (parity == "O")
        return 0;
    if (parity == "E")
        return 1;
    return 2;
}

std::string parityOfEntry(std::string_view entry)
{
    const auto at = std::find(kParityEntries.begin(), kParityEntries.end(), entry);
    const auto index = at == kParityEntries.end() ? 2 : at - kParityEntries.begin();
    return std::string(1, kParityLetters[static_cast<std::size_t>(index)]);
}

std::string canonicalPortName(std::string_view typed)
{
    if (orvane::link::isSimulatorPortName(typed))
        return std::string(orvane::link::kSimulatorPortName);
    return std::string(orvane::link::trimmedBlanks(typed));
}

std::string portNameOf(const orvane::link::CommSettings& settings)
{
    orvane::link::Link namer;
    namer.settings = settings;
    return namer.devicePath();
}

orvane::link::CommSettings withPort(orvane::link::CommSettings settings, std::string_view portName)
{
    const std::string name = canonicalPortName(portName);
    if (const int number = orvane::link::portNumberOfDevice(name); number > 0) {
        settings.CommPortNumber = static_cast<int16_t>(number);
        settings.CommPortName.clear();
    } else {
        settings.CommPortName = name;
    }
    return settings;
}

} // namespace brevant::linkwin
