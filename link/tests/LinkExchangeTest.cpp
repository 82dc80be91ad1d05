// Exchanges over a real pseudo-terminal: the test plays the controller on the master side.
#include "orvane/link/Link.h"
#include "orvane/link/Transport.h"
#include "orvane/testing/PtyController.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>
#include <vector>

using namespace orvane::link;

namespace {

using orvane::testing::PtyController;

class LinkOverPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        transport = std::make_unique<SerialTransport>(controller.slaveName(), 38400, "O");
        ASSERT_TRUE(transport->open()) << transport->errorText().toStdString();
        link.setTransport(transport.get());
    }
    PtyController controller;
    std::unique_ptr<SerialTransport> transport;
    Link link;
};

const QByteArray kPollReply = QByteArray::fromHex("1000000000");

} // namespace

TEST_F(LinkOverPty, PollSendsCheckedFrameAndAcceptsReplyStartingWith10)
{
    QByteArray seen;
    controller.respond = [&](int, const QByteArray &frame) { seen = frame; return kPollReply; };
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(seen, QByteArray::fromHex("01fffe"));
    EXPECT_EQ(controller.frames(), 1);
}

TEST_F(LinkOverPty, PollReplyNotStartingWith10IsRejected)
{
    controller.respond = [](int, const QByteArray &) { return QByteArray::fromHex("1100000000"); };
    link.poll_orvane();
    EXPECT_FALSE(link.reply_ok);
}

TEST_F(LinkOverPty, AnalogValueIsSignedHighByteFirst)
{
    controller.respond = [](int, const QByteArray &) { return QByteArray::fromHex("00fffe0000"); };
    EXPECT_EQ(link.get_analog(12), -2);
    EXPECT_TRUE(link.reply_ok);
}

TEST_F(LinkOverPty, ReplyOneByteTooLong_NeverAccepted_FrameSentExactlyTwice)
{
    controller.respond = [](int, const QByteArray &) { return kPollReply + QByteArray(1, '\0'); };
    link.poll_orvane();
    EXPECT_FALSE(link.reply_ok);
    EXPECT_TRUE(link.timed_out);
    EXPECT_EQ(controller.frames(), 2);
}

TEST_F(LinkOverPty, RetryAfterLateReply_DiscardsStaleBytes)
{
    // The first attempt sees only part of its reply in time; the rest of it must not
    // be glued in front of the retry's reply.
    controller.respond = [](int frame, const QByteArray &) {
        return frame == 1 ? kPollReply.left(4) : kPollReply;
    };
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(controller.frames(), 2);
    EXPECT_EQ(link.rcv_bfr[0], 0x10);
}

TEST_F(LinkOverPty, ExchangeStartedDuringWaitIsRefusedAndSendsNothing)
{
    controller.respond = [&](int, const QByteArray &) {
        QTimer::singleShot(300, [&] { controller.send(kPollReply); });
        return QByteArray();
    };
    bool innerReplyOk = true;
    int framesSeenByInner = -1;
    QTimer::singleShot(100, [&] {
        link.poll_orvane();
        innerReplyOk = link.reply_ok;
        framesSeenByInner = controller.frames();
    });
    link.poll_orvane();
    EXPECT_FALSE(innerReplyOk);
    EXPECT_EQ(framesSeenByInner, 1);
    EXPECT_EQ(controller.frames(), 1);
    EXPECT_TRUE(link.reply_ok);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {
struct RecordingReporter : LinkReporter {
    std::vector<std::string> messages;
    void message(const std::string &text) override { messages.push_back(text); }
};
} // namespace

TEST(OpenCommPort, MissingPortReportsNotAvailable)
{
    Link link;
    RecordingReporter reporter;
    link.setReporter(&reporter);
    link.settings.CommPortName = "/dev/ttyUSB-missing-9";
    EXPECT_FALSE(link.Open_Comm_Port());
    EXPECT_FALSE(link.port_is_open);
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0], "/dev/ttyUSB-missing-9: not available. Change the setting to another port.");
}

TEST(OpenCommPort, NumberedPortNamedComInMessages)
{
    Link link;
    link.settings.CommPortNumber = 3;
    EXPECT_EQ(link.portLabel(), "COM3");
    EXPECT_EQ(link.devicePath(), "/dev/ttyS2");
}

TEST(OpenCommPort, PortHeldByThisLinkReportsInUse_ThenPollWorks)
{
    PtyController controller;
    controller.respond = [](int, const QByteArray &) { return kPollReply; };
    Link link;
    RecordingReporter reporter;
    link.setReporter(&reporter);
    link.settings.CommPortName = controller.slaveName().toStdString();
    ASSERT_TRUE(link.Open_Comm_Port());
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_FALSE(link.Open_Comm_Port());
    EXPECT_TRUE(link.port_is_open);
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0], link.settings.CommPortName + ": in use. Change the setting to another port.");
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
    link.Close_Comm_Port();
    EXPECT_FALSE(link.port_is_open);
}

TEST(OpenCommPort, PortHeldByAnotherOpenerReportsNotAvailable)
{
    PtyController controller;
    Link first;
    first.settings.CommPortName = controller.slaveName().toStdString();
    ASSERT_TRUE(first.Open_Comm_Port());
    Link second;
    RecordingReporter reporter;
    second.setReporter(&reporter);
    second.settings = first.settings;
    EXPECT_FALSE(second.Open_Comm_Port());
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0], first.settings.CommPortName + ": not available. Change the setting to another port.");
}

TEST_F(LinkOverPty, LengthPrefixedReply_TextAndEmptyText)
{
    controller.respond = [](int frame, const QByteArray &) {
        return frame == 1 ? QByteArray::fromHex("2205") + "TEMP1" + QByteArray::fromHex("0102")
                          : QByteArray::fromHex("22000102");
    };
    link.xmit_bfr[0] = 0x22;
    link.sum_xmit_bfr(0);
    link.send_and_get_message(3);
    ASSERT_TRUE(link.reply_ok);
    EXPECT_EQ(link.msg_len, 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(link.rcv_bfr.data()), 5), "TEMP1");
    EXPECT_EQ(link.rcv_bfr[5], 0x01);

    link.send_and_get_message(3);
    ASSERT_TRUE(link.reply_ok);
    EXPECT_EQ(link.msg_len, 0);
    EXPECT_EQ(link.rcv_bfr[0], 0x01);
    EXPECT_EQ(controller.frames(), 2);
}

TEST(TcpLink, PollThroughSerialDeviceServer)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QByteArray seen;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket *peer = server.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [&, peer] {
            seen += peer->readAll();
            peer->write(kPollReply);
        });
    });
    Link link;
    link.settings.CommPortName = "127.0.0.1:" + std::to_string(server.serverPort());
    ASSERT_TRUE(link.Open_Comm_Port());
    link.poll_orvane();
    EXPECT_TRUE(link.reply_ok);
    EXPECT_EQ(seen, QByteArray::fromHex("01fffe"));
    link.Close_Comm_Port();
}

TEST(TcpLink, RefusedServerReportsNotAvailable)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const auto port = server.serverPort();
    server.close();
    Link link;
    RecordingReporter reporter;
    link.setReporter(&reporter);
    link.settings.CommPortName = "127.0.0.1:" + std::to_string(port);
    EXPECT_FALSE(link.Open_Comm_Port());
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0], link.settings.CommPortName + ": not available. Change the setting to another port.");
}

TEST_F(LinkOverPty, SlotCursorReadsValuesAndFetchesNextPageAfter32Slots)
{
    QByteArray requested;
    controller.respond = [&](int, const QByteArray &frame) {
        requested = frame;
        QByteArray page(135, '\0');
        page[5] = char(0xFF); page[6] = char(0xFE);                  // slot 0: -2 as an integer
        return page;
    };
    link.rcv_bfr.fill(0);
    link.rcv_bfr[5 + 4 * 0] = 0x80;                                   // slot 0: -32768
    link.rcv_bfr[5 + 4 * 1] = 0xFF; link.rcv_bfr[6 + 4 * 1] = 0xFF;   // slot 1: -1 as a long
    link.rcv_bfr[7 + 4 * 1] = 0xFF; link.rcv_bfr[8 + 4 * 1] = 0xFF;
    link.const_slot_index = 0;
    link.const_page_address = 128;
    EXPECT_EQ(link.get_integer_constant(), -32768);
    EXPECT_EQ(link.get_long_constant(), -1);
    for (int slot = 2; slot < 32; ++slot)
        EXPECT_EQ(link.get_no_constant(), 0);
    EXPECT_EQ(controller.frames(), 1);
    EXPECT_EQ(requested.left(5), QByteArray::fromHex("0403800080"));
    EXPECT_EQ(link.const_page_address, 256);
    EXPECT_EQ(link.const_percent, 2);
    EXPECT_FALSE(link.constant_page_failed);
    EXPECT_EQ(link.get_integer_constant(), -2);
}
