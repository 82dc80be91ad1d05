#pragma once
// Ctrl+C (SIGINT) and SIGTERM turned into an event while an object of this class lives,
// so a running poll or transfer ends between two exchanges with the port closed as usual
// and says what it left. Before and after, the signals do what they did (the program
// removes its working files and ends).

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <functional>
#include <memory>

namespace orvane::cli {

class Interrupts {
public:
    explicit Interrupts(std::function<void()> onInterrupt);
    ~Interrupts();
    Interrupts(const Interrupts&) = delete;
    Interrupts& operator=(const Interrupts&) = delete;

private:
    static constexpr std::array<int, 2> kSignals = {SIGINT, SIGTERM};
    int fds_[2] = {-1, -1};
    std::array<struct sigaction, kSignals.size()> before_{};
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace orvane::cli
