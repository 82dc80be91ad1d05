#include "orvane/link/PortList.h"

#include "orvane/link/Transport.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <cctype>
#include <map>

namespace orvane::link {

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Compares runs of digits by their value, so ttyS2 sorts before ttyS10.
bool naturalLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const std::size_t startA = i;
            const std::size_t startB = j;
            while (i < a.size() && isDigit(a[i]))
                ++i;
            while (j < b.size() && isDigit(b[j]))
                ++j;
            auto digitsA = std::string_view(a).substr(startA, i - startA);
            auto digitsB = std::string_view(b).substr(startB, j - startB);
            digitsA.remove_prefix(std::min(digitsA.find_first_not_of('0'), digitsA.size()));
            digitsB.remove_prefix(std::min(digitsB.find_first_not_of('0'), digitsB.size()));
            if (digitsA.size() != digitsB.size())
                return digitsA.size() < digitsB.size();
            if (digitsA != digitsB)
                return digitsA < digitsB;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

bool isPortNumber(std::string_view text)
{
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), isDigit))
        return false;
    const int value = std::stoi(std::string(text));
    return value >= 1 && value <= 65535;
}

} // namespace

bool isSimulatorPortName(std::string_view name)
{
    const auto text = trimmedBlanks(name);
    return std::equal(text.begin(), text.end(), kSimulatorPortName.begin(), kSimulatorPortName.end(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); });
}

std::vector<std::string> systemPortNames()
{
    std::vector<std::string> names;
    for (const SerialPortInfo& port : systemPorts())
        names.push_back(port.device);
    return names;
}

std::vector<SerialPortInfo> systemPorts(const std::string& byIdFolder)
{
    std::map<std::string, SerialPortInfo, decltype(&naturalLess)> ports(naturalLess);
    for (const auto& info : QSerialPortInfo::availablePorts()) {
        SerialPortInfo& port = ports[info.systemLocation().toStdString()];
        port.device = info.systemLocation().toStdString();
        QStringList said;
        for (const QString& part : {info.description(), info.manufacturer()})
            if (!part.isEmpty() && !said.contains(part))
                said << part;
        port.description = said.join(QStringLiteral(", ")).toStdString();
    }
    const QDir byId(QString::fromStdString(byIdFolder));
    for (const QFileInfo& name : byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString device = name.canonicalFilePath();
        if (device.isEmpty())
            continue;   // a link to nothing
        SerialPortInfo& port = ports[device.toStdString()];
        port.device = device.toStdString();
        port.byId.push_back(name.absoluteFilePath().toStdString());
    }
    std::vector<SerialPortInfo> sorted;
    for (auto& [device, port] : ports)
        sorted.push_back(std::move(port));
    return sorted;
}

std::string portListEntry(const std::string& device, PortState state)
{
    const auto mark = state == PortState::Available      ? kAvailableMark
                      : state == PortState::Busy         ? kInUseMark
                      : state == PortState::NotPermitted ? kNotPermittedMark
                                                         : kNotAvailableMark;
    return device + std::string(mark);
}

std::string portNameOfEntry(std::string_view entry)
{
    for (const auto mark : {kAvailableMark, kInUseMark, kNotPermittedMark, kNotAvailableMark}) {
        if (entry.size() >= mark.size() && entry.substr(entry.size() - mark.size()) == mark)
            return std::string(entry.substr(0, entry.size() - mark.size()));
    }
    return std::string(entry);
}

int portNumberOfDevice(std::string_view device)
{
    constexpr std::string_view prefix = "/dev/ttyS";
    if (device.substr(0, prefix.size()) != prefix)
        return 0;
    const auto digits = device.substr(prefix.size());
    if (digits.empty() || digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), isDigit))
        return 0;
    return std::stoi(std::string(digits)) + 1;
}

std::optional<std::string> portNameError(std::string_view name)
{
    const auto text = trimmedBlanks(name);
    if (text.empty())
        return std::string("Choose a port from the list, or type the name of a serial device "
                           "(such as /dev/ttyUSB0) or the host:port of a serial device server.");
    if (!isTcpPortName(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))))
        return std::nullopt;
    const auto colon = text.find(':');
    const std::string quoted = '"' + std::string(text) + '"';
    if (trimmedBlanks(text.substr(0, colon)).empty())
        return quoted + ": the host name before the colon is missing.";
    if (!isPortNumber(text.substr(colon + 1)))
        return quoted + ": the network port after the colon must be a number from 1 to 65535.";
    return std::nullopt;
}

std::optional<std::string> portProblem(std::string_view portName)
{
    const std::string name(trimmedBlanks(portName));
    if (name.empty() || isSimulatorPortName(name) || isTcpPortName(QString::fromStdString(name)))
        return std::nullopt;
    const PortStatus status = serialPortStatus(name);
    if (status.state == PortState::Available)
        return std::nullopt;
    return name + ": not available: " + portProblemText(status, systemPortNames());
}

std::optional<std::string> resolvePortName(std::string_view chosen,
                                           const std::function<std::optional<std::string>()>& simulatorPort)
{
    if (isSimulatorPortName(chosen))
        return simulatorPort();
    return std::string(trimmedBlanks(chosen));
}

std::string_view trimmedBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace orvane::link
