#include "ControllerModel.h"
#include "TestConfig.h"
#include "orvane/transfer/Texts.h"
#include "orvane/transfer/TimeLeft.h"
#include "orvane/transfer/Transfer.h"

#include <gtest/gtest.h>

using namespace orvane::transfer;
using namespace orvane::transfer::testing;

namespace {

// Block 0 function 10 (2 inputs, params of types 1..4, 1 hidden), block 1 function 20,
// block 5 function 99 (8 type-1 parameters), the rest NOP.
Configuration plantConfig(const Catalogue& cat)
{
    Configuration cfg = configWith(cat, {10, 20, 127, 127, 127, 99}, [](int16_t b, int16_t k) {
        return b == 0 && k == 2 ? -1 : b * 100 + k + 1;
    });
    cfg.messages[0] = "HIGH LEVEL";
    cfg.messages[12] = "PUMP";
    cfg.quick[2] = {"SETPOINT", 5, 3};
    return cfg;
}

uint32_t slotIn(const std::vector<uint8_t>& area, size_t slot)
{
    return (uint32_t(area[slot * 4]) << 24) | (uint32_t(area[slot * 4 + 1]) << 16) |
           (uint32_t(area[slot * 4 + 2]) << 8) | area[slot * 4 + 3];
}

constexpr size_t kDownloadFrames = 2 + 1 + 10 + 40 + 1;
constexpr size_t kReadBackFrames = 2 + 1 + 10 + 40;  // every written page read back before the end

} // namespace

TEST(DownloadOverTheLink, ControllerMemoryHoldsRecordsSumsAndSlotsDerivedFromTheConfiguration)
{
    const Catalogue cat = smallCatalogue();
    const Configuration cfg = plantConfig(cat);
    ControllerModel ctl;
    RecordingReporter rep;
    ASSERT_EQ(sendImage(ctl, *computeImage(cfg, cat).image, rep), TransferResult::Complete);

    EXPECT_EQ(ctl.frames.size(), kDownloadFrames + kReadBackFrames);
    EXPECT_EQ(ctl.endCommands, 1);
    EXPECT_EQ(std::string(ctl.areas[6].begin() + 12 * 17, ctl.areas[6].begin() + 12 * 17 + 5),
              std::string("PUMP\0", 5));
    EXPECT_EQ(ctl.areas[9][2 * 19 + 17], 5);
    EXPECT_EQ(ctl.areas[9][2 * 19 + 18], 3);
    // Block 5's record: 7 + 2 slots before it, icycle 3 + 7, retentive 2.
    const auto& t = ctl.areas[4];
    EXPECT_EQ((std::vector<uint8_t>(t.begin() + 50, t.begin() + 60)),
              (std::vector<uint8_t>{0, 99, 0, 10, 0, 9, 0, 2, 1, 0}));
    const auto& c = ctl.areas[3];
    EXPECT_EQ(slotIn(c, 0), 1u << 16);             // input 1 in the high half
    EXPECT_EQ(slotIn(c, 2), 0xFFFFFFFFu);          // type 1 parameter -1
    EXPECT_EQ(slotIn(c, 3), 4u << 16);             // type 2
    EXPECT_EQ(slotIn(c, 4), 0u);                   // type 3 is never sent
    EXPECT_EQ(slotIn(c, 5), 6u << 16);             // type 4
    EXPECT_EQ(slotIn(c, 6), 0u);                   // hidden
    EXPECT_EQ(slotIn(c, 8), 102u);                 // block 1 type-1 parameter
    EXPECT_EQ(slotIn(c, 9 + 7), 508u);             // block 5 last parameter
    for (size_t s = 17; s < 1280; ++s)
        ASSERT_EQ(slotIn(c, s), 0u);
    EXPECT_EQ(rep.caption, "Download Progress");
    EXPECT_EQ(rep.percents.back(), 100);
    EXPECT_TRUE(rep.boxes.empty());
}

TEST(DownloadOverTheLink, FramesComeInOrderAndAddUpTo14BytesShortOf7600)
{
    const Catalogue cat = smallCatalogue();
    ControllerModel ctl;
    RecordingReporter rep;
    ASSERT_EQ(sendImage(ctl, *computeImage(plantConfig(cat), cat).image, rep), TransferResult::Complete);
    size_t total = 0;
    std::vector<std::pair<int, int>> order;  // (area, address)
    for (const auto& f : ctl.frames) {
        if (f[0] != 0x04)
            total += f.size();
        if (f[0] == 0x02)
            order.push_back({f[1], f[3] * 256 + f[4]});
    }
    EXPECT_EQ(total, 7586u);
    ASSERT_EQ(order.size(), kDownloadFrames - 1);
    EXPECT_EQ(order[0], (std::pair<int, int>{6, 0}));
    EXPECT_EQ(order[1], (std::pair<int, int>{6, 170}));
    EXPECT_EQ(order[2], (std::pair<int, int>{9, 0}));
    EXPECT_EQ(order[12], (std::pair<int, int>{4, 1440}));
    EXPECT_EQ(order[52], (std::pair<int, int>{3, 39 * 128}));
    EXPECT_EQ(ctl.frames.back(), (std::vector<uint8_t>{0x08, 0xFF, 0xF7}));
}

TEST(DownloadFaults, LostMessagePage_StopsWithoutEndCommandAndSaysIncomplete)
{
    const Catalogue cat = smallCatalogue();
    ControllerModel ctl;
    ctl.dropReplyTo = 1;
    RecordingReporter rep;
    EXPECT_EQ(sendImage(ctl, *computeImage(plantConfig(cat), cat).image, rep), TransferResult::Incomplete);
    EXPECT_EQ(ctl.frames.size(), 2u);
    EXPECT_EQ(ctl.endCommands, 0);
    // One box: the page's own words, then what the controller and the file hold.
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].text, "ERROR - While Downloading Messages\r"
                                 "The controller did not answer while receiving messages, so the download was "
                                 "stopped.\rThe controller now holds an INCOMPLETE configuration. Do not return it "
                                 "to service: repeat the download.\rThe configuration file was not changed.");
    EXPECT_EQ(rep.boxes[0].title, "Download Error");
    EXPECT_EQ(rep.boxes[0].icon, Icon::Stop);
    EXPECT_FALSE(rep.shown);
}

TEST(DownloadFaults, LostConstantPage_ReportsTimeoutAndStopsAtThatPage)
{
    const Catalogue cat = smallCatalogue();
    ControllerModel ctl;
    ctl.dropReplyTo = 13 + 5;  // the sixth constant page
    RecordingReporter rep;
    EXPECT_EQ(sendImage(ctl, *computeImage(plantConfig(cat), cat).image, rep), TransferResult::Incomplete);
    EXPECT_EQ(ctl.frames.size(), 19u);
    EXPECT_EQ(ctl.endCommands, 0);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].text, texts::incompleteDownload("Orvane Timeout", "the block constants"));
    EXPECT_EQ(rep.boxes[0].text.rfind("Orvane Timeout\r", 0), 0u);
}

TEST(DownloadFaults, LostBlockPage_NamesThePageAndStops)
{
    const Catalogue cat = smallCatalogue();
    ControllerModel ctl;
    ctl.dropReplyTo = 3 + 4;
    RecordingReporter rep;
    EXPECT_EQ(sendImage(ctl, *computeImage(plantConfig(cat), cat).image, rep), TransferResult::Incomplete);
    EXPECT_EQ(ctl.frames.size(), 8u);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].text, texts::incompleteDownload("ERROR DOWNLOADING BLOCK 4", "the block table"));
}

TEST(DownloadChecks, RomAndLimitRefusalsCarryTheirTitlesAndIcons)
{
    const Catalogue cat = smallCatalogue();
    RecordingReporter rep;
    EXPECT_FALSE(acceptForDownload("ORVANE V3.02", configWith(cat, {84}, [](int16_t, int16_t) { return 0; }), cat, rep));
    EXPECT_FALSE(acceptForDownload("NO VERSION", configWith(cat, {}, [](int16_t, int16_t) { return 0; }), cat, rep));
    EXPECT_TRUE(acceptForDownload("ORVANE V2.50", configWith(cat, {84}, [](int16_t, int16_t) { return 0; }), cat, rep));
    ASSERT_EQ(rep.boxes.size(), 2u);
    EXPECT_EQ(rep.boxes[0].title, "VERSION CONFLICT");
    EXPECT_EQ(rep.boxes[0].icon, Icon::Stop);
    EXPECT_EQ(rep.boxes[0].text, texts::romTooOldFor84100("3.02"));
    EXPECT_EQ(rep.boxes[1].icon, Icon::Exclamation);
    EXPECT_EQ(rep.boxes[1].text, texts::romTooOldFor4694(""));
}

TEST(UploadOverTheLink, DownloadThenUpload_GivesBackFunctionsConstantsAndTexts)
{
    const Catalogue cat = smallCatalogue();
    const Configuration cfg = plantConfig(cat);
    ControllerModel ctl;
    RecordingReporter rep;
    ASSERT_EQ(sendImage(ctl, *computeImage(cfg, cat).image, rep), TransferResult::Complete);
    ctl.frames.clear();
    const auto up = readController(ctl, cat, rep);
    ASSERT_TRUE(up);
    for (int b = 0; b < kBlocks; ++b)
        EXPECT_EQ(up->functions[size_t(b)], cfg.blocks[size_t(b)].function);
    const std::vector<ConstantRow> got = decodeConstants(*up, cat);
    ASSERT_EQ(got.size(), cfg.constants.size());
    for (size_t i = 0; i < got.size(); ++i) {
        const bool zeroed = (got[i].block == 0 && (got[i].offset == 4 || got[i].offset == 6));  // type 3, hidden
        EXPECT_EQ(got[i].value, zeroed ? 0 : cfg.constants[i].value) << i;
    }
    EXPECT_EQ(std::string(up->messages.begin() + 12 * 17, up->messages.begin() + 12 * 17 + 16),
              std::string("PUMP") + std::string(12, '\0'));
    EXPECT_EQ(up->quick[2 * 19 + 17], 5);
    // 10 block pages, 1 + 17/32 constant pages, 2 message pages, quick page, two area-5 reads.
    EXPECT_EQ(ctl.frames.size(), 10u + 1 + 2 + 1 + 2);
    EXPECT_EQ(rep.caption, "Upload Progress");
    EXPECT_EQ(rep.percents.back(), 100);
}

TEST(UploadFaults, SilentControllerMidUpload_GivesNothingToStore)
{
    const Catalogue cat = smallCatalogue();
    ControllerModel ctl;
    ctl.silentAfter = 11;  // after the block table and the first constant page
    RecordingReporter rep;
    EXPECT_FALSE(readController(ctl, cat, rep));
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_NE(rep.boxes[0].text.find("not changed"), std::string::npos);
}

TEST(UploadFaults, LostBlockPage_IsAnUploadError)
{
    const Catalogue cat = smallCatalogue();
    ControllerModel ctl;
    ctl.dropReplyTo = 2;
    RecordingReporter rep;
    EXPECT_FALSE(readController(ctl, cat, rep));
    EXPECT_EQ(ctl.frames.size(), 3u);
    // One box under the upload's error title: what stopped it and what it left.
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "Upload Error");
    EXPECT_EQ(rep.boxes[0].text, "Upload stopped: the controller did not answer while sending the block table.\r"
                                 "The configuration and its file were not changed; the controller, which an upload "
                                 "only reads, still holds its own configuration.");
    EXPECT_FALSE(rep.shown);
}

TEST(UploadFaults, FunctionMissingFromCatalogue_StopsNamingBlockAndFunction)
{
    const Catalogue cat = smallCatalogue();
    ControllerModel ctl;
    for (int b = 0; b < kBlocks; ++b)
        ctl.areas[4][size_t(b) * 10 + 1] = 127;
    ctl.areas[4][37 * 10 + 1] = 55;
    RecordingReporter rep;
    EXPECT_FALSE(readController(ctl, cat, rep));
    EXPECT_EQ(ctl.frames.size(), 3u);  // stops on the page holding block 37
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].text, texts::uploadStoppedUnknownFunction(37, 55));
    EXPECT_EQ(rep.boxes[0].text.rfind("ERROR RECORD NOT FOUND\rUpload stopped: block 37 runs function 55", 0), 0u);
}

TEST(ReadBackOverTheLink, AfterDownloadMatches_ThenNamesAChangedSlot)
{
    const Catalogue cat = smallCatalogue();
    const Image image = *computeImage(plantConfig(cat), cat).image;
    ControllerModel ctl;
    RecordingReporter rep;
    ASSERT_EQ(sendImage(ctl, image, rep), TransferResult::Complete);
    auto mem = readBack(ctl, rep);
    ASSERT_TRUE(mem);
    EXPECT_TRUE(compareWithImage(image, *mem).empty());
    ctl.areas[3][8 * 4 + 3] = 0;
    mem = readBack(ctl, rep);
    ASSERT_TRUE(mem);
    const auto d = compareWithImage(image, *mem);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0], "slot 8 (block 1, offset 1): expected 102, controller holds 0");
}

namespace {

// Keeps the parts progress names, and asks to cancel from the start when told to.
class PartsReporter : public RecordingReporter {
public:
    bool cancel = false;
    std::vector<std::string> parts;
    void progressDetail(const std::string& part, std::optional<int>) override
    {
        if (parts.empty() || parts.back() != part)
            parts.push_back(part);
    }
    bool cancelRequested() override { return cancel; }
};

} // namespace

TEST(TransferProgress, NamesEachPart_TheTimeLeftFollowsEachPartsOwnRate_ACancelBeforeAnyPageChangesNothing)
{
    const Catalogue cat = smallCatalogue();
    const Image image = *computeImage(plantConfig(cat), cat).image;
    ControllerModel ctl;
    PartsReporter rep;
    ASSERT_EQ(sendImage(ctl, image, rep), TransferResult::Complete);
    EXPECT_EQ(rep.parts, (std::vector<std::string>{texts::kPartWriting, texts::kPartReadingBack}));

    ControllerModel untouched;
    PartsReporter cancelled;
    cancelled.cancel = true;
    EXPECT_EQ(sendImage(untouched, image, cancelled), TransferResult::Cancelled);
    EXPECT_TRUE(untouched.frames.empty());
    ASSERT_EQ(cancelled.boxes.size(), 1u);
    EXPECT_EQ(cancelled.boxes[0].text, texts::kCancelledBeforeWriting);

    // A line of 100 bytes a second. Writing runs fast where only replies are paced (a
    // simulator on a pseudo-terminal); the reading back that follows takes the line's rate.
    TimeLeft download(100.0);
    download.startPart(7800, 7800, 0.0);
    EXPECT_EQ(download.seconds(), 156);
    download.advance(1000, 0.5);   // too soon to tell the part's own rate
    EXPECT_EQ(download.seconds(), 146);
    download.advance(2900, 1.4);
    EXPECT_EQ(download.seconds(), 80);
    download.startPart(7800, 8, 2.8);
    EXPECT_EQ(download.seconds(), 79);
    download.advance(3900, 38.6);
    EXPECT_EQ(download.seconds(), 36);
    download.replan(0);
    EXPECT_EQ(download.seconds(), 1);

    // A line of unknown rate: known once the part has run a while.
    TimeLeft unknown(0);
    unknown.startPart(1000, 0, 10.0);
    EXPECT_EQ(unknown.seconds(), std::nullopt);
    unknown.advance(500, 12.0);
    EXPECT_EQ(unknown.seconds(), 2);
}
