// What a controller holds, told from the history against orvane-sim: among many entries
// the one whose transfer left it so, the nearest for a state never recorded, and a
// recorded state brought back as a file that downloads to the recorded image.

#include "ControllerModel.h"
#include "SimSupport.h"

#include "orvane/record/HeldConfiguration.h"
#include "orvane/record/HistoryLog.h"
#include "orvane/record/Restore.h"
#include "orvane/transfer/StoreBridge.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvane::record;
using namespace orvane::transfer;
using namespace orvane::transfer::testing;

namespace {

constexpr int16_t kPid = 10, kDspGroup = 96;

// A plant of its own for each `variant`.
QString buildPlant(StoreFixture& store, const QString& name, int variant)
{
    const QString file = store.newConfiguration(name);
    store.setFunctions({{4, kPid}, {5, kDspGroup}, {6 + variant, kPid}});
    store.setConstant(4, 7 + 3, 100 * variant);
    store.setMessage(2, "TANK " + std::to_string(variant));
    return file;
}

Outcome download(StoreFixture& store, SimulatedController& sim, TransferLog& log)
{
    TestLink port(sim.portName());
    RecordingReporter reporter;
    ScriptedOperator user;
    return CMDDWNLD_Click(port.link, store.db, store.file().toStdString(), reporter, user, log);
}

HeldConfiguration identify(StoreFixture& store, SimulatedController& sim, const TransferHistory& history)
{
    TestLink port(sim.portName());
    RecordingReporter reporter;
    const int written = sim.framesStartingWith("02");
    const uint64_t stored = store.db.WriteCount();
    const ControllerReading reading = identifyController(port.link, store.db, reporter);
    EXPECT_EQ(reading.outcome, Outcome::Completed);
    EXPECT_TRUE(reading.identification.find("2.50") != std::string::npos) << reading.identification;
    EXPECT_EQ(sim.framesStartingWith("02"), written) << "identify wrote to the controller";
    EXPECT_EQ(store.db.WriteCount(), stored) << "identify wrote to the store";
    return heldConfiguration(history, reading.image);
}

// An entry of some other plant, with a controller image of its own.
void recordStranger(const TransferHistory& history, int n)
{
    ControllerMemory memory;
    for (auto* area : {&memory.messages, &memory.quick, &memory.blocks, &memory.constants}) {
        const size_t size = area == &memory.messages ? 340 : area == &memory.quick ? 152 : area == &memory.blocks ? 1600 : 400;
        for (size_t i = 0; i < size; ++i)
            area->push_back(uint8_t(QRandomGenerator::global()->bounded(256)));
    }
    TransferEntry e;
    e.operation = QStringLiteral("download");
    e.outcome = QStringLiteral("complete");
    e.file = QStringLiteral("/plants/other-%1.mdb").arg(n);
    e.image = imageBytes(memory);
    e.imageSha256 = imageDigest(e.image);
    e.text = QStringLiteral("title = \"other\"\n");
    ASSERT_EQ(history.write(e), std::nullopt);
}

const TransferEntry& newestOf(const std::vector<TransferEntry>& entries, const QString& file)
{
    for (const TransferEntry& e : entries)
        if (e.file.endsWith(file))
            return e;
    static const TransferEntry none;
    ADD_FAILURE() << "no entry of " << file.toStdString();
    return none;
}

} // namespace

TEST(IdentifyController, NamesTheTransferThatLeftItsStateAndTheNearestRecordedOneForAStateNeverRecorded)
{
    QTemporaryDir folder;
    const TransferHistory history(folder.path());
    for (int n = 0; n < 40; ++n)
        recordStranger(history, n);
    StoreFixture store;
    SimulatedController sim;
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    for (const auto& [name, variant] : std::vector<std::pair<QString, int>>{{"a.mdb", 1}, {"b.mdb", 2}, {"c.mdb", 3}}) {
        HistoryLog log(folder.path(), buildPlant(store, name, variant));
        ASSERT_EQ(download(store, sim, log), Outcome::Completed);
    }
    HeldConfiguration held = identify(store, sim, history);
    auto entries = history.list().entries;
    ASSERT_EQ(entries.size(), 43u);
    ASSERT_TRUE(held.match);
    EXPECT_EQ(held.match->id, newestOf(entries, "/c.mdb").id);
    EXPECT_EQ(heldText(held), "The controller holds c.mdb as downloaded " + shownTime(*held.match) + " by " + loginName()
                                  + " on " + held.match->host + " (entry " + held.match->id + ", " + held.match->file + ").");

    // Downloaded once more, a state is named by its newest download.
    store.open(store.folder() + "/a.mdb");
    HistoryLog again(folder.path(), store.file());
    ASSERT_EQ(download(store, sim, again), Outcome::Completed);
    held = identify(store, sim, history);
    entries = history.list().entries;
    ASSERT_TRUE(held.match);
    EXPECT_EQ(held.match->id, entries.front().id);
    EXPECT_TRUE(held.match->file.endsWith("/a.mdb")) << held.match->file.toStdString();

    // A change that no recorded transfer made: the nearest is a.mdb, block 4 differs.
    store.setConstant(4, 7 + 3, 555);
    NoTransferLog unrecorded;
    ASSERT_EQ(download(store, sim, unrecorded), Outcome::Completed);
    held = identify(store, sim, history);
    EXPECT_FALSE(held.match);
    ASSERT_TRUE(held.nearest);
    EXPECT_EQ(held.nearest->id, newestOf(entries, "/a.mdb").id);
    EXPECT_EQ(held.differences.blocks, std::vector<int>{4});
    EXPECT_TRUE(held.differences.messages.empty());
    EXPECT_TRUE(heldText(held).startsWith("The controller matches no recorded download.")) << heldText(held).toStdString();
    EXPECT_TRUE(heldText(held).contains("what differs: block 4.")) << heldText(held).toStdString();
}

TEST(RestoreEntry, GivesANewFileWhoseDownloadImageIsTheRecordedOne_AndNeverReplacesAFile)
{
    QTemporaryDir folder;
    const TransferHistory history(folder.path());
    StoreFixture store;
    SimulatedController sim;
    HistoryLog log(folder.path(), buildPlant(store, "plant.mdb", 4));
    store.setMessage(7, "Zürich °C");
    ASSERT_EQ(download(store, sim, log), Outcome::Completed);
    const auto entries = history.list().entries;
    ASSERT_EQ(entries.size(), 1u);
    QString error;
    const auto entry = history.find(entries[0].id, error);
    ASSERT_TRUE(entry) << error.toStdString();

    const QString restored = store.folder() + "/restored.mdb";
    ASSERT_EQ(restoreEntry(entry->entry, binDir(), restored), std::nullopt);
    store.open(restored);
    const Catalogue catalogue = readCatalogue(store.db);
    const ImageResult image = computeImage(readConfiguration(store.db), catalogue);
    ASSERT_TRUE(image.image);
    EXPECT_EQ(imageDigest(imageBytes(occupiedMemory(memoryOf(*image.image), catalogue))), entry->entry.imageSha256);
    store.close();

    QFile file(restored);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    const auto refused = restoreEntry(entry->entry, binDir(), restored);
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->contains("exists")) << refused->toStdString();
    file.seek(0);
    EXPECT_EQ(file.readAll(), before);
}
