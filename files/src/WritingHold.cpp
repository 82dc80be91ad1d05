#include "orvane/files/WritingHold.h"

#include "Io.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::files {

namespace {

// Far past the content of any configuration and the engine's own lock bytes (1 GiB).
constexpr off_t kHoldByte = off_t(1) << 62;

struct flock holdRange(short type)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = kHoldByte;
    range.l_len = 1;
    return range;
}

// A lock of another open file description on the hold byte; a lock of `fd`'s own is no conflict.
bool anotherHolds(int fd)
{
    struct flock probe = holdRange(F_WRLCK);
    return ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

int openForHold(const QString& path) { return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

} // namespace

WritingHold::WritingHold(const QString& path) : fd_(openForHold(path))
{
    struct flock hold = holdRange(F_RDLCK);
    if (fd_ >= 0 && ::fcntl(fd_, F_OFD_SETLK, &hold) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

WritingHold::~WritingHold()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool WritingHold::holds(const QString& path) const
{
    struct stat mine {}, named {};
    return fd_ >= 0 && ::fstat(fd_, &mine) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0
           && mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

bool WritingHold::othersHold() const { return fd_ >= 0 && anotherHolds(fd_); }

bool heldForWriting(const QString& path)
{
    const detail::Fd file(openForHold(path));
    return file && anotherHolds(file.fd);
}

} // namespace orvane::files
