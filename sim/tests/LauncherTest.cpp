// Starting and stopping orvane-sim through SimulatorProcess, and the memory file.
#include "orvane/sim/MemoryAreas.h"
#include "orvane/sim/SimulatorProcess.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvane::sim;

TEST(SimulatorProcess, DefaultProgramIsFound_AnnouncesAPty_StopEndsIt)
{
    SimulatorProcess sim;
    ASSERT_TRUE(sim.start()) << sim.errorText().toStdString();
    EXPECT_TRUE(sim.portName().startsWith("/dev/pts/")) << sim.portName().toStdString();
    EXPECT_TRUE(QFileInfo::exists(sim.portName()));
    const QDateTime made = QFileInfo(sim.portName()).metadataChangeTime();
    sim.stop();
    // Another program on a busy machine may be given the same number at once: only the
    // simulator's own pty must be gone.
    const QFileInfo after(sim.portName());
    EXPECT_FALSE(after.exists() && after.metadataChangeTime() == made) << "the pty outlived the simulator";
}

TEST(SimulatorProcess, TcpAnnouncesLoopbackAndPort)
{
    SimulatorProcess sim({"--tcp", "0"});
    ASSERT_TRUE(sim.start()) << sim.errorText().toStdString();
    EXPECT_TRUE(sim.portName().startsWith("127.0.0.1:"));
    EXPECT_GT(sim.portName().section(':', 1).toInt(), 0);
}

TEST(SimulatorProcess, MissingProgram_StartFailsAndSaysWhy)
{
    SimulatorProcess sim({}, "/nonexistent/orvane-sim");
    EXPECT_FALSE(sim.start());
    EXPECT_TRUE(sim.errorText().startsWith("/nonexistent/orvane-sim: ")) << sim.errorText().toStdString();
    EXPECT_TRUE(sim.portName().isEmpty());
}

TEST(SimulatorProcess, BadArgument_StartFailsWithTheSimulatorsReason)
{
    SimulatorProcess sim({"--late-reply", "x"});
    EXPECT_FALSE(sim.start());
    EXPECT_TRUE(sim.errorText().contains("--late-reply: expected FRAME:MILLISECONDS, got x"))
        << sim.errorText().toStdString();
}

TEST(MemoryFile, RoundTripsEveryArea)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("m.mem");
    const MemoryAreas blank;
    auto areas = blank.all();
    areas[3][5119] = 0xAB;
    ASSERT_TRUE(writeMemoryFile(path, areas));
    EXPECT_EQ(readMemoryFile(path), areas);
}

TEST(MemoryFile, BrokenLinesSkipped_SizesRepairedOnLoad)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("m.mem");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# comment\n6 4142\n9 zz\n3 0\nnot a line\n4 " + QByteArray(3300, '1') + "\n");
    file.close();
    const auto stored = readMemoryFile(path);
    EXPECT_EQ(stored.size(), 2u); // 6 and 4; "9 zz" and "3 0" are not hex bytes
    MemoryAreas memory;
    memory.load(stored);
    EXPECT_EQ(memory.area(kMessageArea).size(), 340u);
    EXPECT_EQ(memory.message(0), "AB");
    EXPECT_EQ(memory.area(kBlockTable).size(), 1600u) << "a too long area is cut to its size";
    EXPECT_EQ(memory.area(kBlockTable)[1599], 0x11);
    EXPECT_EQ(memory.blockFunction(159), 0x11);
}

TEST(MemoryFile, MissingFileReadsAsNoAreas_UnwritableFolderFails)
{
    EXPECT_TRUE(readMemoryFile("/nonexistent/m.mem").empty());
    EXPECT_FALSE(writeMemoryFile("/nonexistent/m.mem", MemoryAreas().all()));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
