#include "orvane/files/WorkingCopy.h"

#include "Held.h"
#include "Io.h"
#include "PrivateFolder.h"

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

namespace {

QString lockedFolder(const QString& folder)
{
    return QStringLiteral("The folder ") + folder + QStringLiteral(" is locked by another program of this user; try again.");
}

// The folder the per-user data folder is made in: the home folder, or the one above
// XDG_DATA_HOME when that is set. Nothing is made there unless it exists (a home such as
// /nonexistent, given to system users, is no home) and no other user can change it.
bool dataFolderHasAHome(const QString& dataFolder)
{
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    const QString home = !xdg.isEmpty() && QDir::isAbsolutePath(xdg) ? QFileInfo(dataFolder).path() : QDir::homePath();
    return !detail::whyOpenToOthers(home);
}

} // namespace

QString workingCopyFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!data.isEmpty() && dataFolderHasAHome(data) && QDir().mkpath(data)) {
        try {
            return detail::makePrivateFolder(data, QStringLiteral("Orvane"));
        } catch (const std::runtime_error&) {
            // A data folder that others can change: as without a home.
        }
    }
    return detail::privateTemporaryFolder();
}

QString privateFolderNamed(const QString& name)
{
    return detail::makePrivateFolder(workingCopyFolder(), name);
}

QString GetWorkFileName()
{
    const QString folder = workingCopyFolder();
    QTemporaryFile file(folder + QStringLiteral("/OrvXXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        throw std::runtime_error(("Cannot make a working copy in " + folder + ": " + file.errorString()).toStdString());
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
        const QString folder = workingCopyFolder();
        const detail::FolderLock lock(folder, false);
        if (!lock.held())
            throw std::runtime_error(lockedFolder(folder).toStdString());
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

struct WorkingFolder::Hold {
    detail::HeldFile lock;
};

WorkingFolder::WorkingFolder(Purpose purpose) : hold_(std::make_unique<Hold>())
{
    const QString folder = workingCopyFolder();
    const detail::FolderLock lock(folder, false);
    if (!lock.held())
        throw std::runtime_error(lockedFolder(folder).toStdString());
    const char* prefix = purpose == Purpose::Import ? detail::kImportFolderPrefix : detail::kJetFolderPrefix;
    QByteArray name = QFile::encodeName(folder + QLatin1Char('/') + QLatin1String(prefix) + QStringLiteral("XXXXXX"));
    // Held and known to the signal handler before a signal can end the program.
    const detail::TerminationSignalsHeld signalsHeld;
    if (!::mkdtemp(name.data()))
        throw std::runtime_error(errnoText(QStringLiteral("Cannot make a folder in"), folder).toStdString());
    hold_->lock = detail::HeldFile(::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!hold_->lock || !detail::lockWithoutWaiting(hold_->lock.fd())) {
        const QString reason = errnoText(QStringLiteral("Cannot hold the folder"), QFile::decodeName(name));
        ::rmdir(name.constData());
        throw std::runtime_error(reason.toStdString());
    }
    detail::removeOnTermination(name, detail::Kind::Folder);
    path_ = QFile::decodeName(name);
}

WorkingFolder::~WorkingFolder()
{
    const QByteArray name = QFile::encodeName(path_);
    detail::keepOnTermination(name);
    detail::removeFilesIn(hold_->lock.fd());
    ::rmdir(name.constData());
}

} // namespace orvane::files
