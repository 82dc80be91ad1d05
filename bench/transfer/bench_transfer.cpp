// A full download, a full upload and an identify (the upload's reads, looked up in a
// transfer history of a thousand entries) against orvane-sim pacing its bytes at 38400
// and 9600 baud. Prints the measured time against the pure wire time of the bytes
// exchanged (11 bits a byte) and this process's CPU time against the wall time.
//
// The simulator paces what it sends; what the host writes to the pseudo-terminal
// arrives at once. So the time on a real line is at least the wire time of all bytes,
// and what the host adds on top is shown against the paced bytes alone.
#include "orvane/link/Link.h"
#include "orvane/record/HeldConfiguration.h"
#include "orvane/record/HistoryLog.h"
#include "orvane/sim/SimulatorProcess.h"
#include "orvane/transfer/Commands.h"
#include "orvane/transfer/StoreBridge.h"

#include <kessig/OrvaneDB.h>

#include <QCoreApplication>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>

using namespace orvane::transfer;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class Quiet : public Reporter, public orvane::link::LinkReporter {
public:
    void message(const std::string& text, const std::string&, Icon) override { failures.push_back(text); }
    void message(const std::string& text) override { failures.push_back(text); }
    void progressStart(const std::string&) override {}
    void progress(int) override {}
    void progressEnd() override {}
    std::vector<std::string> failures;
};

class Yes : public Operator {
public:
    bool confirmDownload() override { return true; }
    bool askYesNo(const std::string&) override { return true; }
};

// Bytes in and out counted from the simulator's frame log ("N IN 01 FF FE"), and the
// share of them that the checks against wrong data cost: a download's read-back (every
// read in a download) and the repeated reads of a disturbed upload.
struct Traffic {
    long toController = 0, fromController = 0, checks = 0;
};

Traffic trafficIn(const QString& log, bool readsAreChecks)
{
    Traffic t;
    std::map<QString, bool> frameIsCheck;  // frame number -> counted as a check
    QSet<QString> readsSeen;
    for (const QString& line : log.split('\n')) {
        const QStringList words = line.split(' ', Qt::SkipEmptyParts);
        if (words.size() < 3)
            continue;
        const long bytes = words.size() - 2;
        if (words[1] == "IN") {
            t.toController += bytes;
            const QString frame = line.section(' ', 2);
            const bool read = words[2] == "04";
            const bool check = read && (readsAreChecks || readsSeen.contains(frame));
            readsSeen.insert(frame);
            frameIsCheck[words[0]] = check;
            t.checks += check ? bytes : 0;
        } else if (words[1] == "OUT") {
            t.fromController += bytes;
            t.checks += frameIsCheck[words[0]] ? bytes : 0;
        }
    }
    return t;
}

// The largest configuration the controller takes: 1280 constants.
void buildFullConfiguration(kessig::OrvaneDB& db, const QString& path)
{
    db.create_new_database(path.toStdString());
    db.open_existing_database(path.toStdString(), kessig::Durability::Relaxed);
    const Catalogue catalogue = readCatalogue(db);
    for (int16_t b = 0; b < kBlocks; ++b) {
        const int16_t function = b < 18 ? 96 : b == 18 ? 1 : 127;
        store_block_function(db, b, catalogue.at(function));
    }
}

// One controller per baud rate: the upload reads back what the download wrote.
class PacedController {
public:
    explicit PacedController(int baud) : baud_(baud), sim_({"--log", "--baud", QString::number(baud)})
    {
        if (!sim_.start())
            std::fprintf(stderr, "%s\n", sim_.errorText().toLocal8Bit().constData());
    }

    bool measure(const char* what, bool readsAreChecks, const std::function<Outcome(orvane::link::Link&, Quiet&)>& run)
    {
        if (sim_.portName().isEmpty())
            return false;
        Quiet quiet;
        orvane::link::Link link;
        link.setReporter(&quiet);
        link.settings.CommPortName = sim_.portName().toStdString();
        link.settings.CommBaudRate = std::to_string(baud_);
        const qsizetype logBefore = sim_.logText().size();

        const double cpuBefore = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome = run(link, quiet);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = cpuSeconds() - cpuBefore;
        if (outcome != Outcome::Completed) {
            std::fprintf(stderr, "%s at %d baud failed: %s\n", what, baud_,
                         quiet.failures.empty() ? "?" : quiet.failures.front().c_str());
            return false;
        }
        const Traffic t = trafficIn(sim_.logText().mid(logBefore), readsAreChecks);
        const double bitTime = 11.0 / baud_;
        const double wireAll = double(t.toController + t.fromController) * bitTime;
        const double wirePaced = double(t.fromController) * bitTime;
        std::printf("%-8s %5d baud: %5ld bytes out, %5ld in, %5ld of them for the checks; measured %6.3f s; wire "
                    "time of all bytes %6.3f s (ratio %.3f), of the paced replies %6.3f s (ratio %.3f); CPU %.3f s "
                    "= %.1f %% of wall, %.1f %% of the time on a real line\n",
                    what, baud_, t.toController, t.fromController, t.checks, wall, wireAll, wall / wireAll,
                    wirePaced, wall / wirePaced, cpu, 100.0 * cpu / wall, 100.0 * cpu / std::max(wall, wireAll));
        std::fflush(stdout);
        return true;
    }

private:
    int baud_;
    orvane::sim::SimulatorProcess sim_;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    kessig::OrvaneDB db;
    try {
        db.open_database(QCoreApplication::applicationDirPath().toStdString());
        buildFullConfiguration(db, dir.filePath("full.mdb"));
    } catch (const kessig::DbError& e) {
        std::fprintf(stderr, "database error %d: %s\n", e.number(), e.what());
        return 1;
    }
    Yes yes;
    // The downloads are recorded among others, so that identify finds them there.
    QTemporaryDir historyFolder;
    const orvane::record::TransferHistory history(historyFolder.path());
    for (int n = 0; n < 1000; ++n) {
        orvane::record::TransferEntry other;
        other.image = QByteArray(340 + 152 + 1600 + 4 * n, char(n));
        other.imageSha256 = orvane::record::imageDigest(other.image);
        other.outcome = QStringLiteral("complete");
        other.operation = QStringLiteral("download");
        history.write(other);
    }
    orvane::record::HistoryLog log(historyFolder.path(), dir.filePath("full.mdb"));
    NoTransferLog noLog;
    bool ok = true;
    for (int baud : {38400, 9600}) {
        PacedController controller(baud);
        ok = controller.measure("download", true, [&](orvane::link::Link& link, Quiet& quiet) {
                 return CMDDWNLD_Click(link, db, "full.mdb", quiet, yes, log);
             }) && ok;
        ok = controller.measure("upload", false, [&](orvane::link::Link& link, Quiet& quiet) {
                 BlockFunctionTable table{};
                 return Command6_Click(link, db, table, quiet, yes, noLog);
             }) && ok;
        ok = controller.measure("identify", false, [&](orvane::link::Link& link, Quiet& quiet) {
                 const ControllerReading reading = identifyController(link, db, quiet);
                 const bool found = reading.outcome == Outcome::Completed
                                    && orvane::record::heldConfiguration(history, reading.image).match;
                 return found ? Outcome::Completed : Outcome::Failed;
             }) && ok;
    }
    return ok ? 0 : 1;
}
