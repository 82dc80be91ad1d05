// Configuration and catalogue files that are damaged or made to do harm, each made
// here from a real configuration with SQLite itself, and what the store makes of them:
// a refusal that names the user's file and what was found, never a run of anything
// stored in the file, never an endless walk.
#include "kessig/OrvaneDB.h"

#include "../../files/tests/support/OrdinaryUser.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

namespace fs = std::filesystem;
using kessig::DbError;
using kessig::OrvaneDB;
namespace err = kessig::err;

namespace {

const std::string kShown = "/home/engineer/plants/boiler.mdb";

fs::path freshDir() { return kessig::test::scratchFolder("kessig-hostile-"); }

// Runs SQL on the file the way any SQLite tool would, with no checks of its own.
void rawSql(const fs::path& file, const std::string& statements) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, ("PRAGMA ignore_check_constraints=ON;" + statements).c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << "\n" << statements;
    sqlite3_free(error);
    sqlite3_close(db);
}

int64_t rawCount(const fs::path& file, const char* query) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, query, -1, &s, nullptr);
    const int64_t n = s && sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
    sqlite3_finalize(s);
    sqlite3_close(db);
    return n;
}

fs::path configurationWithConstants(const fs::path& dir, const char* name = "plant.mdb") {
    const fs::path file = dir / name;
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    db.BeginTrans();
    for (int16_t b = 4; b < 8; ++b)
        for (int16_t off = 0; off < 3; ++off) {
            db.ConstantAddNew();
            db.ConstantBlockNumber(b);
            db.ConstantOffset(off);
            db.ConstantValue(b * 100 + off);
            db.ConstantUpdate();
        }
    db.CommitTrans();
    db.close_work_dbs();
    return file;
}

// The error of opening `file` under the name the user knows.
DbError openError(const fs::path& file) {
    OrvaneDB db;
    try {
        db.open_existing_database(file.string(), kessig::Durability::Relaxed, kShown);
    } catch (const DbError& e) {
        EXPECT_FALSE(db.ConfigurationOpen());
        return e;
    }
    return DbError(0, "opened");
}

// Recreates a table from `create`, keeping its rows (copied by field name).
std::string recreate(const std::string& table, const std::string& create, const std::string& fields) {
    return "ALTER TABLE \"" + table + "\" RENAME TO old_table; " + create + "; INSERT INTO \"" + table + "\" (" + fields +
           ") SELECT " + fields + " FROM old_table; DROP TABLE old_table;";
}

} // namespace

TEST(HostileConfiguration, AnythingThatWouldRunIsRefusedWithWhatWasFoundAndNothingRuns) {
    struct Case {
        const char* what;
        std::string sql;
        const char* found;
    };
    const std::string messagesFields = "Offset, Message";
    const std::vector<Case> cases = {
        {"trigger", "CREATE TRIGGER wipe AFTER UPDATE ON Comments BEGIN DELETE FROM Constants; END;",
         "trigger 'wipe' on table 'Comments'"},
        {"trigger on the upgrade",
         "ALTER TABLE \"Block List\" DROP COLUMN VisioComment; CREATE TRIGGER forever AFTER UPDATE ON \"Block List\" BEGIN "
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT count(*) FROM n; END;",
         "trigger 'forever'"},
        {"view", "CREATE VIEW every AS SELECT * FROM Constants;", "view 'every'"},
        {"virtual table", "CREATE VIRTUAL TABLE shapes USING rtree(id, a, b);", "virtual table 'shapes'"},
        {"generated column",
         "ALTER TABLE Constants ADD COLUMN slow INTEGER GENERATED ALWAYS AS (ConstantValue * 2) VIRTUAL;",
         "field 'slow' of table 'Constants' is a generated column"},
        {"unknown rule",
         recreate("Messages", "CREATE TABLE Messages (Offset INTEGER NOT NULL, Message TEXT CHECK (length(Message) < 99)); "
                              "CREATE UNIQUE INDEX mk ON Messages(Offset)", messagesFields),
         "CHECK (LENGTH ( MESSAGE ) < 99)"},
        {"conflict rule",
         recreate("Messages", "CREATE TABLE Messages (Offset INTEGER NOT NULL UNIQUE ON CONFLICT REPLACE, Message TEXT)",
                  messagesFields),
         "ON CONFLICT"},
        {"computed default",
         recreate("Messages", "CREATE TABLE Messages (Offset INTEGER NOT NULL, Message TEXT DEFAULT (hex(randomblob(8)))); "
                              "CREATE UNIQUE INDEX mk ON Messages(Offset)", messagesFields),
         "computed default"},
        {"expression index", "CREATE INDEX odd ON Constants(ConstantValue % 7);", "index 'odd' on table 'Constants' is on an expression"},
        {"partial index", "CREATE INDEX some ON Constants(Offset) WHERE Offset > 1;", "index 'some' on table 'Constants' has a condition"},
        {"no unique key", "DROP INDEX \"Constants.PrimaryKey\";", "table 'Constants' has no unique index on BlockNumber, Offset"},
        {"rows without numbers",
         recreate("Messages", "CREATE TABLE Messages (Offset INTEGER PRIMARY KEY, Message TEXT) WITHOUT ROWID", messagesFields),
         "WITHOUT ROWID"},
        {"wrong type", recreate("Messages", "CREATE TABLE Messages (Offset REAL NOT NULL UNIQUE, Message TEXT)", messagesFields),
         "field 'Offset' of table 'Messages' has the type 'REAL' where a whole number is expected"},
        {"missing field", "ALTER TABLE \"Block List\" DROP COLUMN FunctionNumber;", "table 'Block List' has no field 'FunctionNumber'"},
        {"missing table", "DROP TABLE Calibration;", "it has no table 'Calibration'"},
        {"damaged index",
         "PRAGMA writable_schema=ON; UPDATE sqlite_master SET sql = 'CREATE UNIQUE INDEX \"Constants.PrimaryKey\" ON "
         "Constants(Offset, BlockNumber)' WHERE name = 'Constants.PrimaryKey';",
         "the file is damaged"},
    };
    const fs::path dir = freshDir();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = configurationWithConstants(dir, (std::string(c.what) + ".mdb").c_str());
        rawSql(file, c.sql);
        const auto bytesBefore = fs::file_size(file);
        const DbError e = openError(file);
        EXPECT_EQ(e.number(), err::UnrecognizedFormat) << e.what();
        const std::string text = e.what();
        EXPECT_NE(text.find("'" + kShown + "'"), std::string::npos) << text;
        EXPECT_EQ(text.find(file.string()), std::string::npos) << text;  // never the path it was opened under
        EXPECT_NE(text.find(c.found), std::string::npos) << text;
        OrvaneDB db;
        try {
            db.TestVisioComments(file.string(), kShown);
            ADD_FAILURE() << "TestVisioComments accepted it";
        } catch (const DbError& again) {
            EXPECT_EQ(again.number(), err::UnrecognizedFormat);
        }
        EXPECT_EQ(fs::file_size(file), bytesBefore);
        if (std::string(c.what) == "trigger") {
            EXPECT_EQ(rawCount(file, "SELECT count(*) FROM Constants"), 12);
        }
    }
}

TEST(HostileConfiguration, ValuesOutsideTheirFieldsAreRefusedNamingTableFieldAndRow) {
    struct Case {
        const char* sql;
        int32_t number;
        const char* found;
    };
    const std::vector<Case> cases = {
        {"UPDATE \"Block List\" SET BlockNumber = 70000 WHERE BlockNumber = 5", err::NumericOverflow,
         "field 'BlockNumber' of table 'Block List', row 6, in '" },
        {"UPDATE \"Block List\" SET FunctionNumber = '12x' WHERE BlockNumber = 9", err::ConversionError,
         "field 'FunctionNumber' of table 'Block List', row 10, in '"},
        {"INSERT INTO \"Block List\" VALUES (160, 999, 0, 0, 0, '', '')", err::NumericOverflow, "holds 160, outside 0 to 159"},
        {"UPDATE Constants SET ConstantValue = 1.5 WHERE BlockNumber = 4 AND Offset = 1", err::ConversionError,
         "a fractional number where a Long is expected"},
        {"UPDATE Constants SET ConstantValue = 4294967296 WHERE BlockNumber = 7 AND Offset = 2", err::NumericOverflow,
         "field 'ConstantValue' of table 'Constants', row 12"},
        {"UPDATE Messages SET Message = 'SEVENTEEN LETTERS' WHERE Offset = 3", err::FieldTooSmall,
         "field 'Message' of table 'Messages', row 4"},
        {"UPDATE Comments SET Title = CAST(x'41ff42' AS TEXT)", err::ConversionError, "not valid UTF-8"},
        // A surrogate, an overlong form of "/" and a code point past U+10FFFF: no character.
        {"UPDATE Comments SET Title = CAST(x'41eda08042' AS TEXT)", err::ConversionError, "not valid UTF-8"},
        {"UPDATE \"Block List\" SET Comment = CAST(x'e080af' AS TEXT) WHERE BlockNumber = 3", err::ConversionError,
         "field 'Comment' of table 'Block List', row 4"},
        {"UPDATE Messages SET Message = CAST(x'f4908080' AS TEXT) WHERE Offset = 2", err::ConversionError, "not valid UTF-8"},
        {"UPDATE Comments SET Comment = x'00ff'", err::ConversionError, "binary data where text is expected"},
        {"UPDATE Calibration SET IsCal = 300 WHERE rowid = 21", err::NumericOverflow, "field 'IsCal' of table 'Calibration', row 21"},
    };
    const fs::path dir = freshDir();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const fs::path file = configurationWithConstants(dir, ("v" + std::to_string(n++) + ".mdb").c_str());
        rawSql(file, c.sql);
        const DbError e = openError(file);
        EXPECT_EQ(e.number(), c.number) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.found), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(kShown), std::string::npos) << e.what();
    }
}

TEST(HostileConfiguration, FieldsAreFoundByNameInAnyOrderBesideFieldsOfOthers) {
    const fs::path file = configurationWithConstants(freshDir());
    rawSql(file, recreate("Block List",
                          "CREATE TABLE \"Block List\" (Extra TEXT, VisioComment TEXT, Comment TEXT, VolRam INTEGER, TempRam INTEGER, "
                          "Constants INTEGER, FunctionNumber INTEGER, BlockNumber INTEGER NOT NULL); "
                          "CREATE UNIQUE INDEX bn ON \"Block List\"(BlockNumber)",
                          "VisioComment, Comment, VolRam, TempRam, Constants, FunctionNumber, BlockNumber") +
                     recreate("Constants",
                              "CREATE TABLE Constants (Note TEXT DEFAULT 'n/a', ConstantValue INTEGER, Offset INTEGER NOT NULL, "
                              "BlockNumber INTEGER NOT NULL, PRIMARY KEY (BlockNumber, Offset))",
                              "ConstantValue, Offset, BlockNumber"));
    OrvaneDB db;
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    int rows = 0;
    for (db.BlockMoveFirst(); !db.BlockEOF(); db.BlockMoveNext()) EXPECT_EQ(db.BlockNumber(), rows++);
    EXPECT_EQ(rows, 160);
    db.BlockSeek(2);
    EXPECT_EQ(db.BlockFn(), 90);
    db.BlockEdit();
    db.BlockComment("feed pump");
    db.BlockUpdate();
    db.ConstantSeek(6, 2);
    EXPECT_EQ(db.ConstantValue(), 602);
    db.ConstantAddNew();
    db.ConstantBlockNumber(9);
    db.ConstantOffset(0);
    db.ConstantValue(-77);
    db.ConstantUpdate();
    db.ConstantAddNew();
    db.ConstantBlockNumber(9);
    db.ConstantOffset(0);
    EXPECT_EQ([&] { try { db.ConstantUpdate(); } catch (const DbError& e) { return e.number(); } return 0; }(), err::DuplicateKey);
    db.close_work_dbs();
    EXPECT_EQ(rawCount(file, "SELECT count(*) FROM \"Block List\" WHERE BlockNumber = 2 AND Comment = 'feed pump'"), 1);
    EXPECT_EQ(rawCount(file, "SELECT ConstantValue FROM Constants WHERE BlockNumber = 9 AND Offset = 0"), -77);
}

TEST(HostileConfiguration, AWalkOverAValueChangedAfterOpeningEndsWithTheRowNamed) {
    const fs::path file = configurationWithConstants(freshDir());
    OrvaneDB db;
    db.open_existing_database(file.string(), kessig::Durability::Full, kShown);
    // Another program writes a number that does not fit 16 bits while the file is open.
    rawSql(file, "UPDATE Constants SET BlockNumber = 65541 WHERE BlockNumber = 6 AND Offset = 0");
    int steps = 0;
    try {
        for (db.ConstantMoveFirst(); !db.ConstantEOF() && steps < 1000; db.ConstantMoveNext()) ++steps;
        FAIL() << "the walk passed the damaged row";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), err::NumericOverflow);
        EXPECT_NE(std::string(e.what()).find("field 'BlockNumber' of table 'Constants', row 7, in '" + kShown + "'"),
                  std::string::npos) << e.what();
    }
    EXPECT_EQ(steps, 11);  // every row before it, in key order
}

TEST(KeyFields, ANewConstantWithoutBothKeysIsRefusedAndNothingIsWritten) {
    const fs::path file = freshDir() / "keys.mdb";
    OrvaneDB db;
    db.create_new_database(file.string());
    db.open_existing_database(file.string(), kessig::Durability::Relaxed, kShown);
    const auto errorOf = [&](auto&& f) {
        try { f(); } catch (const DbError& e) { return std::pair{e.number(), std::string(e.what())}; }
        return std::pair{0, std::string()};
    };
    db.ConstantAddNew();
    db.ConstantValue(5);
    auto [number, text] = errorOf([&] { db.ConstantUpdate(); });
    EXPECT_EQ(number, err::NullInKey);
    EXPECT_NE(text.find("field 'BlockNumber' of table 'Constants' in '" + kShown + "' is not set"), std::string::npos) << text;
    EXPECT_EQ(errorOf([&] { db.ConstantBlockNumber(); }).first, err::InvalidUseOfNull);
    db.ConstantAddNew();
    db.ConstantBlockNumber(3);
    EXPECT_EQ(errorOf([&] { db.ConstantUpdate(); }).first, err::NullInKey);
    db.ConstantAddNew();
    db.ConstantBlockNumber(200);
    db.ConstantOffset(0);
    EXPECT_EQ(errorOf([&] { db.ConstantUpdate(); }).first, err::NumericOverflow);
    db.ConstantMoveFirst();
    EXPECT_TRUE(db.ConstantEOF());
    EXPECT_EQ(db.WriteCount(), 0u);
}

TEST(UnreadableFiles, AFileThisUserMayNotReadIsReportedAsSuch) {
    const fs::path dir = freshDir();
    const fs::path file = dir / "locked.mdb";
    OrvaneDB().create_new_database(file.string());
    fs::permissions(dir, fs::perms::all);
    fs::permissions(file, fs::perms::owner_write);
    const int64_t number = orvane::testsupport::asOrdinaryUser([&]() -> int64_t {
        try {
            OrvaneDB().open_existing_database(file.string());
        } catch (const DbError& e) {
            return std::string(e.what()).find(file.string()) != std::string::npos ? e.number() : -2;
        }
        return 0;
    });
    EXPECT_EQ(number, err::CannotOpenFile);
}

TEST(HostileCatalogue, ViewsAndGeneratedColumnsAreRefusedAndValuesChecked) {
    const fs::path dir = freshDir();
    const fs::path file = dir / "OrvaneDATA.DAT";
    const auto openError = [&](const std::string& sql) {
        fs::remove(file);
        fs::copy_file(fs::path(ORVANE_BIN_DIR) / "OrvaneDATA.DAT", file);
        rawSql(file, sql);
        OrvaneDB db;
        try {
            db.open_database(dir.string());
        } catch (const DbError& e) {
            EXPECT_FALSE(db.CatalogueOpen());
            return std::pair{e.number(), std::string(e.what())};
        }
        return std::pair{0, std::string()};
    };
    auto [number, text] = openError("ALTER TABLE Funcs RENAME TO f; CREATE VIEW Funcs AS SELECT * FROM f;");
    EXPECT_EQ(number, err::UnrecognizedFormat);
    EXPECT_NE(text.find("view 'Funcs'"), std::string::npos) << text;
    std::tie(number, text) = openError("ALTER TABLE Params ADD COLUMN g INTEGER GENERATED ALWAYS AS (Min + Max) VIRTUAL;");
    EXPECT_NE(text.find("generated column"), std::string::npos) << text;
    std::tie(number, text) = openError("UPDATE Funcs SET Inputs = 'many' WHERE FN = 10;");
    EXPECT_EQ(number, err::ConversionError);
    EXPECT_NE(text.find("field 'Inputs' of table 'Funcs', row"), std::string::npos) << text;
}

TEST(SecuredConnection, TriggersAndViewsAddedBehindTheStoresBackNeverRunAndTheSchemaCannotBeWritten) {
    const fs::path file = configurationWithConstants(freshDir());
    sqlite3* grid = nullptr;   // a second connection on the open configuration, as a data grid makes
    ASSERT_EQ(sqlite3_open(file.c_str(), &grid), SQLITE_OK);
    kessig::secureConnection(grid);
    rawSql(file, "CREATE TRIGGER wipe AFTER UPDATE ON Messages BEGIN DELETE FROM Constants; END; "
                 "CREATE VIEW everything AS SELECT * FROM Constants;");
    EXPECT_EQ(sqlite3_exec(grid, "UPDATE Messages SET Message = 'FLOW' WHERE Offset = 1", nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(grid);
    EXPECT_EQ(rawCount(file, "SELECT count(*) FROM Constants"), 12);
    EXPECT_NE(sqlite3_exec(grid, "SELECT * FROM everything", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_NE(sqlite3_exec(grid, "PRAGMA writable_schema=ON; UPDATE sqlite_master SET sql = '' WHERE name = 'wipe'",
                           nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(grid);
}
