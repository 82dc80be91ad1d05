#pragma once
// The file side of the working copy: where it is made, how it is copied from the
// user's file, how a change is seen and how it is removed. Saving it back over the
// user's file is SafeSave.h.

#include "orvane/files/FileVersion.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace orvane::files {

// The folder of working copies: one per-user location shared by every program of the
// tool set, so that each can clear what the others left. It is "Orvane" in the per-user
// data folder when the home folder exists and no other user can change it, else this
// user's private temporary folder (see TempFolder.h); mode 0700 either way. Throws
// std::runtime_error with the reason when there is no folder that only this user can
// change: what is copied there is read again, and must not be swapped meanwhile.
QString workingCopyFolder();

// The folder `name` of this user's own in the working-copy folder, made with mode 0700
// when missing, for what the tool set keeps of this user's. Throws std::runtime_error
// with the reason when it cannot be had.
QString privateFolderNamed(const QString& name);

// A new, empty, uniquely named file "Orv....tmp" in the working-copy folder, mode 0600.
// Throws std::runtime_error with the reason when it cannot be made.
QString GetWorkFileName();

// Copies source over target (which must exist or be creatable), keeping the source's
// modification time, and syncs it. The copy is private to this user: mode 0600, or 0400
// when the source is read-only. Returns the reason on failure.
std::optional<QString> copyKeepingTimes(const QString& source, const QString& target);
// The same without the sync, for a working copy: whatever it holds reaches the user only
// through a save, which syncs it first.
std::optional<QString> copyForWorking(const QString& source, const QString& target);

// Removes a file, clearing a read-only permission first. True when it is gone.
bool deleteFileForced(const QString& path);

// True when the owner may not write the file (mode bits, not access(): root may
// write anything, yet a file marked read-only is opened read-only).
bool isReadOnlyFile(const QString& path);

// The modification time of a file at full precision (nanoseconds); nullopt if missing.
std::optional<qint64> modificationTimeNs(const QString& path);

// A working copy of a user's file, held by this program for as long as the object
// lives: another program starting meanwhile leaves it alone (see Leftovers.h), and
// the object removes it when destroyed.
class WorkingCopy {
public:
    // How the content of the user's file reaches the new working copy (which exists,
    // empty and held): the reason on failure. A copy must write into the file in place,
    // not rename another over it, so the hold stays on it.
    using CopyFunction = std::function<std::optional<QString>(const QString& source, const QString& target)>;

    // Copies `original` into a new working copy. Throws std::runtime_error with the
    // reason (naming the user's file, or the folder that cannot take the copy, or saying
    // that the file changed while it was copied).
    explicit WorkingCopy(const QString& original, const CopyFunction& copy = copyForWorking);
    ~WorkingCopy();
    WorkingCopy(const WorkingCopy&) = delete;
    WorkingCopy& operator=(const WorkingCopy&) = delete;

    QString path() const { return path_; }
    QString original() const { return original_; }
    // What the user's file was when it was copied.
    const FileVersion& originalVersion() const { return originalVersion_; }
    // True when the user's file is no longer that one (replaced, written, or gone).
    bool originalChanged() const { return fileVersion(original_) != originalVersion_; }

private:
    struct Hold;
    QString original_;
    FileVersion originalVersion_;
    QString path_;
    std::unique_ptr<Hold> hold_;
};

// A new folder in the working-copy folder for the files a program makes and reads
// again (a configuration being built, a Jet file being read), held as a working copy
// is: removed with its files when the object goes or a termination signal ends the
// program, and by the next program's start when a kill left it.
class WorkingFolder {
public:
    enum class Purpose { Import, JetReading };
    // Throws std::runtime_error with the reason when it cannot be made.
    explicit WorkingFolder(Purpose purpose);
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    QString path() const { return path_; }
    QString filePath(const QString& name) const { return path_ + QLatin1Char('/') + name; }

private:
    struct Hold;
    QString path_;
    std::unique_ptr<Hold> hold_;
};

} // namespace orvane::files
