#include "Held.h"

#include <QFile>
#include <QRegularExpression>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
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

std::optional<HeldFile> holdIfUnheld(const QByteArray& path) {
    HeldFile file(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!file || ::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return std::nullopt;
    if (!lockWithoutWaiting(file.fd())) return std::nullopt;
    return file;
}

bool stillNames(const HeldFile& held, const QByteArray& path) {
    struct stat open {}, named {};
    return ::fstat(held.fd(), &open) == 0 && ::lstat(path.constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

FolderLock::FolderLock(const QString& folder, bool exclusive) {
    // One lock file per user, so that a folder shared by users (the temporary folder
    // when the home folder cannot be used) gives each their own.
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/.orvane-%1.lock").arg(::geteuid()));
    fd_ = ::open(path.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    // Without the lock file the worst case is a leftover that stays until the next start.
    if (fd_ >= 0)
        while (::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {}
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

namespace {

// A fixed table, so that the signal handler needs nothing but async-signal-safe calls.
constexpr size_t kSlots = 8;
constexpr size_t kPathMax = 4096;
std::array<std::array<char, kPathMax>, kSlots> g_paths{};
volatile sig_atomic_t g_installed = 0;

class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGHUP);
        ::sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }

private:
    sigset_t old_;
};

extern "C" void removeAndEnd(int signal) {
    for (auto& path : g_paths)
        if (path[0] != '\0') ::unlink(path.data());
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

void removeOnTermination(const QByteArray& path) {
    if (path.size() + 1 > static_cast<qsizetype>(kPathMax)) return;
    SignalsHeld held;
    for (auto& slot : g_paths)
        if (slot[0] == '\0') {
            std::memcpy(slot.data(), path.constData(), static_cast<size_t>(path.size()) + 1);
            return;
        }
}

void keepOnTermination(const QByteArray& path) {
    SignalsHeld held;
    for (auto& slot : g_paths)
        if (path == slot.data()) slot[0] = '\0';
}

void installTerminationHandlers() {
    if (g_installed) return;
    g_installed = 1;
    struct sigaction action {};
    action.sa_handler = removeAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool isSavingFileName(const QString& fileName, const QString& targetName) {
    static const QRegularExpression pattern(QStringLiteral("^\\.(.+)\\.saving-[A-Za-z0-9]{6}$"));
    const auto match = pattern.match(fileName);
    return match.hasMatch() && (targetName.isEmpty() || match.captured(1) == targetName);
}

} // namespace orvane::files::detail
