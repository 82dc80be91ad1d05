#include "Interrupts.h"

#include <sys/socket.h>
#include <unistd.h>

namespace orvane::cli {

namespace {

int interruptWriteEnd = -1;

extern "C" void onInterruptSignal(int)
{
    const char byte = 1;
    (void)!::write(interruptWriteEnd, &byte, 1);
}

} // namespace

Interrupts::Interrupts(std::function<void()> onInterrupt)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0)
        return;
    interruptWriteEnd = fds_[1];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this, onInterrupt] {
        char bytes[16];
        (void)!::read(fds_[0], bytes, sizeof bytes);
        onInterrupt();
    });
    struct sigaction action {};
    action.sa_handler = onInterruptSignal;
    action.sa_flags = SA_RESTART;   // a line being written is not cut short
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &before_[i]);
    // A reader that goes away shows as a failed write, not as the end of the process.
    std::signal(SIGPIPE, SIG_IGN);
}

Interrupts::~Interrupts()
{
    if (!notifier_)
        return;   // never took the signals
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &before_[i], nullptr);
    notifier_.reset();
    interruptWriteEnd = -1;
    for (int fd : fds_)
        if (fd >= 0)
            ::close(fd);
}

} // namespace orvane::cli
