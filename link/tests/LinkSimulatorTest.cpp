// The real Link against a real orvane-sim process, over a pseudo-terminal and
// over TCP: frames, value encodings, retries, stale bytes, faults and ports.
#include "orvane/link/Link.h"
#include "orvane/sim/SimulatorProcess.h"
#include "orvane/testing/WaitUntil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>


using namespace orvane::link;
using orvane::sim::SimulatorProcess;

namespace {

const QString kSimulator = QStringLiteral(ORVANE_BIN_DIR "/orvane-sim");

struct RecordingReporter : LinkReporter {
    std::vector<std::string> messages;
    void message(const std::string &text) override { messages.push_back(text); }
};

using orvane::testing::waitUntil;

class LinkToSimulator : public ::testing::Test {
protected:
    // Starts orvane-sim with `arguments` (and --log, to count frames) and opens the Link on it.
    void startSimulator(QStringList arguments)
    {
        arguments << "--log";
        sim = std::make_unique<SimulatorProcess>(arguments, kSimulator);
        ASSERT_TRUE(sim->start()) << sim->errorText().toStdString();
        link.setReporter(&reporter);
        link.settings.CommPortName = sim->portName().toStdString();
        ASSERT_TRUE(link.Open_Comm_Port());
    }
    void TearDown() override { link.Close_Comm_Port(); }

    // Frames the simulator has received so far, rejected ones included.
    int frames()
    {
        static const QRegularExpression frameLine(QStringLiteral("^\\d+ (IN|BAD) "),
                                                  QRegularExpression::MultilineOption);
        return static_cast<int>(sim->logText().count(frameLine));
    }

    void prepareFrame(std::initializer_list<uint8_t> body)
    {
        link.xmit_bfr.fill(0);
        std::copy(body.begin(), body.end(), link.xmit_bfr.begin());
        link.sum_xmit_bfr(static_cast<int>(body.size()) - 1);
    }

    std::string displayLine(uint8_t command)
    {
        prepareFrame({command});
        link.send_and_get_message(3);
        return link.reply_ok ? std::string(reinterpret_cast<const char *>(link.rcv_bfr.data()), link.msg_len)
                             : "(no reply)";
    }

    // Writes `data` into `area` at `address` with one write frame.
    void writeArea(uint8_t area, int address, const std::vector<uint8_t> &data)
    {
        link.xmit_bfr.fill(0);
        link.xmit_bfr[0] = 0x02;
        link.xmit_bfr[1] = area;
        link.xmit_bfr[2] = static_cast<uint8_t>(data.size());
        link.xmit_bfr[3] = static_cast<uint8_t>(address >> 8);
        link.xmit_bfr[4] = static_cast<uint8_t>(address & 0xFF);
        std::copy(data.begin(), data.end(), link.xmit_bfr.begin() + 5);
        link.sum_xmit_bfr(4 + static_cast<int>(data.size()));
        link.send_and_get(7 + static_cast<int>(data.size()), 5);
    }

    std::vector<uint8_t> readArea(uint8_t area, int address, int count)
    {
        prepareFrame({0x04, area, static_cast<uint8_t>(count), static_cast<uint8_t>(address >> 8),
                      static_cast<uint8_t>(address & 0xFF)});
        link.send_and_get(7, count + 7);
        if (!link.reply_ok)
            return {};
        return {link.rcv_bfr.begin() + 5, link.rcv_bfr.begin() + 5 + count};
    }

    std::unique_ptr<SimulatorProcess> sim;
    RecordingReporter reporter;
    Link link;
};

const std::string kIdentification = "ORVANE DCX7 ROM 2.50    ";

} // namespace

// --- Frames and values --------------------------------------------------------

TEST_F(LinkToSimulator, Poll_FrameIsOneFfFe_AndTheAcknowledgeIsAccepted)
{
    startSimulator({});
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(link.rcv_bfr[0], 0x10);
    EXPECT_TRUE(sim->logText().contains("1 IN 01 FF FE\n"));
    EXPECT_EQ(frames(), 1);
}

TEST_F(LinkToSimulator, VersionId_CarriesTheRomVersionOfTheCommandLine)
{
    startSimulator({"--rom", "3.04"});
    EXPECT_EQ(link.read_version_id(), "ORVANE DCX7 ROM 3.04    ");
}

TEST_F(LinkToSimulator, ConstantPageOfMinusOnes_133ByteBodyAccepted_ReadsBackAsMinusOne)
{
    startSimulator({});
    writeArea(3, 0, std::vector<uint8_t>(128, 0xFF)); // body: 5 header bytes and 128 of 0xFF
    ASSERT_TRUE(link.reply_ok) << "the simulator refused the check bytes";

    readArea(3, 0, 128);
    ASSERT_TRUE(link.reply_ok);
    link.const_slot_index = 0;
    link.const_page_address = 128;
    EXPECT_EQ(link.get_long_constant(), -1);
    EXPECT_EQ(link.get_integer_constant(), -1);
}

TEST_F(LinkToSimulator, AnalogReadings_FfFfIsMinusOne_8000IsMinus32768)
{
    startSimulator({"--output", "5=-1", "--output", "6=-32768", "--output", "7=32767"});
    EXPECT_EQ(link.get_analog(5), -1);
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(link.get_analog(6), -32768);
    EXPECT_EQ(link.get_analog(7), 32767);
    EXPECT_TRUE(sim->logText().contains("OUT 10 80 00"));
}

TEST_F(LinkToSimulator, OutputsFollowTheDownloadedBlockTable)
{
    startSimulator({"--output", "3=1"});
    EXPECT_EQ(link.get_analog(3), 1) << "a pinned block reads its value whatever it runs";
    EXPECT_EQ(link.get_analog(20), 0) << "a blank controller runs NOP: output 0";

    // Block 3 becomes a discrete block (Ftype 2): its state is in reply byte 1 alone.
    std::vector<uint8_t> record(10, 0);
    record[1] = 12;
    record[8] = 2;
    writeArea(4, 30, record);
    ASSERT_TRUE(link.reply_ok);
    EXPECT_EQ(link.get_digital(3), 1);
    EXPECT_EQ(link.rcv_bfr[2], 0);

    // Block 21 becomes analog (Ftype 1): a wave within +-100.00.
    record[8] = 1;
    writeArea(4, 210, record);
    const int value = link.get_analog(21);
    EXPECT_TRUE(link.reply_ok);
    EXPECT_GE(value, -10000);
    EXPECT_LE(value, 10000);
}

// --- Retries, stale bytes and faults --------------------------------------------

TEST_F(LinkToSimulator, ReplyOneByteTooLong_NeverAccepted_FrameSentExactlyTwice)
{
    startSimulator({"--extra-byte", "1", "--extra-byte", "2"});
    link.poll_orvane();
    EXPECT_FALSE(link.reply_ok);
    EXPECT_TRUE(link.timed_out);
    EXPECT_EQ(frames(), 2);
}

TEST_F(LinkToSimulator, ReplyOneByteTooLong_RetryTakesTheExactReply)
{
    startSimulator({"--extra-byte", "1"});
    EXPECT_EQ(link.read_version_id(), kIdentification);
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(frames(), 2);
}

TEST_F(LinkToSimulator, LateReplyArrivesDuringRetryWait_RetrySucceeds_NextFrameNotConfusedByStaleBytes)
{
    // Attempt 1 times out at 1.5 s; once the line has been quiet for 200 ms frame 2
    // goes out. The reply to frame 1 arrives at 2.2 s, while attempt 2 still waits (its
    // own reply comes 600 ms after it was sent), and is taken: it has the same bytes.
    // The reply to frame 2 is then stale; the next exchange must throw it away before it
    // sends, or it would see 5 + 31 bytes. (Should a loaded machine let the quiet wait run
    // past 2.2 s, the late reply is dropped there and frame 2's own reply is taken: the
    // same counts.)
    startSimulator({"--late-reply", "1:2200", "--late-reply", "2:600"});
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(frames(), 2);
    ASSERT_TRUE(waitUntil([&] { return sim->logText().contains("2 OUT"); }));

    EXPECT_EQ(link.read_version_id(), kIdentification);
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(frames(), 3) << "the version read needed a retry: stale bytes were glued to its reply";
}

TEST_F(LinkToSimulator, StaleReplyQueuedWhilePortClosed_DiscardedOnReopen)
{
    // The retry goes out at 1.7 s, once the line has been quiet for 200 ms, and is
    // answered at once; the late reply to the first attempt follows at 1.8 s.
    startSimulator({"--late-reply", "1:1800"});
    link.poll_orvane();
    ASSERT_TRUE(link.reply_ok);
    link.Close_Comm_Port();
    ASSERT_TRUE(waitUntil([&] { return sim->logText().contains("1 OUT"); }));

    ASSERT_TRUE(link.Open_Comm_Port());
    EXPECT_EQ(link.read_version_id(), kIdentification);
    EXPECT_EQ(frames(), 3);
}

TEST_F(LinkToSimulator, BadCheckBytes_NoReplyToEitherAttempt_NextGoodFrameAnswered)
{
    startSimulator({});
    prepareFrame({0x20, 0x05});
    link.xmit_bfr[3] ^= 0x01;
    link.send_and_get(4, 5);
    EXPECT_FALSE(link.reply_ok);
    EXPECT_TRUE(sim->logText().contains("1 BAD 20 05 FF DB\n2 BAD 20 05 FF DB\n"));
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
    EXPECT_TRUE(sim->logText().contains("3 IN 01 FF FE\n"));
}

TEST_F(LinkToSimulator, ReplyDamagedOnTheLine_IsRefusedForItsCheckBytesAndAskedForAgain)
{
    // Frame 1's reply (the poll's) starts 0xEF instead of 0x10, frame 3's (block 9's
    // output) carries 0xFB 0xD2 instead of 0x04 0xD2: each fails its attempt on its check
    // bytes and the frame goes once more. Both attempts of a version read (5, 6) garbled.
    startSimulator({"--garble", "1", "--corrupt", "3", "--output", "9=1234", "--garble", "5", "--garble", "6"});
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(frames(), 2);
    EXPECT_EQ(link.get_analog(9), 1234);
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(frames(), 4);
    EXPECT_EQ(link.read_version_id(), "");
    EXPECT_FALSE(link.reply_ok);
    EXPECT_TRUE(link.timed_out);
    EXPECT_EQ(frames(), 6);
    EXPECT_EQ(link.line_disturbances, 4);
}

TEST_F(LinkToSimulator, DroppedReply_FrameSentAgainAndAnswered)
{
    startSimulator({"--drop-reply", "1", "--output", "9=1234"});
    EXPECT_EQ(link.get_analog(9), 1234);
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(frames(), 2);
}

TEST_F(LinkToSimulator, SilentAfterTwoFrames_ThirdExchangeFailsAfterTwoAttempts)
{
    startSimulator({"--silent-after", "2"});
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(link.read_version_id(), kIdentification);
    link.poll_orvane();
    EXPECT_FALSE(link.reply_ok);
    EXPECT_EQ(frames(), 4);
}

TEST_F(LinkToSimulator, ReadPastTheEndOfAnArea_NoReply_SimulatorKeepsServing)
{
    startSimulator({});
    EXPECT_TRUE(readArea(5, 150, 31).empty()) << "area 5 holds 180 bytes";
    EXPECT_FALSE(link.reply_ok);
    EXPECT_TRUE(sim->logText().contains("REFUSED read of 31 bytes at 150 refused in area 5"));
    EXPECT_EQ(readArea(5, 150, 30).size(), 30u);
    EXPECT_TRUE(link.reply_ok);
}

TEST_F(LinkToSimulator, PacedAtNineThousandSixHundredBaud_ExchangesStillComplete)
{
    startSimulator({"--baud", "9600"});
    EXPECT_EQ(link.read_version_id(), kIdentification);
    EXPECT_EQ(readArea(6, 0, 170).size(), 170u);
    EXPECT_EQ(frames(), 2);
}

// --- One exchange at a time -----------------------------------------------------

TEST_F(LinkToSimulator, ExchangeStartedFromTimerWhileAnotherWaits_IsRefusedAndSendsNothing)
{
    startSimulator({"--late-reply", "1:1000", "--output", "4=77"});
    bool innerReplyOk = true;
    int framesWhenRefused = -1;
    QTimer::singleShot(100, [&] {
        link.get_analog(4);
        innerReplyOk = link.reply_ok;
        framesWhenRefused = frames();
    });
    EXPECT_EQ(link.get_analog(4), 77);
    EXPECT_TRUE(link.reply_ok);
    EXPECT_FALSE(innerReplyOk);
    EXPECT_EQ(framesWhenRefused, 1);
    EXPECT_EQ(frames(), 1);
}

// --- Display lines and front panel ------------------------------------------------

TEST_F(LinkToSimulator, LengthPrefixedReplies_TextLineAndEmptyValueLine)
{
    startSimulator({});
    EXPECT_EQ(displayLine(0x22), "VIEW OUTPUTS");
    EXPECT_EQ(link.msg_len, 12);
    EXPECT_EQ(displayLine(0x23), "");
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(link.msg_len, 0);
}

TEST_F(LinkToSimulator, FrontPanelKeys_WalkTheMenu_SetUpModeLightsTheLamp)
{
    startSimulator({"--rom", "2.62"});
    link.send_key(7);
    link.send_key(7);
    EXPECT_EQ(displayLine(0x22), "ROM VERSION");
    EXPECT_EQ(displayLine(0x23), "2.62");
    link.send_key(7);
    EXPECT_EQ(displayLine(0x22), "ENTER S/M");
    prepareFrame({0x24});
    link.send_and_get(3, 5);
    ASSERT_TRUE(link.reply_ok);
    EXPECT_EQ(link.rcv_bfr[1], 0);

    link.send_key(2);
    EXPECT_EQ(displayLine(0x22), "EXIT S/M");
    EXPECT_EQ(displayLine(0x23), "S/M ALL");
    prepareFrame({0x24});
    link.send_and_get(3, 5);
    EXPECT_NE(link.rcv_bfr[1], 0);
    EXPECT_TRUE(sim->logText().contains("IN 21 02 FF DC\n"));
}

TEST_F(LinkToSimulator, FrontPanelMessages_ShowTheDownloadedTexts)
{
    startSimulator({});
    std::vector<uint8_t> messages(170, 0);
    const std::string text = "HIGH LEVEL";
    std::copy(text.begin(), text.end(), messages.begin() + 17); // message 1
    writeArea(6, 0, messages);
    ASSERT_TRUE(link.reply_ok);
    link.send_key(7);
    link.send_key(2);
    link.send_key(7);
    EXPECT_EQ(displayLine(0x22), "HIGH LEVEL");
    EXPECT_EQ(displayLine(0x23), "MSG 1");
    link.send_key(8);
    EXPECT_EQ(displayLine(0x22), "VIEW MESSAGES");
}

// --- Ports ---------------------------------------------------------------------

TEST_F(LinkToSimulator, PortReopenedManyTimes_EveryOpenPolls)
{
    startSimulator({});
    for (int i = 0; i < 20; ++i) {
        link.Close_Comm_Port();
        ASSERT_TRUE(link.Open_Comm_Port()) << "open " << i;
        link.poll_orvane();
        ASSERT_TRUE(link.reply_ok) << "poll " << i;
    }
    EXPECT_EQ(frames(), 20);
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(LinkToSimulator, PortHeld_SameLinkSaysInUse_AnotherOpenerSaysNotAvailable)
{
    startSimulator({});
    link.Open_Comm_Port();
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0], link.settings.CommPortName + ": in use. Change the setting to another port.");

    Link other;
    RecordingReporter otherReporter;
    other.setReporter(&otherReporter);
    other.settings = link.settings;
    EXPECT_FALSE(other.Open_Comm_Port());
    ASSERT_EQ(otherReporter.messages.size(), 1u);
    EXPECT_TRUE(otherReporter.messages[0].starts_with(link.settings.CommPortName + ": not available: another program holds it ("))
        << otherReporter.messages[0];
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
}

TEST(SimulatorPortLink, NamedLinkOpens_AndIsMissingOnceTheSimulatorStops)
{
    QTemporaryDir dir;
    const QString linkPath = dir.filePath("orvane-port");
    SimulatorProcess sim({"--link", linkPath}, kSimulator);
    ASSERT_TRUE(sim.start()) << sim.errorText().toStdString();
    EXPECT_EQ(QFileInfo(linkPath).symLinkTarget(), sim.portName());

    Link link;
    RecordingReporter reporter;
    link.setReporter(&reporter);
    link.settings.CommPortName = linkPath.toStdString();
    ASSERT_TRUE(link.Open_Comm_Port());
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
    link.Close_Comm_Port();

    sim.stop();
    EXPECT_FALSE(QFileInfo::exists(linkPath)) << "the simulator leaves its link behind";
    EXPECT_FALSE(link.Open_Comm_Port());
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_TRUE(reporter.messages[0].starts_with(linkPath.toStdString() + ": not available: there is no such device. "))
        << reporter.messages[0];
}

TEST_F(LinkToSimulator, Tcp_PollVersionAndReconnect)
{
    startSimulator({"--tcp", "0"});
    EXPECT_TRUE(sim->portName().startsWith("127.0.0.1:"));
    for (int i = 0; i < 5; ++i) {
        link.poll_orvane();
        ASSERT_TRUE(link.reply_ok) << "connection " << i;
        EXPECT_EQ(link.read_version_id(), kIdentification);
        link.Close_Comm_Port();
        ASSERT_TRUE(link.Open_Comm_Port());
    }
    EXPECT_EQ(frames(), 10);
}

TEST_F(LinkToSimulator, Tcp_NewClientTakesTheLineOver)
{
    startSimulator({"--tcp", "0"});
    Link newer;
    newer.settings = link.settings;
    ASSERT_TRUE(newer.Open_Comm_Port());
    newer.poll_orvane();
    EXPECT_TRUE(newer.reply_ok);
    ASSERT_TRUE(waitUntil([&] {
        link.poll_orvane();
        return !link.reply_ok;
    })) << "two clients served at once";
    newer.poll_orvane();
    EXPECT_TRUE(newer.reply_ok);
}

TEST_F(LinkToSimulator, Tcp_ReplyOneByteTooLong_RetrySucceeds)
{
    startSimulator({"--tcp", "0", "--extra-byte", "1"});
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(frames(), 2);
}

// --- Memory file -----------------------------------------------------------------

TEST(SimulatorMemory, WrittenAreasSurviveARestart)
{
    QTemporaryDir dir;
    const QString memory = dir.filePath("controller.mem");
    std::vector<uint8_t> quick(152);
    for (std::size_t i = 0; i < quick.size(); ++i)
        quick[i] = static_cast<uint8_t>(i * 7);

    for (int run = 0; run < 2; ++run) {
        SimulatorProcess sim({"--memory", memory}, kSimulator);
        ASSERT_TRUE(sim.start()) << sim.errorText().toStdString();
        Link link;
        link.settings.CommPortName = sim.portName().toStdString();
        ASSERT_TRUE(link.Open_Comm_Port());
        link.xmit_bfr.fill(0);
        if (run == 0) {
            const uint8_t header[5] = {0x02, 0x09, 0x98, 0x00, 0x00};
            std::copy(std::begin(header), std::end(header), link.xmit_bfr.begin());
            std::copy(quick.begin(), quick.end(), link.xmit_bfr.begin() + 5);
            link.sum_xmit_bfr(156);
            link.send_and_get(159, 5);
            ASSERT_TRUE(link.reply_ok);
        } else {
            const uint8_t request[5] = {0x04, 0x09, 0x98, 0x00, 0x00};
            std::copy(std::begin(request), std::end(request), link.xmit_bfr.begin());
            link.sum_xmit_bfr(4);
            link.send_and_get(7, 159);
            ASSERT_TRUE(link.reply_ok);
            EXPECT_EQ(std::vector<uint8_t>(link.rcv_bfr.begin() + 5, link.rcv_bfr.begin() + 157), quick);
        }
        link.Close_Comm_Port();
    }
    const auto areas = orvane::sim::readMemoryFile(memory);
    ASSERT_TRUE(areas.contains(9));
    EXPECT_EQ(areas.at(9), quick);
    EXPECT_EQ(areas.at(3).size(), 5120u);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
