// Prints the store's costs: creating a configuration, opening it and walking every
// table, single-row constant updates on a working copy (Relaxed) and on a file written
// in place (Full), and an upload's write pattern one row at a time.
#include "kessig/OrvaneDB.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {
double microsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void singleRowUpdates(const fs::path& file, kessig::Durability durability, const char* label) {
    kessig::OrvaneDB db;
    db.open_existing_database(file.string(), durability);
    std::vector<double> times;
    for (int i = 0; i < 400; ++i) {
        const auto start = Clock::now();
        db.ConstantSeek(static_cast<int16_t>(i % 160), 0);
        db.ConstantEdit();
        db.ConstantValue(i);
        db.ConstantUpdate();
        times.push_back(microsSince(start));
    }
    std::sort(times.begin(), times.end());
    std::printf("single-row update (%s): median %.1f us, p95 %.1f us\n", label, times[times.size() / 2],
                times[times.size() * 95 / 100]);
}
constexpr int16_t kConstantsPerBlock = 8;

void addConstant(kessig::OrvaneDB& db, int16_t block, int16_t offset) {
    db.ConstantAddNew();
    db.ConstantBlockNumber(block);
    db.ConstantOffset(offset);
    db.ConstantValue(0);
    db.ConstantUpdate();
}

void openAndWalk(const fs::path& file) {
    kessig::OrvaneDB db;
    const auto start = Clock::now();
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    long rows = 0;
    for (db.BlockMoveFirst(); !db.BlockEOF(); db.BlockMoveNext(), ++rows) (void)db.BlockFn();
    for (db.ConstantMoveFirst(); !db.ConstantEOF(); db.ConstantMoveNext(), ++rows) (void)db.ConstantValue();
    for (db.MessageMoveFirst(); rows < 100000; ++rows) {
        try { (void)db.MessageMsg(); db.MessageMoveNext(); } catch (const kessig::DbError&) { break; }
    }
    for (db.QuickMoveFirst(); !db.QuickEOF(); db.QuickMoveNext(), ++rows) (void)db.QuickMessage();
    (void)db.CommentTitle();
    std::printf("open and walk every table (%ld rows): %.2f ms\n", rows, microsSince(start) / 1000);
}

// What an upload does to the open configuration: every block re-assigned with its
// constants deleted and added again, then every constant, message and quick message set.
void uploadPattern(kessig::OrvaneDB& db) {
    for (int16_t b = 0; b < 160; ++b) {
        db.BlockSeek(b);
        db.BlockEdit();
        db.BlockFn(10);
        db.BlockConstant(kConstantsPerBlock);
        db.BlockUpdate();
        for (int16_t off = 0; off < kConstantsPerBlock; ++off) {
            db.ConstantSeek(b, off);
            if (!db.ConstantNoMatch()) db.ConstantDelete();
        }
        for (int16_t off = 0; off < kConstantsPerBlock; ++off) addConstant(db, b, off);
    }
    for (int16_t b = 0; b < 160; ++b)
        for (int16_t off = 0; off < kConstantsPerBlock; ++off) {
            db.ConstantSeek(b, off);
            db.ConstantEdit();
            db.ConstantValue(b * 100 + off);
            db.ConstantUpdate();
        }
    for (int16_t m = 0; m < 20; ++m) {
        db.MessageSeek(m);
        db.MessageEdit();
        db.MessageMsg("MSG " + std::to_string(m));
        db.MessageUpdate();
    }
    for (int16_t q = 0; q < 8; ++q) {
        db.QuickSeek(q);
        db.QuickEdit();
        db.QuickMessage("QUICK " + std::to_string(q));
        db.QuickBlock("4");
        db.QuickParameter("1");
        db.QuickUpdate();
    }
}

void timeUploadPattern(const fs::path& file, bool oneTransaction) {
    kessig::OrvaneDB db;
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    const auto start = Clock::now();
    if (oneTransaction) db.BeginTrans();
    uploadPattern(db);
    if (oneTransaction) db.CommitTrans();
    std::printf("upload write pattern (%s): %.1f ms\n", oneTransaction ? "one transaction, as the upload does" : "a commit per row",
                microsSince(start) / 1000);
}
} // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / "kessig-bench";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path file = dir / "bench.mdb";
    kessig::OrvaneDB db;
    auto start = Clock::now();
    db.create_new_database(file.string());
    std::printf("create configuration: %.2f ms\n", microsSince(start) / 1000);
    db.open_existing_database(file.string(), kessig::Durability::Relaxed);
    db.BeginTrans();
    for (int16_t b = 0; b < 160; ++b)
        for (int16_t off = 0; off < kConstantsPerBlock; ++off) addConstant(db, b, off);
    db.CommitTrans();
    db.close_work_dbs();
    openAndWalk(file);
    singleRowUpdates(file, kessig::Durability::Relaxed, "Relaxed");
    singleRowUpdates(file, kessig::Durability::Full, "Full");
    timeUploadPattern(file, true);
    timeUploadPattern(file, false);
    fs::remove_all(dir);
    return 0;
}
