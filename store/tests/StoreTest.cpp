#include "kessig/OrvaneDB.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using kessig::DbError;
using kessig::OrvaneDB;

namespace {
fs::path freshDir() { return kessig::test::scratchFolder("kessig-"); }
int errorOf(auto&& f) {
    try { f(); } catch (const DbError& e) { return e.number(); }
    return 0;
}
} // namespace

TEST(NewConfiguration, HasDefaultBlockTableAndRefusesOverwrite) {
    const fs::path file = freshDir() / "new.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string());
    db.BlockSeek(2);
    EXPECT_EQ(db.BlockFn(), 90);
    db.BlockSeek(159);
    EXPECT_EQ(db.BlockFn(), 127);
    EXPECT_EQ(db.BlockComment(), "");
    db.BlockMoveNext();
    EXPECT_TRUE(db.BlockEOF());
    EXPECT_EQ(errorOf([&] { db.BlockFn(); }), kessig::err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { db.create_new_database(file.string()); }), kessig::err::CannotOpenFile);
}

TEST(BlockCursor, EditUpdateWritesAndLetWithoutEditFails) {
    const fs::path file = freshDir() / "b.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    db.BlockSeek(7);
    EXPECT_EQ(errorOf([&] { db.BlockFn(12); }), kessig::err::UpdateWithoutEdit);
    db.BlockEdit();
    db.BlockFn(12);
    db.BlockComment("pump");
    db.BlockUpdate();
    EXPECT_EQ(db.WriteCount(), 1u);
    db.close_work_dbs();
    db.open_existing_database(file.string());
    db.BlockSeek(7);
    EXPECT_EQ(db.BlockFn(), 12);
    EXPECT_EQ(db.BlockComment(), "pump");
}

TEST(BadFiles, GarbageEmptyMissingAndDirectoryFailCleanly) {
    const fs::path dir = freshDir();
    OrvaneDB db;
    EXPECT_EQ(errorOf([&] { db.open_existing_database((dir / "none.mdb").string()); }), kessig::err::FileNotFound);
    EXPECT_FALSE(fs::exists(dir / "none.mdb"));
    std::ofstream(dir / "empty.mdb").close();
    EXPECT_EQ(errorOf([&] { db.open_existing_database((dir / "empty.mdb").string()); }), kessig::err::UnrecognizedFormat);
    std::ofstream(dir / "junk.mdb") << std::string(4096, 'x');
    EXPECT_EQ(errorOf([&] { db.open_existing_database((dir / "junk.mdb").string()); }), kessig::err::UnrecognizedFormat);
    EXPECT_EQ(fs::file_size(dir / "junk.mdb"), 4096u);
    EXPECT_EQ(errorOf([&] { db.open_existing_database(dir.string()); }), kessig::err::CannotOpenFile);
    EXPECT_FALSE(db.ConfigurationOpen());
}

TEST(ConstantCursor, AddSeekDeleteAndNextAfterDelete) {
    const fs::path file = freshDir() / "c.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    for (int16_t off = 0; off < 3; ++off) {
        db.ConstantAddNew();
        db.ConstantBlockNumber(5);
        db.ConstantOffset(off);
        db.ConstantValue(100 + off);
        db.ConstantUpdate();
    }
    db.ConstantAddNew();
    db.ConstantBlockNumber(5);
    db.ConstantOffset(1);
    EXPECT_EQ(errorOf([&] { db.ConstantUpdate(); }), kessig::err::DuplicateKey);
    db.ConstantSeek(5, 9);
    EXPECT_TRUE(db.ConstantNoMatch());
    EXPECT_EQ(errorOf([&] { db.ConstantValue(); }), kessig::err::NoCurrentRecord);
    db.ConstantSeek(5, 1);
    ASSERT_FALSE(db.ConstantNoMatch());
    db.ConstantDelete();
    EXPECT_EQ(errorOf([&] { db.ConstantValue(); }), kessig::err::NoCurrentRecord);
    db.ConstantMoveNext();
    EXPECT_EQ(db.ConstantOffset(), 2);
    EXPECT_EQ(db.ConstantValue(), 102);
    EXPECT_EQ(db.WriteCount(), 4u);
}

TEST(MessageCursor, NulPaddingCutAndOverlongRefusedWithoutWriting) {
    const fs::path file = freshDir() / "m.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    db.MessageSeek(10);
    EXPECT_EQ(db.MessageMsg(), "ALM 1");
    db.MessageEdit();
    db.MessageMsg(std::string("PUMP\0\0\0\0\0\0\0\0\0\0\0\0", 16));
    db.MessageUpdate();
    db.MessageEdit();
    db.MessageMsg(std::string(17, 'A'));
    EXPECT_EQ(errorOf([&] { db.MessageUpdate(); }), kessig::err::FieldTooSmall);
    EXPECT_EQ(db.MessageMsg(), "PUMP");
    db.MessageEdit();
    db.MessageMsg("");
    EXPECT_EQ(errorOf([&] { db.MessageUpdate(); }), kessig::err::ZeroLengthNotAllowed);
    EXPECT_EQ(db.WriteCount(), 1u);
}

TEST(Transactions, RollbackRestoresAndCommitCountsOnce) {
    const fs::path file = freshDir() / "t.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    db.BeginTrans();
    EXPECT_NE(errorOf([&] { db.BeginTrans(); }), 0);
    db.BlockSeek(3);
    db.BlockEdit();
    db.BlockFn(40);
    db.BlockUpdate();
    db.CommentEdit();
    db.CommentTitle("in vain");
    db.CommentUpdate();
    db.Rollback();
    EXPECT_TRUE(db.BlockEOF());
    db.BlockSeek(3);
    EXPECT_EQ(db.BlockFn(), 91);
    EXPECT_EQ(db.CommentTitle(), "");   // the Comment cursor is back on its row, as it was
    EXPECT_EQ(db.WriteCount(), 0u);
    db.BeginTrans();
    for (int16_t b = 10; b < 13; ++b) {
        db.BlockSeek(b);
        db.BlockEdit();
        db.BlockFn(1);
        db.BlockUpdate();
    }
    db.CommitTrans();
    EXPECT_EQ(db.WriteCount(), 1u);
}

TEST(QuickCursor, DecimalTextFieldsParsedAndBadTextRefused) {
    const fs::path file = freshDir() / "q.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    db.QuickSeek(7);
    EXPECT_EQ(db.QuickMessage(), "QMSG 8");
    EXPECT_EQ(db.QuickBlock(), "4");
    db.QuickEdit();
    EXPECT_EQ(errorOf([&] { db.QuickBlock("12x"); }), kessig::err::ConversionError);
    EXPECT_EQ(errorOf([&] { db.QuickParameter("40000"); }), kessig::err::NumericOverflow);
    db.QuickBlock("150");
    db.QuickParameter("-3");
    db.QuickUpdate();
    db.QuickMoveNext();
    EXPECT_TRUE(db.QuickEOF());
    db.QuickSeek(7);
    EXPECT_EQ(db.QuickBlock(), "150");
    EXPECT_EQ(db.QuickParameter(), "-3");
}

TEST(CommentCursor, OnItsRowAfterOpenAndTitleLimitEnforced) {
    const fs::path file = freshDir() / "k.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    EXPECT_EQ(db.CommentTitle(), "");
    db.CommentEdit();
    db.CommentTitle(std::string(81, 'T'));
    EXPECT_EQ(errorOf([&] { db.CommentUpdate(); }), kessig::err::FieldTooSmall);
    EXPECT_EQ(db.CommentTitle(), "");
    db.CommentEdit();
    db.CommentTitle("Boiler 2");
    db.CommentComment("line one");
    db.CommentUpdate();
    db.close_work_dbs();
    db.open_existing_database(file.string());
    EXPECT_EQ(db.CommentTitle(), "Boiler 2");
    EXPECT_EQ(db.CommentComment(), "line one");
}

TEST(ReadOnlyFile, EveryChangeRefusedAndFileUntouched) {
    const fs::path file = freshDir() / "ro.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    const auto before = fs::last_write_time(file);
    db.open_existing_database(file.string());
    EXPECT_TRUE(db.ReadOnlyFile());
    db.BlockSeek(0);
    EXPECT_EQ(errorOf([&] { db.BlockEdit(); }), kessig::err::ReadOnlyDatabase);
    db.MessageSeek(0);
    EXPECT_EQ(errorOf([&] { db.MessageEdit(); }), kessig::err::ReadOnlyDatabase);
    EXPECT_EQ(errorOf([&] { db.ConstantAddNew(); }), kessig::err::ReadOnlyDatabase);
    EXPECT_EQ(errorOf([&] { db.CommentEdit(); }), kessig::err::ReadOnlyDatabase);
    db.QuickSeek(0);
    EXPECT_EQ(errorOf([&] { db.QuickEdit(); }), kessig::err::ReadOnlyDatabase);
    db.close_work_dbs();
    EXPECT_EQ(fs::last_write_time(file), before);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::group_read);
}

namespace {
void sql(const fs::path& file, const char* statement) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}
} // namespace

TEST(VisioCommentUpgrade, ReadOnlyOldFileGainsTheFieldAndKeepsItsPermissions) {
    const fs::path file = freshDir() / "old.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    sql(file, "ALTER TABLE \"Block List\" DROP COLUMN VisioComment");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_NE(db.TestVisioComments(file.string()), 0);

    db.open_existing_database(file.string());
    EXPECT_TRUE(db.ReadOnlyFile());
    int rows = 0;
    for (db.BlockMoveFirst(); !db.BlockEOF(); db.BlockMoveNext(), ++rows)
        EXPECT_EQ(db.BlockVisioComment(), "");
    EXPECT_EQ(rows, 160);
    EXPECT_EQ(errorOf([&] { db.BlockSeek(3); db.BlockEdit(); }), kessig::err::ReadOnlyDatabase);
    db.close_work_dbs();
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(db.TestVisioComments(file.string()), 0);
    fs::permissions(file, fs::perms::owner_all);
}

TEST(VisioCommentUpgrade, FileThatHasTheFieldIsNotWritten) {
    const fs::path file = freshDir() / "new.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    const auto before = fs::last_write_time(file);
    EXPECT_EQ(db.TestVisioComments(file.string()), 0);
    db.open_existing_database(file.string());
    db.close_work_dbs();
    EXPECT_EQ(fs::last_write_time(file), before);
}

TEST(BadFiles, TruncatedAndIncompleteConfigurationsFailCleanly) {
    const fs::path dir = freshDir();
    OrvaneDB db;
    const fs::path truncated = dir / "truncated.mdb";
    db.create_new_database(truncated.string());
    fs::resize_file(truncated, 1000);
    EXPECT_EQ(errorOf([&] { db.open_existing_database(truncated.string()); }), kessig::err::UnrecognizedFormat);
    EXPECT_FALSE(db.ConfigurationOpen());

    const fs::path incomplete = dir / "incomplete.mdb";
    db.create_new_database(incomplete.string());
    sql(incomplete, "DROP TABLE QuickMessages");
    EXPECT_EQ(errorOf([&] { db.open_existing_database(incomplete.string()); }), kessig::err::UnrecognizedFormat);
    EXPECT_EQ(errorOf([&] { db.TestVisioComments(incomplete.string()); }), kessig::err::UnrecognizedFormat);
    EXPECT_EQ(errorOf([&] { db.BlockMoveFirst(); }), kessig::err::ObjectClosed);
}

TEST(FieldRules, NullReadsFailExceptCommentsAndBadTextIsRefused) {
    const fs::path file = freshDir() / "nulls.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    sql(file, "UPDATE \"Block List\" SET FunctionNumber = NULL, Comment = NULL, VisioComment = NULL WHERE BlockNumber = 5");
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    db.BlockSeek(5);
    EXPECT_EQ(errorOf([&] { db.BlockFn(); }), kessig::err::InvalidUseOfNull);
    EXPECT_EQ(db.BlockComment(), "");
    EXPECT_EQ(db.BlockVisioComment(), "");
    db.BlockEdit();
    EXPECT_EQ(errorOf([&] { db.BlockComment(std::string("\xff\xfe bad", 6)); }), kessig::err::ConversionError);
    EXPECT_EQ(errorOf([&] { db.BlockComment("caf\xc3"); }), kessig::err::ConversionError);
    db.BlockComment("caf\xc3\xa9 \xe2\x82\xac");
    db.BlockUpdate();
    db.BlockSeek(5);
    EXPECT_EQ(db.BlockComment(), "caf\xc3\xa9 \xe2\x82\xac");
}

TEST(RelaxedDurability, EveryCommitIsInAByteCopyAndNoJournalIsLeftBehind) {
    const fs::path dir = freshDir();
    const fs::path file = dir / "work.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    db.MessageSeek(3);
    db.MessageEdit();
    db.MessageMsg("FEED PUMP");
    db.MessageUpdate();
    fs::copy_file(file, dir / "copy.mdb");
    OrvaneDB reader;
    reader.open_existing_database((dir / "copy.mdb").string());
    reader.MessageSeek(3);
    EXPECT_EQ(reader.MessageMsg(), "FEED PUMP");
    db.close_work_dbs();
    EXPECT_FALSE(fs::exists(dir / "work.mdb-journal"));
}

TEST(RelaxedDurability, SharedFileTakesWritesOfAnotherConnectionAndLocksAgainAfter) {
    const fs::path file = freshDir() / "work.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    db.QuickSeek(2);
    db.QuickEdit();
    db.QuickMessage("BY THE STORE");
    db.QuickUpdate();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    const auto otherWrites = [&](const char* text) {
        sqlite3_stmt* st = nullptr;
        const int prepared = sqlite3_prepare_v2(other, "UPDATE QuickMessages SET Message=?1 WHERE Offset=3", -1, &st, nullptr);
        if (prepared != SQLITE_OK) return prepared;   // the schema itself could not be read
        sqlite3_bind_text(st, 1, text, -1, SQLITE_STATIC);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        return rc;
    };
    EXPECT_EQ(otherWrites("LOCKED OUT"), SQLITE_BUSY);

    db.ShareFile(true);
    EXPECT_EQ(otherWrites("BY THE GRID"), SQLITE_DONE);
    db.QuickSeek(3);
    EXPECT_EQ(db.QuickMessage(), "BY THE GRID");
    // The store writes on while shared; the other connection sees it.
    db.QuickSeek(2);
    db.QuickEdit();
    db.QuickMessage("SHARED");
    db.QuickUpdate();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(other, "SELECT Message FROM QuickMessages WHERE Offset=2", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "SHARED");
    sqlite3_finalize(st);

    db.ShareFile(false);
    db.QuickSeek(2);
    db.QuickEdit();
    db.QuickMessage("LOCKED AGAIN");
    db.QuickUpdate();
    EXPECT_EQ(otherWrites("LOCKED OUT"), SQLITE_BUSY);
    sqlite3_close(other);
    db.QuickSeek(3);
    EXPECT_EQ(db.QuickMessage(), "BY THE GRID");
    db.close_work_dbs();
    EXPECT_FALSE(fs::exists(file.string() + "-journal"));
}

TEST(OpenForReading, OldReadOnlyFileIsReadWhole_NeverUpgradedChangedOrWritable) {
    const fs::path file = freshDir() / "old.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    sql(file, "ALTER TABLE \"Block List\" DROP COLUMN VisioComment; UPDATE \"Block List\" SET Comment = 'c' || BlockNumber;"
              "DELETE FROM Messages WHERE Offset = 3; DELETE FROM QuickMessages WHERE Offset = 0;");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    std::ifstream in(file, std::ios::binary);
    const std::string before((std::istreambuf_iterator<char>(in)), {});
    const auto time = fs::last_write_time(file);

    db.open_for_reading(file.string());
    EXPECT_TRUE(db.ReadOnlyFile());
    EXPECT_FALSE(db.HasVisioComment());
    int rows = 0;
    for (db.BlockMoveFirst(); !db.BlockEOF(); db.BlockMoveNext(), ++rows) {
        EXPECT_EQ(db.BlockComment(), "c" + std::to_string(rows));
        EXPECT_EQ(db.BlockVisioComment(), "");
    }
    EXPECT_EQ(rows, 160);
    std::string offsets;
    for (db.MessageMoveFirst(); !db.MessageEOF(); db.MessageMoveNext())
        offsets += std::to_string(db.MessageOffset()) + " ";
    EXPECT_EQ(offsets, "0 1 2 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 ");
    db.QuickMoveFirst();
    EXPECT_EQ(db.QuickOffset(), 1);
    EXPECT_EQ(db.QuickMessage(), "QMSG 2");
    db.BlockSeek(3);
    EXPECT_EQ(errorOf([&] { db.BlockEdit(); }), kessig::err::ReadOnlyDatabase);
    EXPECT_EQ(errorOf([&] { db.CommentEdit(); }), kessig::err::ReadOnlyDatabase);
    db.close_work_dbs();

    EXPECT_NE(db.TestVisioComments(file.string()), 0);
    std::ifstream again(file, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), before);
    EXPECT_EQ(fs::last_write_time(file), time);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(errorOf([&] { db.open_for_reading((file.parent_path() / "missing.mdb").string()); }), kessig::err::FileNotFound);
    EXPECT_FALSE(db.ConfigurationOpen());
    fs::permissions(file, fs::perms::owner_all);
}
