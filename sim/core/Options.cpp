#include "orvane/sim/Options.h"

#include "orvane/arguments/ExitStatus.h"

#include <charconv>

namespace orvane::sim {

namespace {
std::optional<long> toNumber(const std::string &text, long lowest, long highest)
{
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

// "A<sep>B" as two numbers in their ranges.
std::optional<std::pair<long, long>> toPair(const std::string &text, char separator, long lowA, long highA,
                                            long lowB, long highB)
{
    const auto at = text.find(separator);
    if (at == std::string::npos)
        return std::nullopt;
    const auto a = toNumber(text.substr(0, at), lowA, highA);
    const auto b = toNumber(text.substr(at + 1), lowB, highB);
    if (!a || !b)
        return std::nullopt;
    return std::pair{*a, *b};
}

constexpr long kMaxFrame = 1L << 30;

// The options that name a frame, and the set of the plan each one fills.
const std::pair<const char *, std::set<int> FaultPlan::*> kFrameSets[] = {
    {"lose", &FaultPlan::lose},       {"drop-reply", &FaultPlan::dropReply}, {"extra-byte", &FaultPlan::extraByte},
    {"garble", &FaultPlan::garble},   {"corrupt", &FaultPlan::corrupt}};
const std::pair<const char *, int FaultPlan::*> kFrameNumbers[] = {{"silent-after", &FaultPlan::silentAfter},
                                                                    {"noise-after", &FaultPlan::noiseAfter}};
} // namespace

orvane::arguments::Syntax commandLineSyntax()
{
    using namespace orvane::arguments;
    Syntax syntax(QStringLiteral("orvane-sim"), "play an Orvane controller on a pseudo-terminal or a TCP port");
    syntax
        .about("Prints one line on standard output, \"PTY /dev/pts/N\" or \"TCP 127.0.0.1:PORT\", and serves until "
               "SIGTERM or SIGINT; then it saves the memory file and removes the --link. Frame numbers N count every "
               "frame received from 1, rejected ones included; the fault options may be given more than once.")
        .option({{"pty"}, {}, "serve on a pseudo-terminal (the default)"})
        .option({{"link"}, "PATH", "make PATH a symbolic link to the pseudo-terminal"})
        .option({{"tcp"}, "PORT", "serve on this TCP port of 127.0.0.1 instead (0: a free one)"})
        .option({{"rom"}, "TEXT", "the ROM version in the identification text (default 2.50)"})
        .option({{"memory"}, "FILE", "load the memory areas from FILE at start (if it exists), save them after "
                                     "every write"})
        .option({{"baud"}, "N", "pace the bytes it sends at N baud, 11 bits a byte (default: no pacing)"})
        .option({{"log"}, {}, "log every frame in and out in hex on standard error"})
        .option({{"lose"}, "N", "garble the N-th frame on the line: it is neither carried out nor answered"})
        .option({{"drop-reply"}, "N", "carry out the N-th frame but leave it unanswered"})
        .option({{"extra-byte"}, "N", "append one byte to the N-th reply"})
        .option({{"late-reply"}, "N:MS", "send the N-th reply MS milliseconds late"})
        .option({{"garble"}, "N", "invert the first byte of the N-th reply"})
        .option({{"corrupt"}, "N", "invert a data byte (byte 1) of the N-th reply: only its check bytes show it"})
        .option({{"hold-reply"}, "N:M", "hold the N-th reply back and send it when frame M comes, ahead of M's own"})
        .option({{"reply-delay"}, "MS", "send every reply MS milliseconds after its frame came"})
        .option({{"noise-after"}, "N", "answer every frame after the N-th with 5 random bytes, carrying none out"})
        .option({{"silent-after"}, "N", "answer no frame after the N-th"})
        .option({{"output"}, "BLOCK=VALUE", "pin a block's output at VALUE (-32768..32767), like a forced point"})
        .exitStatus(kExitDone, "stopped by SIGTERM or SIGINT")
        .exitStatus(kExitUsage, "a bad command line, or the pseudo-terminal, the TCP port or the memory file could "
                                "not be had (the reason on standard error)");
    return syntax;
}

ParsedOptions optionsOf(const orvane::arguments::Arguments &arguments)
{
    Options options;
    const auto fail = [](const std::string &name, const std::string &why) {
        return ParsedOptions{std::nullopt, "--" + name + ": " + why};
    };
    const auto valuesOf = [&](const char *name) {
        std::vector<std::string> values;
        for (const QString &value : arguments.values(QString::fromLatin1(name)))
            values.push_back(value.toStdString());
        return values;
    };
    for (const std::string &value : valuesOf("tcp")) {
        const auto port = toNumber(value, 0, 65535);
        if (!port)
            return fail("tcp", "not a port number: " + value);
        options.tcp = true;
        options.tcpPort = static_cast<int>(*port);
    }
    for (const std::string &value : valuesOf("link"))
        options.linkPath = value;
    for (const std::string &value : valuesOf("rom"))
        options.romVersion = value;
    for (const std::string &value : valuesOf("memory"))
        options.memoryFile = value;
    options.log = arguments.isSet("log");
    for (const std::string &value : valuesOf("baud")) {
        const auto baud = toNumber(value, 1, 10'000'000);
        if (!baud)
            return fail("baud", "not a baud rate: " + value);
        options.baud = static_cast<int>(*baud);
    }
    for (const auto &[name, set] : kFrameSets)
        for (const std::string &value : valuesOf(name)) {
            const auto frame = toNumber(value, 1, kMaxFrame);
            if (!frame)
                return fail(name, "not a frame number (1 and up): " + value);
            (options.faults.*set).insert(static_cast<int>(*frame));
        }
    for (const auto &[name, number] : kFrameNumbers)
        for (const std::string &value : valuesOf(name)) {
            const auto frame = toNumber(value, 1, kMaxFrame);
            if (!frame)
                return fail(name, "not a frame number (1 and up): " + value);
            options.faults.*number = static_cast<int>(*frame);
        }
    for (const std::string &value : valuesOf("late-reply")) {
        const auto late = toPair(value, ':', 1, kMaxFrame, 0, 600'000);
        if (!late)
            return fail("late-reply", "expected FRAME:MILLISECONDS, got " + value);
        options.faults.lateReplyMs[static_cast<int>(late->first)] = static_cast<int>(late->second);
    }
    for (const std::string &value : valuesOf("hold-reply")) {
        const auto held = toPair(value, ':', 1, kMaxFrame, 1, kMaxFrame);
        if (!held || held->second <= held->first)
            return fail("hold-reply", "expected FRAME:LATER_FRAME, got " + value);
        options.faults.heldUntil[static_cast<int>(held->first)] = static_cast<int>(held->second);
    }
    for (const std::string &value : valuesOf("reply-delay")) {
        const auto delay = toNumber(value, 0, 600'000);
        if (!delay)
            return fail("reply-delay", "not a number of milliseconds: " + value);
        options.faults.replyDelayMs = static_cast<int>(*delay);
    }
    for (const std::string &value : valuesOf("output")) {
        const auto pin = toPair(value, '=', 0, 159, -32768, 32767);
        if (!pin)
            return fail("output", "expected BLOCK=VALUE (block 0..159, value -32768..32767), got " + value);
        options.pinnedOutputs[static_cast<int>(pin->first)] = static_cast<int16_t>(pin->second);
    }
    if (arguments.isSet("pty") && options.tcp)
        return {std::nullopt, "--pty and --tcp exclude each other"};
    if (options.tcp && !options.linkPath.empty())
        return {std::nullopt, "--link needs a pty"};
    return {options, {}};
}

ParsedOptions parseOptions(const std::vector<std::string> &arguments)
{
    QByteArrayList words;
    for (const std::string &argument : arguments)
        words << QByteArray::fromStdString(argument);
    const auto parsed = orvane::arguments::parse(commandLineSyntax(), words);
    if (parsed.request != orvane::arguments::Request::Run)
        return {std::nullopt, parsed.error.toStdString()};
    return optionsOf(parsed.arguments);
}

void applyReplyFaults(const FaultPlan &plan, int frame, std::vector<uint8_t> &reply)
{
    if (plan.garble.contains(frame) && !reply.empty())
        reply[0] = static_cast<uint8_t>(~reply[0]);
    if (plan.corrupt.contains(frame) && reply.size() > 1)
        reply[1] = static_cast<uint8_t>(~reply[1]);
    if (plan.extraByte.contains(frame))
        reply.push_back(0x55);
}

} // namespace orvane::sim
