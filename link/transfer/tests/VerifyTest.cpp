#include "TestConfig.h"
#include "orvane/transfer/Verify.h"

#include <gtest/gtest.h>

using namespace orvane::transfer;
using namespace orvane::transfer::testing;

namespace {

struct Fixture {
    Catalogue cat = smallCatalogue();
    Image image;
    ControllerMemory same;
    Fixture()
    {
        Configuration cfg = configWith(cat, {10, 20}, [](int16_t b, int16_t k) { return b * 10 + k + 1; });
        cfg.messages[3] = "LEVEL";
        image = *computeImage(cfg, cat).image;
        same = {image.messages, image.quick, image.blocks, image.constants};
    }
};

} // namespace

TEST(ReadBackVerify, IdenticalMemory_HasNoDifference)
{
    Fixture f;
    EXPECT_TRUE(compareWithImage(f.image, f.same).empty());
}

TEST(ReadBackVerify, EachDifferenceNamesItsRecordFieldAndSlotOrigin)
{
    Fixture f;
    ControllerMemory c = f.same;
    c.messages[3 * 17 + 1] = 'X';
    c.quick[5 * 19 + 17] = 9;
    c.blocks[1 * 10 + 4 + 1] = 99;       // block 1 first slot low byte
    c.constants[8 * 4 + 3] = 13;         // block 1 offset 1
    c.constants[1279 * 4] = 0x80;        // a fill slot
    const auto d = compareWithImage(f.image, c);
    ASSERT_EQ(d.size(), 5u);
    EXPECT_EQ(d[0], "message 3 differs");
    EXPECT_EQ(d[1], "quick message 5 differs");
    EXPECT_EQ(d[2], "block 1 first constant slot: expected 7, controller holds 99");
    EXPECT_EQ(d[3], "slot 8 (block 1, offset 1): expected 12, controller holds 13");
    EXPECT_EQ(d[4], "slot 1279: expected 0, controller holds -2147483648");
}

TEST(ReadBackVerify, ShortReadBack_IsADifferenceNotACrash)
{
    Fixture f;
    ControllerMemory c = f.same;
    c.constants.resize(100);
    EXPECT_FALSE(compareWithImage(f.image, c).empty());
}
