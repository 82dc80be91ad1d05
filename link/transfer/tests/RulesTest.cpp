#include "TestConfig.h"
#include "orvane/transfer/Rules.h"
#include "orvane/transfer/Texts.h"

#include <gtest/gtest.h>

using namespace orvane::transfer;
using namespace orvane::transfer::testing;

namespace {

Configuration running(std::vector<int16_t> fns)
{
    return configWith(smallCatalogue(), fns, [](int16_t, int16_t) { return 0; });
}

} // namespace

TEST(RomRules, VersionText_IsFourCharactersFromOneBeforeTheFirstDot)
{
    EXPECT_EQ(romVersionText("ORVANE ROM 3.04 1999"), "3.04");
    EXPECT_EQ(romVersionText("V2.50"), "2.50");
    EXPECT_EQ(romVersionText("X 2.5"), "2.5");
    EXPECT_FALSE(romVersionText("ORVANE 304"));
    EXPECT_FALSE(romVersionText(""));
}

TEST(RomRules, Function84_AcceptedOnlyBetween226And30OrFrom304)
{
    const Configuration cfg = running({127, 84});
    EXPECT_EQ(checkRom(std::string("2.50"), cfg), RomVerdict::Accepted);
    EXPECT_EQ(checkRom(std::string("2.26"), cfg), RomVerdict::NeedsRom304);
    EXPECT_EQ(checkRom(std::string("3.02"), cfg), RomVerdict::NeedsRom304);
    EXPECT_EQ(checkRom(std::string("3.04"), cfg), RomVerdict::Accepted);
    EXPECT_EQ(checkRom(std::string("2.10"), cfg), RomVerdict::NeedsRom304);
}

TEST(RomRules, Function94_NeedsRom30_AndMissingVersionIsRefused)
{
    EXPECT_EQ(checkRom(std::string("2.99"), running({94})), RomVerdict::NeedsRom30);
    EXPECT_EQ(checkRom(std::string("3.00"), running({94})), RomVerdict::Accepted);
    EXPECT_EQ(checkRom(std::nullopt, running({127})), RomVerdict::NeedsRom30);
    EXPECT_EQ(checkRom(std::string("x.yz"), running({127})), RomVerdict::NeedsRom30);
}

TEST(CapacityLimits, Exactly1280ConstantsPass_1281RefusedAtTheBlockOfTheLastRecord)
{
    const Catalogue cat = smallCatalogue();
    // 160 blocks of 8 parameters: exactly 1280.
    Configuration cfg = configWith(cat, std::vector<int16_t>(160, 99), [](int16_t, int16_t) { return 0; });
    ASSERT_EQ(cfg.constants.size(), 1280u);
    EXPECT_FALSE(blockExceedingConstants(cfg));
    cfg.constants.push_back({159, 8, 0});
    EXPECT_EQ(blockExceedingConstants(cfg), 159);
    EXPECT_EQ(texts::tooManyConstants(159), "Config. Exceeds Maximum Size at block # 159");
}

TEST(CapacityLimits, RetentiveBytes58Pass_59RefusedAtTheCrossingBlock)
{
    Catalogue cat = smallCatalogue();
    cat[31] = {31, 0, 28, 0, 0, 0, 0, {}, {}, {}};
    cat[32] = {32, 0, 1, 0, 0, 0, 0, {}, {}, {}};
    const Configuration ok = configWith(cat, {30, 127, 31}, [](int16_t, int16_t) { return 0; });
    EXPECT_FALSE(blockExceedingRetentive(ok, cat));
    const Configuration over = configWith(cat, {30, 127, 31, 127, 32}, [](int16_t, int16_t) { return 0; });
    EXPECT_EQ(blockExceedingRetentive(over, cat), 4);
    EXPECT_EQ(texts::tooManyRetentiveBytes(4), "Max Number of Retentive Bytes Exceeded at Block # 4");
}

TEST(Progress, PercentOf7600RoundsAndCapsAt100)
{
    EXPECT_EQ(progressPercent(0), 0);
    EXPECT_EQ(progressPercent(38), 1);    // 0.5 rounds up
    EXPECT_EQ(progressPercent(7586), 100);  // a full download is 14 bytes short
    EXPECT_EQ(progressPercent(9000), 100);
}

TEST(Messages, VersionConflictTextsKeepTheirLineBreaks)
{
    EXPECT_EQ(texts::romTooOldFor4694("2.99"),
              "This configuration requires ROM version 3.0 or higher.\rThis applies to functions 4, 6, or 94"
              "\r\nOrvane ROM version is 2.99.\rDownload Aborted.");
    EXPECT_EQ(texts::romTooOldFor84100("3.02"),
              "This configuration requires ROM version \r\n3.04 and higher for functions 84 and 100. "
              "\r\nOrvane ROM version is 3.02.\rDownload Aborted.");
    EXPECT_EQ(texts::databaseSyncError(3, 4), "Database Sync Error\rBlock = 3 Constant = 4\rDOWNLOAD ABORTED");
}
