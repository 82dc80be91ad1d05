#include "FuzzTarget.h"

#include "kessig/OrvaneDB.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// More steps than any table can have rows: a walk past it goes round for ever.
constexpr int kMostSteps = 70000;

// Made once and never destroyed, so that the removal at exit still has its name.
const fs::path& scratch() {
    static const fs::path* const dir = [] {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        auto* d = new fs::path(base / ("orvane-fuzz-" + std::to_string(::getpid())));
        fs::create_directories(*d);
        std::fprintf(stderr, "fuzz: the input being tried is %s/OrvaneDATA.DAT\n", d->c_str());
        std::atexit([] { std::error_code ignored; fs::remove_all(scratch(), ignored); });
        return d;
    }();
    return *dir;
}

template <class First, class Next, class End, class Read>
void walk(First first, Next next, End end, Read read) {
    int steps = 0;
    for (first(); !end(); next()) {
        read();
        if (++steps > kMostSteps) {
            std::fprintf(stderr, "fuzz: a walk did not end\n");
            std::abort();
        }
    }
}

void quietly(auto&& action) {
    try {
        action();
    } catch (const kessig::DbError&) {
    }
}

void exerciseConfiguration(kessig::OrvaneDB& db, const std::string& file) {
    quietly([&] { db.TestVisioComments(file, "fuzzed.mdb"); });
    quietly([&] {
        db.open_existing_database(file, kessig::Durability::Relaxed, "fuzzed.mdb");
        quietly([&] {
            walk([&] { db.BlockMoveFirst(); }, [&] { db.BlockMoveNext(); }, [&] { return db.BlockEOF(); }, [&] {
                quietly([&] { (void)db.BlockFn(); (void)db.BlockConstant(); (void)db.BlockTempRam(); (void)db.BlockVolRam(); });
                (void)db.BlockComment();
                (void)db.BlockVisioComment();
            });
        });
        quietly([&] {
            walk([&] { db.ConstantMoveFirst(); }, [&] { db.ConstantMoveNext(); }, [&] { return db.ConstantEOF(); },
                 [&] { quietly([&] { (void)db.ConstantValue(); }); });
        });
        quietly([&] {
            walk([&] { db.QuickMoveFirst(); }, [&] { db.QuickMoveNext(); }, [&] { return db.QuickEOF(); },
                 [&] { quietly([&] { (void)db.QuickMessage(); (void)db.QuickBlock(); (void)db.QuickParameter(); }); });
        });
        quietly([&] {
            for (int16_t m = 0; m < 20; ++m) {
                db.MessageSeek(m);
                quietly([&] { (void)db.MessageMsg(); });
            }
        });
        quietly([&] { (void)db.CommentTitle(); (void)db.CommentComment(); (void)db.CommentConfig(); });
        // The writes an editing session makes, on whatever the file holds.
        quietly([&] {
            db.BlockSeek(5);
            db.BlockEdit();
            db.BlockFn(127);
            db.BlockComment("fuzz");
            db.BlockUpdate();
        });
        quietly([&] {
            db.ConstantAddNew();
            db.ConstantBlockNumber(5);
            db.ConstantOffset(0);
            db.ConstantValue(1);
            db.ConstantUpdate();
            db.ConstantSeek(5, 0);
            db.ConstantDelete();
        });
        quietly([&] {
            db.MessageSeek(1);
            db.MessageEdit();
            db.MessageMsg("FUZZ");
            db.MessageUpdate();
        });
        db.close_work_dbs();
    });
}

void exerciseCatalogue(kessig::OrvaneDB& db) {
    quietly([&] {
        db.open_database(scratch().string());
        db.FuncSetIndex("Fname");
        walk([&] { db.FuncMoveFirst(); }, [&] { db.FuncMoveNext(); }, [&] { return db.FuncEOF(); }, [&] {
            db.ParamSeek(db.FuncFN(), 1);
            db.InputSeek(db.FuncFN(), 1);
        });
        db.close_database();
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path file = scratch() / "OrvaneDATA.DAT";
    // Each input on its own: no journal of the one before may be played into it.
    fs::remove(scratch() / "OrvaneDATA.DAT-journal");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    kessig::OrvaneDB db;
    exerciseConfiguration(db, file.string());
    // The same bytes as a catalogue: its open reads every table whole.
    exerciseCatalogue(db);
    return 0;
}
