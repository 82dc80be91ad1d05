#include "MonitorCommand.h"

#include "Terminal.h"

#include "orvane/link/Link.h"
#include "orvane/monitor/BlockTypes.h"
#include "orvane/monitor/ControllerLine.h"
#include "orvane/monitor/CsvLog.h"
#include "orvane/monitor/PollSession.h"
#include "orvane/transfer/Texts.h"

#include <QDateTime>
#include <QEventLoop>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane::cli {

using namespace orvane::monitor;

namespace {

int interruptWriteEnd = -1;
constexpr std::array<int, 2> kInterrupts = {SIGINT, SIGTERM};

// Passes running in which no block answered before the controller counts as gone.
constexpr int kFailedPassesToGiveUp = 3;

extern "C" void onInterrupt(int)
{
    const char byte = 1;
    (void)!::write(interruptWriteEnd, &byte, 1);
}

// Turns SIGINT and SIGTERM into an event while it lives, so polling ends between
// exchanges and the port is closed as usual.
class Interrupts {
public:
    explicit Interrupts(std::function<void()> onInterrupt)
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
        action.sa_handler = orvane::cli::onInterrupt;
        action.sa_flags = SA_RESTART;   // a line being written is not cut short
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kInterrupts.size(); ++i)
            ::sigaction(kInterrupts[i], &action, &before_[i]);
        // A reader that goes away shows as a failed write, not as the end of the process.
        std::signal(SIGPIPE, SIG_IGN);
    }
    ~Interrupts()
    {
        // What the program did with these signals before (remove its working files, end).
        for (std::size_t i = 0; i < kInterrupts.size(); ++i)
            ::sigaction(kInterrupts[i], &before_[i], nullptr);
        notifier_.reset();
        interruptWriteEnd = -1;
        for (int fd : fds_)
            if (fd >= 0)
                ::close(fd);
    }
    Interrupts(const Interrupts&) = delete;
    Interrupts& operator=(const Interrupts&) = delete;

private:
    int fds_[2] = {-1, -1};
    std::array<struct sigaction, kInterrupts.size()> before_{};
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The blocks asked for, each read by its function's Ftype; every block the
// all-blocks grid reads when none were named.
std::vector<Watch> chosenWatches(const MonitorOptions& options, const std::array<int16_t, kBlocks>& functions,
                                 const std::array<int16_t, kBlocks>& ftypes)
{
    if (options.blocks.empty())
        return gridWatches(functions, ftypes);
    std::vector<Watch> watches;
    for (int block : options.blocks)
        watches.push_back({block, tileReading(ftypes[size_t(block)]), {}});
    return watches;
}

// Standard output as a script reads it: a line at a time. A reader that went away ends
// the run quietly; any other failure is remembered with its reason.
class LineWriter {
public:
    bool write(const QString& line)
    {
        const QByteArray bytes = line.toUtf8() + '\n';
        if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) &&
            std::fflush(stdout) == 0)
            return true;
        if (errno != EPIPE)
            error_ = std::strerror(errno);
        return false;
    }
    const std::string& error() const { return error_; }

private:
    std::string error_;
};

} // namespace

int monitorBlocks(const Options& options, orvane::link::Link& link, kessig::OrvaneDB& db, TerminalReporter& reporter)
{
    const auto functions = blockFunctions(db);
    const auto ftypes = blockFtypes(db, functions);
    std::vector<Watch> watches = chosenWatches(options.monitor, functions, ftypes);
    if (watches.empty()) {
        std::fprintf(stderr, "orvane: %s: no block in use has an analog or discrete output; name blocks with --blocks\n",
                     options.file.toLocal8Bit().constData());
        return kExitFailed;
    }
    QStringList names;
    for (const Watch& watch : watches)
        names << QString::fromStdString(functionName(db, functions[size_t(watch.block)]));

    LineWriter out;
    int passes = 0;
    bool gaveUp = false;
    PollSession* polling = nullptr;
    PollSession session(link, [&] {
        const QDateTime at = QDateTime::currentDateTime();
        std::size_t read = 0;
        pollWatches(polling->line(), watches, [&] { return polling->running(); }, [&](std::size_t) { ++read; });
        // Interrupted within the pass, or the line died in it: no line with values of an
        // earlier pass. A pass in which nothing answered is no line of empty fields either.
        const ControllerLine& line = polling->line();
        if (read < watches.size() || line.dead() || line.counted() == 0)
            return;
        if (!out.write(csvRow(at, watches)) || (options.monitor.count > 0 && ++passes >= options.monitor.count))
            polling->stop();
    });
    polling = &session;
    QObject::connect(&session, &PollSession::passDone, [&] {
        if (session.failedPassesInARow() >= kFailedPassesToGiveUp) {
            gaveUp = true;
            session.stop();
        }
    });
    Interrupts interrupts([&] { session.stop(); });

    switch (session.start(Pacing::Every, options.monitor.intervalMs)) {
    case PollSession::Opened::Yes:
        break;
    case PollSession::Opened::NoController:
        reporter.message(orvane::transfer::texts::kNoConnection);
        return kExitNoController;
    case PollSession::Opened::PortUnavailable:
    case PollSession::Opened::Busy:
        return kExitFailed;
    }
    if (!out.write(csvHeader(watches, names)))
        session.stop();
    QEventLoop loop;
    QObject::connect(&session, &PollSession::finished, &loop, &QEventLoop::quit);
    if (session.active())
        loop.exec();
    if (!out.error().empty()) {
        std::fprintf(stderr, "orvane: cannot write the standard output: %s\n", out.error().c_str());
        return kExitFailed;
    }
    if (session.portClosed()) {
        reporter.message(portClosedMessage(link.portLabel()));
        return kExitNoController;
    }
    if (gaveUp) {
        reporter.message("The controller stopped answering: no block answered in " +
                         std::to_string(kFailedPassesToGiveUp) + " passes running.");
        return kExitNoController;
    }
    return kExitSuccess;
}

} // namespace orvane::cli
