// Writes into a configuration that did not finish: a killed writer's journal, a
// write-ahead log never written back, a disk that fills half way. The file is never read
// without them; it is brought back through the engine on the file itself, or refused
// with the reason it cannot be; a full disk is reported as such.
#include "kessig/OrvaneDB.h"

#include "ScratchFolder.h"
#include "support/ChildProcess.h"
#include "support/InterruptedWrite.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kessig::DbError;
using kessig::OrvaneDB;
using kessig::testsupport::Journal;
using kessig::testsupport::killedHalfWay;
using kessig::testsupport::WriterAtWork;

namespace {

const std::string kShown = "/home/engineer/plants/boiler.mdb";

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string comment(const fs::path& file, int16_t block) {
    OrvaneDB db;
    db.open_for_reading(file.string());
    db.BlockSeek(block);
    return db.BlockComment();
}

std::string refusal(const std::function<void()>& open) {
    try {
        open();
    } catch (const DbError& e) {
        return std::to_string(e.number()) + " " + e.text();
    }
    return "opened";
}

fs::path configuration(const fs::path& dir) {
    const fs::path file = dir / "plant.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string());
    db.BeginTrans();
    for (int16_t block = 0; block < 160; ++block) {
        db.BlockSeek(block);
        db.BlockEdit();
        db.BlockComment("complete " + std::to_string(block));
        db.BlockUpdate();
    }
    db.CommitTrans();
    return file;
}

constexpr const char* kLongComments = "UPDATE \"Block List\" SET Comment = hex(zeroblob(2000))";

} // namespace

TEST(InterruptedWrite, AKilledWriteIsUndoneOnTheFileItself_OrRefusedWithTheTrueReason_NeverReadWithoutIt)
{
    const fs::path dir = kessig::test::scratchFolder("kessig-interrupted-");
    const fs::path file = configuration(dir), journal = dir / "plant.mdb-journal";
    const std::string before = bytesOf(file);
    ASSERT_TRUE(killedHalfWay(file.c_str(), kLongComments));
    const std::string torn = bytesOf(file);
    ASSERT_NE(torn, before);
    EXPECT_EQ(kessig::interruptedWriteBeside(file.string()), journal.string());

    // Neither read alone nor written over by the engine unasked; never "read-only".
    OrvaneDB db;
    for (const auto& open : {std::function<void()>([&] { db.open_for_reading(file.string(), kShown); }),
                             std::function<void()>([&] { db.open_existing_database(file.string(), kessig::Durability::Full, kShown); }),
                             std::function<void()>([&] { db.TestVisioComments(file.string(), kShown); })}) {
        const std::string why = refusal(open);
        EXPECT_EQ(why.rfind("3051 Could not open file '" + kShown + "': a write into it did not finish (" + journal.string(), 0), 0u) << why;
        EXPECT_EQ(why.find("read-only"), std::string::npos) << why;
    }
    EXPECT_EQ(bytesOf(file), torn);

    // What keeps the engine from recovering is said, and nothing is touched.
    ::chmod(file.c_str(), 0444);
    EXPECT_NE(refusal([&] { kessig::recoverInterruptedWrite(file.string(), kShown); }).find("the file is marked read-only"),
              std::string::npos);
    ::chmod(file.c_str(), 0644);
    if (::geteuid() == 0) {
        // A journal someone else left in a shared folder is never applied.
        ::chown(journal.c_str(), 65534, 65534);
        EXPECT_NE(refusal([&] { kessig::recoverInterruptedWrite(file.string(), kShown); }).find("belongs to another user (65534)"),
                  std::string::npos);
        ::chown(journal.c_str(), 0, 0);
    }
    EXPECT_EQ(bytesOf(file), torn);
    // A journal beside a file of another format (a legacy file put back over the name) is not its own.
    const fs::path legacy = dir / "legacy.mdb";
    std::ofstream(legacy, std::ios::binary) << std::string(4096, '\x01');
    fs::copy_file(journal, dir / "legacy.mdb-journal");
    EXPECT_NE(refusal([&] { kessig::recoverInterruptedWrite(legacy.string(), kShown); }).find("not in the tool set's own format"),
              std::string::npos);
    EXPECT_EQ(bytesOf(legacy), std::string(4096, '\x01'));

    // Recovered: the file holds its last complete content byte for byte, and says so once.
    const std::string said = kessig::recoverInterruptedWrite(file.string(), kShown);
    EXPECT_NE(said.find("'" + kShown + "' did not finish"), std::string::npos) << said;
    EXPECT_NE(said.find(journal.string()), std::string::npos) << said;
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_EQ(kessig::recoverInterruptedWrite(file.string(), kShown), "");
    EXPECT_EQ(comment(file, 159), "complete 159");

    // A file left with committed changes in its write-ahead log: they are written into it.
    ASSERT_TRUE(killedHalfWay(file.c_str(), "UPDATE \"Block List\" SET Comment = 'from the log' WHERE BlockNumber = 7",
                              Journal::WriteAheadLog));
    EXPECT_EQ(kessig::interruptedWriteBeside(file.string()), (dir / "plant.mdb-wal").string());
    EXPECT_NE(refusal([&] { db.open_for_reading(file.string(), kShown); }).find("plant.mdb-wal lies beside it"), std::string::npos);
    EXPECT_NE(kessig::recoverInterruptedWrite(file.string(), kShown).find("write-ahead log"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "plant.mdb-wal"));
    EXPECT_EQ(bytesOf(file)[18], 1);   // back to the journal the tool set writes
    EXPECT_EQ(comment(file, 7), "from the log");
}

TEST(InterruptedWrite, AWriterAtWorkIsWaitedFor_AndNamedWhenItHoldsOn_NeverUndoneUnderIt)
{
    const fs::path dir = kessig::test::scratchFolder("kessig-at-work-");
    const fs::path file = configuration(dir), journal = dir / "plant.mdb-journal";
    {
        WriterAtWork writer(file.c_str(), kLongComments);
        ASSERT_TRUE(writer.ready());
        // Its pages already in the file and its journal beside it, as a killed writer's would be.
        const std::string during = bytesOf(file);
        EXPECT_EQ(kessig::interruptedWriteBeside(file.string()), journal.string());
        const std::string why = refusal([&] { kessig::recoverInterruptedWrite(file.string(), kShown); });
        EXPECT_EQ(why.rfind("5 '" + kShown + "' is locked by another program (", 0), 0u) << why;
        EXPECT_NE(why.find("process " + std::to_string(writer.pid()) + ") that is writing it; it was not let go within 5 seconds"),
                  std::string::npos) << why;
        EXPECT_EQ(bytesOf(file), during);
        EXPECT_TRUE(fs::exists(journal));
        ASSERT_TRUE(writer.commit());
    }
    // It finished: there was nothing to recover.
    EXPECT_EQ(kessig::recoverInterruptedWrite(file.string(), kShown), "");
    EXPECT_EQ(comment(file, 159), std::string(4000, '0'));

    // Killed while it is waited for, it leaves an unfinished write, which is undone.
    const std::string committed = bytesOf(file);
    {
        WriterAtWork writer(file.c_str(), "UPDATE \"Block List\" SET Comment = 'never'");
        ASSERT_TRUE(writer.ready());
        auto recovery = std::async(std::launch::async, [&] { return kessig::recoverInterruptedWrite(file.string(), kShown); });
        ASSERT_TRUE(writer.kill());
        const std::string said = recovery.get();
        EXPECT_NE(said.find("'" + kShown + "' did not finish"), std::string::npos) << said;
    }
    EXPECT_EQ(bytesOf(file), committed);
    EXPECT_FALSE(fs::exists(journal));
}

TEST(InterruptedWrite, ADiskThatFillsHalfWayIsReportedAsSuch_AndTheFileKeepsItsLastCommit)
{
    const fs::path dir = kessig::test::scratchFolder("kessig-full-");
    const fs::path file = configuration(dir);
    const std::string before = bytesOf(file);
    const std::string said = kessig::testsupport::inChild([&] {
        // A file size limit fails the writing as a full disk would.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlim_t size = before.size() + 32 * 1024;
        const struct rlimit limit {size, size};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string failure = "no failure";
        OrvaneDB db;
        try {
            db.open_existing_database(file.string(), kessig::Durability::Full, kShown);
            db.BeginTrans();
            for (int16_t block = 0; block < 160; ++block) {
                db.BlockSeek(block);
                db.BlockEdit();
                db.BlockComment(std::string(4000, 'z'));
                db.BlockUpdate();
            }
            db.CommitTrans();
        } catch (const DbError& e) {
            failure = e.text();
            try {
                if (db.InTransaction()) db.Rollback();
            } catch (const DbError& hidden) {
                failure = hidden.text();
            }
        }
        return failure;
    }).said;
    EXPECT_NE(said.find("File too large"), std::string::npos) << said;
    EXPECT_EQ(said.find("cannot rollback"), std::string::npos) << said;
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(kessig::interruptedWriteBeside(file.string()), "");
}
