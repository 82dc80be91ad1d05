// The simulator's controller logic without any port: framing, commands, area
// bounds, outputs, front panel, faults, pacing and the command line.
#include "orvane/sim/Controller.h"
#include "orvane/sim/FrameReader.h"
#include "orvane/sim/Options.h"
#include "orvane/sim/Pacer.h"

#include <gtest/gtest.h>

using namespace orvane::sim;

namespace {

Bytes framed(Bytes body)
{
    appendCheckBytes(body);
    return body;
}

Bytes writeFrame(uint8_t area, int address, const Bytes &data)
{
    Bytes body{kWriteMemory, area, static_cast<uint8_t>(data.size()), static_cast<uint8_t>(address >> 8),
               static_cast<uint8_t>(address & 0xFF)};
    body.insert(body.end(), data.begin(), data.end());
    return framed(body);
}

Bytes readFrame(uint8_t area, int address, int count)
{
    return framed({kReadMemory, area, static_cast<uint8_t>(count), static_cast<uint8_t>(address >> 8),
                   static_cast<uint8_t>(address & 0xFF)});
}

std::string lineText(const Bytes &reply) { return std::string(reply.begin() + 2, reply.end() - 2); }

} // namespace

// --- Check bytes ---------------------------------------------------------------

TEST(CheckBytes, PollIsOneFfFe)
{
    EXPECT_EQ(framed({kPoll}), (Bytes{0x01, 0xFF, 0xFE}));
}

TEST(CheckBytes, BodyOf133FfBytes)
{
    const Bytes frame = framed(Bytes(133, 0xFF));
    const unsigned sum = 133u * 255u;
    ASSERT_EQ(frame.size(), 135u);
    EXPECT_EQ(frame[133], 255 - sum / 256);
    EXPECT_EQ(frame[134], 255 - sum % 256);
    EXPECT_TRUE(hasValidCheckBytes(frame));
}

TEST(CheckBytes, SumBeyond65535WrapsModulo65536)
{
    const Bytes frame = framed(Bytes(300, 0xFF)); // 76500 -> 0x2AD4
    EXPECT_EQ(frame[300], 255 - 0x2A);
    EXPECT_EQ(frame[301], 255 - 0xD4);
}

TEST(CheckBytes, AnyFlippedBitIsCaught)
{
    Bytes frame = readFrame(kConstants, 128, 128);
    frame[3] ^= 0x01;
    EXPECT_FALSE(hasValidCheckBytes(frame));
}

// --- Framing -------------------------------------------------------------------

TEST(FrameReader, FrameSplitAcrossReads_IsJoined)
{
    FrameReader reader;
    const Bytes frame = readFrame(kBlockTable, 160, 160);
    EXPECT_TRUE(reader.feed({frame.begin(), frame.begin() + 3}, 1000).empty());
    const auto frames = reader.feed({frame.begin() + 3, frame.end()}, 1001);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(frames[0].valid);
    EXPECT_EQ(frames[0].bytes, frame);
}

TEST(FrameReader, WriteFrameLengthComesFromItsCountByte)
{
    FrameReader reader;
    Bytes stream = writeFrame(kMessageArea, 170, Bytes(170, 'A'));
    const Bytes poll = framed({kPoll});
    stream.insert(stream.end(), poll.begin(), poll.end());
    const auto frames = reader.feed(stream, 1000);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes.size(), 177u);
    EXPECT_EQ(frames[1].bytes, poll);
}

TEST(FrameReader, BadCheckBytes_RejectedAndRestUntilQuietDropped_ThenResynchronised)
{
    FrameReader reader;
    Bytes bad = framed({kReadOutput, 12});
    bad[3] ^= 0xFF;
    Bytes stream = bad;
    const Bytes poll = framed({kPoll});
    stream.insert(stream.end(), poll.begin(), poll.end()); // same burst: cannot be told apart from noise
    auto frames = reader.feed(stream, 1000);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_FALSE(frames[0].valid);
    EXPECT_TRUE(reader.feed(poll, 1000 + FrameReader::kQuietMs - 1).empty()) << "still noisy";

    frames = reader.feed(poll, 1000 + 2 * FrameReader::kQuietMs);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(frames[0].valid);
}

TEST(FrameReader, UnknownCommandByte_Rejected)
{
    FrameReader reader;
    const auto frames = reader.feed({0x77, 0x01, 0xFF, 0xFE}, 500);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_FALSE(frames[0].valid);
    EXPECT_EQ(frames[0].bytes, Bytes{0x77});
}

TEST(FrameReader, FrameCutShortByQuiet_RejectedWhenTheNextFrameStarts)
{
    FrameReader reader;
    const Bytes poll = framed({kPoll});
    EXPECT_TRUE(reader.feed({kReadMemory, 0x03}, 1000).empty());
    const auto frames = reader.feed(poll, 1000 + FrameReader::kQuietMs);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_FALSE(frames[0].valid);
    EXPECT_TRUE(frames[1].valid);
    EXPECT_EQ(frames[1].bytes, poll);
}

// --- Commands and areas ----------------------------------------------------------

TEST(Controller, EveryReplyHasItsLengthAndValidCheckBytes)
{
    Controller controller;
    const std::pair<Bytes, std::size_t> cases[] = {
        {framed({kPoll}), 5},
        {writeFrame(kConstants, 0, Bytes(128, 1)), 5},
        {readFrame(kConstants, 0, 128), 135},
        {readFrame(kIdentification, 0, 24), 31},
        {framed({kEndOfDownload}), 5},
        {framed({kReadOutput, 159}), 5},
        {framed({kPressKey, 7}), 5},
        {framed({kReadLamp}), 5},
    };
    for (const auto &[frame, length] : cases) {
        const auto answer = controller.answer(frame, 0);
        ASSERT_TRUE(answer.reply) << toHex(frame);
        EXPECT_EQ(answer.reply->size(), length) << toHex(frame);
        EXPECT_EQ(answer.reply->at(0), kAcknowledge);
        EXPECT_TRUE(hasValidCheckBytes(*answer.reply)) << toHex(*answer.reply);
    }
}

TEST(Controller, WriteThenRead_SameBytes_ReadEchoesItsHeader)
{
    Controller controller;
    Bytes page(160);
    for (std::size_t i = 0; i < page.size(); ++i)
        page[i] = static_cast<uint8_t>(i);
    const auto written = controller.answer(writeFrame(kBlockTable, 320, page), 0);
    EXPECT_TRUE(written.memoryChanged);
    const auto read = controller.answer(readFrame(kBlockTable, 320, 160), 0);
    ASSERT_TRUE(read.reply);
    EXPECT_EQ(Bytes(read.reply->begin() + 1, read.reply->begin() + 5), (Bytes{kBlockTable, 160, 0x01, 0x40}));
    EXPECT_EQ(Bytes(read.reply->begin() + 5, read.reply->end() - 2), page);
}

TEST(Controller, RangesPastAnAreaEnd_GetNoReplyAndChangeNothing)
{
    Controller controller;
    const Bytes before = controller.memory().area(kQuickMessages);
    // Every case is one byte too far, or an area the controller does not have.
    const Bytes refused[] = {
        writeFrame(kQuickMessages, 1, Bytes(152, 0xAA)),
        writeFrame(kQuickMessages, 152, Bytes(1, 0xAA)),
        writeFrame(kConstants, 0xFFFF, Bytes(170, 0xAA)),
        writeFrame(7, 0, Bytes(4, 0xAA)),
        readFrame(kStatus, 150, 31),
        readFrame(kMessageArea, 340, 1),
        readFrame(kConstants, 0xFF80, 128),
        readFrame(1, 0, 1),
    };
    for (const Bytes &frame : refused) {
        const auto answer = controller.answer(frame, 0);
        EXPECT_FALSE(answer.reply) << toHex(frame);
        EXPECT_FALSE(answer.memoryChanged);
        EXPECT_FALSE(answer.refusal.empty());
    }
    EXPECT_EQ(controller.memory().area(kQuickMessages), before);
    EXPECT_TRUE(controller.answer(readFrame(kStatus, 150, 30), 0).reply) << "the last 30 bytes of area 5";
    EXPECT_TRUE(controller.answer(writeFrame(kQuickMessages, 0, Bytes(152, 1)), 0).reply);
}

TEST(Controller, IdentificationTextIsReadOnly_AndCarriesTheRom)
{
    Controller controller("3.04");
    EXPECT_FALSE(controller.answer(writeFrame(kIdentification, 0, Bytes(24, 'X')), 0).reply);
    const auto read = controller.answer(readFrame(kIdentification, 0, 24), 0);
    ASSERT_TRUE(read.reply);
    EXPECT_EQ(std::string(read.reply->begin() + 5, read.reply->end() - 2), "ORVANE DCX7 ROM 3.04    ");
}

TEST(Controller, BlockNumberAbove159_NoReply)
{
    Controller controller;
    EXPECT_FALSE(controller.answer(framed({kReadOutput, 160}), 0).reply);
}

TEST(Controller, EndOfDownloadIsCounted)
{
    Controller controller;
    controller.answer(framed({kEndOfDownload}), 0);
    EXPECT_EQ(controller.downloadsEnded(), 1);
}

// --- Block outputs ---------------------------------------------------------------

namespace {
void setBlock(Controller &controller, int block, uint8_t function, uint8_t ftype)
{
    Bytes record(kBlockRecordSize, 0);
    record[1] = function;
    record[8] = ftype;
    controller.answer(writeFrame(kBlockTable, block * kBlockRecordSize, record), 0);
}
} // namespace

TEST(BlockOutputs, AnalogBlocksMoveWithinRange_NopAndOtherTypesReadZero)
{
    Controller controller;
    setBlock(controller, 10, 20, kAnalogFtype);
    setBlock(controller, 11, 21, kAnalogFtype);
    setBlock(controller, 12, 22, 3);
    const MemoryAreas &memory = controller.memory();
    for (int block : {10, 11}) {
        std::set<int16_t> seen;
        for (int64_t t = 0; t < 20000; t += 500) {
            const int16_t value = controller.outputs().value(memory, block, t);
            EXPECT_GE(value, -5000);
            EXPECT_LE(value, 10000);
            seen.insert(value);
        }
        EXPECT_GE(seen.size(), 8u) << "block " << block << " does not move";
    }
    EXPECT_EQ(controller.outputs().value(memory, 12, 1234), 0);
    EXPECT_EQ(controller.outputs().value(memory, 13, 1234), 0) << "NOP";
}

TEST(BlockOutputs, DiscreteBlocksToggle_StateInReplyByteOne)
{
    Controller controller;
    setBlock(controller, 8, 30, kDiscreteFtype);
    std::set<int16_t> seen;
    for (int64_t t = 0; t < 4000; t += 250) {
        const auto reply = controller.answer(framed({kReadOutput, 8}), t).reply;
        ASSERT_TRUE(reply);
        EXPECT_LE((*reply)[1], 1);
        EXPECT_EQ((*reply)[2], 0);
        seen.insert((*reply)[1]);
    }
    EXPECT_EQ(seen.size(), 2u);
}

TEST(BlockOutputs, PinnedValues_HighByteFirst)
{
    Controller controller;
    controller.outputs().pin(1, -1);
    controller.outputs().pin(2, -32768);
    EXPECT_EQ(*controller.answer(framed({kReadOutput, 1}), 0).reply, framed({kAcknowledge, 0xFF, 0xFF}));
    EXPECT_EQ(*controller.answer(framed({kReadOutput, 2}), 0).reply, framed({kAcknowledge, 0x80, 0x00}));
}

// --- Front panel -----------------------------------------------------------------

TEST(FrontPanel, KeysWalkTheMenuAndItsScreens)
{
    Controller controller("2.50");
    setBlock(controller, 1, 40, kAnalogFtype);
    controller.outputs().pin(1, -1234);
    const auto text = [&] { return lineText(*controller.answer(framed({kReadTextLine}), 0).reply); };
    const auto value = [&] { return lineText(*controller.answer(framed({kReadValueLine}), 0).reply); };
    const auto press = [&](uint8_t key) { controller.answer(framed({kPressKey, key}), 0); };

    EXPECT_EQ(text(), "VIEW OUTPUTS");
    EXPECT_EQ(value(), "");
    press(FrontPanel::kSelect);
    EXPECT_EQ(text(), "BLOCK 0");
    press(FrontPanel::kDown);
    EXPECT_EQ(text(), "BLOCK 1");
    EXPECT_EQ(value(), "-12.34");
    press(FrontPanel::kUp);
    press(FrontPanel::kUp);
    EXPECT_EQ(text(), "BLOCK 159") << "the block number wraps";
    press(FrontPanel::kEscape);
    press(FrontPanel::kUp);
    EXPECT_EQ(text(), "ENTER S/M") << "the menu wraps";
    press(4); // no such key on this panel
    EXPECT_EQ(text(), "ENTER S/M");
    press(FrontPanel::kSelect);
    EXPECT_TRUE(controller.panel().lampLit());
    EXPECT_EQ(*controller.answer(framed({kReadLamp}), 0).reply, framed({kAcknowledge, 1, 0}));
    press(FrontPanel::kSelect);
    EXPECT_FALSE(controller.panel().lampLit());
}

TEST(FrontPanel, LongMessageIsCutToTheDisplayWidth)
{
    Controller controller;
    Bytes record(kMessageRecordSize, 'M');
    record[16] = 0;
    controller.answer(writeFrame(kMessageArea, 0, record), 0);
    controller.answer(framed({kPressKey, FrontPanel::kDown}), 0);
    controller.answer(framed({kPressKey, FrontPanel::kSelect}), 0);
    const Bytes reply = *controller.answer(framed({kReadTextLine}), 0).reply;
    EXPECT_EQ(reply[1], 16);
    EXPECT_EQ(reply.size(), 2u + 16u + 2u);
}

// --- Faults and pacing -------------------------------------------------------------

TEST(Faults, FrameNumbersDecideWhatIsAnswered)
{
    const auto parsed = parseOptions({"--drop-reply", "2", "--silent-after", "4", "--garble", "1",
                                      "--extra-byte", "3", "--late-reply", "5:250", "--lose", "6", "--corrupt", "7",
                                      "--hold-reply", "8:10", "--noise-after", "12", "--reply-delay", "40"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const FaultPlan &plan = parsed.options->faults;
    EXPECT_FALSE(plan.arrives(6));
    EXPECT_TRUE(plan.arrives(2)) << "a dropped reply's frame is carried out";
    EXPECT_TRUE(plan.answers(1));
    EXPECT_FALSE(plan.answers(2));
    EXPECT_TRUE(plan.answers(4));
    EXPECT_FALSE(plan.answers(5));
    EXPECT_EQ(plan.lateReplyMs.at(5), 250);
    EXPECT_EQ(plan.heldUntil.at(8), 10);
    EXPECT_EQ(plan.replyDelayMs, 40);
    EXPECT_FALSE(plan.noise(12));
    EXPECT_TRUE(plan.noise(13));

    Bytes reply = framed({kAcknowledge, 0, 0});
    applyReplyFaults(plan, 1, reply);
    EXPECT_EQ(reply[0], 0xEF);
    EXPECT_EQ(reply.size(), 5u);
    applyReplyFaults(plan, 3, reply);
    EXPECT_EQ(reply.size(), 6u);
    // A damaged data byte: the check bytes, made before, no longer match.
    Bytes output = framed({kAcknowledge, 0x04, 0xD2});
    applyReplyFaults(plan, 7, output);
    EXPECT_EQ(output[1], 0xFB);
    EXPECT_FALSE(hasValidCheckBytes(output));
}

TEST(Pacer, ElevenBitsAByte)
{
    Pacer pacer(1000); // 11 ms a byte
    pacer.queue({1, 2, 3}, 0);
    EXPECT_EQ(pacer.takeDue(0), Bytes{1});
    EXPECT_TRUE(pacer.takeDue(10'999).empty());
    EXPECT_EQ(pacer.takeDue(11'000), Bytes{2});
    EXPECT_EQ(pacer.nextDueUs(), 22'000);
    EXPECT_EQ(pacer.takeDue(50'000), Bytes{3});
    EXPECT_FALSE(pacer.pending());
    pacer.queue({4}, 100'000); // an idle line sends at once
    EXPECT_EQ(pacer.takeDue(100'000), Bytes{4});
}

TEST(Pacer, WithoutBaudEverythingGoesAtOnce)
{
    Pacer pacer(0);
    pacer.queue({1, 2, 3}, 0);
    EXPECT_EQ(pacer.takeDue(0), (Bytes{1, 2, 3}));
}

// --- Command line --------------------------------------------------------------------

TEST(Options, DefaultsAndEveryOption)
{
    auto parsed = parseOptions({});
    ASSERT_TRUE(parsed.options);
    EXPECT_FALSE(parsed.options->tcp);
    EXPECT_EQ(parsed.options->romVersion, "2.50");
    EXPECT_EQ(parsed.options->baud, 0);

    parsed = parseOptions({"--tcp", "0", "--rom", "3.04", "--memory", "/tmp/m", "--baud", "9600", "--log",
                           "--output", "7=-32768"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_TRUE(parsed.options->tcp);
    EXPECT_EQ(parsed.options->tcpPort, 0);
    EXPECT_EQ(parsed.options->romVersion, "3.04");
    EXPECT_EQ(parsed.options->memoryFile, "/tmp/m");
    EXPECT_EQ(parsed.options->baud, 9600);
    EXPECT_TRUE(parsed.options->log);
    EXPECT_EQ(parsed.options->pinnedOutputs.at(7), -32768);
}

TEST(Options, BadArgumentsAreNamed)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--drop-reply", "0"}, "--drop-reply: not a frame number (1 and up): 0"},
        {{"--lose", "x"}, "--lose: not a frame number (1 and up): x"},
        {{"--late-reply", "3"}, "--late-reply: expected FRAME:MILLISECONDS, got 3"},
        {{"--hold-reply", "5:5"}, "--hold-reply: expected FRAME:LATER_FRAME, got 5:5"},
        {{"--reply-delay", "-1"}, "--reply-delay: not a number of milliseconds: -1"},
        {{"--noise-after", "0"}, "--noise-after: not a frame number (1 and up): 0"},
        {{"--tcp", "70000"}, "--tcp: not a port number: 70000"},
        {{"--output", "160=1"}, "--output: expected BLOCK=VALUE (block 0..159, value -32768..32767), got 160=1"},
        {{"--baud"}, "missing value after '--baud'"},
        {{"--bogus", "1"}, "unknown option 'bogus'"},
        {{"--pty", "--tcp", "0"}, "--pty and --tcp exclude each other"},
        {{"--tcp", "0", "--link", "/tmp/x"}, "--link needs a pty"},
    };
    for (const auto &[arguments, error] : cases) {
        const auto parsed = parseOptions(arguments);
        EXPECT_FALSE(parsed.options) << error;
        EXPECT_EQ(parsed.error, error);
    }
}
