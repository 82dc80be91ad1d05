#include "orvane/files/WorkingCopy.h"
#include "orvane/files/TempFolder.h"

#include "Held.h"
#include "Io.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::files {

using detail::Fd;
using detail::errnoText;

QString workingCopyFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!dir.isEmpty())
        dir += QStringLiteral("/Orvane");
    if (!dir.isEmpty() && QDir().mkpath(dir))
        return dir;
    // Without a usable home: this user's private temporary folder, never a shared one.
    try {
        return tempFolder();
    } catch (const std::runtime_error&) {
        return QDir::tempPath();   // GetWorkFileName's copies are private (0600) even there
    }
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

namespace {

std::optional<QString> copyWithTimes(const QString& source, const QString& target, bool synced)
{
    const Fd in(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    if (!in)
        return errnoText(QStringLiteral("Cannot open"), source);
    struct stat st {};
    if (::fstat(in.fd, &st) != 0)
        return errnoText(QStringLiteral("Cannot read"), source);
    const auto content = detail::readAll(in.fd);
    if (!content)
        return errnoText(QStringLiteral("Cannot read"), source);
    const Fd out(::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out)
        return errnoText(QStringLiteral("Cannot write"), target);
    if (!detail::writeAllAt(out.fd, *content, 0) || (synced && ::fsync(out.fd) != 0))
        return errnoText(QStringLiteral("Cannot write"), target);
    // Private to this user whatever the original's mode; the owner's write bit carries
    // the read-only mark over.
    if (::fchmod(out.fd, (st.st_mode & S_IWUSR) ? 0600 : 0400) != 0)
        return errnoText(QStringLiteral("Cannot set the permissions of"), target);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.fd, times) != 0)
        return errnoText(QStringLiteral("Cannot set the times of"), target);
    return std::nullopt;
}

} // namespace

std::optional<QString> copyKeepingTimes(const QString& source, const QString& target)
{
    return copyWithTimes(source, target, true);
}

std::optional<QString> copyForWorking(const QString& source, const QString& target)
{
    return copyWithTimes(source, target, false);
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

struct WorkingCopy::Hold {
    detail::HeldFile lock;
};

WorkingCopy::WorkingCopy(const QString& original, const CopyFunction& copy)
    : original_(original), hold_(std::make_unique<Hold>())
{
    {
        // Made and locked under the folder's shared lock: a program clearing leftovers
        // meanwhile never sees it unheld.
        const detail::FolderLock folder(workingCopyFolder(), false);
        path_ = GetWorkFileName();
        hold_->lock = detail::HeldFile(::open(QFile::encodeName(path_).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!hold_->lock || !detail::lockWithoutWaiting(hold_->lock.fd())) {
            const QString reason = errnoText(QStringLiteral("Cannot hold the working copy"), path_);
            deleteFileForced(path_);
            throw std::runtime_error(reason.toStdString());
        }
    }
    detail::removeOnTermination(QFile::encodeName(path_));
    // The file is read before and after the copy: a file written meanwhile would give a
    // copy of neither content.
    const auto before = detail::readRegularWithStatus(original);
    auto failure = before ? copy(original, path_) : detail::errnoText(QStringLiteral("Cannot read"), original);
    if (!failure) {
        const auto after = detail::readRegularWithStatus(original);
        if (!after || after->status.st_dev != before->status.st_dev || after->status.st_ino != before->status.st_ino
            || after->content != before->content)
            failure = original + QStringLiteral(" changed while it was being copied; open it again.");
    }
    if (failure) {
        detail::keepOnTermination(QFile::encodeName(path_));
        deleteFileForced(path_);
        throw std::runtime_error(failure->toStdString());
    }
    originalVersion_ = versionOf(before->status, before->content);
}

WorkingCopy::~WorkingCopy()
{
    detail::keepOnTermination(QFile::encodeName(path_));
    deleteFileForced(path_);
    // The lock goes last, with the file already gone.
}

} // namespace orvane::files
