#include "linkwin/comm/SessionSimulator.h"

#include "orvane/sim/SimulatorProcess.h"
#include "ui/MessageSeam.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <memory>

namespace brevant::linkwin {

namespace {

std::unique_ptr<orvane::sim::SimulatorProcess>& simulator()
{
    static std::unique_ptr<orvane::sim::SimulatorProcess> process;
    return process;
}

// The child must be stopped while the application still runs its event machinery.
void stopSimulator() { simulator().reset(); }

bool stillServing(const orvane::sim::SimulatorProcess& process)
{
    const QString port = process.portName();
    return !port.startsWith('/') || QFileInfo::exists(port);
}

} // namespace

std::optional<std::string> sessionSimulatorPort()
{
    auto& process = simulator();
    if (process && stillServing(*process))
        return process->portName().toStdString();
    static bool stopRegistered = false;
    if (!stopRegistered) {
        qAddPostRoutine(stopSimulator);
        stopRegistered = true;
    }
    process = std::make_unique<orvane::sim::SimulatorProcess>();
    if (!process->start()) {
        showMessage(nullptr, QStringLiteral("Could not start the controller simulator: ") + process->errorText());
        process.reset();
        return std::nullopt;
    }
    return process->portName().toStdString();
}

} // namespace brevant::linkwin
