#pragma once
// orvane export and orvane import: a configuration as diffable text and back. They
// need no controller, so they stand apart from the transfer commands.

#include <QString>
#include <QStringList>

#include <optional>

namespace orvane::cli {

// Runs `export FILE [-o TEXT]` or `import TEXT FILE`; nullopt when the arguments
// (without the program name) ask for neither. Returns the exit status.
std::optional<int> runTextCommand(const QStringList& arguments);

QString textCommandsUsage();

} // namespace orvane::cli
