// Host overhead of one poll over a pseudo-terminal (a thread answers at once), and
// the CPU this process burns while a reply never comes (two 1.5 s attempts).
#include "orvane/link/Link.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace orvane::link;

namespace {
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    termios tio{};
    tcgetattr(master, &tio);
    cfmakeraw(&tio);
    tcsetattr(master, TCSANOW, &tio);

    std::atomic<bool> answering{true}, stop{false};
    std::thread controller([&] {
        unsigned char buf[64];
        const unsigned char reply[5] = {0x10, 0, 0, 0, 0};
        while (!stop) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            if (::read(master, buf, sizeof buf) > 0 && answering)
                (void)::write(master, reply, sizeof reply);
        }
    });

    Link link;
    link.settings.CommPortName = ptsname(master);
    if (!link.Open_Comm_Port()) {
        std::fprintf(stderr, "cannot open %s\n", link.settings.CommPortName.c_str());
        return 1;
    }
    const int runs = 2000;
    std::vector<double> micros;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        link.poll_orvane();
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        if (!link.reply_ok) {
            std::fprintf(stderr, "poll %d failed\n", i);
            return 1;
        }
    }
    std::sort(micros.begin(), micros.end());
    std::printf("poll exchange over pty, %d runs: median %.1f us, 95th percentile %.1f us\n", runs,
                micros[runs / 2], micros[runs * 95 / 100]);

    answering = false;
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    link.poll_orvane();
    const double cpu = cpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("unanswered poll: %.2f s waited, %.4f s CPU (%.2f%% of one core), reply_ok=%d\n", wall, cpu,
                100.0 * cpu / wall, link.reply_ok);
    link.Close_Comm_Port();
    stop = true;
    controller.join();
    ::close(master);
    return 0;
}
