// orvane-sim: a controller behind the serial protocol, on a pseudo-terminal or a TCP port.
#include "SimServer.h"

#include "orvane/arguments/ExitStatus.h"
#include "orvane/sim/Options.h"

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
    using namespace orvane::arguments;
    const Syntax syntax = orvane::sim::commandLineSyntax();
    const Parsed command = parse(syntax, wordsOf(argc, argv));
    if (const auto answered = answer(syntax, command))
        return *answered;
    const auto parsed = orvane::sim::optionsOf(command.arguments);
    if (!parsed.options)
        return usageError(syntax.command(), QString::fromStdString(parsed.error));

    QCoreApplication app(argc, argv);
    // Stop cleanly on SIGTERM/SIGINT so the memory file is saved and the link removed.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        std::perror("orvane-sim: socketpair");
        return orvane::arguments::kExitUsage;
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
        return orvane::arguments::kExitUsage;
    }
    std::printf("%s\n", qPrintable(announcement));
    std::fflush(stdout);
    return app.exec();
}
