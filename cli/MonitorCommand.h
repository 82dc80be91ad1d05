#pragma once
// orvane monitor: a data logger for scripts. Polls the chosen blocks of a configuration
// and prints a CSV header, then one line a pass, until the count is reached or the
// user interrupts (Ctrl+C, SIGTERM); the port is closed either way.

#include "CommandLine.h"

namespace kessig { class OrvaneDB; }
namespace orvane::link { class Link; }

namespace orvane::cli {

class TerminalReporter;

// The exit code: 0 when it ended as asked (or the reader of its output went away).
int monitorBlocks(const Options& options, orvane::link::Link& link, kessig::OrvaneDB& db, TerminalReporter& reporter);

} // namespace orvane::cli
