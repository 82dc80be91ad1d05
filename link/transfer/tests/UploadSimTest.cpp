// Uploads from the simulator into real configuration files.
#include "ControllerModel.h"
#include "SimSupport.h"

#include "orvane/transfer/Texts.h"

#include <QFile>

#include <utility>

#include <gtest/gtest.h>

using namespace orvane::transfer;
using namespace orvane::transfer::testing;

namespace {

constexpr int16_t kPid = 10, kAin = 2, kDspGroup = 96;

void buildPlant(StoreFixture& store)
{
    store.newConfiguration("plant.mdb");
    store.setFunctions({{4, kPid}, {5, kDspGroup}, {6, kAin}, {9, kPid}});
    store.setConstant(4, 0, 6);
    store.setConstant(4, 1, -2);
    store.setConstant(4, 7 + 3, -1);
    store.setConstant(4, 7 + 11, 777);        // hidden
    store.setConstant(5, 20 + 2, -5);         // type 4
    store.setConstant(5, 20 + 4, 1234);       // type 3
    store.setConstant(9, 7 + 0, 2147483647);
    store.setMessage(0, "HIGH LEVEL");
    store.setMessage(7, "ABCDE");
    store.setMessage(19, "SIXTEEN CHARS!!!");
    store.setQuick(3, "SETPOINT", 4, 4);
    store.setQuick(7, "LAST", 159, 11);
}

// The plant downloaded into a fresh simulator.
void downloadPlant(StoreFixture& store, SimulatedController& sim)
{
    TestLink port(sim.portName());
    RecordingReporter reporter;
    ScriptedOperator user;
    ASSERT_EQ(CMDDWNLD_Click(port.link, store.db, store.file().toStdString(), reporter, user, noLog), Outcome::Completed);
}

struct UploadRun {
    Outcome outcome = Outcome::Failed;
    RecordingReporter reporter;
    ScriptedOperator user;
    BlockFunctionTable table{};
};

void runUpload(StoreFixture& store, SimulatedController& sim, UploadRun& run)
{
    TestLink port(sim.portName());
    run.table.fill(-1);
    run.outcome = Command6_Click(port.link, store.db, run.table, run.reporter, run.user, noLog);
    EXPECT_FALSE(port.link.port_is_open);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

TEST(UploadFromSimulator, DownloadThenUploadIntoAnotherConfiguration_GivesBackTheSameConfiguration_WhateverRowsItHad)
{
    StoreFixture store;
    buildPlant(store);
    const Configuration plant = store.read();
    SimulatedController sim;
    downloadPlant(store, sim);

    // The file uploaded into has rows of its own, with gaps: block 9's lack offset 2;
    // block 6 (AIN on the controller, 7 constants) has a PID's 20 without offset 10, and
    // one more after them; block 20 (NOP there) a PID's without offset 0. None may stay
    // behind or collide with the controller's.
    store.newConfiguration("other.mdb");
    store.setFunctions({{6, kPid}, {9, kPid}, {20, kPid}});
    for (const auto& [block, offset] : {std::pair<int16_t, int16_t>{9, 2}, {6, 10}, {20, 0}}) {
        store.db.ConstantSeek(block, offset);
        store.db.ConstantDelete();
    }
    store.db.ConstantAddNew();
    store.db.ConstantBlockNumber(6);
    store.db.ConstantOffset(20);
    store.db.ConstantValue(1);
    store.db.ConstantUpdate();
    UploadRun run;
    runUpload(store, sim, run);
    ASSERT_EQ(run.outcome, Outcome::Completed);
    ASSERT_EQ(run.user.questions.size(), 1u);
    EXPECT_EQ(run.user.questions[0], texts::kUploadQuestion);
    EXPECT_TRUE(run.reporter.boxes.empty());
    EXPECT_EQ(run.reporter.caption, "Upload Progress");
    EXPECT_EQ(run.reporter.percents.back(), 100);

    const Configuration got = store.read();
    ASSERT_EQ(got.blocks.size(), plant.blocks.size());
    for (size_t b = 0; b < got.blocks.size(); ++b) {
        EXPECT_EQ(got.blocks[b].function, plant.blocks[b].function) << b;
        EXPECT_EQ(run.table[b], plant.blocks[b].function) << b;
        EXPECT_EQ(got.blocks[b].constantCount, store.catalogue.at(plant.blocks[b].function).constantCount()) << b;
    }
    // Every block comes back with its function's constants: the stored ones, or the
    // defaults sent for blocks that had none; type 3 and hidden constants as 0.
    std::map<std::pair<int, int>, int32_t> stored;
    for (const ConstantRow& c : plant.constants)
        stored[{c.block, c.offset}] = c.value;
    size_t row = 0;
    for (const BlockRow& b : plant.blocks) {
        const FunctionInfo& f = store.catalogue.at(b.function);
        for (int k = 0; k < f.constantCount(); ++k, ++row) {
            ASSERT_LT(row, got.constants.size());
            const bool hidden = k >= f.inputs + f.params;
            const bool typeThree = !hidden && k >= f.inputs && f.paramTypes[size_t(k - f.inputs)] == 3;
            const int32_t sent = b.constantCount > 0 ? stored.at({b.number, k}) : defaultConstant(f, k);
            EXPECT_EQ(got.constants[row].block, b.number);
            EXPECT_EQ(got.constants[row].offset, k);
            EXPECT_EQ(got.constants[row].value, hidden || typeThree ? 0 : sent) << b.number << "/" << k;
        }
    }
    EXPECT_EQ(row, got.constants.size());
    EXPECT_EQ(got.messages, plant.messages);
    EXPECT_EQ(got.messages[7], "ABCDE");
    for (size_t j = 0; j < 8; ++j) {
        EXPECT_EQ(got.quick[j].text, plant.quick[j].text);
        EXPECT_EQ(got.quick[j].block, plant.quick[j].block);
        EXPECT_EQ(got.quick[j].parameter, plant.quick[j].parameter);
    }
    EXPECT_EQ(got.quick[7].block, 159);
}

TEST(UploadFromSimulator, AnsweringNo_OpensNoPortAndWritesNothing)
{
    StoreFixture store;
    const QString path = store.newConfiguration("other.mdb");
    SimulatedController sim;
    UploadRun run;
    run.user.answerYes = false;
    runUpload(store, sim, run);
    EXPECT_EQ(run.outcome, Outcome::Declined);
    EXPECT_EQ(store.db.WriteCount(), 0u);
    EXPECT_EQ(sim.framesStartingWith(""), 0);
    EXPECT_TRUE(run.reporter.boxes.empty());
    EXPECT_EQ(run.table[0], -1);
}

namespace {

// The controller memory after a download of the plant.
std::map<int, std::vector<uint8_t>> plantMemory(StoreFixture& store)
{
    buildPlant(store);
    SimulatedController sim;
    downloadPlant(store, sim);
    return sim.stopAndReadMemory();
}

// An upload into a fresh configuration that must fail (`expected`: the line failed, or
// the controller holds what cannot be stored) and leave the file as it was.
void expectFailedUploadChangesNothing(StoreFixture& store, SimulatedController& sim, UploadRun& run,
                                      Outcome expected = Outcome::NoController)
{
    const QString other = store.newConfiguration("other.mdb");
    store.close();
    const QByteArray before = fileBytes(other);
    store.open(other);
    runUpload(store, sim, run);
    EXPECT_EQ(run.outcome, expected);
    EXPECT_EQ(store.db.WriteCount(), 0u);
    EXPECT_EQ(run.table[0], -1);
    EXPECT_FALSE(run.reporter.shown);
    store.close();
    EXPECT_EQ(fileBytes(other), before);
}

} // namespace

TEST(UploadFaults, ControllerFallsSilentInTheConstants_ConfigurationUnchangedAndSaidSo)
{
    StoreFixture store;
    const auto memory = plantMemory(store);
    // Frames: 1 poll, 2 identification, 3-12 block pages, 13-17 constant pages: the third
    // goes unanswered.
    SimulatedController sim({"--silent-after", "14"}, "2.50", memory);
    UploadRun run;
    expectFailedUploadChangesNothing(store, sim, run);
    ASSERT_EQ(run.reporter.boxes.size(), 1u);
    EXPECT_EQ(run.reporter.boxes[0].text, texts::uploadFailedAt("the block constants"));
}

TEST(UploadFaults, BlockPageLost_IsAnUploadErrorAndNothingChanges)
{
    StoreFixture store;
    const auto memory = plantMemory(store);
    SimulatedController sim({"--drop-reply", "5", "--drop-reply", "6"}, "2.50", memory);
    UploadRun run;
    expectFailedUploadChangesNothing(store, sim, run);
    ASSERT_EQ(run.reporter.boxes.size(), 1u);
    EXPECT_EQ(run.reporter.boxes[0].text, texts::uploadFailedAt("the block table"));
    EXPECT_EQ(run.reporter.boxes[0].title, "Upload Error");
}

TEST(UploadFaults, FunctionMissingFromTheCatalogue_StopsBeforeAnyConstantIsMisplaced)
{
    StoreFixture store;
    auto memory = plantMemory(store);
    memory[4][37 * 10 + 1] = 9;  // no function 9 in the catalogue
    SimulatedController sim({}, "2.50", memory);
    UploadRun run;
    expectFailedUploadChangesNothing(store, sim, run, Outcome::Failed);
    ASSERT_EQ(run.reporter.boxes.size(), 1u);
    EXPECT_EQ(run.reporter.boxes[0].text, texts::uploadStoppedUnknownFunction(37, 9));
    EXPECT_EQ(sim.framesStartingWith("04 03"), 0);
}

TEST(UploadFaults, AReplyDamagedOnTheLine_IsRefusedForItsCheckBytes_ThePageIsReadAgainAndStoredRight)
{
    StoreFixture store;
    const auto memory = plantMemory(store);
    const Configuration plant = store.read();
    SimulatedController sim({"--garble", "14"}, "2.50", memory);
    store.newConfiguration("other.mdb");
    UploadRun run;
    runUpload(store, sim, run);
    ASSERT_EQ(run.outcome, Outcome::Completed);
    // Asked again at once, and once more when the disturbed reading was read again whole.
    EXPECT_EQ(sim.framesStartingWith("04 03 80 00 80"), 3);
    const Configuration got = store.read();
    // Block 5 (DSPGROUP) has its constants on the second page: slot 34 on.
    for (size_t i = 0; i < got.constants.size(); ++i) {
        if (got.constants[i].block == 5 && got.constants[i].offset == 22) {
            EXPECT_EQ(got.constants[i].value, -5);
        }
    }
}

TEST(UploadFromSimulator, AllSlotsInUse_ReadsTheFortyPagesAndNoMore)
{
    StoreFixture store;
    store.newConfiguration("full.mdb");
    std::map<int16_t, int16_t> functions;
    for (int16_t b = 0; b < 160; ++b)
        functions[b] = b < 18 ? kDspGroup : b == 18 ? 1 : 127;  // 18 x 71 + 2 = 1280 constants
    store.setFunctions(functions);
    store.setConstant(18, 1, 4242);  // the very last slot
    SimulatedController sim;
    downloadPlant(store, sim);
    const int readBack = sim.framesStartingWith("04 03 80");  // the download's own check
    store.newConfiguration("other.mdb");
    UploadRun run;
    runUpload(store, sim, run);
    ASSERT_EQ(run.outcome, Outcome::Completed);
    EXPECT_EQ(sim.framesStartingWith("04 03 80") - readBack, 40);
    EXPECT_EQ(store.read().constants.back().value, 4242);
}

// --- Replies that come late -----------------------------------------------------------

TEST(UploadFaults, LateReplyToABlockPage_NeverPutsOnePagesBlocksInAnothersPlace)
{
    StoreFixture store;
    const auto memory = plantMemory(store);
    store.newConfiguration("reference.mdb");
    {
        SimulatedController sim({}, "2.50", memory);
        UploadRun run;
        runUpload(store, sim, run);
        ASSERT_EQ(run.outcome, Outcome::Completed);
    }
    const Configuration reference = store.read();
    // Frame 3 is block page 0 (after the poll and the identification). 1.6 s late: its
    // reply is let pass before the retry. 2.3 s late, with block page 1 lost on the line: the late reply (page 0's blocks) comes
    // while page 1's attempt waits and is taken for page 1. Everything is then read
    // again, and only an undisturbed reading that agrees with an earlier one is stored.
    const std::vector<QStringList> faults = {{"--late-reply", "3:1600"}, {"--late-reply", "3:2300", "--lose", "5"}};
    for (const QStringList& fault : faults) {
        SCOPED_TRACE(fault.join(' ').toStdString());
        SimulatedController sim(QStringList{"--baud", "38400"} + fault, "2.50", memory);
        store.newConfiguration(QString("other-%1.mdb").arg(fault.size()));
        UploadRun run;
        runUpload(store, sim, run);
        ASSERT_EQ(run.outcome, Outcome::Completed) << (run.reporter.boxes.empty() ? "" : run.reporter.boxes[0].text);
        const Configuration got = store.read();
        ASSERT_EQ(got.blocks.size(), reference.blocks.size());
        for (size_t b = 0; b < got.blocks.size(); ++b)
            ASSERT_EQ(got.blocks[b].function, reference.blocks[b].function) << "block " << b;
        ASSERT_EQ(got.constants.size(), reference.constants.size());
        for (size_t i = 0; i < got.constants.size(); ++i)
            ASSERT_EQ(got.constants[i].value, reference.constants[i].value) << i;
        EXPECT_EQ(got.messages, reference.messages);
        EXPECT_GE(sim.framesStartingWith("04 04 A0 00 00"), 3) << "block page 0 was not read again";
    }
}

TEST(UploadFaults, BlockRecordsThatBreakTheirSums_AreRefusedAndNothingChanges)
{
    StoreFixture store;
    auto memory = plantMemory(store);
    auto& record = memory[4];
    const int cycles = record[37 * 10 + 2] * 256 + record[37 * 10 + 3];
    record[37 * 10 + 3] ^= 0x01;  // block 37's cycle offset, one bit off
    SimulatedController sim({}, "2.50", memory);
    UploadRun run;
    expectFailedUploadChangesNothing(store, sim, run, Outcome::Failed);
    ASSERT_EQ(run.reporter.boxes.size(), 1u);
    EXPECT_EQ(run.reporter.boxes[0].text,
              texts::uploadInconsistentBlockTable("block 37 cycle offset: expected " + std::to_string(cycles) +
                                                      ", controller holds " + std::to_string(cycles ^ 1),
                                                  1));
}

// --- Texts -----------------------------------------------------------------------------

TEST(UploadFromSimulator, BlankControllerWithWindows1252Texts_StoresUtf8AndEmptyRecordsAsOneSpace)
{
    // A controller that was never downloaded, but for a few texts written by hand.
    std::vector<uint8_t> messages(340, 0), quick(152, 0);
    const std::string temperature = "Temp\xE9rature ABCD";  // 16 bytes, no NUL after it
    std::copy(temperature.begin(), temperature.end(), messages.begin() + 3 * 17);
    const std::string degrees = "25\xB0" "C";
    std::copy(degrees.begin(), degrees.end(), quick.begin() + 1 * 19);
    quick[1 * 19 + 17] = 4;
    quick[1 * 19 + 18] = 1;
    SimulatedController sim({}, "2.50", {{6, messages}, {9, quick}});
    StoreFixture store;
    store.newConfiguration("blank.mdb");
    UploadRun run;
    runUpload(store, sim, run);
    ASSERT_EQ(run.outcome, Outcome::Completed) << (run.reporter.boxes.empty() ? "" : run.reporter.boxes[0].text);
    const Configuration got = store.read();
    EXPECT_EQ(got.messages[3], "Temp\xC3\xA9rature ABCD");
    EXPECT_EQ(got.messages[0], " ");
    EXPECT_EQ(got.messages[19], " ");
    EXPECT_EQ(got.quick[1].text, "25\xC2\xB0" "C");
    EXPECT_EQ(got.quick[1].block, 4);
    EXPECT_EQ(got.quick[0].text, " ");
    EXPECT_EQ(got.quick[0].block, 0);
    for (const BlockRow& b : got.blocks)
        ASSERT_EQ(b.function, 127) << b.number;
    EXPECT_TRUE(got.constants.empty());
}
