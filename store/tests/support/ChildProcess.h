#pragma once
// Runs an action in a child process (which may set limits on itself or be killed by them)
// and brings back what it returned through a pipe, with how the child ended.
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace kessig::testsupport {

struct ChildRun {
    int status = -1;   // as waitpid gives it
    std::string said;  // what the action returned; "" when it never returned
};

inline ChildRun inChild(const std::function<std::string()>& action) {
    int channel[2];
    if (::pipe(channel) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const std::string said = action();
        [[maybe_unused]] const ssize_t n = ::write(channel[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    ChildRun run;
    char buffer[1024];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) run.said.append(buffer, static_cast<size_t>(n));
    ::close(channel[0]);
    ::waitpid(child, &run.status, 0);
    return run;
}

} // namespace kessig::testsupport
