#pragma once
// The controller simulator behind the "Simulator" port.

#include <optional>
#include <string>

namespace brevant::linkwin {

// The port of the session's simulator: started on first use, kept for the rest of
// the run, started again if it has gone. nullopt when it cannot be started; the
// user has then been told why.
std::optional<std::string> sessionSimulatorPort();

} // namespace brevant::linkwin
