#include "orvane/files/FileVersion.h"

#include "Io.h"

#include <QCryptographicHash>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace orvane::files {

std::optional<FileVersion> fileVersion(const QString& path)
{
    // Status and content from one open file, so both describe the same one.
    const detail::Fd file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (!file || ::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    const auto content = detail::readAll(file.fd);
    if (!content)
        return std::nullopt;
    return FileVersion{st.st_dev, st.st_ino, content->size(),
                       QCryptographicHash::hash(*content, QCryptographicHash::Sha256)};
}

} // namespace orvane::files
