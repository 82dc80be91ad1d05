// Prints what one Juxta run costs as a whole process, as the editor starts it: two full
// configurations (160 blocks in use, 1280 constants, every comment filled), code "L".
// Goal: under 50 ms.
#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/testing/ConfigurationFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <sys/resource.h>
#include <cstdio>
#include <vector>

using namespace orvane::compare;
using namespace orvane::compare::testing;

namespace {

// CPU time of the finished child processes so far, in ms: on a busy machine a fairer
// figure than the wall clock.
double childCpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

constexpr int16_t kSummer = 28;   // 4 inputs and 4 parameters: 8 constants a block

void fullConfiguration(const QString& path, const std::string& prefix, int32_t change)
{
    ConfigurationFile c(path);
    for (int16_t block = 0; block < 160; ++block) {
        c.function(block, kSummer);
        for (int16_t offset = 0; offset < 8; ++offset)
            c.constant(block, offset, offset < 4 ? (block + offset + change) % 160 : 1000 + block + change);
    }
    c.allCommentsFilled(prefix);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.mdb")), b = dir.filePath(QStringLiteral("b.mdb"));
    fullConfiguration(a, "plant", 0);
    fullConfiguration(b, "drawing", 1);
    const QString temp = dir.filePath(QStringLiteral("temp"));
    QDir().mkpath(temp);
    const QStringList arguments{joinCommandLine(a, 'L', b)};
    const QList<QPair<QString, QString>> environment{{QStringLiteral("TEMP"), temp}, {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}};

    runProgram(QStringLiteral("Juxta"), arguments, environment);   // warms the file cache
    std::vector<double> times;
    const double cpuBefore = childCpuMs();
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer timer;
        timer.start();
        const ProcessRun run = runProgram(QStringLiteral("Juxta"), arguments, environment);
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (run.exitCode != 0) {
            std::fprintf(stderr, "Juxta failed (%d): %s\n", run.exitCode, run.err.constData());
            return 1;
        }
    }
    const double cpuPerRun = (childCpuMs() - cpuBefore) / static_cast<double>(times.size());
    std::sort(times.begin(), times.end());
    const QByteArray log = contentOf(temp + QStringLiteral("/") + kCompareLogName);
    std::printf("Juxta, two full configurations (160 blocks, 1280 constants, all comments), %d log lines:\n",
                static_cast<int>(log.count('\n')));
    std::printf("  whole process: min %.1f ms, median %.1f ms, p95 %.1f ms (goal: under 50 ms)\n", times.front(),
                times[times.size() / 2], times[times.size() * 95 / 100]);
    std::printf("  CPU time (user + system): %.1f ms a run\n", cpuPerRun);
    return 0;
}
