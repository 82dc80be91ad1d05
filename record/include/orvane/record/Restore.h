#pragma once
// A recorded configuration brought back as a file of its own.

#include "orvane/record/TransferEntry.h"

#include <QString>

#include <optional>

namespace orvane::record {

// Builds the configuration `entry` recorded, through the text form's import, with the
// catalogue in `catalogueFolder`, as the new file `target`: written whole and synced,
// and never over a file that exists. The reason when it cannot be.
std::optional<QString> restoreEntry(const TransferEntry& entry, const QString& catalogueFolder, const QString& target);

} // namespace orvane::record
