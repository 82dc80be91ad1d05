// Host overhead of link exchanges against orvane-sim (no pacing): polls over a
// pseudo-terminal and over TCP, a whole constant memory written and read back,
// and the CPU this process burns while a reply never comes (two 1.5 s attempts).
#include "orvane/link/Link.h"
#include "orvane/sim/SimulatorProcess.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace orvane::link;
using orvane::sim::SimulatorProcess;

namespace {
constexpr int kPolls = 2000;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool openOn(Link &link, const SimulatorProcess &sim)
{
    link.settings.CommPortName = sim.portName().toStdString();
    if (link.Open_Comm_Port())
        return true;
    std::fprintf(stderr, "cannot open %s\n", link.settings.CommPortName.c_str());
    return false;
}

bool benchPolls(const char *what, Link &link)
{
    std::vector<double> micros;
    for (int i = 0; i < kPolls; ++i) {
        const auto start = std::chrono::steady_clock::now();
        link.poll_orvane();
        micros.push_back(secondsSince(start) * 1e6);
        if (!link.reply_ok) {
            std::fprintf(stderr, "%s: poll %d failed\n", what, i);
            return false;
        }
    }
    std::sort(micros.begin(), micros.end());
    std::printf("poll over %s, %d runs: median %.1f us, 95th percentile %.1f us\n", what, kPolls,
                micros[kPolls / 2], micros[kPolls * 95 / 100]);
    return true;
}

// 40 pages of 128 constant bytes written, then read back, as a download and an upload do.
bool benchConstantMemory(const char *what, Link &link)
{
    const auto start = std::chrono::steady_clock::now();
    for (int pass = 0; pass < 2; ++pass) {
        for (int page = 0; page < 40; ++page) {
            const int address = page * 128;
            link.xmit_bfr.fill(0);
            link.xmit_bfr[0] = pass == 0 ? 0x02 : 0x04;
            link.xmit_bfr[1] = 0x03;
            link.xmit_bfr[2] = 0x80;
            link.xmit_bfr[3] = static_cast<uint8_t>(address >> 8);
            link.xmit_bfr[4] = static_cast<uint8_t>(address & 0xFF);
            if (pass == 0) {
                std::fill_n(link.xmit_bfr.begin() + 5, 128, static_cast<uint8_t>(page));
                link.sum_xmit_bfr(132);
                link.send_and_get(135, 5);
            } else {
                link.sum_xmit_bfr(4);
                link.send_and_get(7, 135);
            }
            if (!link.reply_ok || (pass == 1 && link.rcv_bfr[5] != page)) {
                std::fprintf(stderr, "constant page %d failed in pass %d\n", page, pass);
                return false;
            }
        }
    }
    std::printf("5120 constant bytes written and read back (80 frames), %s: %.1f ms\n", what,
                secondsSince(start) * 1e3);
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The simulator stops answering after the timed work, for the unanswered poll.
    const QString silentAfter = QString::number(kPolls + 80);
    SimulatorProcess pty({"--silent-after", silentAfter});
    SimulatorProcess tcp({"--tcp", "0"});
    for (SimulatorProcess *sim : {&pty, &tcp}) {
        if (!sim->start()) {
            std::fprintf(stderr, "%s\n", qPrintable(sim->errorText()));
            return 1;
        }
    }

    Link overTcp;
    if (!openOn(overTcp, tcp) || !benchPolls("TCP", overTcp))
        return 1;
    overTcp.Close_Comm_Port();

    {
        // Each write frame makes the simulator save its memory file before it replies.
        QTemporaryDir dir;
        SimulatorProcess keeping({"--memory", dir.filePath("bench.mem")});
        Link kept;
        if (!keeping.start() || !openOn(kept, keeping) || !benchConstantMemory("pty, --memory file", kept))
            return 1;
    }

    Link link;
    if (!openOn(link, pty) || !benchPolls("pty", link) || !benchConstantMemory("pty", link))
        return 1;

    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    link.poll_orvane();
    const double cpu = cpuSeconds() - cpuStart;
    const double wall = secondsSince(wallStart);
    std::printf("unanswered poll: %.2f s waited, %.4f s CPU (%.2f%% of one core), reply_ok=%d\n", wall, cpu,
                100.0 * cpu / wall, link.reply_ok);
    link.Close_Comm_Port();
    return 0;
}
