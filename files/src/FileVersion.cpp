#include "orvane/files/FileVersion.h"

#include "Io.h"

#include <QCryptographicHash>

namespace orvane::files {

FileVersion versionOf(const struct stat& status, const QByteArray& content)
{
    return FileVersion{status.st_dev, status.st_ino, content.size(),
                       QCryptographicHash::hash(content, QCryptographicHash::Blake2b_256)};
}

std::optional<FileVersion> fileVersion(const QString& path)
{
    const auto read = detail::readRegularWithStatus(path);
    return read ? std::optional(versionOf(read->status, read->content)) : std::nullopt;
}

} // namespace orvane::files
