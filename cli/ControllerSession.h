#pragma once
// What a command that talks to the controller holds: the link set to the chosen line
// (with a simulator started for "Simulator"), and the reporter that says what happens.

#include "CommonOptions.h"
#include "Terminal.h"

#include "orvane/link/Link.h"
#include "orvane/sim/SimulatorProcess.h"
#include "orvane/transfer/Commands.h"

#include <memory>

namespace orvane::cli {

class ControllerSession {
public:
    explicit ControllerSession(bool quiet);
    // Points the link at the line the options choose: nullopt when the command may go on,
    // else its exit status, the reason said (a bad option, a simulator that did not start).
    std::optional<int> connect(const args::Arguments& arguments);

    orvane::link::Link link;
    TerminalReporter reporter;

private:
    std::unique_ptr<orvane::sim::SimulatorProcess> simulator_;
};

// Sets the link's port: a port number, or the name of a device or a device server.
void pointAt(orvane::link::Link& link, const std::string& port);

// The exit status a transfer's outcome gives.
int exitStatusOf(orvane::transfer::Outcome outcome);

} // namespace orvane::cli
