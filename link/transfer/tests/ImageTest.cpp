#include "TestConfig.h"
#include "orvane/transfer/Image.h"

#include <gtest/gtest.h>

using namespace orvane::transfer;
using namespace orvane::transfer::testing;

namespace {

std::array<uint8_t, 4> slotBytes(const Image& img, size_t slot)
{
    return {img.constants[slot * 4], img.constants[slot * 4 + 1], img.constants[slot * 4 + 2],
            img.constants[slot * 4 + 3]};
}

} // namespace

TEST(DownloadImage, ConstantKinds_EncodeInputsHighHalfType3AndHiddenAsZero)
{
    const Catalogue cat = smallCatalogue();
    // Block 0 runs function 10: inputs 5, -2; params type1 -1, type2 7, type3 999, type4 -3; hidden 1234.
    const std::vector<int32_t> values = {5, -2, -1, 7, 999, -3, 1234};
    Configuration cfg = configWith(cat, {10}, [&](int16_t, int16_t k) { return values[k]; });
    const ImageResult r = computeImage(cfg, cat);
    ASSERT_TRUE(r.image);
    const Image& img = *r.image;
    using B = std::array<uint8_t, 4>;
    EXPECT_EQ(slotBytes(img, 0), (B{0x00, 0x05, 0, 0}));
    EXPECT_EQ(slotBytes(img, 1), (B{0xFF, 0xFE, 0, 0}));
    EXPECT_EQ(slotBytes(img, 2), (B{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(slotBytes(img, 3), (B{0x00, 0x07, 0, 0}));
    EXPECT_EQ(slotBytes(img, 4), (B{0, 0, 0, 0}));
    EXPECT_EQ(slotBytes(img, 5), (B{0xFF, 0xFD, 0, 0}));
    EXPECT_EQ(slotBytes(img, 6), (B{0, 0, 0, 0}));
    EXPECT_EQ(img.slotOrigins[6].kind, SlotKind::Hidden);
    EXPECT_EQ(img.slotOrigins[2].block, 0);
    EXPECT_EQ(img.slotOrigins[2].offset, 2);
}

TEST(DownloadImage, FewConstants_StillFillAll1280SlotsWithZero)
{
    const Catalogue cat = smallCatalogue();
    Configuration cfg = configWith(cat, {20}, [](int16_t, int16_t k) { return k == 1 ? 0x01020304 : 3; });
    const ImageResult r = computeImage(cfg, cat);
    ASSERT_TRUE(r.image);
    ASSERT_EQ(r.image->constants.size(), 5120u);
    EXPECT_EQ(slotBytes(*r.image, 1), (std::array<uint8_t, 4>{1, 2, 3, 4}));
    for (size_t s = 2; s < kSlots; ++s)
        ASSERT_EQ(slotBytes(*r.image, s), (std::array<uint8_t, 4>{0, 0, 0, 0})) << s;
    EXPECT_EQ(r.image->slotOrigins[100].kind, SlotKind::Fill);
}

TEST(DownloadImage, BlockWithoutConstantRows_GetsCatalogueDefaultsSoLaterBlocksStayAligned)
{
    Catalogue cat = smallCatalogue();
    cat[20].inputTypes = {2};       // a digital input: its default link value is 2
    cat[20].defaults = {-7};
    // Block 0 runs function 20 but, like a new configuration's first blocks, has no rows.
    Configuration cfg = configWith(cat, {20, 20}, [](int16_t, int16_t k) { return k == 0 ? 3 : 99; });
    cfg.blocks[0].constantCount = 0;
    cfg.constants.erase(cfg.constants.begin(), cfg.constants.begin() + 2);
    const ImageResult r = computeImage(cfg, cat);
    ASSERT_TRUE(r.image);
    using B = std::array<uint8_t, 4>;
    EXPECT_EQ(slotBytes(*r.image, 0), (B{0x00, 0x02, 0, 0}));
    EXPECT_EQ(slotBytes(*r.image, 1), (B{0xFF, 0xFF, 0xFF, 0xF9}));
    // Block 1's record says its constants start at slot 2, and there they are.
    EXPECT_EQ(r.image->blocks[10 + 5], 2);
    EXPECT_EQ(slotBytes(*r.image, 2), (B{0x00, 0x03, 0, 0}));
    EXPECT_EQ(slotBytes(*r.image, 3), (B{0, 0, 0, 99}));
}

TEST(DownloadImage, DefaultsTakingTheSlotsPast1280_AreRefusedNamingTheBlock)
{
    Catalogue cat = smallCatalogue();
    cat[98] = {98, 0, 0, 0, 9, 0, 1, std::vector<int16_t>(9, 1), {}, {}};
    // Block 0 runs a function of 9 constants but has no rows; 159 blocks of 8 follow:
    // 1272 rows, but 1281 slots.
    std::vector<int16_t> functions(160, 99);
    functions[0] = 98;
    Configuration cfg = configWith(cat, functions, [](int16_t, int16_t) { return 1; });
    cfg.blocks[0].constantCount = 0;
    cfg.constants.erase(cfg.constants.begin(), cfg.constants.begin() + 9);
    const ImageResult r = computeImage(cfg, cat);
    EXPECT_FALSE(r.image);
    ASSERT_TRUE(r.slotsExceededAt);
    EXPECT_EQ(*r.slotsExceededAt, 159);
}

TEST(DownloadImage, BlockClaimingConstantsAfterTheLastRow_IsASyncError)
{
    const Catalogue cat = smallCatalogue();
    Configuration cfg = configWith(cat, {20, 20}, [](int16_t, int16_t) { return 1; });
    cfg.constants.pop_back();
    const ImageResult r = computeImage(cfg, cat);
    EXPECT_FALSE(r.image);
    ASSERT_TRUE(r.syncError);
    EXPECT_EQ(r.syncError->block, 1);
    EXPECT_EQ(r.syncError->recordBlock, -1);
}

TEST(DownloadImage, BlockTable_CarriesRunningSumsOfPrecedingBlocks)
{
    const Catalogue cat = smallCatalogue();
    Configuration cfg = configWith(cat, {10, 127, 20, 30, 10}, [](int16_t, int16_t) { return 0; });
    const ImageResult r = computeImage(cfg, cat);
    ASSERT_TRUE(r.image);
    const auto& t = r.image->blocks;
    ASSERT_EQ(t.size(), 1600u);
    const auto rec = [&](int b) { return std::vector<uint8_t>(t.begin() + b * 10, t.begin() + b * 10 + 10); };
    using V = std::vector<uint8_t>;
    EXPECT_EQ(rec(0), (V{0, 10, 0, 0, 0, 0, 0, 0, 5, 0}));
    EXPECT_EQ(rec(1), (V{0, 127, 0, 3, 0, 7, 0, 2, 0, 0}));   // after block 0: icycle 3, 7 slots, volram 2
    EXPECT_EQ(rec(2), (V{0, 20, 0, 3, 0, 7, 0, 2, 9, 0}));    // NOP adds nothing
    EXPECT_EQ(rec(3), (V{0, 30, 0, 10, 0, 9, 0, 2, 2, 0}));
    EXPECT_EQ(rec(4), (V{0, 10, 0, 11, 0, 9, 0, 32, 5, 0}));
    EXPECT_EQ(rec(5), (V{0, 127, 0, 14, 0, 16, 0, 34, 0, 0}));
}

TEST(DownloadImage, TextRecords_ZeroPaddedCutAt16WithQuickBlockAndParameter)
{
    const Catalogue cat = smallCatalogue();
    Configuration cfg = configWith(cat, {}, [](int16_t, int16_t) { return 0; });
    cfg.messages[0] = "PUMP";
    cfg.messages[19] = "ABCDEFGHIJKLMNOPQRS";  // longer than a record
    cfg.quick[7] = {"\xC3\x84nderung", 12, 3}; // UTF-8 "Ä" goes out as its Windows-1252 byte
    const ImageResult r = computeImage(cfg, cat);
    ASSERT_TRUE(r.image);
    const auto& m = r.image->messages;
    ASSERT_EQ(m.size(), 340u);
    EXPECT_EQ(std::string(m.begin(), m.begin() + 4), "PUMP");
    for (int i = 4; i < 17; ++i)
        EXPECT_EQ(m[i], 0) << i;
    EXPECT_EQ(std::string(m.begin() + 19 * 17, m.begin() + 19 * 17 + 16), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(m[19 * 17 + 16], 0);
    const auto& q = r.image->quick;
    ASSERT_EQ(q.size(), 152u);
    EXPECT_EQ(q[7 * 19], 0xC4);
    EXPECT_EQ(q[7 * 19 + 16], 0);
    EXPECT_EQ(q[7 * 19 + 17], 12);
    EXPECT_EQ(q[7 * 19 + 18], 3);
}

TEST(DownloadImage, ConstantOfAnotherBlock_IsASyncErrorNamingBoth)
{
    const Catalogue cat = smallCatalogue();
    Configuration cfg = configWith(cat, {20, 20}, [](int16_t, int16_t) { return 0; });
    cfg.constants.erase(cfg.constants.begin() + 1);  // block 0 lacks its parameter
    const ImageResult r = computeImage(cfg, cat);
    EXPECT_FALSE(r.image);
    ASSERT_TRUE(r.syncError);
    EXPECT_EQ(r.syncError->block, 0);
    EXPECT_EQ(r.syncError->recordBlock, 1);
}

TEST(DownloadImage, FunctionMissingFromCatalogue_IsReportedNotGuessed)
{
    const Catalogue cat = smallCatalogue();
    Configuration cfg = configWith(cat, {}, [](int16_t, int16_t) { return 0; });
    cfg.blocks[42].function = 55;
    const ImageResult r = computeImage(cfg, cat);
    EXPECT_FALSE(r.image);
    ASSERT_TRUE(r.unknownFunction);
    EXPECT_EQ(r.unknownFunction->block, 42);
    EXPECT_EQ(r.unknownFunction->function, 55);
}
