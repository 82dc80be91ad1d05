#include "orvane/files/WorkingCopy.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::files {

namespace {

QString errnoText(const QString& what, const QString& path)
{
    return what + QStringLiteral(" ") + path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

struct Fd {
    int fd = -1;
    ~Fd() { if (fd >= 0) ::close(fd); }
};

// Copies all bytes from in to out and syncs out.
std::optional<QString> copyBytes(int in, int out, const QString& source, const QString& target)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errnoText(QStringLiteral("Cannot read"), source);
        }
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return errnoText(QStringLiteral("Cannot write"), target);
            }
            done += w;
        }
    }
    if (::fsync(out) != 0)
        return errnoText(QStringLiteral("Cannot write"), target);
    return std::nullopt;
}

std::optional<QString> takeTimesAndMode(int out, const struct stat& st, const QString& target)
{
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out, times) != 0)
        return errnoText(QStringLiteral("Cannot set the times of"), target);
    if (::fchmod(out, st.st_mode & 07777) != 0)
        return errnoText(QStringLiteral("Cannot set the permissions of"), target);
    return std::nullopt;
}

} // namespace

QString workingCopyFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty() || !QDir().mkpath(dir))
        dir = QDir::tempPath();
    return dir;
}

QString GetWorkFileName()
{
    QTemporaryFile file(workingCopyFolder() + QStringLiteral("/OrvXXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        throw std::runtime_error(("Cannot make a working copy in " + workingCopyFolder() + ": "
                                  + file.errorString()).toStdString());
    return file.fileName();
}

std::optional<QString> copyKeepingTimes(const QString& source, const QString& target)
{
    Fd in, out;
    const QByteArray src = QFile::encodeName(source), dst = QFile::encodeName(target);
    in.fd = ::open(src.constData(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0)
        return errnoText(QStringLiteral("Cannot open"), source);
    struct stat st {};
    if (::fstat(in.fd, &st) != 0)
        return errnoText(QStringLiteral("Cannot read"), source);
    out.fd = ::open(dst.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out.fd < 0)
        return errnoText(QStringLiteral("Cannot write"), target);
    if (auto e = copyBytes(in.fd, out.fd, source, target))
        return e;
    return takeTimesAndMode(out.fd, st, target);
}

std::optional<QString> copyBackAtomically(const QString& source, const QString& target)
{
    const QFileInfo targetInfo(target);
    if (targetInfo.isDir())
        return target + QStringLiteral(" is a folder");
    const QString folder = targetInfo.absolutePath();
    QByteArray temp = QFile::encodeName(folder + QStringLiteral("/.") + targetInfo.fileName()
                                        + QStringLiteral(".saving-XXXXXX"));
    Fd in, out;
    in.fd = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0)
        return errnoText(QStringLiteral("Cannot open"), source);
    struct stat st {};
    if (::fstat(in.fd, &st) != 0)
        return errnoText(QStringLiteral("Cannot read"), source);
    out.fd = ::mkstemp(temp.data());
    if (out.fd < 0)
        return errnoText(QStringLiteral("Cannot write in"), folder);
    auto fail = [&](std::optional<QString> e) {
        ::unlink(temp.constData());
        return e;
    };
    if (auto e = copyBytes(in.fd, out.fd, source, target))
        return fail(e);
    if (auto e = takeTimesAndMode(out.fd, st, target))
        return fail(e);
    if (::rename(temp.constData(), QFile::encodeName(target).constData()) != 0)
        return fail(errnoText(QStringLiteral("Cannot replace"), target));
    Fd dir;
    dir.fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir.fd >= 0)
        ::fsync(dir.fd);   // make the rename itself durable
    return std::nullopt;
}

bool deleteFileForced(const QString& path)
{
    const QByteArray p = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(p.constData(), &st) != 0)
        return errno == ENOENT;
    if (!(st.st_mode & S_IWUSR))
        ::chmod(p.constData(), (st.st_mode & 07777) | S_IWUSR);
    return ::unlink(p.constData()) == 0;
}

bool isReadOnlyFile(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return !(st.st_mode & S_IWUSR);
}

std::optional<qint64> modificationTimeNs(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

} // namespace orvane::files
