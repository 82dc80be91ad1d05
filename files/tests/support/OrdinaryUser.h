#pragma once
// Tests of permissions need a user that permissions apply to. When the tests run as
// root, the action runs in a child process that has given up root for the user
// "nobody" (65534); otherwise it runs here, as the user running the tests.
#include <grp.h>
#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <functional>

namespace orvane::testsupport {

inline constexpr uid_t kNobody = 65534;

inline bool runningAsRoot() { return ::geteuid() == 0; }

// The user that asOrdinaryUser runs as.
inline uid_t ordinaryUid() { return runningAsRoot() ? kNobody : ::getuid(); }
inline gid_t ordinaryGid() { return runningAsRoot() ? kNobody : ::getgid(); }

// Runs the action as an ordinary user and returns what it returned (-1 when the child
// could not run it).
inline bool becomeOrdinaryUser() {
    return !runningAsRoot() || (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0);
}

inline int64_t asOrdinaryUser(const std::function<int64_t()>& action) {
    if (!runningAsRoot()) return action();
    int channel[2];
    if (::pipe(channel) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        int64_t result = -1;
        if (becomeOrdinaryUser()) result = action();
        [[maybe_unused]] const ssize_t written = ::write(channel[1], &result, sizeof result);
        ::_exit(0);
    }
    ::close(channel[1]);
    int64_t result = -1;
    if (child < 0 || ::read(channel[0], &result, sizeof result) != sizeof result) result = -1;
    ::close(channel[0]);
    if (child > 0) ::waitpid(child, nullptr, 0);
    return result;
}

// A process of the ordinary user that runs `setUp` and then stays, keeping what it
// opened (a lock held, a file open), until the object goes: another user at work
// beside the tests.
class OrdinaryUserProcess {
public:
    explicit OrdinaryUserProcess(const std::function<bool()>& setUp) {
        int channel[2];
        if (::pipe(channel) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(channel[0]);
            const char ok = becomeOrdinaryUser() && setUp() ? 1 : 0;
            [[maybe_unused]] const ssize_t written = ::write(channel[1], &ok, 1);
            for (;;) ::pause();
        }
        ::close(channel[1]);
        char ok = 0;
        ready_ = pid_ > 0 && ::read(channel[0], &ok, 1) == 1 && ok == 1;
        ::close(channel[0]);
    }
    ~OrdinaryUserProcess() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    OrdinaryUserProcess(const OrdinaryUserProcess&) = delete;
    OrdinaryUserProcess& operator=(const OrdinaryUserProcess&) = delete;
    // True when setUp returned true.
    bool ready() const { return ready_; }

private:
    pid_t pid_ = -1;
    bool ready_ = false;
};

} // namespace orvane::testsupport
