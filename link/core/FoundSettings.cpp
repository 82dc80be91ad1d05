#include "FoundSettings.h"

#include <array>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace orvane::link::detail {

namespace {

// A fixed table, so that the handler needs nothing but async-signal-safe calls.
struct HeldPort {
    int fd = -1;
    termios found{};
};
constexpr std::size_t kPorts = 4;
std::array<HeldPort, kPorts> g_ports{};

constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kSignals.size()> g_before{};

// Keeps the handler from reading the tables while they change.
class SignalsDeferred {
public:
    SignalsDeferred()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : kSignals)
            sigaddset(&set, signal);
        ::sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsDeferred() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }
    SignalsDeferred(const SignalsDeferred&) = delete;
    SignalsDeferred& operator=(const SignalsDeferred&) = delete;

private:
    sigset_t old_;
};

extern "C" void releaseAndPassOn(int signal, siginfo_t* info, void* context)
{
    for (const HeldPort& port : g_ports)
        if (port.fd >= 0) {
            ::ioctl(port.fd, TIOCNXCL);
            ::tcsetattr(port.fd, TCSANOW, &port.found);
        }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (kSignals[i] != signal)
            continue;
        const struct sigaction& before = g_before[i];
        if (before.sa_flags & SA_SIGINFO) {
            before.sa_sigaction(signal, info, context);
        } else if (before.sa_handler == SIG_DFL) {
            ::signal(signal, SIG_DFL);
            ::raise(signal);   // delivered, with its default action, once this handler returns
        } else if (before.sa_handler != SIG_IGN) {
            before.sa_handler(signal);
        }
    }
}

void wrapHandlers()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction current {};
        ::sigaction(kSignals[i], nullptr, &current);
        const bool ours = (current.sa_flags & SA_SIGINFO) && current.sa_sigaction == releaseAndPassOn;
        const bool ignored = !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN;
        if (ours || ignored)
            continue;
        g_before[i] = current;
        struct sigaction wrapper = current;   // its mask, and whether interrupted calls restart
        wrapper.sa_flags = (current.sa_flags & (SA_RESTART | SA_ONSTACK)) | SA_SIGINFO;
        wrapper.sa_sigaction = releaseAndPassOn;
        ::sigaction(kSignals[i], &wrapper, nullptr);
    }
}

void releaseOnTermination(int fd, const termios& found)
{
    const SignalsDeferred deferred;
    for (HeldPort& port : g_ports)
        if (port.fd < 0) {
            port.found = found;
            port.fd = fd;
            break;
        }
    wrapHandlers();
}

void forgetOnTermination(int fd)
{
    const SignalsDeferred deferred;
    for (HeldPort& port : g_ports)
        if (port.fd == fd)
            port.fd = -1;
}

} // namespace

FoundSettings::FoundSettings(const QByteArray& device)
{
    fd_ = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0 && ::tcgetattr(fd_, &found_) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

FoundSettings::~FoundSettings()
{
    if (fd_ < 0)
        return;
    forgetOnTermination(fd_);
    // The port's close releases its exclusive use itself, but an open refused after it
    // took it does not.
    ::ioctl(fd_, TIOCNXCL);
    ::tcsetattr(fd_, TCSANOW, &found_);
    ::close(fd_);
}

void FoundSettings::setBase()
{
    if (fd_ < 0)
        return;
    ::ioctl(fd_, TIOCNXCL);   // left by the refused open
    termios base = found_;
    ::cfmakeraw(&base);       // no input flags, and a read waits for one byte: the port sets others
    base.c_iflag = 0;
    base.c_cflag &= ~(PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    base.c_cflag |= CREAD;
    ::tcsetattr(fd_, TCSANOW, &base);
}

void FoundSettings::guardAgainstSignals()
{
    if (fd_ >= 0)
        releaseOnTermination(fd_, found_);
}

} // namespace orvane::link::detail
