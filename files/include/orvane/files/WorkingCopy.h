#pragma once
// The file side of the working copy: where it is made, how it is copied from and
// back to the user's file, how a change is seen and how it is removed.

#include <QDateTime>
#include <QString>
#include <optional>

namespace orvane::files {

// The folder of working copies: a per-user writable location.
QString workingCopyFolder();

// A new, empty, uniquely named file "Orv....tmp" in the working-copy folder.
// Throws std::runtime_error with the reason when it cannot be made.
QString GetWorkFileName();

// Copies source over target (which must exist or be creatable), keeping the
// source's modification time and permissions. Returns the reason on failure.
std::optional<QString> copyKeepingTimes(const QString& source, const QString& target);

// Replaces target by a copy of source without ever leaving half of each: the copy is
// written beside target, synced, given source's permissions and renamed over it.
// Returns the reason on failure; target is then untouched.
std::optional<QString> copyBackAtomically(const QString& source, const QString& target);

// Removes a file, clearing a read-only permission first. True when it is gone.
bool deleteFileForced(const QString& path);

// True when the owner may not write the file (mode bits, not access(): root may
// write anything, yet a file marked read-only is opened read-only).
bool isReadOnlyFile(const QString& path);

// The modification time of a file at full precision (nanoseconds); nullopt if missing.
std::optional<qint64> modificationTimeNs(const QString& path);

} // namespace orvane::files
