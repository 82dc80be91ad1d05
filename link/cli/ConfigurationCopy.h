#pragma once
// The copy of a user's configuration that a command hands to the store; the user's file
// itself is never opened by it.

#include "orvane/files/WorkingCopy.h"

#include <QString>
#include <memory>

namespace orvane::cli {

// A working copy of the configuration `file`, a legacy Jet file read into the tool set's
// own format on the way; nullptr, with the reason said, when there is no such file or no
// copy can be made.
std::unique_ptr<orvane::files::WorkingCopy> copyForStore(const QString& file);

} // namespace orvane::cli
