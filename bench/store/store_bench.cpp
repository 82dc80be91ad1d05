// Prints the store's costs: creating a configuration and single-row constant
// updates on a working copy (Relaxed) and on a file written in place (Full).
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
        for (int16_t off = 0; off < 8; ++off) {
            db.ConstantAddNew();
            db.ConstantBlockNumber(b);
            db.ConstantOffset(off);
            db.ConstantValue(0);
            db.ConstantUpdate();
        }
    db.CommitTrans();
    db.close_work_dbs();
    singleRowUpdates(file, kessig::Durability::Relaxed, "Relaxed");
    singleRowUpdates(file, kessig::Durability::Full, "Full");
    fs::remove_all(dir);
    return 0;
}
