#include "orvane/transfer/Exchange.h"

#include <gtest/gtest.h>

using namespace orvane::transfer;

namespace {

std::vector<uint8_t> readReply(uint8_t area, uint8_t count, uint16_t address, uint8_t fill)
{
    std::vector<uint8_t> body = {0x10, area, count, uint8_t(address >> 8), uint8_t(address & 0xFF)};
    body.insert(body.end(), count, fill);
    return withCheckBytes(body);
}

} // namespace

TEST(ReplyCheck, ReadReplyMustEchoItsRequestAndCarryRightCheckBytes)
{
    const auto frame = readFrame(3, 128, 256);
    EXPECT_TRUE(replyIsSound(frame, readReply(3, 128, 256, 7)));

    auto damaged = readReply(3, 128, 256, 7);
    damaged[40] ^= 0x01;
    EXPECT_FALSE(replyIsSound(frame, damaged));

    // A late reply to the page before has the right length and check bytes, but not this address.
    EXPECT_FALSE(replyIsSound(frame, readReply(3, 128, 128, 7)));

    auto notAcknowledged = readReply(3, 128, 256, 7);
    notAcknowledged[0] = 0xEF;
    EXPECT_FALSE(replyIsSound(frame, withCheckBytes({notAcknowledged.begin(), notAcknowledged.end() - 2})));
}

TEST(ReplyCheck, WriteAcknowledgeIsChecked_OtherCommandsAreNot)
{
    const uint8_t data[2] = {1, 2};
    const auto write = writeFrame(6, 0, data, 2);
    EXPECT_TRUE(replyIsSound(write, withCheckBytes({0x10, 0, 0})));
    EXPECT_FALSE(replyIsSound(write, {0x10, 0, 0, 0, 0}));
    EXPECT_TRUE(replyIsSound(endOfDownloadFrame(), {0, 0, 0, 0, 0}));
}
