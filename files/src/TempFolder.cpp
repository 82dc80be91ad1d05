#include "orvane/files/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::files {

namespace {

QString failure(const QString& what, const QString& path)
{
    return what + QStringLiteral(" ") + path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

class OwnedFd {
public:
    explicit OwnedFd(int fd) : fd_(fd) {}
    ~OwnedFd() { if (fd_ >= 0) ::close(fd_); }
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;
    int get() const { return fd_; }
    bool closeNow()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

QString tempFolder()
{
    const QString temp = qEnvironmentVariable("TEMP");
    if (!temp.isEmpty())
        return temp;
    const QString folder = QDir::tempPath() + QStringLiteral("/orvane-") + QString::number(::getuid());
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error(failure(QStringLiteral("Cannot make the temporary folder"), folder).toStdString());
    // Someone else may have made the name first, in a folder everybody writes.
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        throw std::runtime_error(failure(QStringLiteral("Cannot use the temporary folder"), folder).toStdString());
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        throw std::runtime_error(("The temporary folder " + folder + " is not a folder of this user's own").toStdString());
    if ((st.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) != 0)
        throw std::runtime_error(failure(QStringLiteral("Cannot make private the temporary folder"), folder).toStdString());
    return folder;
}

std::optional<QString> replaceFileContent(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    QByteArray temp = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                        + QStringLiteral(".new-XXXXXX"));
    OwnedFd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.get() < 0)
        return failure(QStringLiteral("Cannot write in"), info.absolutePath());
    const bool written = writeAll(out.get(), bytes);
    if (!written || !out.closeNow()) {
        const QString reason = failure(QStringLiteral("Cannot write"), path);
        ::unlink(temp.constData());
        return reason;
    }
    if (::rename(temp.constData(), QFile::encodeName(path).constData()) != 0) {
        const QString reason = failure(QStringLiteral("Cannot replace"), path);
        ::unlink(temp.constData());
        return reason;
    }
    return std::nullopt;
}

std::optional<QByteArray> readRegularFile(const QString& path)
{
    OwnedFd in(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    QByteArray bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return bytes;
        bytes.append(buffer, n);
    }
}

} // namespace orvane::files
