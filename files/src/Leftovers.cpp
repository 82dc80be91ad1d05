#include "orvane/files/Leftovers.h"

#include "orvane/files/WorkingCopy.h"

#include "Held.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::files {

namespace {

bool ownedRegularFile(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

bool removeIfUnheld(const QByteArray& path)
{
    const auto held = detail::holdIfUnheld(path);
    return held && detail::stillNames(*held, path) && deleteFileForced(QFile::decodeName(path));
}

// A marker leads to a saving file beside a user's file; the marker goes once the
// saving file is gone, whoever removed it.
int followMarker(const QByteArray& marker)
{
    struct stat st {};
    if (::lstat(marker.constData(), &st) != 0 || !S_ISLNK(st.st_mode) || st.st_uid != ::geteuid())
        return 0;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(marker.constData(), target, sizeof target - 1);
    if (n <= 0)
        return 0;
    const QByteArray saving(target, n);
    // Only ever a file written beside another: a marker changed to point elsewhere
    // removes nothing.
    if (!detail::isMarkableFileName(QFileInfo(QFile::decodeName(saving)).fileName()))
        return 0;
    int removed = 0;
    if (ownedRegularFile(saving) && removeIfUnheld(saving))
        ++removed;
    struct stat gone {};
    if (::lstat(saving.constData(), &gone) != 0)
        ::unlink(marker.constData());
    return removed;
}

// A folder made by WorkingFolder, with its files.
bool removeFolderIfUnheld(const QByteArray& path)
{
    const auto held = detail::holdIfUnheld(path, detail::Kind::Folder);
    if (!held || !detail::stillNames(*held, path))
        return false;
    detail::removeFilesIn(held->fd());
    return ::rmdir(path.constData()) == 0;
}

} // namespace

int removeLeftovers()
{
    QString folder;
    try {
        folder = workingCopyFolder();
    } catch (const std::runtime_error&) {
        return 0;   // no folder of this user's own, so none of its files either
    }
    // Another program making a file there or clearing it: the next start clears instead.
    const detail::FolderLock lock(folder, true);
    if (!lock.held())
        return 0;
    const QDir dir(folder);
    int removed = 0;
    for (const QString& name : dir.entryList({QStringLiteral("Orv*.tmp")}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        if (ownedRegularFile(path) && removeIfUnheld(path))
            ++removed;
    }
    for (const QString& name : dir.entryList({QStringLiteral("Orv*.saving")}, QDir::AllEntries | QDir::Hidden | QDir::System))
        removed += followMarker(QFile::encodeName(dir.filePath(name)));
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        if (detail::isWorkingFolderName(name) && removeFolderIfUnheld(QFile::encodeName(dir.filePath(name))))
            ++removed;
    return removed;
}

void removeWorkingFilesOnTermination()
{
    detail::installTerminationHandlers();
}

} // namespace orvane::files
