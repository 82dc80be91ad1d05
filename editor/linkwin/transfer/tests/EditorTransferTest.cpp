// The editor's download, upload and verify against orvane-sim: the warning window and
// the question answered as a user would, every box caught at the message seam.
#include "linkwin/LinkCommands.h"
#include "linkwin/comm/TheLink.h"
#include "ui/MessageSeam.h"
#include "ui/SettingsStore.h"

#include "SimSupport.h"
#include "orvane/record/HeldConfiguration.h"
#include "orvane/record/TransferHistory.h"
#include "orvane/transfer/Texts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace orvane::transfer;
using namespace orvane::transfer::testing;

namespace {

std::vector<brevant::MessageRequest> shown;
brevant::Answer answerToQuestions = brevant::Answer::Yes;

void useController(const SimulatedController& sim)
{
    orvane::link::CommSettings settings;
    settings.CommPortName = sim.portName().toStdString();
    brevant::SaveCommSettings(settings);
    shown.clear();
}

// Presses a button of the download warning once it is up.
void answerWarningWith(const char* button)
{
    QTimer::singleShot(0, [button] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "frmWarn" && w->isVisible())
                w->findChild<QPushButton*>(button)->click();
    });
}

// The transfer history the editor records into, newest first.
std::vector<orvane::record::TransferEntry> recorded()
{
    return orvane::record::TransferHistory(orvane::record::historyFolder({})).list().entries;
}

void forgetHistory() { QDir(orvane::record::historyFolder({})).removeRecursively(); }

void buildPlant(StoreFixture& store)
{
    store.newConfiguration("plant.mdb");
    store.setFunctions({{4, 10}, {5, 96}});
    store.setConstant(4, 7 + 3, -1);
    store.setMessage(2, "TANK LOW");
}

brevant::linkwin::BlockFunctionTable untouchedTable()
{
    brevant::linkwin::BlockFunctionTable table;
    table.fill(-1);
    return table;
}

} // namespace

TEST(EditorDownload, ContinueInTheWarning_WritesTheControllerWithoutAMessage)
{
    StoreFixture store;
    buildPlant(store);
    SimulatedController sim;
    useController(sim);
    answerWarningWith("cmdContinue");
    brevant::linkwin::download(nullptr, store.db, store.file());
    EXPECT_TRUE(shown.empty()) << shown.front().text.toStdString();
    EXPECT_FALSE(brevant::linkwin::theLink().port_is_open);
    const auto memory = sim.stopAndReadMemory();
    const auto expected = expectedMemory(store.read(), store.catalogue);
    EXPECT_EQ(memory.at(3), expected.at(3));
    EXPECT_EQ(memory.at(6), expected.at(6));
}

TEST(EditorDownload, CancelInTheWarning_SendsNothingAndRecordsNothing)
{
    StoreFixture store;
    buildPlant(store);
    SimulatedController sim;
    useController(sim);
    forgetHistory();
    answerWarningWith("cmdCancel");
    brevant::linkwin::download(nullptr, store.db, store.file());
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(sim.framesStartingWith(""), 0);
    EXPECT_TRUE(recorded().empty());
}

TEST(EditorUpload, AnsweringNo_AsksOnceSavesNothingAndNeverOpensThePort)
{
    StoreFixture store;
    store.newConfiguration("other.mdb");
    SimulatedController sim;
    useController(sim);
    answerToQuestions = brevant::Answer::No;
    auto table = untouchedTable();
    EXPECT_FALSE(brevant::linkwin::upload(nullptr, store.db, store.file(), table));
    answerToQuestions = brevant::Answer::Yes;
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QString::fromLatin1(texts::kUploadQuestion));
    EXPECT_EQ(shown[0].buttons, brevant::Buttons::YesNo);
    EXPECT_EQ(shown[0].icon, brevant::Icon::Exclamation);
    EXPECT_EQ(shown[0].title, "Brevant");
    EXPECT_EQ(table, untouchedTable());
    EXPECT_EQ(store.db.WriteCount(), 0u);
    EXPECT_EQ(sim.framesStartingWith(""), 0);
}

TEST(EditorUpload, AnsweringYes_StoresTheControllerAndUpdatesTheBlockFunctions)
{
    StoreFixture store;
    buildPlant(store);
    std::map<int, std::vector<uint8_t>> memory;
    {
        SimulatedController sim;
        useController(sim);
        answerWarningWith("cmdContinue");
        brevant::linkwin::download(nullptr, store.db, store.file());
        memory = sim.stopAndReadMemory();
    }
    SimulatedController sim({}, "2.50", memory);
    useController(sim);
    store.newConfiguration("other.mdb");
    auto table = untouchedTable();
    forgetHistory();
    EXPECT_TRUE(brevant::linkwin::upload(nullptr, store.db, store.file(), table));
    ASSERT_EQ(shown.size(), 1u);  // the question only
    // Recorded with what was read and the configuration it became.
    const auto entries = recorded();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].operation, "upload");
    EXPECT_EQ(entries[0].outcome, "complete");
    EXPECT_EQ(entries[0].file, QFileInfo(store.file()).canonicalFilePath());
    EXPECT_EQ(entries[0].port, sim.portName());
    EXPECT_TRUE(entries[0].identification.contains("2.50")) << entries[0].identification.toStdString();
    QString error;
    const auto whole = orvane::record::TransferHistory(orvane::record::historyFolder({})).find(entries[0].id, error);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(whole->entry.text.contains("\"TANK LOW\"")) << whole->entry.text.toStdString();
    EXPECT_EQ(table[4], 10);
    EXPECT_EQ(table[5], 96);
    EXPECT_EQ(table[6], 127);
    const Configuration got = store.read();
    EXPECT_EQ(got.blocks[5].function, 96);
    EXPECT_EQ(got.messages[2], "TANK LOW");
}

TEST(EditorUpload, ControllerFallsSilent_ReturnsFalseAndTheConfigurationIsUnchanged)
{
    StoreFixture store;
    store.newConfiguration("other.mdb");
    SimulatedController sim({"--silent-after", "3"});
    useController(sim);
    auto table = untouchedTable();
    forgetHistory();
    EXPECT_FALSE(brevant::linkwin::upload(nullptr, store.db, store.file(), table));
    // The question, then one box saying what stopped and what was left as it was.
    ASSERT_EQ(shown.size(), 2u);
    const auto entries = recorded();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].outcome, "incomplete");
    EXPECT_TRUE(entries[0].imageSha256.isEmpty());
    EXPECT_EQ(entries[0].note, shown[1].text);
    EXPECT_EQ(shown[1].title, "Upload Error");
    EXPECT_EQ(shown[1].text, QString::fromStdString(texts::uploadFailedAt("the block table")));
    EXPECT_EQ(shown[1].icon, brevant::Icon::Exclamation);
    EXPECT_EQ(table, untouchedTable());
    EXPECT_EQ(store.db.WriteCount(), 0u);
}

TEST(EditorVerify, AfterADownloadMatches_AfterAnEditNamesTheSlotAndTheRecordedDownload)
{
    StoreFixture store;
    buildPlant(store);
    SimulatedController sim;
    useController(sim);
    forgetHistory();
    answerWarningWith("cmdContinue");
    brevant::linkwin::download(nullptr, store.db, store.file());
    ASSERT_TRUE(shown.empty());

    brevant::linkwin::verify(nullptr, store.db, store.file());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Configuration matches");
    EXPECT_EQ(shown[0].title, "Verify Against Orvane");
    EXPECT_EQ(shown[0].icon, brevant::Icon::Information);

    // Block 4 (PID) starts at slot 14: its fourth parameter is slot 24.
    store.setConstant(4, 7 + 3, 5);
    shown.clear();
    brevant::linkwin::verify(nullptr, store.db, store.file());
    ASSERT_EQ(shown.size(), 1u);
    const auto entries = recorded();
    ASSERT_EQ(entries.size(), 3u);
    const auto& download = entries.back();
    EXPECT_EQ(download.operation, "download");
    EXPECT_EQ(download.outcome, "complete");
    EXPECT_EQ(shown[0].text, "The controller does not hold this configuration:\r"
                             "According to the transfer history it holds " + orvane::record::recordedState(download) + ".\r"
                             "slot 24 (block 4, offset 10): expected 5, controller holds -1");
    EXPECT_TRUE(shown[0].text.contains("plant.mdb as downloaded "));
    EXPECT_EQ(shown[0].icon, brevant::Icon::Exclamation);
    // Each verify is recorded with what it read: the first matched, the second differs.
    EXPECT_EQ(entries[1].outcome, "complete");
    EXPECT_EQ(entries[0].outcome, "differs");
    EXPECT_EQ(entries[0].imageSha256, download.imageSha256);
    EXPECT_EQ(entries[0].operation, "verify");
}

int main(int argc, char** argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", (config.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (config.path() + "/data").toLocal8Bit());
    QApplication app(argc, argv);
    brevant::setMessageHandler([](const brevant::MessageRequest& request) {
        shown.push_back(request);
        return request.buttons == brevant::Buttons::YesNo ? answerToQuestions : brevant::Answer::Ok;
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
