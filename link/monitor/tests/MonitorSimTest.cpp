// The poll passes, the poll session and the front panel's tick over a real
// pseudo-terminal: against orvane-sim, and against a scripted controller where the test
// must act in the middle of an exchange.
#include "MonitorTestSupport.h"

#include "orvane/monitor/ControllerLine.h"
#include "orvane/monitor/DoorPanel.h"
#include "orvane/monitor/Passes.h"
#include "orvane/monitor/PollSession.h"
#include "orvane/testing/PtyController.h"

#include <gtest/gtest.h>

using namespace orvane::monitor;
using namespace orvane::monitor::testing;
using orvane::transfer::testing::SimulatedController;
using orvane::transfer::testing::TestLink;
using orvane::testing::withCheckBytes;

namespace {

Tile tileFor(int block, Reading reading)
{
    Tile tile;
    tile.block = block;
    tile.reading = reading;
    tile.tag = QStringLiteral("Block %1").arg(block);
    return tile;
}

// A block-output reply carrying `value` in bytes 1 and 2.
QByteArray outputReply(int value)
{
    return withCheckBytes(QByteArray::fromHex("10") + char((value >> 8) & 0xFF) + char(value & 0xFF));
}

} // namespace

TEST(MonitorPass, TilesReadByKind_AMissingReplyShowsTheLastGoodValueMarked_ThenLiveAgain)
{
    // Frame 1 is the poll; each pass reads blocks 12, 13 and 40. Both attempts of pass 2's
    // read of block 13 (frames 6 and 7) go unanswered.
    SimulatedController sim({"--output", "12=1234", "--output", "13=1", "--output", "40=-5",
                             "--drop-reply", "6", "--drop-reply", "7"},
                            "2.50", blockTable({{13, {5, 2}}}));
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    TestLink test(sim.portName());
    TileTable tiles;
    tiles.add(tileFor(12, Reading::Analog));
    tiles.add(tileFor(13, Reading::Digital));
    tiles.add(tileFor(40, Reading::Analog));

    std::vector<std::vector<std::string>> shownAfterPass;
    std::vector<int> slotsShown;
    PollSession* session = nullptr;
    PollSession polling(test.link, [&] {
        pollTiles(session->line(), tiles, [&] { return session->running(); }, [&](int slot) { slotsShown.push_back(slot); });
        std::vector<std::string> texts;
        for (int slot = 1; slot <= 3; ++slot)
            texts.push_back(tiles.at(slot)->live.text(tiles.at(slot)->reading));
        shownAfterPass.push_back(texts);
        if (shownAfterPass.size() == 3)
            session->stop();
    });
    session = &polling;
    int finished = 0;
    QObject::connect(&polling, &PollSession::finished, [&] { ++finished; });
    ASSERT_EQ(polling.start(Pacing::WaitBetween, 10), PollSession::Opened::Yes);
    EXPECT_TRUE(test.link.port_is_open);
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }));

    EXPECT_FALSE(test.link.port_is_open);
    ASSERT_EQ(shownAfterPass.size(), 3u);
    EXPECT_EQ(shownAfterPass[0], (std::vector<std::string>{"12.34", "1", "-0.05"}));
    // Without the reply, the receive buffer still holds block 12's bytes (04 D2): never "4".
    EXPECT_EQ(shownAfterPass[1], (std::vector<std::string>{"12.34", "1 ?", "-0.05"}));
    EXPECT_EQ(shownAfterPass[2], (std::vector<std::string>{"12.34", "1", "-0.05"}));
    EXPECT_EQ(slotsShown, (std::vector<int>{1, 2, 3, 1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(sim.framesStartingWith("20 0D FF D2"), 4);
    // The opening poll, and the one that asked whether the controller was still there
    // once block 13 had gone unanswered.
    EXPECT_EQ(sim.framesStartingWith("01 FF FE"), 2);
    EXPECT_TRUE(test.messages.empty());
}

TEST(MonitorPass, RepliesThatMayAnswerAnotherRequest_OrCameDamaged_AreNeverShown)
{
    // Pass 2's first attempt at block 12 (frame 5) is answered only when frame 7 (block
    // 31) comes, just before 31's own reply: a late reply meeting a later request. The
    // reply to frame 11 (block 41 in pass 3) has a data byte damaged on the line.
    SimulatedController sim({"--output", "12=1111", "--output", "31=3131", "--output", "41=4141", "--hold-reply",
                             "5:7", "--reply-delay", "50", "--corrupt", "11"});
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    TestLink test(sim.portName());
    TileTable tiles;
    for (int block : {12, 31, 41})
        tiles.add(tileFor(block, Reading::Analog));
    std::vector<std::vector<std::string>> shownAfterPass;
    PollSession* session = nullptr;
    PollSession polling(test.link, [&] {
        pollTiles(session->line(), tiles, [&] { return session->running(); }, [](int) {});
        std::vector<std::string> texts;
        for (int slot = 1; slot <= 3; ++slot)
            texts.push_back(tiles.at(slot)->live.text(Reading::Analog));
        shownAfterPass.push_back(texts);
        if (shownAfterPass.size() == 4)
            session->stop();
    });
    session = &polling;
    ASSERT_EQ(polling.start(Pacing::Every, 0), PollSession::Opened::Yes);
    ASSERT_TRUE(waitUntil([&] { return !polling.active(); }, 30000));
    ASSERT_EQ(shownAfterPass.size(), 4u);
    EXPECT_EQ(shownAfterPass[0], (std::vector<std::string>{"11.11", "31.31", "41.41"}));
    // Block 12's retry was answered, but after a failed attempt; 31 got 12's late reply.
    EXPECT_EQ(shownAfterPass[1], (std::vector<std::string>{"11.11 ?", "31.31 ?", "41.41"}));
    EXPECT_EQ(shownAfterPass[2], (std::vector<std::string>{"11.11", "31.31", "41.41 ?"}));
    EXPECT_EQ(shownAfterPass[3], (std::vector<std::string>{"11.11", "31.31", "41.41"}));
    EXPECT_EQ(sim.framesStartingWith("20 29"), 5);   // 41 asked again after the damaged reply
    EXPECT_EQ(sim.framesStartingWith("01 FF FE"), 1);   // no reading went unanswered

    // The front panel's lamp reply, damaged: 10 00 00 arrives as 10 FF 00, which would
    // light the lamp. Nothing is shown for it, and the next tick shows it dark.
    SimulatedController panelSim({"--corrupt", "1"});
    ASSERT_TRUE(panelSim.started());
    TestLink panelLink(panelSim.portName());
    ASSERT_TRUE(panelLink.link.Open_Comm_Port());
    ControllerLine line(panelLink.link);
    DoorPanel panel;
    PanelReadings readings = panel.tick(line);
    EXPECT_FALSE(readings.lampLit.has_value());
    EXPECT_EQ(readings.text, "VIEW OUTPUTS");
    readings = panel.tick(line);
    EXPECT_EQ(readings.lampLit, false);
    panelLink.link.Close_Comm_Port();
}

TEST(MonitorPass, ADeadLineEndsThePassAtOnce_APortThatClosesEndsTheSession)
{
    // Frames after the 5th are answered with noise: pass 2 reads block 12 (frame 5), then
    // block 31 and the poll that asks whether the controller is still there get noise.
    SimulatedController sim({"--output", "12=1111", "--output", "31=3131", "--output", "41=4141", "--noise-after",
                             "5"});
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    TestLink test(sim.portName());
    std::vector<Watch> watches;
    for (int block : {12, 31, 41})
        watches.push_back({block, Reading::Analog, {}});
    struct Pass {
        std::vector<std::size_t> shown;   // the watches updated
        bool dead;
        int failedInARow;
    };
    std::vector<Pass> passes;
    PollSession* session = nullptr;
    PollSession polling(test.link, [&] {
        Pass pass{{}, false, 0};
        pollWatches(session->line(), watches, [&] { return session->running(); },
                    [&](std::size_t i) { pass.shown.push_back(i); });
        pass.dead = session->line().dead();
        passes.push_back(pass);
        if (passes.size() == 3)
            sim.stopAndReadMemory();   // the adapter is unplugged
    });
    session = &polling;
    QObject::connect(&polling, &PollSession::passDone, [&] { passes.back().failedInARow = polling.failedPassesInARow(); });
    int finished = 0;
    QObject::connect(&polling, &PollSession::finished, [&] { ++finished; });
    ASSERT_EQ(polling.start(Pacing::Every, 0), PollSession::Opened::Yes);
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }, 30000));

    ASSERT_EQ(passes.size(), 4u);
    EXPECT_EQ(passes[0].shown, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_FALSE(passes[0].dead);
    // The reading that found the line dead is not shown on its own, and block 41 is not
    // asked: the window shows every value as missing at once.
    EXPECT_EQ(passes[1].shown, std::vector<std::size_t>{0});
    EXPECT_TRUE(passes[1].dead);
    EXPECT_EQ(passes[1].failedInARow, 0);   // block 12 answered
    EXPECT_TRUE(passes[2].shown.empty());
    EXPECT_TRUE(passes[2].dead);
    EXPECT_EQ(passes[2].failedInARow, 1);
    EXPECT_TRUE(passes[3].shown.empty());
    EXPECT_TRUE(passes[3].dead);
    EXPECT_EQ(passes[3].failedInARow, 2);
    EXPECT_EQ(watches[1].value.text(Reading::Analog), "31.31");
    EXPECT_TRUE(polling.portClosed());
    EXPECT_FALSE(test.link.port_is_open);
    // Pass 1 asked each block once, passes 2 and 3 asked 31 and 41 no more than said.
    EXPECT_EQ(sim.framesStartingWith("20 1F"), 3);
    EXPECT_EQ(sim.framesStartingWith("20 29"), 1);
}

TEST(MonitorPass, TilesChangedOrStopDuringAnExchange_AreNeverReadOrShownAfterwards)
{
    orvane::testing::PtyController controller;
    TestLink test(controller.slaveName());
    TileTable tiles;
    tiles.add(tileFor(10, Reading::Analog));
    tiles.add(tileFor(20, Reading::Analog));
    tiles.add(tileFor(30, Reading::Analog));
    std::vector<QByteArray> frames;
    PollSession* session = nullptr;
    bool resetDuringExchange = true;
    controller.respond = [&](int, const QByteArray& frame) {
        frames.push_back(frame.left(2));
        if (frame.startsWith('\x01'))
            return outputReply(0);
        // "Reset" and "Add Block" while block 20's reply is awaited: the new tile takes slot 1.
        if (frame.startsWith(QByteArray::fromHex("2014")) && resetDuringExchange) {
            tiles.reset();
            tiles.add(tileFor(99, Reading::Digital));
        }
        // "Stop Poll" while block 20 is awaited in the second run.
        if (frame.startsWith(QByteArray::fromHex("2014")) && !resetDuringExchange)
            session->stop();
        return outputReply(frame[1]);
    };
    std::vector<int> shown;
    PollSession polling(test.link, [&] {
        pollTiles(session->line(), tiles, [&] { return session->running(); }, [&](int slot) { shown.push_back(slot); });
        session->stop();
    });
    session = &polling;
    int finished = 0;
    QObject::connect(&polling, &PollSession::finished, [&] { ++finished; });

    ASSERT_EQ(polling.start(Pacing::WaitBetween, 10), PollSession::Opened::Yes);
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }));
    // Block 10 shown; block 20's reply went nowhere; slot 3 was gone by then.
    EXPECT_EQ(frames, (std::vector<QByteArray>{QByteArray::fromHex("01ff"), QByteArray::fromHex("200a"),
                                               QByteArray::fromHex("2014")}));
    EXPECT_EQ(shown, std::vector<int>{1});
    ASSERT_NE(tiles.at(1), nullptr);
    EXPECT_EQ(tiles.at(1)->block, 99);
    EXPECT_FALSE(tiles.at(1)->live.last().has_value());
    EXPECT_FALSE(tiles.at(1)->live.missing());
    EXPECT_FALSE(test.link.port_is_open);

    // Stopped during block 20's exchange: its reply is shown, nothing more is asked, and
    // the port closes only once that exchange has returned.
    tiles.reset();
    tiles.add(tileFor(10, Reading::Analog));
    tiles.add(tileFor(20, Reading::Analog));
    tiles.add(tileFor(30, Reading::Analog));
    frames.clear();
    shown.clear();
    resetDuringExchange = false;
    bool openWhenStopped = false;
    QObject::connect(&polling, &PollSession::passDone, [&] { openWhenStopped = test.link.port_is_open; });
    ASSERT_EQ(polling.start(Pacing::Every, 0), PollSession::Opened::Yes);
    EXPECT_EQ(polling.start(Pacing::Every, 0), PollSession::Opened::Busy);
    ASSERT_TRUE(waitUntil([&] { return finished == 2; }));
    EXPECT_EQ(frames.size(), 3u);
    EXPECT_EQ(shown, (std::vector<int>{1, 2}));
    EXPECT_EQ(tiles.at(2)->live.text(Reading::Analog), "0.20");
    EXPECT_TRUE(openWhenStopped);
    EXPECT_FALSE(test.link.port_is_open);
}

TEST(MonitorPass, StartRefusedWithoutPortOrController_OrStoppedDuringThePoll_RunsNoPassAndClosesThePort)
{
    int passes = 0;
    TestLink missing("/dev/orvane-no-such-port");
    PollSession noPort(missing.link, [&] { ++passes; });
    EXPECT_EQ(noPort.start(Pacing::Once), PollSession::Opened::PortUnavailable);
    ASSERT_EQ(missing.messages.size(), 1u);
    EXPECT_TRUE(missing.messages[0].starts_with("/dev/orvane-no-such-port: not available: there is no such device. "))
        << missing.messages[0];

    orvane::testing::PtyController controller;
    controller.respond = [](int, const QByteArray&) { return withCheckBytes(QByteArray::fromHex("EF0000")); };
    TestLink test(controller.slaveName());
    PollSession noAnswer(test.link, [&] { ++passes; });
    EXPECT_EQ(noAnswer.start(Pacing::Once), PollSession::Opened::NoController);
    EXPECT_FALSE(noAnswer.active());
    EXPECT_FALSE(test.link.port_is_open);
    QCoreApplication::processEvents();
    EXPECT_EQ(passes, 0);

    // Stopped while the opening poll waits: started, but no pass; the port closes after.
    PollSession* stopping = nullptr;
    controller.respond = [&](int, const QByteArray&) {
        stopping->stop();
        EXPECT_TRUE(test.link.port_is_open);
        return outputReply(0);
    };
    PollSession stoppedAtOnce(test.link, [&] { ++passes; });
    stopping = &stoppedAtOnce;
    int finished = 0;
    QObject::connect(&stoppedAtOnce, &PollSession::finished, [&] { ++finished; });
    EXPECT_EQ(stoppedAtOnce.start(Pacing::WaitBetween, 10), PollSession::Opened::Yes);
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }));
    EXPECT_EQ(passes, 0);
    EXPECT_FALSE(test.link.port_is_open);
}

TEST(DoorPanelTick, KeysAreSentOnceOrOnEveryTick_DisplaysFollowTheReplies_AMissingOneIsLeftUnset)
{
    // Tick 8's text line (frames 28 and 29, both attempts) goes unanswered.
    SimulatedController sim({"--drop-reply", "28", "--drop-reply", "29"});
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    TestLink test(sim.portName());
    ASSERT_TRUE(test.link.Open_Comm_Port());
    ControllerLine line(test.link);
    DoorPanel panel;

    PanelReadings shown = panel.tick(line);
    EXPECT_EQ(shown.lampLit, false);
    EXPECT_EQ(shown.text, "VIEW OUTPUTS");
    EXPECT_EQ(shown.value, "");              // a line of length 0 clears its display
    panel.press(DoorPanel::kUp, false);
    shown = panel.tick(line);
    EXPECT_TRUE(panel.pendingKeys().empty());
    EXPECT_EQ(shown.text, "ENTER S/M");
    EXPECT_EQ(shown.value, "RUN");
    panel.press(DoorPanel::kSelect, false);
    shown = panel.tick(line);
    EXPECT_EQ(shown.lampLit, true);
    EXPECT_EQ(shown.text, "EXIT S/M");
    EXPECT_EQ(shown.value, "S/M ALL");
    EXPECT_EQ(sim.framesStartingWith("21 02 FF DC"), 1);
    EXPECT_EQ(sim.framesStartingWith("21 01 FF DD"), 1);

    panel.press(DoorPanel::kDown, true);
    for (int i = 0; i < 3; ++i)
        panel.tick(line);
    panel.release();
    panel.tick(line);
    EXPECT_EQ(sim.framesStartingWith("21 07 FF D7"), 3);
    EXPECT_EQ(sim.framesStartingWith("21 "), 5);

    shown = panel.tick(line);
    EXPECT_EQ(shown.lampLit, true);
    EXPECT_FALSE(shown.text.has_value());
    EXPECT_TRUE(shown.value.has_value());
    test.link.Close_Comm_Port();
}
