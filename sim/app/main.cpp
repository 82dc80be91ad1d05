// orvane-sim: a controller behind the serial protocol, on a pseudo-terminal or a TCP port.
#include "SimServer.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    (void)!::write(signalPipe[1], &byte, 1);
}
} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::fputs(orvane::sim::kUsage, stdout);
        return 0;
    }
    const auto parsed = orvane::sim::parseOptions(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "orvane-sim: %s\n%s", parsed.error.c_str(), orvane::sim::kUsage);
        return 2;
    }

    QCoreApplication app(argc, argv);
    // Stop cleanly on SIGTERM/SIGINT so the memory file is saved and the link removed.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        std::perror("orvane-sim: socketpair");
        return 1;
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    orvane::sim::SimServer server(*parsed.options);
    const QString announcement = server.start();
    if (announcement.isEmpty()) {
        std::fprintf(stderr, "orvane-sim: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    std::printf("%s\n", qPrintable(announcement));
    std::fflush(stdout);
    return app.exec();
}
