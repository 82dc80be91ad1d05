#pragma once
// How a program shows that a file of its own is in use: it holds an exclusive flock on
// it for as long as the file lives. A program that finds such a file without a holder
// knows that the program that made it has ended, and removes it. flock locks belong
// to one open file and never mix with the database engine's record locks.
#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/stat.h>

namespace orvane::files::detail {

class HeldFile {
public:
    HeldFile() = default;
    explicit HeldFile(int fd) : fd_(fd) {}
    ~HeldFile();
    HeldFile(HeldFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    HeldFile& operator=(HeldFile&& other) noexcept;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    int fd() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Takes the lock of an open file; false when another open file holds it.
bool lockWithoutWaiting(int fd);

// Opens an existing file of this user (no link followed) and takes its lock when no
// one holds it; nullopt when it is held, gone, or not a plain file of this user.
std::optional<HeldFile> holdIfUnheld(const QByteArray& path);

// True when `path` still names the file that `held` has open.
bool stillNames(const HeldFile& held, const QByteArray& path);

// The lock of the working-copy folder: shared while a program makes a file there and
// takes its lock, exclusive while leftovers are removed, so that a file never goes in
// the moment between its making and its locking.
class FolderLock {
public:
    FolderLock(const QString& folder, bool exclusive);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

// Files removed if a termination signal ends the program before they are done with.
// Adding and dropping block the signals for the moment they take.
void removeOnTermination(const QByteArray& path);
void keepOnTermination(const QByteArray& path);
// Makes SIGINT, SIGTERM and SIGHUP remove those files before they end the program.
void installTerminationHandlers();

// The name of a saving file beside `target`: ".NAME.saving-XXXXXX".
bool isSavingFileName(const QString& fileName, const QString& targetName = {});

} // namespace orvane::files::detail
