#pragma once
// The monitor's files (the layout, the trend's picture and data) are replaced only by
// their whole new contents, synced to the disk: a failure leaves the old file as it was.

#include <QByteArray>
#include <QString>

#include <optional>

namespace orvane::monitor {

// The reason when `bytes` could not be written as the whole of `path`.
std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes);

} // namespace orvane::monitor
