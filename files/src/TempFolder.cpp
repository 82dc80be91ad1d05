#include "orvane/files/TempFolder.h"

#include "Held.h"
#include "Io.h"
#include "PrivateFolder.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::files {

using detail::Fd;
using detail::errnoText;

QString tempFolder()
{
    const QString temp = qEnvironmentVariable("TEMP");
    if (!temp.isEmpty())
        if (const auto own = detail::ownClosedFolder(temp))
            return *own;
    return detail::privateTemporaryFolder();
}

namespace {

// Writes `bytes` into a new file beside `path` (".NAME.new-XXXXXX") and hands it to
// `place`, which gives it its name; the file is removed when that fails. The file is
// held while it is written, so that a program starting meanwhile leaves it, and goes
// with a termination signal, or after any other end with the next start (the marker
// leads there).
std::optional<QString> writeBeside(const QString& path, const QByteArray& bytes, bool synced,
                                   const std::function<std::optional<QString>(const QByteArray& temp)>& place)
{
    const QFileInfo info(path);
    QByteArray temp = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                        + QStringLiteral(".new-XXXXXX"));
    Fd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (!out)
        return errnoText(QStringLiteral("Cannot write in"), info.absolutePath());
    detail::lockWithoutWaiting(out.fd);
    detail::removeOnTermination(temp);
    const detail::LeftoverMarker marker(temp);
    const auto fail = [&](const QString& reason) {
        ::unlink(temp.constData());
        detail::keepOnTermination(temp);
        return reason;
    };
    // Some file systems report a failed write only when a descriptor is closed: a
    // duplicate is closed, so that the file stays held until it is renamed.
    if (!detail::writeAllAt(out.fd, bytes, 0) || (synced && ::fsync(out.fd) != 0)
        || ::close(::fcntl(out.fd, F_DUPFD_CLOEXEC, 0)) != 0)
        return fail(errnoText(QStringLiteral("Cannot write"), path));
    if (const auto failure = place(temp))
        return fail(*failure);
    detail::keepOnTermination(temp);
    return std::nullopt;
}

// Gives `temp` the name `path` unless a file has it: an atomic rename where the file
// system offers one that never replaces, else a hard link; a file system with neither
// (some network shares) gets a plain rename after a look.
std::optional<QString> nameWithoutReplacing(const QByteArray& temp, const QString& path)
{
    const QByteArray target = QFile::encodeName(path);
    if (::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return std::nullopt;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errnoText(QStringLiteral("Cannot write"), path);
    if (::link(temp.constData(), target.constData()) == 0) {
        ::unlink(temp.constData());
        return std::nullopt;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
        return errnoText(QStringLiteral("Cannot write"), path);
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0) {
        errno = EEXIST;
        return errnoText(QStringLiteral("Cannot write"), path);
    }
    if (::rename(temp.constData(), target.constData()) != 0)
        return errnoText(QStringLiteral("Cannot write"), path);
    return std::nullopt;
}

} // namespace

std::optional<QString> replaceFileContent(const QString& path, const QByteArray& bytes)
{
    return writeBeside(path, bytes, false, [&](const QByteArray& temp) -> std::optional<QString> {
        if (::rename(temp.constData(), QFile::encodeName(path).constData()) != 0)
            return errnoText(QStringLiteral("Cannot replace"), path);
        return std::nullopt;
    });
}

std::optional<QString> writeNewFile(const QString& path, const QByteArray& bytes)
{
    const auto failure = writeBeside(path, bytes, true, [&](const QByteArray& temp) { return nameWithoutReplacing(temp, path); });
    if (failure)
        return failure;
    // The name itself lasts only once the folder is synced.
    const Fd folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder || ::fsync(folder.fd) != 0)
        return errnoText(QStringLiteral("Cannot sync the folder of"), path);
    return std::nullopt;
}

std::optional<QByteArray> readRegularFile(const QString& path)
{
    const Fd in(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (!in || ::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return detail::readAll(in.fd);
}

} // namespace orvane::files
