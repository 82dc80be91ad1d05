// orvane monitor: a data logger for scripts. Polls the chosen blocks of a configuration
// and prints a CSV header, then one line a pass, until the count is reached or the user
// interrupts (Ctrl+C, SIGTERM); the port is closed either way.
#include "Commands.h"

#include "CommonOptions.h"
#include "ConfigurationCopy.h"
#include "ControllerSession.h"
#include "Interrupts.h"

#include "orvane/arguments/ExitStatus.h"

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
#include <cstdio>
#include <cstring>
#include <optional>
#include <tuple>

namespace orvane::cli {

using namespace orvane::arguments;
using namespace orvane::monitor;

namespace {

// Passes running in which no block answered before the controller counts as gone.
constexpr int kFailedPassesToGiveUp = 3;

// What `monitor` polls and how often.
struct MonitorOptions {
    std::vector<int> blocks;      // empty: every block the all-blocks grid reads
    int intervalMs = 1000;        // from the start of one pass to the next
    int count = 0;                // passes; 0: until interrupted
};

// "10,12,37": block numbers 0..159; the reason when the list is not one.
std::optional<QString> parseBlocks(const QString& text, std::vector<int>& blocks)
{
    for (const QString& item : text.split(QLatin1Char(','))) {
        bool number = false;
        const int block = item.trimmed().toInt(&number);
        if (!number || block < 0 || block > 159)
            return QStringLiteral("--blocks: \"%1\" is no block number 0..159").arg(item);
        blocks.push_back(block);
    }
    return std::nullopt;
}

std::optional<QString> parseCount(const QString& option, const QString& text, int lowest, int& into)
{
    bool number = false;
    into = text.toInt(&number);
    if (!number || into < lowest)
        return QStringLiteral("%1 must be a whole number from %2 up").arg(option).arg(lowest);
    return std::nullopt;
}

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

// Polls until the count is reached, the user interrupts, or the controller is gone.
int monitorBlocks(const QString& file, const MonitorOptions& options, orvane::link::Link& link, kessig::OrvaneDB& db,
                  TerminalReporter& reporter)
{
    const auto functions = blockFunctions(db);
    const auto ftypes = blockFtypes(db, functions);
    std::vector<Watch> watches = chosenWatches(options, functions, ftypes);
    if (watches.empty()) {
        say(file + QStringLiteral(": no block in use has an analog or discrete output; name blocks with --blocks"));
        return kExitUsage;
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
        if (!out.write(csvRow(at, watches)) || (options.count > 0 && ++passes >= options.count))
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

    switch (session.start(Pacing::Every, options.intervalMs)) {
    case PollSession::Opened::Yes:
        break;
    case PollSession::Opened::NoController:
        reporter.message(orvane::transfer::texts::kNoConnection);
        return kExitNoController;
    case PollSession::Opened::PortUnavailable:
    case PollSession::Opened::Busy:
        return kExitNoController;
    }
    if (!out.write(csvHeader(watches, names)))
        session.stop();
    QEventLoop loop;
    QObject::connect(&session, &PollSession::finished, &loop, &QEventLoop::quit);
    if (session.active())
        loop.exec();
    if (!out.error().empty()) {
        say(QStringLiteral("cannot write the standard output: ") + QString::fromStdString(out.error()));
        return kExitUsage;
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
    return kExitDone;
}

int runMonitor(const Arguments& arguments)
{
    MonitorOptions options;
    for (const auto& [name, lowest, into] : {std::tuple{"interval", 0, &options.intervalMs}, std::tuple{"count", 1, &options.count}})
        if (arguments.isSet(name))
            if (const auto bad = parseCount(QStringLiteral("--") + name, arguments.value(name), lowest, *into))
                return arguments.usageError(*bad);
    if (arguments.isSet("blocks")) {
        if (arguments.isSet("all"))
            return arguments.usageError("--blocks and --all exclude each other");
        if (const auto bad = parseBlocks(arguments.value("blocks"), options.blocks))
            return arguments.usageError(*bad);
    }
    ControllerSession session(arguments.isSet("quiet"));
    if (const auto refused = session.connect(arguments))
        return *refused;
    const QString file = arguments.positional().first();
    return onStoredCopy(file, catalogueFolder(arguments), kessig::Durability::Full, [&](kessig::OrvaneDB& db) {
        return monitorBlocks(file, options, session.link, db, session.reporter);
    });
}

} // namespace

Command monitorCommand()
{
    Syntax syntax(QStringLiteral("orvane monitor"), "log block outputs as CSV, one line a pass");
    syntax.argument({"FILE", "the configuration the controller runs (it names the blocks and their functions)"})
        .about("Prints a CSV header, then one line a pass on standard output: an ISO 8601 time and each block's "
               "value, an empty field where no trustworthy reply came. A pass in which no block answered prints no "
               "line; after 3 such passes running, or when the port closes, it says so on standard error and ends "
               "with exit status 4.");
    withLineOptions(syntax)
        .option({{"blocks"}, "LIST", "these blocks (10,12,37), each read by its function's type"})
        .option({{"all"}, {}, "every block in use with an analog or discrete output (the default)"})
        .option({{"interval"}, "MS", "a pass every MS milliseconds (default 1000)"})
        .option({{"count"}, "N", "stop after N passes (default: at Ctrl+C)"})
        .option(quietOption())
        .option(catalogueOption())
        .exitStatus(kExitDone, "ended after --count passes, by Ctrl+C or SIGTERM, or because the reader of its output "
                               "went away");
    withExitStatuses(syntax, {kExitUsage, kExitNoController});
    return {"monitor", syntax, runMonitor};
}

} // namespace orvane::cli
