#pragma once
// How a program shows that a file or folder of its own is in use: it holds an exclusive
// flock on it for as long as it lives. A program that finds such a file or folder
// without a holder knows that the program that made it has ended, and removes it. flock
// locks belong to one open file and never mix with the database engine's record locks.
#include <QByteArray>
#include <QString>

#include <csignal>
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

enum class Kind { File, Folder };

// Opens an existing file (or folder) of this user, no link followed, and takes its lock
// when no one holds it; nullopt when it is held, gone, or not of that kind and this user's.
std::optional<HeldFile> holdIfUnheld(const QByteArray& path, Kind kind = Kind::File);

// True when `path` still names the file that `held` has open.
bool stillNames(const HeldFile& held, const QByteArray& path);

// The lock of the working-copy folder: shared while a program makes a file there and
// takes its lock, exclusive while leftovers are removed, so that a file never goes in
// the moment between its making and its locking. Either is held only briefly, so a lock
// that is not had after a short while is not waited for: held() then says false.
class FolderLock {
public:
    FolderLock(const QString& folder, bool exclusive);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

// Removes the files in an open folder (and its empty folders), with system calls only,
// so that a signal handler may call it.
void removeFilesIn(int folderFd);

// Files and folders removed if a termination signal ends the program before they are
// done with; a folder goes with its files. Adding and dropping block the signals for
// the moment they take.
void removeOnTermination(const QByteArray& path, Kind kind = Kind::File);
void keepOnTermination(const QByteArray& path);
// Makes SIGINT, SIGTERM and SIGHUP remove those files before they end the program.
void installTerminationHandlers();

// Holds SIGINT, SIGTERM and SIGHUP back while it lives, so that a file made meanwhile is
// registered for removal before a signal can end the program.
class TerminationSignalsHeld {
public:
    TerminationSignalsHeld();
    ~TerminationSignalsHeld();
    TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
    TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;

private:
    sigset_t old_;
};

// The names of the folders WorkingFolder makes: a prefix for each purpose and six
// characters, as the sweep recognises them.
inline constexpr const char* kImportFolderPrefix = "import";
inline constexpr const char* kJetFolderPrefix = ".jet-";
bool isWorkingFolderName(const QString& name);

// The name of a saving file beside `target`: ".NAME.saving-XXXXXX".
bool isSavingFileName(const QString& fileName, const QString& targetName = {});
// The name of a file being written beside another, that a marker may lead to: a saving
// file, or a new content ".NAME.new-XXXXXX" (see TempFolder.h).
bool isMarkableFileName(const QString& fileName);

// A marker in the working-copy folder ("Orv....saving", a link) that leads a later
// program to a file this program leaves outside that folder when it is killed. Without a
// working-copy folder there is no marker; the file is then left to its next writer.
class LeftoverMarker {
public:
    explicit LeftoverMarker(const QByteArray& file);
    ~LeftoverMarker();
    LeftoverMarker(const LeftoverMarker&) = delete;
    LeftoverMarker& operator=(const LeftoverMarker&) = delete;

private:
    QByteArray path_;
};

} // namespace orvane::files::detail
