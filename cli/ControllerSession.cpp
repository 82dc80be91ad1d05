#include "ControllerSession.h"

#include "orvane/arguments/ExitStatus.h"
#include "orvane/link/PortList.h"

namespace orvane::cli {

using namespace orvane::arguments;

ControllerSession::ControllerSession(bool quiet) : reporter(stderr, quiet) { link.setReporter(&reporter); }

std::optional<int> ControllerSession::connect(const args::Arguments& arguments)
{
    QString error;
    const auto chosen = chosenLine(arguments, error);
    if (!chosen)
        return arguments.usageError(error);
    const Line& line = *chosen;
    const auto port = orvane::link::resolvePortName(line.port.toStdString(), [&]() -> std::optional<std::string> {
        simulator_ = std::make_unique<orvane::sim::SimulatorProcess>();
        if (!simulator_->start()) {
            say(QStringLiteral("cannot start the simulator: ") + simulator_->errorText());
            return std::nullopt;
        }
        return simulator_->portName().toStdString();
    });
    if (!port)
        return kExitNoController;
    pointAt(link, *port);
    link.settings.CommBaudRate = line.baud.toStdString();
    link.settings.CommParity = line.parity.toStdString();
    return std::nullopt;
}

void pointAt(orvane::link::Link& link, const std::string& port)
{
    bool isNumber = false;
    const int number = QString::fromStdString(port).toInt(&isNumber);
    if (isNumber && number > 0) {
        link.settings.CommPortNumber = static_cast<int16_t>(number);
        link.settings.CommPortName.clear();
    } else {
        link.settings.CommPortName = port;
    }
}

int exitStatusOf(orvane::transfer::Outcome outcome)
{
    switch (outcome) {
    case orvane::transfer::Outcome::Completed: return kExitDone;
    case orvane::transfer::Outcome::Declined: return kExitDeclined;
    case orvane::transfer::Outcome::NoController: return kExitNoController;
    case orvane::transfer::Outcome::Cancelled: return kExitInterrupted;
    case orvane::transfer::Outcome::Failed: break;
    }
    return kExitUsage;
}

} // namespace orvane::cli
