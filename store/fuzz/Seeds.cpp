#include "Seeds.h"

#include "kessig/OrvaneDB.h"

#include <sqlite3.h>

namespace fs = std::filesystem;

std::vector<fs::path> writeSeeds(const fs::path& folder, const fs::path& catalogue) {
    fs::create_directories(folder);
    std::vector<fs::path> seeds{folder / "new.mdb", folder / "edited.mdb", folder / "before-drawing-comments.mdb"};
    for (const fs::path& seed : seeds) {
        fs::remove(seed);
        kessig::OrvaneDB().create_new_database(seed.string());
    }
    kessig::OrvaneDB db;
    db.open_existing_database(seeds[1].string(), kessig::Durability::Relaxed);
    db.BeginTrans();
    for (int16_t b = 0; b < 160; b += 7) {
        db.BlockSeek(b);
        db.BlockEdit();
        db.BlockFn(10);
        db.BlockConstant(3);
        db.BlockComment("block " + std::to_string(b));
        db.BlockUpdate();
        for (int16_t off = 0; off < 3; ++off) {
            db.ConstantAddNew();
            db.ConstantBlockNumber(b);
            db.ConstantOffset(off);
            db.ConstantValue(b * 1000 - off);
            db.ConstantUpdate();
        }
    }
    db.MessageSeek(2);
    db.MessageEdit();
    db.MessageMsg("FLOW HIGH");
    db.MessageUpdate();
    db.QuickSeek(3);
    db.QuickEdit();
    db.QuickBlock("21");
    db.QuickUpdate();
    db.CommentEdit();
    db.CommentTitle("Boiler 2");
    db.CommentComment("Feed water and drum level");
    db.CommentUpdate();
    db.CommitTrans();
    db.close_work_dbs();
    sqlite3* raw = nullptr;
    sqlite3_open(seeds[2].c_str(), &raw);
    sqlite3_exec(raw, "ALTER TABLE \"Block List\" DROP COLUMN VisioComment", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    if (!catalogue.empty() && fs::exists(catalogue)) {
        seeds.push_back(folder / "catalogue.dat");
        fs::copy_file(catalogue, seeds.back(), fs::copy_options::overwrite_existing);
    }
    return seeds;
}
