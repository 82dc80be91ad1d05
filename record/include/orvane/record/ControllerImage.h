#pragma once
// The controller image an entry keeps: the messages, quick messages, block table and the
// constant slots in use, one after the other, as the controller holds them. Two
// controllers that hold the same image run the same configuration.

#include "orvane/transfer/Verify.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace orvane::record {

QByteArray imageBytes(const orvane::transfer::ControllerMemory& memory);
// nullopt when the bytes are too short to be an image.
std::optional<orvane::transfer::ControllerMemory> memoryOfImage(const QByteArray& bytes);

// What differs between two images, by the numbers of the records.
struct ImageDifferences {
    std::vector<int> blocks;     // the block record or one of the block's constants
    std::vector<int> messages;
    std::vector<int> quick;
    size_t count() const { return blocks.size() + messages.size() + quick.size(); }
    // "blocks 4, 12; message 3; quick message 0"
    QString text() const;
};
ImageDifferences imageDifferences(const orvane::transfer::ControllerMemory& one,
                                  const orvane::transfer::ControllerMemory& other);

} // namespace orvane::record
