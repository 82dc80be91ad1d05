// orvane ports: the serial ports of this computer, their other names, and whether this
// user can open each now, or why not.
#include "Commands.h"

#include "CommonOptions.h"
#include "Terminal.h"

#include "orvane/arguments/ExitStatus.h"
#include "orvane/link/PortList.h"

#include <QJsonArray>

#include <cstdio>

namespace orvane::cli {

using namespace orvane::arguments;
using orvane::link::PortState;

namespace {

const char* stateName(PortState state)
{
    switch (state) {
    case PortState::Available: return "available";
    case PortState::Busy: return "in-use";
    case PortState::NotPermitted: return "not-permitted";
    case PortState::Missing:
    case PortState::Unusable: break;
    }
    return "not-available";
}

int listPorts(const Arguments& arguments)
{
    const auto ports = orvane::link::systemPorts();
    if (arguments.isSet("names")) {
        // Nothing is opened: fast and without touching a line, for completion.
        for (const auto& port : ports) {
            std::printf("%s\n", port.device.c_str());
            for (const std::string& name : port.byId)
                std::printf("%s\n", name.c_str());
        }
        return kExitDone;
    }
    std::vector<std::string> devices;
    for (const auto& port : ports)
        devices.push_back(port.device);
    QJsonArray listed;
    for (const auto& port : ports) {
        const orvane::link::PortStatus status = orvane::link::serialPortStatus(port.device);
        const std::string reason = orvane::link::portProblemText(status, devices);
        if (arguments.isSet("json")) {
            QJsonArray byId;
            for (const std::string& name : port.byId)
                byId.append(QString::fromStdString(name));
            listed.append(QJsonObject{{"device", QString::fromStdString(port.device)},
                                      {"byId", byId},
                                      {"description", QString::fromStdString(port.description)},
                                      {"state", stateName(status.state)},
                                      {"reason", QString::fromStdString(reason)}});
            continue;
        }
        std::printf("%s  %s%s%s\n", port.device.c_str(), stateName(status.state),
                    reason.empty() ? "" : (": " + reason).c_str(),
                    port.description.empty() ? "" : ("  (" + port.description + ")").c_str());
        for (const std::string& name : port.byId)
            std::printf("  %s\n", name.c_str());
    }
    if (arguments.isSet("json"))
        return printJson({{"ports", listed}}) ? kExitDone : kExitUsage;
    if (ports.empty() && !arguments.isSet("quiet"))
        say(QStringLiteral("this computer shows no serial port"));
    return kExitDone;
}

} // namespace

Command portsCommand()
{
    Syntax syntax(QStringLiteral("orvane ports"), "list the serial ports, and whether each can be opened now");
    syntax
        .about("One line a port: its device, whether this user can open it now (available, in-use, not-permitted, "
               "not-available) with the reason and what to do, and what the system says it is; then, indented, its "
               "names under /dev/serial/by-id, which stay the same whichever device number an adapter gets. --port "
               "takes any of these names. Opening a port to test it sets its control lines, as any program "
               "opening it does.")
        .option(jsonOption())
        .option({{"names"}, {}, "print only the ports' names (devices and by-id names), one a line, without opening "
                                "any"})
        .option(quietOption());
    withExitStatuses(syntax, {kExitDone, kExitUsage});
    syntax.section("JSON output:", "{\"ports\": [{\"device\": \"/dev/ttyUSB0\", \"byId\": [its names under "
                                   "/dev/serial/by-id], \"description\": what the system says it is, \"state\": "
                                   "\"available\", \"in-use\", \"not-permitted\" or \"not-available\", \"reason\": why "
                                   "it cannot be opened (\"\" when available)}]}");
    return {"ports", syntax, listPorts};
}

} // namespace orvane::cli
