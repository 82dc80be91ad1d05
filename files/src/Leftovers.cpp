#include "orvane/files/Leftovers.h"

#include "orvane/files/WorkingCopy.h"

#include "Held.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>
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
    // Only ever a saving file: a marker changed to point elsewhere removes nothing.
    if (!detail::isSavingFileName(QFileInfo(QFile::decodeName(saving)).fileName()))
        return 0;
    int removed = 0;
    if (ownedRegularFile(saving) && removeIfUnheld(saving))
        ++removed;
    struct stat gone {};
    if (::lstat(saving.constData(), &gone) != 0)
        ::unlink(marker.constData());
    return removed;
}

} // namespace

int removeLeftovers()
{
    const QString folder = workingCopyFolder();
    const detail::FolderLock lock(folder, true);
    const QDir dir(folder);
    int removed = 0;
    for (const QString& name : dir.entryList({QStringLiteral("Orv*.tmp")}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        if (ownedRegularFile(path) && removeIfUnheld(path))
            ++removed;
    }
    for (const QString& name : dir.entryList({QStringLiteral("Orv*.saving")}, QDir::AllEntries | QDir::Hidden | QDir::System))
        removed += followMarker(QFile::encodeName(dir.filePath(name)));
    return removed;
}

void removeWorkingFilesOnTermination()
{
    detail::installTerminationHandlers();
}

} // namespace orvane::files
