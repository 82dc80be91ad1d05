#pragma once
// The commands of orvane. Each is made by a function here, defined beside what it does,
// and named once in main.cpp: its syntax (arguments, options, exit statuses, its JSON
// output) gives its --help and "orvane help COMMAND", and its run function its work.

#include "orvane/arguments/CommandSet.h"

namespace orvane::cli {

arguments::Command downloadCommand();
arguments::Command uploadCommand();
arguments::Command verifyCommand();
arguments::Command versionIdCommand();
arguments::Command portsCommand();
arguments::Command monitorCommand();
arguments::Command printCommand();
arguments::Command compareCommand();
arguments::Command exportCommand();
arguments::Command importCommand();
arguments::Command checkCommand();
arguments::Command xrefCommand();
arguments::Command diagramCommand();
arguments::Command historyCommand();
arguments::Command identifyCommand();

} // namespace orvane::cli
