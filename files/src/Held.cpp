#include "Held.h"

#include "orvane/files/WorkingCopy.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

namespace orvane::files::detail {

HeldFile::~HeldFile() {
    if (fd_ >= 0) ::close(fd_);
}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool lockWithoutWaiting(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        if (errno != EINTR) return false;
    return true;
}

std::optional<HeldFile> holdIfUnheld(const QByteArray& path, Kind kind) {
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (kind == Kind::Folder ? O_DIRECTORY : 0);
    HeldFile file(::open(path.constData(), flags));
    struct stat st {};
    if (!file || ::fstat(file.fd(), &st) != 0 || st.st_uid != ::geteuid()) return std::nullopt;
    if (kind == Kind::Folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) return std::nullopt;
    if (!lockWithoutWaiting(file.fd())) return std::nullopt;
    return file;
}

bool stillNames(const HeldFile& held, const QByteArray& path) {
    struct stat open {}, named {};
    return ::fstat(held.fd(), &open) == 0 && ::lstat(path.constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

namespace {

// A sweep or the making of a file holds the folder's lock for moments; two seconds is
// far beyond that, and short enough for a user to wait.
constexpr int kLockTries = 100;
constexpr struct timespec kLockPause {0, 20'000'000};

} // namespace

FolderLock::FolderLock(const QString& folder, bool exclusive) {
    // The folder is this user's own; the name still carries the user, as older programs
    // that kept it in a shared folder named it.
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/.orvane-%1.lock").arg(::geteuid()));
    fd_ = ::open(path.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return;
    // A sweep gives way at once: the next program's start sweeps again.
    for (int tries = exclusive ? 1 : kLockTries; tries > 0; --tries) {
        if (::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) {
            held_ = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) return;
        if (tries > 1) ::nanosleep(&kLockPause, nullptr);
    }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

void removeFilesIn(int folderFd) {
    alignas(struct dirent64) char buffer[4096];
    // Removing entries while the folder is read may hide others from that reading: read
    // it again until a reading removes nothing.
    for (bool removed = true; removed;) {
        removed = false;
        if (::lseek(folderFd, 0, SEEK_SET) != 0) return;
        for (ssize_t n; (n = ::getdents64(folderFd, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
                at += entry->d_reclen;
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
                if (::unlinkat(folderFd, name, entry->d_type == DT_DIR ? AT_REMOVEDIR : 0) == 0) removed = true;
            }
        }
    }
}

namespace {

// A fixed table, so that the signal handler needs nothing but async-signal-safe calls.
constexpr size_t kSlots = 8;
constexpr size_t kPathMax = 4096;
struct Slot {
    std::array<char, kPathMax> path;
    Kind kind;
};
std::array<Slot, kSlots> g_slots{};
volatile sig_atomic_t g_installed = 0;

extern "C" void removeAndEnd(int signal) {
    for (const Slot& slot : g_slots) {
        const char* path = slot.path.data();
        if (path[0] == '\0') continue;
        if (slot.kind == Kind::File) {
            ::unlink(path);
            continue;
        }
        const int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder < 0) continue;
        removeFilesIn(folder);
        ::close(folder);
        ::rmdir(path);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

TerminationSignalsHeld::TerminationSignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &set, &old_);
}

TerminationSignalsHeld::~TerminationSignalsHeld() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }

void removeOnTermination(const QByteArray& path, Kind kind) {
    if (path.size() + 1 > static_cast<qsizetype>(kPathMax)) return;
    TerminationSignalsHeld held;
    for (Slot& slot : g_slots)
        if (slot.path[0] == '\0') {
            slot.kind = kind;
            std::memcpy(slot.path.data(), path.constData(), static_cast<size_t>(path.size()) + 1);
            return;
        }
}

void keepOnTermination(const QByteArray& path) {
    TerminationSignalsHeld held;
    for (Slot& slot : g_slots)
        if (path == slot.path.data()) slot.path[0] = '\0';
}

void installTerminationHandlers() {
    if (g_installed) return;
    g_installed = 1;
    struct sigaction action {};
    action.sa_handler = removeAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool isWorkingFolderName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^(%1|%2)[A-Za-z0-9]{6}$")
                                                .arg(QRegularExpression::escape(QLatin1String(kImportFolderPrefix)),
                                                     QRegularExpression::escape(QLatin1String(kJetFolderPrefix))));
    return pattern.match(name).hasMatch();
}

bool isSavingFileName(const QString& fileName, const QString& targetName) {
    static const QRegularExpression pattern(QStringLiteral("^\\.(.+)\\.saving-[A-Za-z0-9]{6}$"));
    const auto match = pattern.match(fileName);
    return match.hasMatch() && (targetName.isEmpty() || match.captured(1) == targetName);
}

bool isMarkableFileName(const QString& fileName) {
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.new-[A-Za-z0-9]{6}$"));
    return isSavingFileName(fileName) || pattern.match(fileName).hasMatch();
}

LeftoverMarker::LeftoverMarker(const QByteArray& file) {
    try {
        QTemporaryFile name(workingCopyFolder() + QStringLiteral("/OrvXXXXXX.saving"));
        if (!name.open()) return;
        const QByteArray path = QFile::encodeName(name.fileName());
        name.remove();
        if (::symlink(file.constData(), path.constData()) == 0) path_ = path;
    } catch (const std::runtime_error&) {
        // No folder of this user's own to mark it in.
    }
}

LeftoverMarker::~LeftoverMarker() {
    if (!path_.isEmpty()) ::unlink(path_.constData());
}

} // namespace orvane::files::detail
