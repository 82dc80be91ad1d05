#include "WorkingCopy.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::cli {

namespace {

QString systemError(const QString& what)
{
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const char* data, ssize_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool syncPath(const QByteArray& path, int flags)
{
    const int fd = ::open(path.constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

WorkingCopy::WorkingCopy(const QString& original, const QString& folder) : original_(original)
{
    const QByteArray source = QFile::encodeName(original);
    const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        error_ = systemError(original);
        return;
    }
    struct stat info {};
    ::fstat(in, &info);
    QByteArray pattern = QFile::encodeName(folder + QStringLiteral("/.") + QFileInfo(original).fileName() +
                                           QStringLiteral(".orvane-XXXXXX"));
    const int out = ::mkstemp(pattern.data());
    if (out < 0) {
        error_ = systemError(QStringLiteral("cannot make a working copy in ") + folder);
        ::close(in);
        return;
    }
    path_ = QFile::decodeName(pattern);
    // The replacement keeps the original's permissions.
    ::fchmod(out, info.st_mode & 07777);
    char buffer[65536];
    bool copied = true;
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (n > 0 && !writeAll(out, buffer, n))) {
            copied = false;
            break;
        }
        if (n == 0)
            break;
    }
    if (!copied)
        error_ = systemError(QStringLiteral("cannot copy ") + original);
    ::close(out);
    ::close(in);
}

WorkingCopy::~WorkingCopy()
{
    if (!replaced_ && !path_.isEmpty())
        ::unlink(QFile::encodeName(path_).constData());
}

bool WorkingCopy::replaceOriginal()
{
    const QByteArray copy = QFile::encodeName(path_);
    const QByteArray target = QFile::encodeName(original_);
    if (!syncPath(copy, O_RDONLY)) {
        error_ = systemError(QStringLiteral("cannot write ") + path_);
        return false;
    }
    if (::rename(copy.constData(), target.constData()) != 0) {
        error_ = systemError(QStringLiteral("cannot replace ") + original_);
        return false;
    }
    replaced_ = true;
    // The rename itself reaches the disk only with its folder.
    syncPath(QFile::encodeName(QFileInfo(original_).absolutePath()), O_RDONLY | O_DIRECTORY);
    return true;
}

} // namespace orvane::cli
