#include "orvane/sim/Options.h"

#include <charconv>

namespace orvane::sim {

const char *const kUsage =
    "orvane-sim [--pty] [--link PATH] | [--tcp PORT]\n"
    "           [--rom TEXT] [--memory FILE] [--baud N] [--log]\n"
    "           [--lose N] [--drop-reply N] [--extra-byte N] [--late-reply N:MS] [--garble N] [--silent-after N]\n"
    "           [--corrupt N] [--hold-reply N:M] [--noise-after N] [--reply-delay MS]\n"
    "           [--output BLOCK=VALUE]\n";

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
} // namespace

ParsedOptions parseOptions(const std::vector<std::string> &arguments)
{
    Options options;
    bool sawPty = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &name = arguments[i];
        const auto fail = [&](const std::string &why) { return ParsedOptions{std::nullopt, name + ": " + why}; };
        if (name == "--pty") {
            sawPty = true;
            continue;
        }
        if (name == "--log") {
            options.log = true;
            continue;
        }
        static const std::set<std::string> kTakesValue{
            "--tcp",        "--link",       "--rom",          "--memory",  "--baud",        "--lose",
            "--drop-reply", "--garble",     "--extra-byte",   "--late-reply", "--silent-after", "--output",
            "--corrupt",    "--hold-reply", "--noise-after",  "--reply-delay"};
        if (!kTakesValue.contains(name))
            return fail("unknown argument");
        if (i + 1 >= arguments.size())
            return fail("needs a value");
        const std::string &value = arguments[++i];
        const auto frameNumber = toNumber(value, 1, kMaxFrame);
        if (name == "--tcp") {
            const auto port = toNumber(value, 0, 65535);
            if (!port)
                return fail("not a port number: " + value);
            options.tcp = true;
            options.tcpPort = static_cast<int>(*port);
        } else if (name == "--link") {
            options.linkPath = value;
        } else if (name == "--rom") {
            options.romVersion = value;
        } else if (name == "--memory") {
            options.memoryFile = value;
        } else if (name == "--baud") {
            const auto baud = toNumber(value, 1, 10'000'000);
            if (!baud)
                return fail("not a baud rate: " + value);
            options.baud = static_cast<int>(*baud);
        } else if (name == "--lose" || name == "--drop-reply" || name == "--extra-byte" || name == "--garble" ||
                   name == "--silent-after" || name == "--corrupt" || name == "--noise-after") {
            if (!frameNumber)
                return fail("not a frame number (1 and up): " + value);
            const int n = static_cast<int>(*frameNumber);
            if (name == "--lose")
                options.faults.lose.insert(n);
            else if (name == "--drop-reply")
                options.faults.dropReply.insert(n);
            else if (name == "--extra-byte")
                options.faults.extraByte.insert(n);
            else if (name == "--garble")
                options.faults.garble.insert(n);
            else if (name == "--corrupt")
                options.faults.corrupt.insert(n);
            else if (name == "--noise-after")
                options.faults.noiseAfter = n;
            else
                options.faults.silentAfter = n;
        } else if (name == "--late-reply") {
            const auto late = toPair(value, ':', 1, kMaxFrame, 0, 600'000);
            if (!late)
                return fail("expected FRAME:MILLISECONDS, got " + value);
            options.faults.lateReplyMs[static_cast<int>(late->first)] = static_cast<int>(late->second);
        } else if (name == "--hold-reply") {
            const auto held = toPair(value, ':', 1, kMaxFrame, 1, kMaxFrame);
            if (!held || held->second <= held->first)
                return fail("expected FRAME:LATER_FRAME, got " + value);
            options.faults.heldUntil[static_cast<int>(held->first)] = static_cast<int>(held->second);
        } else if (name == "--reply-delay") {
            const auto delay = toNumber(value, 0, 600'000);
            if (!delay)
                return fail("not a number of milliseconds: " + value);
            options.faults.replyDelayMs = static_cast<int>(*delay);
        } else if (name == "--output") {
            const auto pin = toPair(value, '=', 0, 159, -32768, 32767);
            if (!pin)
                return fail("expected BLOCK=VALUE (block 0..159, value -32768..32767), got " + value);
            options.pinnedOutputs[static_cast<int>(pin->first)] = static_cast<int16_t>(pin->second);
        }
    }
    if (sawPty && options.tcp)
        return {std::nullopt, "--pty and --tcp exclude each other"};
    if (options.tcp && !options.linkPath.empty())
        return {std::nullopt, "--link needs a pty"};
    return {options, {}};
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
