// The catalogue cursors against the catalogue the build produces, and catalogue files
// that are broken in the ways a user's installation can be.
#include "kessig/BlockConstants.h"
#include "kessig/OrvaneDB.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;
using kessig::DbError;
using kessig::OrvaneDB;
namespace err = kessig::err;

namespace {
int errorOf(auto&& f) {
    try { f(); } catch (const DbError& e) { return e.number(); }
    return 0;
}
fs::path scratch() { return kessig::test::scratchFolder("kessig-cat-"); }
void sql(const fs::path& file, const char* statement) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

class InstalledCatalogue : public ::testing::Test {
protected:
    void SetUp() override { db.open_database(ORVANE_BIN_DIR); }
    OrvaneDB db;
};
} // namespace

TEST_F(InstalledCatalogue, NumberIndexFindsNopAndNoMatchClearsTheRow) {
    db.FuncSetIndex("FN");
    db.FuncSeekI(127);
    EXPECT_FALSE(db.FuncNoMatch());
    EXPECT_EQ(db.FuncName(), "NOP");
    EXPECT_EQ(db.FuncInputs() + db.FuncParams() + db.FuncHidden(), 0);
    db.FuncSeekI(9999);
    EXPECT_TRUE(db.FuncNoMatch());
    EXPECT_EQ(errorOf([&] { db.FuncName(); }), err::NoCurrentRecord);
}

TEST_F(InstalledCatalogue, AnyOtherIndexTextSelectsNamesCaseInsensitively) {
    for (const char* which : {"Fname", "Name"}) {
        db.FuncSetIndex(which);
        db.FuncSeekS("pid");
        ASSERT_FALSE(db.FuncNoMatch()) << which;
        EXPECT_EQ(db.FuncFN(), 10);
    }
    db.FuncMoveFirst();
    std::string previous;
    int rows = 0;
    for (; !db.FuncEOF(); db.FuncMoveNext(), ++rows) {
        EXPECT_LE(previous, db.FuncName());
        previous = db.FuncName();
    }
    EXPECT_GE(rows, 50);
    EXPECT_EQ(errorOf([&] { db.FuncMoveNext(); }), err::NoCurrentRecord);
}

TEST_F(InstalledCatalogue, SeekWithoutAChosenIndexIsRefused) {
    EXPECT_EQ(errorOf([&] { db.FuncSeekI(10); }), err::NoCurrentIndex);
}

TEST_F(InstalledCatalogue, ParamInputAuxAndVersionSeeks) {
    db.ParamSeek(10, 1);
    EXPECT_EQ(db.ParamDescription(), "GAIN");
    EXPECT_EQ(db.ParamDefault(), 1000);
    EXPECT_EQ(db.ParamDecimal(), 3);
    db.ParamSeek(10, 99);
    EXPECT_EQ(errorOf([&] { db.ParamMin(); }), err::NoCurrentRecord);
    db.InputSeek(10, 2);
    EXPECT_EQ(db.InputShortName(), "RSP");
    EXPECT_EQ(db.InputType(), 1);
    db.AuxSeek(10, "a", 1);
    EXPECT_EQ(db.AuxDescription(), "DEVIATION");
    db.AuxSeek(10, "D", 99);
    EXPECT_EQ(errorOf([&] { db.AuxDescription(); }), err::NoCurrentRecord);
    EXPECT_EQ(db.Version(), "OrvaneDATA 7.11 (catalogue 1)");
}

TEST_F(InstalledCatalogue, ConfigurationsComeAndGoWithoutMovingCatalogueCursors) {
    const fs::path dir = scratch();
    db.FuncSetIndex("FN");
    db.FuncSeekI(10);
    db.ParamSeek(10, 2);
    db.create_new_database((dir / "a.mdb").string());
    db.create_new_database((dir / "b.mdb").string());
    db.open_existing_database((dir / "a.mdb").string());
    db.close_work_dbs();
    db.open_existing_database((dir / "b.mdb").string());
    EXPECT_EQ(db.FuncName(), "PID");
    EXPECT_EQ(db.ParamPN(), 2);
}

TEST_F(InstalledCatalogue, StaysReadableByOthersWhileOpen) {
    // The compare program reads the catalogue while the editor runs.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2((fs::path(ORVANE_BIN_DIR) / "OrvaneDATA.DAT").c_str(), &other, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE; SELECT count(*) FROM Funcs; COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
}

TEST(BrokenCatalogue, MissingEmptyGarbageAndIncompleteFilesFailWithTheirNumbers) {
    const fs::path dir = scratch();
    OrvaneDB db;
    EXPECT_EQ(errorOf([&] { db.open_database(dir.string()); }), err::FileNotFound);
    std::ofstream(dir / "OrvaneDATA.DAT").flush();
    EXPECT_EQ(errorOf([&] { db.open_database(dir.string()); }), err::UnrecognizedFormat);
    std::ofstream(dir / "OrvaneDATA.DAT") << std::string(4096, 'x');
    EXPECT_EQ(errorOf([&] { db.open_database(dir.string()); }), err::UnrecognizedFormat);

    fs::remove(dir / "OrvaneDATA.DAT");
    fs::copy_file(fs::path(ORVANE_BIN_DIR) / "OrvaneDATA.DAT", dir / "OrvaneDATA.DAT");
    sql(dir / "OrvaneDATA.DAT", "DROP TABLE AuxOutputs");
    try {
        db.open_database(dir.string());
        FAIL() << "opened a catalogue without AuxOutputs";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), err::TableNotFound);
        EXPECT_NE(std::string(e.what()).find("AuxOutputs"), std::string::npos);
    }
    EXPECT_FALSE(db.CatalogueOpen());
    EXPECT_EQ(errorOf([&] { db.FuncMoveFirst(); }), err::ObjectClosed);
}

TEST(BrokenCatalogue, TruncatedCopyFailsCleanly) {
    const fs::path dir = scratch();
    const fs::path file = dir / "OrvaneDATA.DAT";
    fs::copy_file(fs::path(ORVANE_BIN_DIR) / "OrvaneDATA.DAT", file);
    fs::resize_file(file, fs::file_size(file) / 3);
    OrvaneDB db;
    EXPECT_NE(errorOf([&] { db.open_database(dir.string()); }), 0);
    EXPECT_FALSE(db.CatalogueOpen());
}

TEST_F(InstalledCatalogue, ABlocksConstantRowsReachTheMostOfItsCountsAndOnToTheFirstGap_AndGoTogether) {
    const fs::path file = scratch() / "rows.mdb";
    db.create_new_database(file.string());
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    constexpr int16_t kPid = 10, kAin = 2, kDin = 5, kNop = 127;
    EXPECT_EQ(kessig::catalogueConstantCount(db, kPid), 20);
    EXPECT_EQ(kessig::catalogueConstantCount(db, kNop), 0);
    EXPECT_EQ(kessig::catalogueConstantCount(db, 9999), 0);
    const auto setBlock = [&](int16_t block, int16_t function, int16_t count, std::vector<int16_t> offsets) {
        db.BlockSeek(block);
        db.BlockEdit();
        db.BlockFn(function);
        db.BlockConstant(count);
        db.BlockUpdate();
        for (const int16_t offset : offsets) {
            db.ConstantAddNew();
            db.ConstantBlockNumber(block);
            db.ConstantOffset(offset);
            db.ConstantValue(offset);
            db.ConstantUpdate();
        }
    };
    const auto rowsOf = [&](int16_t block) {
        std::vector<int16_t> offsets;
        for (db.ConstantMoveFirst(); !db.ConstantEOF(); db.ConstantMoveNext())
            if (db.ConstantBlockNumber() == block) offsets.push_back(db.ConstantOffset());
        return offsets;
    };
    // A PID whose count says 3, without offset 2, with two rows past its 20 and one far off.
    std::vector<int16_t> pid = {0, 1};
    for (int16_t k = 3; k <= 21; ++k) pid.push_back(k);
    pid.push_back(40);
    setBlock(4, kPid, 3, pid);
    // A NOP whose count says 2, with one row past that and one past a gap.
    setBlock(5, kNop, 2, {0, 1, 2, 5});
    setBlock(6, kDin, 3, {0, 1, 2});

    EXPECT_EQ(kessig::constantRowSpan(db, 4, {}), 22);
    EXPECT_EQ(kessig::constantRowSpan(db, 4, {kAin, kNop}), 22);
    EXPECT_EQ(kessig::constantRowSpan(db, 5, {}), 3);
    EXPECT_EQ(kessig::constantRowSpan(db, 5, {kDin}), 3);
    // A function about to come with 7 constants would collide with the row at 5.
    EXPECT_EQ(kessig::constantRowSpan(db, 5, {kDin, kAin}), 7);

    kessig::deleteConstantRows(db, 4, {kAin});
    EXPECT_EQ(rowsOf(4), std::vector<int16_t>{40});
    kessig::deleteConstantRows(db, 5, {kAin});
    EXPECT_EQ(rowsOf(5), std::vector<int16_t>{});
    EXPECT_EQ(rowsOf(6), (std::vector<int16_t>{0, 1, 2}));
}
