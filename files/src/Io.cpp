#include "Io.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <cstring>
#include <unistd.h>

namespace orvane::files::detail {

Fd::~Fd() {
    if (fd >= 0) ::close(fd);
}

QString errnoText(const QString& what, const QString& path) {
    return what + QStringLiteral(" ") + path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

std::optional<QByteArray> readAll(int fd) {
    QByteArray all;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) all.reserve(st.st_size);
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) return all;
        all.append(buffer, n);
        at += n;
    }
}

bool writeAllAt(int fd, const QByteArray& bytes, off_t at) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t w = ::pwrite(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), at + done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += w;
    }
    return true;
}

std::optional<FileRead> readRegularWithStatus(const QString& path) {
    const Fd file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    FileRead read{};
    if (!file || ::fstat(file.fd, &read.status) != 0 || !S_ISREG(read.status.st_mode)) return std::nullopt;
    auto content = readAll(file.fd);
    if (!content) return std::nullopt;
    read.content = std::move(*content);
    return read;
}

} // namespace orvane::files::detail
