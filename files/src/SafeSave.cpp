#include "orvane/files/SafeSave.h"

#include "Held.h"
#include "Io.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::files {

using detail::Fd;
using detail::errnoText;

namespace {

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

struct FollowedLinks {
    QString file;          // where the links end; a missing last step is where a new file goes
    QString foreignLink;   // the first link on the way that this user must not write through
};

// A link in a folder with the sticky bit (a shared one, such as /tmp) that neither this
// user nor the folder's owner made: the kernel's own rule for such links. Anyone may put
// a link there, and make it name a file of the user who writes through it.
bool isForeignLink(const QString& link, const struct stat& st)
{
    struct stat folder {};
    return ::stat(encoded(QFileInfo(link).absolutePath()).constData(), &folder) == 0 && (folder.st_mode & S_ISVTX)
           && st.st_uid != ::geteuid() && st.st_uid != folder.st_uid;
}

std::optional<FollowedLinks> followLinks(const QString& target, QString& reason)
{
    FollowedLinks followed{QFileInfo(target).absoluteFilePath(), {}};
    QString& path = followed.file;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(encoded(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return followed;
        if (followed.foreignLink.isEmpty() && isForeignLink(path, st))
            followed.foreignLink = path;
        char link[PATH_MAX];
        const ssize_t n = ::readlink(encoded(path).constData(), link, sizeof link - 1);
        if (n < 0) {
            reason = errnoText(QStringLiteral("Cannot follow the link"), target);
            return std::nullopt;
        }
        const QString next = QFile::decodeName(QByteArray(link, n));
        path = QDir::cleanPath(QDir::isAbsolutePath(next) ? next : QFileInfo(path).absolutePath() + QLatin1Char('/') + next);
    }
    reason = target + QStringLiteral(": too many symbolic links");
    return std::nullopt;
}

// The file a path means: symbolic links followed to the end, but never one that another
// user put in a shared folder.
std::optional<QString> resolveLinks(const QString& target, QString& reason)
{
    const auto followed = followLinks(target, reason);
    if (!followed)
        return std::nullopt;
    if (!followed->foreignLink.isEmpty()) {
        reason = followed->foreignLink + QStringLiteral(" is a link that another user made in a shared folder; ")
                 + QStringLiteral("nothing is written through it to ") + followed->file;
        return std::nullopt;
    }
    return followed->file;
}

// A target that exists must be a plain file this user may write and that is not
// marked read-only (the owner's write bit).
std::optional<QString> refusal(const QString& target, const QString& resolved, const struct stat& st)
{
    if (!S_ISREG(st.st_mode))
        return target + (S_ISDIR(st.st_mode) ? QStringLiteral(" is a folder") : QStringLiteral(" is not a plain file"));
    if (!(st.st_mode & S_IWUSR) || ::access(encoded(resolved).constData(), W_OK) != 0)
        return target + QStringLiteral(" is read-only");
    return std::nullopt;
}

// Saving files beside the target that a killed program left.
void removeUnheldSavingFiles(const QString& folder, const QString& name)
{
    const QStringList entries = QDir(folder).entryList({QStringLiteral(".*.saving-*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (!detail::isSavingFileName(entry, name))
            continue;
        const QByteArray path = encoded(folder + QLatin1Char('/') + entry);
        if (const auto held = detail::holdIfUnheld(path); held && detail::stillNames(*held, path))
            ::unlink(path.constData());
    }
}

enum class Route { Done, InPlace, Failed };

// A new file beside the target, with the target's owner, group and mode (or, for a
// new target, the mode new files get), synced and renamed over it.
Route replaceByRename(const QString& target, const QString& resolved, const QByteArray& content,
                      const struct stat* old, QString& reason)
{
    const QFileInfo info(resolved);
    const QString folder = info.absolutePath();
    removeUnheldSavingFiles(folder, info.fileName());
    QByteArray temp = encoded(folder + QStringLiteral("/.") + info.fileName() + QStringLiteral(".saving-XXXXXX"));
    const Fd out(::mkstemp(temp.data()));
    if (!out) {
        if (old && (errno == EACCES || errno == EPERM))
            return Route::InPlace;
        reason = errnoText(QStringLiteral("Cannot write in"), folder);
        return Route::Failed;
    }
    detail::lockWithoutWaiting(out.fd);
    detail::removeOnTermination(temp);
    const detail::LeftoverMarker marker(temp);
    const auto fail = [&](Route route) {
        ::unlink(temp.constData());
        detail::keepOnTermination(temp);
        return route;
    };
    if (old) {
        struct stat mine {};
        ::fstat(out.fd, &mine);
        if ((mine.st_uid != old->st_uid || mine.st_gid != old->st_gid) && ::fchown(out.fd, old->st_uid, old->st_gid) != 0)
            return fail(Route::InPlace);  // a new file would change who owns the user's file
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(out.fd, old ? (old->st_mode & 07777) : (0666 & ~mask)) != 0) {
        reason = errnoText(QStringLiteral("Cannot set the permissions of"), target);
        return fail(Route::Failed);
    }
    if (!detail::writeAllAt(out.fd, content, 0) || ::fsync(out.fd) != 0) {
        reason = errnoText(QStringLiteral("Cannot write"), target);
        return fail(Route::Failed);
    }
    if (::rename(temp.constData(), encoded(resolved).constData()) != 0) {
        reason = errnoText(QStringLiteral("Cannot replace"), target);
        return fail(Route::Failed);
    }
    detail::keepOnTermination(temp);
    const Fd dir(::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir)
        ::fsync(dir.fd);  // makes the rename itself durable
    return Route::Done;
}

// The new content written into the file itself; the old content, read first, is put
// back when the writing fails half way.
std::optional<QString> replaceInPlace(const QString& target, const QString& resolved, const QByteArray& content)
{
    const Fd file(::open(encoded(resolved).constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (!file)
        return errnoText(QStringLiteral("Cannot write"), target);
    const auto old = detail::readAll(file.fd);
    if (!old)
        return errnoText(QStringLiteral("Cannot read"), target);
    if (detail::writeAllAt(file.fd, content, 0) && ::ftruncate(file.fd, content.size()) == 0 && ::fsync(file.fd) == 0)
        return std::nullopt;
    const QString reason = errnoText(QStringLiteral("Cannot write"), target);
    const bool restored =
        detail::writeAllAt(file.fd, *old, 0) && ::ftruncate(file.fd, old->size()) == 0 && ::fsync(file.fd) == 0;
    return reason + (restored ? QStringLiteral("; the file was left as it was")
                              : QStringLiteral("; the file may be damaged: save it again"));
}

} // namespace

std::optional<QString> whyNotReplaceable(const QString& target)
{
    QString reason;
    const auto resolved = resolveLinks(target, reason);
    if (!resolved)
        return reason;
    struct stat st {};
    if (::stat(encoded(*resolved).constData(), &st) != 0)
        return errnoText(QStringLiteral("Cannot find"), target);
    return refusal(target, *resolved, st);
}

std::optional<QString> saveContent(const QByteArray& content, const QString& target)
{
    QString reason;
    const auto resolved = resolveLinks(target, reason);
    if (!resolved)
        return reason;
    struct stat st {};
    const bool exists = ::stat(encoded(*resolved).constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return errnoText(QStringLiteral("Cannot find"), target);
    if (exists) {
        if (auto refused = refusal(target, *resolved, st))
            return refused;
        // Other hard links would keep the old content after a rename.
        if (st.st_nlink > 1)
            return replaceInPlace(target, *resolved, content);
    }
    switch (replaceByRename(target, *resolved, content, exists ? &st : nullptr, reason)) {
    case Route::Done: return std::nullopt;
    case Route::InPlace: return replaceInPlace(target, *resolved, content);
    case Route::Failed: break;
    }
    return reason;
}

std::optional<QString> copyBack(const QString& source, const QString& target)
{
    // The new content, complete and synced, before the target is touched.
    const Fd in(::open(encoded(source).constData(), O_RDONLY | O_CLOEXEC));
    if (!in)
        return errnoText(QStringLiteral("Cannot open"), source);
    const auto content = detail::readAll(in.fd);
    if (!content || ::fsync(in.fd) != 0)
        return errnoText(QStringLiteral("Cannot read"), source);
    return saveContent(*content, target);
}

std::optional<QString> linkedFile(const QString& path)
{
    struct stat st {};
    if (::lstat(encoded(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return std::nullopt;
    QString reason;
    const auto followed = followLinks(path, reason);
    return followed ? std::optional<QString>(followed->file) : std::nullopt;
}

} // namespace orvane::files
