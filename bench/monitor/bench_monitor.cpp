// The all-blocks grid ("View All Block Outputs") polling a configuration with all 160
// blocks in use against orvane-sim pacing its replies at 38400 baud: full refreshes a
// second against the rate the line allows for the exchanges of a refresh (4 + 5 bytes
// each, 11 bits a byte), and this process's CPU time against the wall time.
//
// The simulator paces what it sends; the requests the host writes arrive at once. So a
// real line is slower than this, and the ratio against the paced reply bytes alone is
// printed too: it shows what the host and the simulator add to each exchange. Two floors
// are measured first, so the window's own share can be told apart: the same exchanges
// made by a bare blocking client (no event loop, nothing shown; what the simulator and
// the machine allow), and the monitor library's passes over the link without a window.
//
// What the monitor's checks of a reply cost (its check bytes, and whether the line stayed
// undisturbed so that the reply answers its own block) is printed twice: measured alone,
// a reading at a time, and as the passes' CPU time against the same exchanges made
// through the link with nothing checked but the check bytes.
//
// Last, both live windows (the grid, and the selected-blocks monitor with 12 tiles) poll a
// simulator that answers at once, where nothing but the host paces the passes: passes a
// second and the CPU they take. With --at-once only these are measured.
#include "linkwin/LinkCommands.h"
#include "linkwin/comm/TheLink.h"
#include "linkwin/monitor/MGrid.h"
#include "linkwin/monitor/Monitor.h"
#include "orvane/monitor/LayoutFile.h"
#include "orvane/link/Link.h"
#include "orvane/link/Protocol.h"
#include "orvane/monitor/BlockTypes.h"
#include "orvane/monitor/ControllerLine.h"
#include "orvane/monitor/PollSession.h"
#include "orvane/transfer/LineTrust.h"
#include "orvane/sim/SimulatorProcess.h"
#include "orvane/transfer/StoreBridge.h"
#include "ui/SettingsStore.h"

#include <kessig/OrvaneDB.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <array>
#include <cstdio>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kBaud = 38400;
constexpr int kBitsPerByte = 11;
constexpr int kRequestBytes = 4;
constexpr int kReplyBytes = 5;
constexpr int kMeasuredRefreshes = 40;
constexpr int16_t kAnalogInput = 2;   // AIN, Ftype 1
constexpr double kBusySeconds = 5;
constexpr int kBusyTiles = 12;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Figures {
    int refreshes = 0;
    double seconds = 0;
    double cpu = 0;
};

// From the end of a first refresh to the end of the kMeasuredRefreshes-th after it, each
// end told by `signal` of `sender`.
template <class Sender, class Signal>
Figures measure(Sender* sender, Signal signal, const std::function<void()>& start, const std::function<void()>& stop)
{
    QEventLoop loop;
    QElapsedTimer wall;
    double cpuStart = 0;
    Figures figures;
    int counted = -1;
    const auto connection = QObject::connect(sender, signal, &loop, [&] {
        if (++counted == 0) {
            wall.start();
            cpuStart = cpuSeconds();
        } else if (counted == kMeasuredRefreshes) {
            figures = {counted, double(wall.nsecsElapsed()) / 1e9, cpuSeconds() - cpuStart};
            loop.quit();
        }
    });
    QTimer::singleShot(120'000, &loop, &QEventLoop::quit);
    start();
    loop.exec();
    QObject::disconnect(connection);
    stop();
    return figures;
}

// The block-output exchanges of kMeasuredRefreshes refreshes, each frame written and its
// five reply bytes read with plain blocking calls.
Figures bareExchanges(const QString& port)
{
    const int fd = ::open(QFile::encodeName(port).constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return {};
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    QElapsedTimer wall;
    wall.start();
    const double cpuStart = cpuSeconds();
    for (int exchange = 0; exchange < kMeasuredRefreshes * 160; ++exchange) {
        const uint8_t block = static_cast<uint8_t>(exchange % 160);
        const unsigned sum = 0x20u + block;
        const uint8_t frame[4] = {0x20, block, uint8_t(255 - sum / 256), uint8_t(255 - sum % 256)};
        if (::write(fd, frame, sizeof frame) != ssize_t(sizeof frame))
            break;
        uint8_t reply[16];
        for (ssize_t got = 0; got < kReplyBytes;) {
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, 2000) != 1)
                return {};
            const ssize_t n = ::read(fd, reply + got, sizeof reply - size_t(got));
            if (n <= 0)
                return {};
            got += n;
        }
    }
    ::close(fd);
    return {kMeasuredRefreshes, double(wall.nsecsElapsed()) / 1e9, cpuSeconds() - cpuStart};
}

// A line that is never disturbed, for timing the trust check alone.
class QuietLine : public orvane::transfer::Exchange {
public:
    std::optional<std::vector<uint8_t>> sendAndGet(const std::vector<uint8_t>&, int) override { return {}; }
};

// Nanoseconds a reading spends in the checks of a clean line: its reply's check bytes,
// and the trust before and after it.
void reportCheckCosts()
{
    constexpr int kReadings = 2'000'000;
    const std::array<uint8_t, 5> reply = {0x10, 0x04, 0xD2, 0xFF, 0x19};
    volatile bool sink = false;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kReadings; ++i)
        sink = orvane::link::hasValidCheckBytes(reply.data(), reply.size());
    const double checkNs = double(clock.nsecsElapsed()) / kReadings;
    QuietLine line;
    orvane::transfer::LineTrust trust(line, std::chrono::milliseconds(1500));
    clock.restart();
    for (int i = 0; i < kReadings; ++i) {
        trust.begin();
        sink = trust.confirmed();
    }
    const double trustNs = double(clock.nsecsElapsed()) / kReadings;
    (void)sink;
    std::printf("checks of a reading on a clean line: %.0f ns (check bytes %.0f ns, trust %.0f ns)\n", checkNs + trustNs,
                checkNs, trustNs);
}

bool report(const char* what, const Figures& figures)
{
    if (figures.refreshes < kMeasuredRefreshes) {
        std::fprintf(stderr, "%s: too few refreshes in two minutes\n", what);
        return false;
    }
    const double exchanges = 160;
    const double lineSeconds = exchanges * (kRequestBytes + kReplyBytes) * kBitsPerByte / kBaud;
    const double pacedSeconds = exchanges * kReplyBytes * kBitsPerByte / kBaud;
    const double rate = figures.refreshes / figures.seconds;
    std::printf("%s: %d refreshes in %.2f s\n", what, figures.refreshes, figures.seconds);
    std::printf("  full refreshes per second %.3f; the line allows %.3f (9 bytes an exchange): ratio %.2f (goal >= 0.95)\n",
                rate, 1 / lineSeconds, rate * lineSeconds);
    std::printf("  against the paced reply bytes alone (%.3f a second): ratio %.2f\n", 1 / pacedSeconds,
                rate * pacedSeconds);
    std::printf("  host CPU while polling %.3f s, %.2f%% of the wall time (goal < 5%%); %.0f us an exchange\n",
                figures.cpu, 100 * figures.cpu / figures.seconds, 1e6 * figures.cpu / (exchanges * figures.refreshes));
    return true;
}

// A live window polling for `seconds` of wall time after a second's start: its passes a
// second and this process's CPU time against the wall time.
void reportBusyWindow(const char* what, brevant::linkwin::PollingWindow* window, int blocks, double seconds)
{
    window->findChild<QPushButton*>(QStringLiteral("cmdStart"))->click();
    const auto runFor = [](double s) {
        QEventLoop loop;
        QTimer::singleShot(int(s * 1000), &loop, &QEventLoop::quit);
        loop.exec();
    };
    runFor(1);
    const int passesBefore = window->passes();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(seconds);
    const double cpu = cpuSeconds() - cpuBefore, elapsed = double(wall.nsecsElapsed()) / 1e9;
    const int passes = window->passes() - passesBefore;
    window->findChild<QAction*>(QStringLiteral("mnuDone"))->trigger();
    while (window->polling())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("%s, %d blocks: %.1f passes a second; host CPU %.1f%% of one core (%.0f us a reading)\n", what, blocks,
                passes / elapsed, 100 * cpu / elapsed, passes > 0 ? 1e6 * cpu / (double(passes) * blocks) : 0.0);
}

// Starts the simulator and makes it the port of the editor's settings.
bool useSimulator(orvane::sim::SimulatorProcess& sim)
{
    if (!sim.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(sim.errorText()));
        return false;
    }
    orvane::link::CommSettings settings;
    settings.CommPortName = sim.portName().toStdString();
    brevant::SaveCommSettings(settings);
    return true;
}

// The grid at the paced line: its figures beside those of the floors under it.
bool pacedLine(kessig::OrvaneDB& db, const brevant::linkwin::BlockFunctionTable& functions, QMainWindow& main)
{
    orvane::sim::SimulatorProcess sim({"--baud", QString::number(kBaud)});
    if (!useSimulator(sim))
        return false;

    const Figures bare = bareExchanges(sim.portName());

    // The passes alone: the monitor library reading the grid's blocks over the link.
    auto& link = brevant::linkwin::theLink();
    std::array<int16_t, 160> ftypes{};
    ftypes.fill(1);
    std::vector<orvane::monitor::Watch> watches = orvane::monitor::gridWatches(functions, ftypes);
    orvane::monitor::PollSession* running = nullptr;
    orvane::monitor::PollSession passes(link, [&] {
        orvane::monitor::pollWatches(running->line(), watches, [&] { return running->running(); }, [](std::size_t) {});
    });
    running = &passes;
    const Figures library = measure(
        &passes, &orvane::monitor::PollSession::passDone,
        [&] { passes.start(orvane::monitor::Pacing::WaitBetween); }, [&] { passes.stop(); });
    const int passesDisturbed = link.line_disturbances;   // kept until the port opens again

    // The same exchanges through the link, with nothing checked but each reply's check bytes.
    orvane::monitor::PollSession unchecked(link, [&] {
        for (const auto& watch : watches) {
            link.get_analog(watch.block);
            if (!link.reply_ok)
                return;
        }
    });
    const Figures linkAlone = measure(
        &unchecked, &orvane::monitor::PollSession::passDone,
        [&] { unchecked.start(orvane::monitor::Pacing::WaitBetween); }, [&] { unchecked.stop(); });

    brevant::linkwin::showAllBlocks(&main, db, functions, {});
    auto* grid = main.findChild<brevant::linkwin::MGrid*>();
    const Figures window = measure(
        grid, &brevant::linkwin::MGrid::refreshed,
        [&] { grid->findChild<QPushButton*>(QStringLiteral("cmdStart"))->click(); },
        [&] { grid->findChild<QAction*>(QStringLiteral("mnuDone"))->trigger(); });
    while (grid->polling())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    std::printf("160 blocks in use, orvane-sim pacing its replies at %d baud\n", kBaud);
    if (!report("bare blocking exchanges (the floor of simulator and machine)", bare) ||
        !report("exchanges through the link, replies unchecked but for their check bytes", linkAlone) ||
        !report("passes without a window", library) || !report("all-blocks grid (MGrid)", window))
        return false;
    reportCheckCosts();
    const double exchanges = 160.0 * kMeasuredRefreshes;
    std::printf("line disturbances during the passes without a window: %d (after each, readings wait for a quiet "
                "line for 1.5 s)\n",
                passesDisturbed);
    std::printf("the passes' checks against the link alone: %+.1f us CPU an exchange, refreshes %+.1f%%\n",
                1e6 * (library.cpu - linkAlone.cpu) / exchanges,
                100 * (library.seconds > 0 && linkAlone.seconds > 0 ? linkAlone.seconds / library.seconds - 1 : 0));
    return true;
}

// Both live windows against a controller that answers at once, so that nothing but the
// host paces their passes.
bool answeringAtOnce(kessig::OrvaneDB& db, const brevant::linkwin::BlockFunctionTable& functions, QMainWindow& main,
                     const QString& configuration)
{
    orvane::sim::SimulatorProcess sim(QStringList{});
    if (!useSimulator(sim))
        return false;
    std::printf("against a simulator that answers at once:\n");
    brevant::linkwin::showAllBlocks(&main, db, functions, {});
    reportBusyWindow("  all-blocks grid (MGrid)", main.findChild<brevant::linkwin::MGrid*>(), 160, kBusySeconds);

    brevant::linkwin::showSelectedBlocks(&main, db, configuration, functions, {});
    auto* monitor = main.findChild<brevant::linkwin::Monitor*>();
    orvane::monitor::TileTable tiles;
    for (int i = 0; i < kBusyTiles; ++i) {
        orvane::monitor::Tile tile;
        tile.block = 10 + i;
        tile.reading = orvane::monitor::Reading::Analog;
        tile.tag = QStringLiteral("Tile %1").arg(i + 1);
        tiles.add(tile);
    }
    if (const auto error = orvane::monitor::saveLayout(monitor->layoutPath(), tiles)) {
        std::fprintf(stderr, "layout: %s\n", qPrintable(*error));
        return false;
    }
    monitor->restoreLayout();
    reportBusyWindow("  selected-blocks monitor (Monitor)", monitor, kBusyTiles, kBusySeconds);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;   // the settings of this run only
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool atOnceOnly = app.arguments().contains(QStringLiteral("--at-once"));

    kessig::OrvaneDB db;
    brevant::linkwin::BlockFunctionTable functions{};
    const QString configuration = home.filePath("all-blocks.mdb");
    try {
        db.open_database(QCoreApplication::applicationDirPath().toStdString());
        db.create_new_database(configuration.toStdString());
        db.open_existing_database(configuration.toStdString(), kessig::Durability::Relaxed);
        const auto catalogue = orvane::transfer::readCatalogue(db);
        for (int16_t block = 0; block < 160; ++block) {
            orvane::transfer::store_block_function(db, block, catalogue.at(kAnalogInput));
            functions[size_t(block)] = kAnalogInput;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "configuration: %s\n", e.what());
        return 1;
    }

    QMainWindow main;
    main.setWindowTitle(QStringLiteral("Brevant - all-blocks.mdb"));
    main.show();
    if (!atOnceOnly && !pacedLine(db, functions, main))
        return 1;
    return answeringAtOnce(db, functions, main, configuration) ? 0 : 1;
}
