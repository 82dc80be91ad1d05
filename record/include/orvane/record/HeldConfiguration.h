#pragma once
// What a controller holds, told from the transfer history: the entry of the transfer
// that left it so, or the recorded state nearest to it and what differs.

#include "orvane/record/ControllerImage.h"
#include "orvane/record/TransferHistory.h"

#include <QJsonObject>

#include <optional>

namespace orvane::record {

struct HeldConfiguration {
    QString imageSha256;
    std::optional<TransferEntry> match;     // the newest completed transfer that left this image
    std::optional<TransferEntry> nearest;   // else the recorded image with the fewest differences
    ImageDifferences differences;           // from the nearest
    QStringList warnings;                   // files of the history that are no whole entries
};

// Looks the image up: a completed download first, else any completed transfer (an
// upload or verify read it so); the nearest is sought among every entry with an image,
// a download first among equals.
HeldConfiguration heldConfiguration(const TransferHistory& history, const orvane::transfer::ControllerMemory& image);

// "plant.mdb as downloaded 2026-12-01 14:03 UTC by LOGIN on HOST".
QString recordedState(const TransferEntry& entry);
// What a person is told: "The controller holds ...", or that it matches no recorded
// download, with the nearest and its differences.
QString heldText(const HeldConfiguration& held);
QJsonObject heldJson(const HeldConfiguration& held);

} // namespace orvane::record
