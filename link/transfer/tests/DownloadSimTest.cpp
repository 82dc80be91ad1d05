// Downloads into the simulator over a pseudo-terminal; the controller memory is read
// back from the simulator's memory file and compared with what the test works out.
#include "ControllerModel.h"
#include "SimSupport.h"

#include "orvane/transfer/LinkExchange.h"
#include "orvane/transfer/Texts.h"

#include <gtest/gtest.h>

using namespace orvane::transfer;
using namespace orvane::transfer::testing;

namespace {

constexpr int16_t kPid = 10, kAin = 2, kDspGroup = 96, kFlowComp = 84, kVelLim = 94, kRampSoak = 82,
                  kSrff = 54, kNop = 127;

Outcome runDownload(StoreFixture& store, SimulatedController& sim, RecordingReporter& reporter,
                    ScriptedOperator& user)
{
    TestLink port(sim.portName());
    const Outcome outcome = CMDDWNLD_Click(port.link, store.db, store.file().toStdString(), reporter, user, noLog);
    EXPECT_FALSE(port.link.port_is_open);
    return outcome;
}

Outcome runDownload(StoreFixture& store, SimulatedController& sim, RecordingReporter& reporter)
{
    ScriptedOperator user;
    return runDownload(store, sim, reporter, user);
}

// A plant with every kind of constant: PID inputs, a type-1 -1, PID's hidden state,
// DSPGROUP's type-3 labels and type-4 scales, messages and quick messages.
void buildPlant(StoreFixture& store)
{
    store.newConfiguration("plant.mdb");
    store.setFunctions({{4, kPid}, {5, kDspGroup}, {6, kAin}, {9, kPid}});
    store.setConstant(4, 0, 6);              // input: block 6
    store.setConstant(4, 1, -2);             // an input's 16-bit value
    store.setConstant(4, 7 + 3, -1);         // LOCAL SETPOINT, type 1
    store.setConstant(4, 7 + 4, 1);          // ACTION, type 2
    store.setConstant(4, 7 + 11, 777);       // hidden: never sent
    store.setConstant(4, 7 + 12, -9);        // hidden
    store.setConstant(5, 20 + 2, -5);        // CH 1 SCALE LOW, type 4
    store.setConstant(5, 20 + 4, 1234);      // CH 1 LABEL, type 3: never sent
    store.setConstant(9, 7 + 0, 2147483647);
    store.setMessage(0, "HIGH LEVEL");
    store.setMessage(19, "SIXTEEN CHARS!!!");
    store.setQuick(3, "SETPOINT", 4, 4);
}

} // namespace

TEST(DownloadToSimulator, MemoryHoldsTheRecordsSumsAndSlotsOfTheConfiguration)
{
    StoreFixture store;
    buildPlant(store);
    const Configuration config = store.read();
    SimulatedController sim;
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    RecordingReporter reporter;
    ScriptedOperator user;
    ASSERT_EQ(runDownload(store, sim, reporter, user), Outcome::Completed);
    EXPECT_EQ(user.downloadWarnings, 1);
    EXPECT_TRUE(reporter.boxes.empty());
    EXPECT_EQ(reporter.caption, "Download Progress");
    EXPECT_EQ(reporter.percents.back(), 100);
    EXPECT_EQ(sim.framesStartingWith("02 03 80"), 40);
    EXPECT_EQ(sim.framesStartingWith("08"), 1);

    auto memory = sim.stopAndReadMemory();
    const auto expected = expectedMemory(config, store.catalogue);
    for (int area : {6, 9, 4, 3})
        EXPECT_EQ(memory[area], expected.at(area)) << "area " << area;

    // The same rules spelled out on a few slots: block 4 starts after 3 + 2 + 5 + 4 slots.
    const auto& constants = memory[3];
    const size_t pid = 14;
    EXPECT_EQ(slotIn(constants, pid + 0), 0x00060000u);
    EXPECT_EQ(slotIn(constants, pid + 1), 0xFFFE0000u);
    EXPECT_EQ(slotIn(constants, pid + 7 + 3), 0xFFFFFFFFu);
    EXPECT_EQ(slotIn(constants, pid + 7 + 4), 0x00010000u);
    EXPECT_EQ(slotIn(constants, pid + 7 + 11), 0u);
    EXPECT_EQ(slotIn(constants, pid + 7 + 12), 0u);
    const size_t dsp = pid + 20;
    EXPECT_EQ(slotIn(constants, dsp + 20 + 2), 0xFFFB0000u);
    EXPECT_EQ(slotIn(constants, dsp + 20 + 4), 0u);
    // Block 5's record: first slot 34, after PID's 20 constants.
    EXPECT_EQ(memory[4][5 * 10 + 1], kDspGroup);
    EXPECT_EQ(memory[4][5 * 10 + 4] * 256 + memory[4][5 * 10 + 5], 34);
    EXPECT_EQ(std::string(memory[6].begin(), memory[6].begin() + 17), std::string("HIGH LEVEL\0\0\0\0\0\0\0", 17));
    EXPECT_EQ(memory[9][3 * 19 + 17], 4);
}

TEST(DownloadToSimulator, CancelledWarning_OpensNoPortAndSendsNothing)
{
    StoreFixture store;
    store.newConfiguration("plant.mdb");
    SimulatedController sim;
    RecordingReporter reporter;
    ScriptedOperator user;
    user.continueDownload = false;
    EXPECT_EQ(runDownload(store, sim, reporter, user), Outcome::Declined);
    EXPECT_EQ(sim.framesStartingWith(""), 0);
    EXPECT_TRUE(reporter.boxes.empty());
}

namespace {

// Blocks 0.. running `functions`, every other block NOP.
void onlyFunctions(StoreFixture& store, const std::vector<int16_t>& functions)
{
    std::map<int16_t, int16_t> table;
    for (int16_t b = 0; b < 160; ++b)
        table[b] = b < int16_t(functions.size()) ? functions[size_t(b)] : kNop;
    store.setFunctions(table);
}

int constantCount(const StoreFixture& store, const std::vector<int16_t>& functions)
{
    int total = 0;
    for (int16_t f : functions)
        total += store.catalogue.at(f).constantCount();
    return total;
}

} // namespace

TEST(DownloadLimits, Exactly1280ConstantsDownload_1281AreRefusedNamingTheBlock)
{
    StoreFixture store;
    store.newConfiguration("big.mdb");
    // 18 DSPGROUP blocks of 71 constants and one PID-less pair make 1280.
    std::vector<int16_t> functions(18, kDspGroup);
    functions.push_back(1);  // DIAG: 2 parameters
    ASSERT_EQ(constantCount(store, functions), 1280);
    onlyFunctions(store, functions);
    {
        SimulatedController sim;
        RecordingReporter reporter;
        EXPECT_EQ(runDownload(store, sim, reporter), Outcome::Completed);
        EXPECT_TRUE(reporter.boxes.empty());
        const auto memory = sim.stopAndReadMemory();
        EXPECT_EQ(memory.at(3), expectedMemory(store.read(), store.catalogue).at(3));
    }
    // One more constant: SYSTEM's three instead of DIAG's two, on block 18.
    functions.back() = 0;
    onlyFunctions(store, functions);
    SimulatedController sim;
    RecordingReporter reporter;
    EXPECT_EQ(runDownload(store, sim, reporter), Outcome::Failed);
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].text, "Config. Exceeds Maximum Size at block # 18");
    EXPECT_EQ(reporter.boxes[0].title, "");
    EXPECT_EQ(sim.framesStartingWith("02"), 0);
}

TEST(DownloadLimits, RetentiveBytesOf58Download_59AreRefusedAtTheBlockThatCrossed)
{
    StoreFixture store;
    store.newConfiguration("retentive.mdb");
    // RAMPSOAK keeps 12 bytes, PID 8, SRFF 1: 4 x 12 + 8 + 1 + 1 = 58.
    std::vector<int16_t> functions = {kRampSoak, kRampSoak, kRampSoak, kRampSoak, kPid, kSrff, kSrff};
    onlyFunctions(store, functions);
    {
        SimulatedController sim;
        RecordingReporter reporter;
        EXPECT_EQ(runDownload(store, sim, reporter), Outcome::Completed);
        EXPECT_TRUE(reporter.boxes.empty());
    }
    functions.push_back(kNop);
    functions.push_back(kSrff);  // block 8 takes it to 59
    onlyFunctions(store, functions);
    SimulatedController sim;
    RecordingReporter reporter;
    EXPECT_EQ(runDownload(store, sim, reporter), Outcome::Failed);
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].text, "Max Number of Retentive Bytes Exceeded at Block # 8");
    EXPECT_EQ(sim.framesStartingWith("02"), 0);
}

TEST(DownloadRomRules, EachVersionAndFunctionGivesItsVerdictAndMessage)
{
    struct Case {
        QString rom;
        int16_t function;
        Outcome outcome;
        std::string text;
        Icon icon;
    };
    const std::vector<Case> cases = {
        {"2.50", kFlowComp, Outcome::Completed, "", Icon::None},
        {"2.26", kFlowComp, Outcome::Failed, texts::romTooOldFor84100("2.26"), Icon::Stop},
        {"3.02", kFlowComp, Outcome::Failed, texts::romTooOldFor84100("3.02"), Icon::Stop},
        {"2.99", kVelLim, Outcome::Failed, texts::romTooOldFor4694("2.99"), Icon::Exclamation},
        {"250", kNop, Outcome::Failed, texts::romTooOldFor4694(""), Icon::Exclamation},
    };
    StoreFixture store;
    store.newConfiguration("rom.mdb");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rom.toStdString());
        store.setFunctions({{10, c.function}});
        SimulatedController sim({}, c.rom);
        RecordingReporter reporter;
        EXPECT_EQ(runDownload(store, sim, reporter), c.outcome);
        if (c.outcome == Outcome::Completed) {
            EXPECT_TRUE(reporter.boxes.empty());
            continue;
        }
        ASSERT_EQ(reporter.boxes.size(), 1u);
        EXPECT_EQ(reporter.boxes[0].text, c.text);
        EXPECT_EQ(reporter.boxes[0].title, "VERSION CONFLICT");
        EXPECT_EQ(reporter.boxes[0].icon, c.icon);
        EXPECT_EQ(sim.framesStartingWith("02"), 0);
    }
    // The message quotes the four characters from one before the first ".".
    EXPECT_EQ(texts::romTooOldFor84100("3.02"),
              "This configuration requires ROM version \r\n3.04 and higher for functions 84 and 100. \r\n"
              "Orvane ROM version is 3.02.\rDownload Aborted.");
}

TEST(DownloadFaults, NoAnswerToThePoll_SaysSoAndClosesThePort)
{
    StoreFixture store;
    store.newConfiguration("plant.mdb");
    SimulatedController sim({"--drop-reply", "1", "--silent-after", "1"});
    RecordingReporter reporter;
    EXPECT_EQ(runDownload(store, sim, reporter), Outcome::NoController);
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].text, "Could Not Connect To Target\rCheck Settings And Service Manual");
}

TEST(DownloadFaults, IdentificationUnanswered_IsNoConnectionNotAVersionConflict)
{
    StoreFixture store;
    store.newConfiguration("plant.mdb");
    SimulatedController sim({"--silent-after", "1"});
    RecordingReporter reporter;
    EXPECT_EQ(runDownload(store, sim, reporter), Outcome::NoController);
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].text, "Could Not Connect To Target\rCheck Settings And Service Manual");
    EXPECT_EQ(sim.framesStartingWith("02"), 0);
}

TEST(DownloadFaults, OneLostReply_IsRecoveredByTheResend)
{
    StoreFixture store;
    buildPlant(store);
    // Frames: 1 poll, 2 identification, 3-4 messages, 5 quick messages, 6-15 blocks.
    SimulatedController sim({"--drop-reply", "8"});
    RecordingReporter reporter;
    EXPECT_EQ(runDownload(store, sim, reporter), Outcome::Completed);
    EXPECT_TRUE(reporter.boxes.empty());
    const auto memory = sim.stopAndReadMemory();
    EXPECT_EQ(memory.at(4), expectedMemory(store.read(), store.catalogue).at(4));
}

TEST(DownloadFaults, ConstantPageLost_StopsThereWithoutEndCommandAndSaysIncomplete)
{
    StoreFixture store;
    buildPlant(store);
    // Frame 16 is the first constant page, 20 the fifth; both tries of it go unanswered.
    SimulatedController sim({"--drop-reply", "20", "--drop-reply", "21"});
    RecordingReporter reporter;
    EXPECT_EQ(runDownload(store, sim, reporter), Outcome::NoController);
    EXPECT_EQ(sim.framesStartingWith("02 03 80"), 4 + 2);
    EXPECT_EQ(sim.framesStartingWith("08"), 0);
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].text, texts::incompleteDownload("Orvane Timeout", "the block constants"));
    EXPECT_EQ(reporter.boxes[0].icon, Icon::Stop);
    EXPECT_FALSE(reporter.shown);
}

TEST(DownloadFaults, ControllerFallsSilentInTheBlockTable_NamesThePageAndStops)
{
    StoreFixture store;
    buildPlant(store);
    SimulatedController sim({"--silent-after", "8"});  // block pages 0-2 answered
    RecordingReporter reporter;
    EXPECT_EQ(runDownload(store, sim, reporter), Outcome::NoController);
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].text, texts::incompleteDownload("ERROR DOWNLOADING BLOCK 3", "the block table"));
    EXPECT_EQ(sim.framesStartingWith("02 03"), 0);
    EXPECT_EQ(sim.framesStartingWith("08"), 0);
}

TEST(DownloadFaults, AReplyDamagedOnTheLine_IsRefusedForItsCheckBytes_ThePageGoesAgainAndTheDownloadCompletes)
{
    StoreFixture store;
    buildPlant(store);
    SimulatedController sim({"--garble", "17"});
    RecordingReporter reporter;
    EXPECT_EQ(runDownload(store, sim, reporter), Outcome::Completed);
    EXPECT_TRUE(reporter.boxes.empty());
    EXPECT_EQ(sim.framesStartingWith("02 03 80 00 80"), 2);
    const auto memory = sim.stopAndReadMemory();
    EXPECT_EQ(memory.at(3), expectedMemory(store.read(), store.catalogue).at(3));
}

TEST(DownloadFaults, PortHeldByAnotherOperation_IsReportedInUseAndLeftOpen)
{
    StoreFixture store;
    buildPlant(store);
    SimulatedController sim;
    TestLink port(sim.portName());
    ASSERT_TRUE(port.link.Open_Comm_Port());  // e.g. the live monitor holds it
    RecordingReporter reporter;
    ScriptedOperator user;
    EXPECT_EQ(CMDDWNLD_Click(port.link, store.db, store.file().toStdString(), reporter, user, noLog), Outcome::NoController);
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0], sim.portName().toStdString() + ": in use. Change the setting to another port.");
    EXPECT_TRUE(port.link.port_is_open);
    EXPECT_EQ(sim.framesStartingWith(""), 0);
    port.link.Close_Comm_Port();
}

// --- Replies that come late, pages that are lost -----------------------------------

TEST(DownloadFaults, LateAcknowledgementTakenForALostPage_IsFoundByTheReadBackAndTheEndIsNeverSent)
{
    StoreFixture store;
    buildPlant(store);
    const auto expected = expectedMemory(store.read(), store.catalogue);
    {
        // Frame 3 (message page 0) is answered 2.3 s late, after its retry (frame 4) was
        // answered; frame 5 (message page 1) is lost on the line, and the late reply comes
        // while its attempt waits. Every page then looks acknowledged.
        SimulatedController sim({"--late-reply", "3:2300", "--lose", "5"});
        RecordingReporter reporter;
        EXPECT_EQ(runDownload(store, sim, reporter), Outcome::NoController);
        EXPECT_EQ(sim.framesStartingWith("08"), 0) << "the end command reached a half-written controller";
        EXPECT_EQ(sim.framesStartingWith("04 06"), 2);
        EXPECT_EQ(sim.framesStartingWith("04 09"), 1);
        EXPECT_EQ(sim.framesStartingWith("04 04"), 10);
        EXPECT_EQ(sim.framesStartingWith("04 03"), 40);
        ASSERT_EQ(reporter.boxes.size(), 1u);
        std::string differences;
        for (int n = 10; n < 20; ++n)
            differences += (n == 10 ? "" : "\r") + std::string("message ") + std::to_string(n) + " differs";
        EXPECT_EQ(reporter.boxes[0].text, texts::downloadDiffers(differences));
        EXPECT_NE(reporter.boxes[0].text.find("do not return it to service"), std::string::npos);
        EXPECT_EQ(reporter.boxes[0].title, "Download Error");
        EXPECT_EQ(reporter.boxes[0].icon, Icon::Stop);
        EXPECT_FALSE(reporter.shown);
    }
    {
        // A reply 1.6 s late at 38400 baud, then a lost block page: the late reply is let
        // pass before the retry, so the lost page is noticed and sent again. Whatever the
        // timing, a completed download leaves exactly the plant in the controller, and
        // one that is not complete never sent the end command.
        SimulatedController sim({"--baud", "38400", "--late-reply", "3:1600", "--lose", "10"});
        RecordingReporter reporter;
        const Outcome outcome = runDownload(store, sim, reporter);
        EXPECT_TRUE(sim.log().contains("10 LOST 02 04 A0 01 E0"));
        EXPECT_EQ(sim.framesStartingWith("02 04 A0 01 E0"), 1) << "the lost page was not sent again";
        EXPECT_EQ(sim.framesStartingWith("08"), outcome == Outcome::Completed ? 1 : 0);
        const auto memory = sim.stopAndReadMemory();
        if (outcome == Outcome::Completed) {
            for (int area : {6, 9, 4, 3})
                EXPECT_EQ(memory.at(area), expected.at(area)) << "area " << area;
        }
    }
}

TEST(DownloadFaults, OnlyTheEndCommandUnanswered_SaysEveryPageWasWrittenNotIncomplete)
{
    StoreFixture store;
    buildPlant(store);
    // Frames: 1 poll, 2 identification, 3-55 the 53 pages, 56-108 their read-back, 109 end.
    SimulatedController sim({"--silent-after", "108"});
    RecordingReporter reporter;
    EXPECT_EQ(runDownload(store, sim, reporter), Outcome::NoController);
    EXPECT_EQ(sim.framesStartingWith("08"), 2);
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].text, texts::kEndNotConfirmed);
    EXPECT_EQ(reporter.boxes[0].text.find("INCOMPLETE"), std::string::npos);
    EXPECT_EQ(reporter.boxes[0].icon, Icon::Exclamation);
}

TEST(DownloadFaults, SlowLine_AReplyAfter1Point9SecondsIsStillThePagesReplyAt1200Baud)
{
    // A 177-byte message page takes 1.47 s to cross a 1200-baud line, its reply 46 ms:
    // a controller answering 1.9 s after the page went out is on time there.
    StoreFixture store;
    buildPlant(store);
    SimulatedController sim({"--baud", "1200", "--late-reply", "1:1900"});
    TestLink port(sim.portName());
    port.link.settings.CommBaudRate = "1200";
    ASSERT_TRUE(port.link.Open_Comm_Port());
    const Image image = *computeImage(store.read(), store.catalogue).image;
    LinkExchange exchange(port.link);
    EXPECT_TRUE(exchange.sendAndGet(writeFrame(6, 0, image.messages.data(), 170), 5).has_value());
    EXPECT_EQ(sim.framesStartingWith("02 06 AA 00 00"), 1) << "the page was sent again: its time-out ignores the rate";
    EXPECT_EQ(port.link.line_disturbances, 0);
    port.link.Close_Comm_Port();
}

// --- Texts --------------------------------------------------------------------------

TEST(DownloadTexts, TextsGoOutInWindows1252_CharactersOutsideItAreNamedBeforeTheWarning)
{
    StoreFixture store;
    buildPlant(store);
    store.setMessage(2, "Temp\xC3\xA9rature");          // "Température"
    store.setMessage(3, "Temp\xC3\xA9rature ABCD");     // 16 characters, 17 bytes of UTF-8
    store.setMessage(5, "\xCE\xA9 LIMIT");              // "Ω LIMIT": no Ω in Windows-1252
    store.setQuick(1, "25\xC2\xB0" "C", 4, 1);          // "25°C"
    SimulatedController sim;
    RecordingReporter reporter;
    struct Operator : ScriptedOperator {
        RecordingReporter* reporter = nullptr;
        size_t boxesAtWarning = 0;
        bool confirmDownload() override
        {
            boxesAtWarning = reporter->boxes.size();
            return ScriptedOperator::confirmDownload();
        }
    } user;
    user.reporter = &reporter;
    ASSERT_EQ(runDownload(store, sim, reporter, user), Outcome::Completed);
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(user.boxesAtWarning, 1u) << "the note came after the warning";
    EXPECT_EQ(reporter.boxes[0].text, "The controller cannot show some characters of these texts; they are sent as \"?\":\r"
                                      "message 5 \"\xCE\xA9 LIMIT\": \xCE\xA9");
    const auto memory = sim.stopAndReadMemory();
    const auto record = [&](int area, size_t at) { return std::string(memory.at(area).begin() + long(at),
                                                                      memory.at(area).begin() + long(at) + 16); };
    EXPECT_EQ(record(6, 2 * 17), std::string("Temp\xE9rature\0\0\0\0\0", 16));
    EXPECT_EQ(record(6, 3 * 17), "Temp\xE9rature ABCD");
    EXPECT_EQ(record(6, 5 * 17), std::string("? LIMIT\0\0\0\0\0\0\0\0\0", 16));
    EXPECT_EQ(record(9, 1 * 19), std::string("25\xB0" "C\0\0\0\0\0\0\0\0\0\0\0\0", 16));
}

// --- Rows that would not go out as stored -----------------------------------------------

TEST(DownloadChecks, RowsThatWouldNotGoOutAsStored_AreRefusedBeforeTheWarningNamingFileTableRowAndValue)
{
    struct Case {
        const char* sql;
        const char* table;
        const char* row;
        const char* problem;
    };
    const std::vector<Case> cases = {
        {"DELETE FROM \"Block List\"", "Block List", "row 1",
         "missing: block 0 belongs there (a configuration holds the blocks 0 to 159)"},
        {"DELETE FROM \"Block List\" WHERE BlockNumber = 80", "Block List", "row 81",
         "block 81 where block 80 belongs"},
        {"UPDATE QuickMessages SET Block = 300 WHERE Offset = 3", "QuickMessages", "quick message 3",
         "Block 300 does not fit the record's byte (0 to 255)"},
        {"UPDATE Constants SET ConstantValue = 70000 WHERE BlockNumber = 4 AND Offset = 0", "Constants",
         "block 4, offset 0", "value 70000 does not fit the 16 bits of an input link (-32768 to 32767)"},
        {"UPDATE Constants SET ConstantValue = -40000 WHERE BlockNumber = 4 AND Offset = 11", "Constants",
         "block 4, offset 11", "value -40000 does not fit the 16 bits of this parameter (-32768 to 32767)"},
    };
    // A block number outside 0 to 159 the store itself refuses when it opens the file.
    for (const char* sql : {"UPDATE \"Block List\" SET BlockNumber = -1 WHERE BlockNumber = 0",
                            "INSERT INTO \"Block List\" (BlockNumber, FunctionNumber, Constants) VALUES (160, 127, 0)"}) {
        SCOPED_TRACE(sql);
        StoreFixture store;
        buildPlant(store);
        const QString file = store.file();
        store.close();
        ASSERT_TRUE(executeSql(file, sql));
        try {
            store.open(file);
            ADD_FAILURE() << "opened";
        } catch (const kessig::DbError& e) {
            EXPECT_EQ(e.number(), kessig::err::NumericOverflow);
            EXPECT_NE(std::string(e.what()).find("field 'BlockNumber' of table 'Block List'"), std::string::npos) << e.what();
        }
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        StoreFixture store;
        buildPlant(store);
        const QString file = store.file();
        store.close();
        ASSERT_TRUE(executeSql(file, c.sql));
        store.open(file);
        const std::string refusal = texts::configurationRefused(file.toStdString(), c.table, c.row, c.problem);

        SimulatedController sim;
        RecordingReporter reporter;
        ScriptedOperator user;
        EXPECT_EQ(runDownload(store, sim, reporter, user), Outcome::Failed);
        EXPECT_EQ(user.downloadWarnings, 0);
        ASSERT_EQ(reporter.boxes.size(), 1u);
        EXPECT_EQ(reporter.boxes[0].text, refusal);
        TestLink port(sim.portName());
        EXPECT_EQ(verifyAgainstController(port.link, store.db, file.toStdString(), reporter, noLog).outcome,
                  Outcome::Failed);
        ASSERT_EQ(reporter.boxes.size(), 2u);
        EXPECT_EQ(reporter.boxes[1].text, refusal);
        EXPECT_EQ(sim.framesStartingWith(""), 0);
    }
}
