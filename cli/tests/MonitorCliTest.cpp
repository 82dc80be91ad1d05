// orvane monitor as a script runs it, against orvane-sim over a pseudo-terminal: the CSV
// lines, an empty field for a reply that never came, Ctrl+C, and the refusals.
#include "MonitorTestSupport.h"

#include "orvane/sim/SimulatorProcess.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>

using namespace orvane::monitor::testing;
using orvane::transfer::testing::SimulatedController;
using orvane::transfer::testing::StoreFixture;
using orvane::transfer::testing::binDir;

namespace {

constexpr int16_t kAin = 2;
constexpr int16_t kDin = 5;

// The orvane program, its output read while it runs.
class Orvane {
public:
    explicit Orvane(const QStringList& arguments)
    {
        process_.start(binDir() + "/orvane", arguments);
        process_.waitForStarted();
    }
    ~Orvane()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    QStringList lines()
    {
        out_ += process_.readAllStandardOutput();
        return QString::fromUtf8(out_).split('\n', Qt::SkipEmptyParts);
    }
    void interrupt() { ::kill(static_cast<pid_t>(process_.processId()), SIGINT); }
    // The exit code once it ended (-1 if it did not, or crashed).
    int finish()
    {
        if (!waitUntil([this] { return process_.state() == QProcess::NotRunning; }, 30000))
            return -1;
        lines();
        err_ += process_.readAllStandardError();
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    QString err() const { return QString::fromLocal8Bit(err_); }

private:
    QProcess process_;
    QByteArray out_, err_;
};

QString makePlant(StoreFixture& store)
{
    const QString path = store.newConfiguration("plant.mdb");
    store.setFunctions({{12, kAin}, {13, kDin}, {37, kAin}});
    store.close();
    return path;
}

const QRegularExpression kTimeStamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d)$"));

} // namespace

TEST(CliMonitor, CountedPasses_PrintHeaderAndValues_AMissingReplyIsAnEmptyField)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    // Each pass reads blocks 1 (DIAG), 12, 13 and 37; pass 2's read of block 12 (frames 7
    // and 8, both attempts) goes unanswered, while block 1's reply before it read 0.00.
    SimulatedController sim({"--output", "12=1234", "--output", "13=1", "--output", "37=-5", "--drop-reply", "7",
                             "--drop-reply", "8"},
                            "2.50", blockTable({{13, {kDin, 2}}}));
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    Orvane run({"monitor", plant, "--port", sim.portName(), "--count", "3", "--interval", "0"});
    EXPECT_EQ(run.finish(), 0) << run.err().toStdString();
    EXPECT_EQ(run.err(), "");
    const QStringList lines = run.lines();
    ASSERT_EQ(lines.size(), 4) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[0], "time,block 1 DIAG,block 12 AIN,block 13 DIN,block 37 AIN");
    const QStringList values = {"0.00,12.34,1,-0.05", "0.00,,1,-0.05", "0.00,12.34,1,-0.05"};
    for (int i = 1; i <= 3; ++i) {
        const QString stamp = lines[i].section(',', 0, 0);
        EXPECT_TRUE(kTimeStamp.match(stamp).hasMatch()) << stamp.toStdString();
        EXPECT_EQ(lines[i].section(',', 1), values[i - 1]);
    }
    // The opening poll, and the one that asked whether the controller was still there.
    EXPECT_EQ(sim.framesStartingWith("01 FF FE"), 2);
}

TEST(CliMonitor, AReplyThatMayAnswerAnotherBlock_OrCameDamaged_IsNeverLogged)
{
    StoreFixture store;
    const QString plant = store.newConfiguration("plant.mdb");
    store.setFunctions({{12, kAin}, {31, kAin}, {41, kAin}, {50, kAin}});
    store.close();
    // Pass 2's first request for block 12 (frame 6) is answered only when block 31's
    // request (frame 8) comes, just before 31's own reply: a late reply meeting a later
    // request. The reply to block 41 in pass 3 (frame 13) has a data byte damaged.
    SimulatedController sim({"--output", "12=1111", "--output", "31=3131", "--output", "41=4141", "--output", "50=5050",
                             "--hold-reply", "6:8", "--reply-delay", "50", "--corrupt", "13"});
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    Orvane run({"monitor", plant, "--port", sim.portName(), "--blocks", "12,31,41,50", "--count", "4", "--interval", "0"});
    EXPECT_EQ(run.finish(), 0) << run.err().toStdString();
    EXPECT_EQ(run.err(), "");
    QStringList values;
    for (const QString& line : run.lines().mid(1))
        values << line.section(',', 1);
    EXPECT_EQ(values, QStringList({"11.11,31.31,41.41,50.50", ",,41.41,50.50", "11.11,31.31,,50.50",
                                   "11.11,31.31,41.41,50.50"}));
}

TEST(CliMonitor, ADeadLineIsSaid_NotLoggedAsEmpty_NoiseIsNeverAValue)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    // From frame 4 on (after the opening poll and one pass over blocks 12 and 37): noise,
    // or silence. The third simulator sits behind a serial device server that goes away.
    SimulatedController noisy({"--output", "12=1111", "--output", "37=3737", "--noise-after", "3"});
    SimulatedController silent({"--output", "12=1111", "--output", "37=3737", "--silent-after", "3"});
    orvane::sim::SimulatorProcess server({"--tcp", "0", "--output", "12=1111", "--output", "37=3737"},
                                         binDir() + "/orvane-sim");
    ASSERT_TRUE(noisy.started() && silent.started() && server.start());
    const QStringList watched = {"--blocks", "12,37", "--interval", "0"};
    Orvane onNoise(QStringList{"monitor", plant, "--port", noisy.portName()} + watched);
    Orvane onSilence(QStringList{"monitor", plant, "--port", silent.portName()} + watched);
    Orvane onServer(QStringList{"monitor", plant, "--port", server.portName()} + watched);
    ASSERT_TRUE(waitUntil([&] { return onServer.lines().size() >= 4; }));
    server.stop();

    const QString gaveUp = "The controller stopped answering: no block answered in 3 passes running.\n";
    EXPECT_EQ(onNoise.finish(), 4);
    EXPECT_EQ(onNoise.err(), gaveUp);
    EXPECT_EQ(onSilence.finish(), 4);
    EXPECT_EQ(onSilence.err(), gaveUp);
    for (Orvane* run : {&onNoise, &onSilence}) {
        const QStringList lines = run->lines();   // the header and pass 1, nothing after
        ASSERT_EQ(lines.size(), 2) << lines.join('\n').toStdString();
        EXPECT_TRUE(lines[1].endsWith(",11.11,37.37")) << lines[1].toStdString();
    }
    EXPECT_EQ(onServer.finish(), 4);
    EXPECT_EQ(onServer.err(), server.portName() +
                                  ": the port was closed (the device or the device server went away); polling stopped.\n");
    for (const QString& line : onServer.lines().mid(1))
        EXPECT_TRUE(line.endsWith(",11.11,37.37")) << line.toStdString();
}

TEST(CliMonitor, CtrlC_EndsAfterWholeLinesWithThePortClosed_RefusalsSayWhy)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    SimulatedController sim({"--output", "37=250", "--output", "13=0"}, "2.50", blockTable({{13, {kDin, 2}}}));
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    {
        Orvane run({"monitor", plant, "--port", sim.portName(), "--blocks", "37,13,4", "--interval", "50"});
        ASSERT_TRUE(waitUntil([&] { return run.lines().size() >= 3; }));
        run.interrupt();
        EXPECT_EQ(run.finish(), 0) << run.err().toStdString();
        const QStringList lines = run.lines();
        EXPECT_EQ(lines[0], "time,block 37 AIN,block 13 DIN,block 4 NOP");
        for (const QString& line : lines.mid(1))
            EXPECT_TRUE(line.endsWith(",2.50,0,0")) << line.toStdString();
    }
    // The port is free again: the next run opens it at once.
    {
        Orvane again({"monitor", plant, "--port", sim.portName(), "--blocks", "37", "--count", "1"});
        EXPECT_EQ(again.finish(), 0) << again.err().toStdString();
        EXPECT_EQ(again.lines().size(), 2);
    }

    SimulatedController silent({"--garble", "1", "--garble", "2"});
    ASSERT_TRUE(silent.started());
    Orvane noController({"monitor", plant, "--port", silent.portName()});
    EXPECT_EQ(noController.finish(), 4);
    EXPECT_EQ(noController.err(), "Could Not Connect To Target\nCheck Settings And Service Manual\n");
    EXPECT_TRUE(noController.lines().isEmpty());

    for (const QStringList& bad : {QStringList{"--blocks", "12,160"}, QStringList{"--all", "--blocks", "12"},
                                   QStringList{"--count", "0"}, QStringList{"--interval", "soon"}}) {
        Orvane refused(QStringList{"monitor", plant, "--port", sim.portName()} + bad);
        EXPECT_EQ(refused.finish(), 2) << bad.join(' ').toStdString();
    }

    const QString empty = store.newConfiguration("empty.mdb");
    store.setFunctions({{0, 127}, {1, 127}});
    store.close();
    Orvane nothing({"monitor", empty, "--port", sim.portName()});
    EXPECT_EQ(nothing.finish(), 2);
    EXPECT_TRUE(nothing.err().contains("no block in use has an analog or discrete output")) << nothing.err().toStdString();
}
