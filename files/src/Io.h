#pragma once
// Plain file-descriptor input and output with reasons that name the user's file.
#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/stat.h>

namespace orvane::files::detail {

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    ~Fd();
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    explicit operator bool() const { return fd >= 0; }
};

// "<what> <path>: <the system's reason>", from errno.
QString errnoText(const QString& what, const QString& path);

// The whole content of an open file from its start.
std::optional<QByteArray> readAll(int fd);
// Writes all of `bytes` from offset `at`.
bool writeAllAt(int fd, const QByteArray& bytes, off_t at);

// A regular file's status and whole content, both from one open file (links followed).
struct FileRead {
    struct stat status;
    QByteArray content;
};
std::optional<FileRead> readRegularWithStatus(const QString& path);

} // namespace orvane::files::detail
