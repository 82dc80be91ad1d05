#include "orvane/transfer/StoreBridge.h"

#include <kessig/OrvaneDB.h>

#include <charconv>

namespace orvane::transfer {

namespace {

uint8_t byteOfText(const std::string& text)
{
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return static_cast<uint8_t>(value & 0xFF);
}

std::string recordText(const std::vector<uint8_t>& bytes, size_t at)
{
    // All 16 bytes, NULs included; the store decides where the text ends.
    return std::string(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at) + 16);
}

} // namespace

void store_block_function(kessig::OrvaneDB& db, int16_t block, const FunctionInfo& fn)
{
    for (int16_t k = 0;; ++k) {
        db.ConstantSeek(block, k);
        if (db.ConstantNoMatch())
            break;
        db.ConstantDelete();
    }
    int16_t offset = 0;
    for (int i = 0; i < fn.inputs; ++i) {
        const int16_t type = i < static_cast<int>(fn.inputTypes.size()) ? fn.inputTypes[i] : 1;
        db.ConstantAddNew();
        db.ConstantBlockNumber(block);
        db.ConstantOffset(offset++);
        db.ConstantValue(type == 1 ? 0 : 2);
        db.ConstantUpdate();
    }
    for (int j = 0; j < fn.params + fn.hidden; ++j) {
        db.ConstantAddNew();
        db.ConstantBlockNumber(block);
        db.ConstantOffset(offset++);
        db.ConstantValue(j < static_cast<int>(fn.defaults.size()) ? fn.defaults[j] : 0);
        db.ConstantUpdate();
    }
    db.BlockSeek(block);
    db.BlockEdit();
    db.BlockFn(fn.number);
    db.BlockConstant(static_cast<int16_t>(fn.constantCount()));
    db.BlockUpdate();
}

Catalogue readCatalogue(kessig::OrvaneDB& db)
{
    Catalogue cat;
    db.FuncSetIndex("FN");
    for (db.FuncMoveFirst(); !db.FuncEOF(); db.FuncMoveNext()) {
        FunctionInfo f;
        f.number = db.FuncFN();
        f.icycle = db.FuncIcycle();
        f.volRam = db.FuncVolRam();
        f.inputs = db.FuncInputs();
        f.params = db.FuncParams();
        f.hidden = db.FuncHidden();
        f.ftype = db.FuncFtype();
        cat[f.number] = f;
    }
    // The parameter and input cursors are looked up after the walk, so it is not disturbed.
    for (auto& [number, f] : cat) {
        for (int16_t i = 1; i <= f.inputs; ++i) {
            db.InputSeek(number, i);
            f.inputTypes.push_back(db.InputType());
        }
        for (int16_t j = 1; j <= f.params + f.hidden; ++j) {
            db.ParamSeek(number, j);
            if (j <= f.params)
                f.paramTypes.push_back(db.ParamType());
            f.defaults.push_back(db.ParamDefault());
        }
    }
    return cat;
}

Configuration readConfiguration(kessig::OrvaneDB& db)
{
    Configuration cfg;
    for (int16_t n = 0; n < kMessages; ++n) {
        db.MessageSeek(n);
        cfg.messages[size_t(n)] = db.MessageMsg();
    }
    for (int16_t j = 0; j < kQuickMessages; ++j) {
        db.QuickSeek(j);
        cfg.quick[size_t(j)] = {db.QuickMessage(), byteOfText(db.QuickBlock()), byteOfText(db.QuickParameter())};
    }
    for (db.BlockMoveFirst(); !db.BlockEOF(); db.BlockMoveNext())
        cfg.blocks.push_back({db.BlockNumber(), db.BlockFn(), db.BlockConstant()});
    for (db.ConstantMoveFirst(); !db.ConstantEOF(); db.ConstantMoveNext())
        cfg.constants.push_back({db.ConstantBlockNumber(), db.ConstantOffset(), db.ConstantValue()});
    return cfg;
}

void storeUpload(kessig::OrvaneDB& db, const UploadedController& up, const Catalogue& catalogue,
                 std::array<int16_t, kBlocks>& table)
{
    db.BeginTrans();
    try {
        for (int16_t b = 0; b < kBlocks; ++b)
            store_block_function(db, b, catalogue.at(up.functions[size_t(b)]));
        for (const ConstantRow& c : decodeConstants(up, catalogue)) {
            db.ConstantSeek(c.block, c.offset);
            db.ConstantEdit();
            db.ConstantValue(c.value);
            db.ConstantUpdate();
        }
        for (int16_t n = 0; n < kMessages; ++n) {
            db.MessageSeek(n);
            db.MessageEdit();
            db.MessageMsg(recordText(up.messages, size_t(n) * kMessageRecord));
            db.MessageUpdate();
        }
        for (int16_t j = 0; j < kQuickMessages; ++j) {
            const size_t at = size_t(j) * kQuickRecord;
            db.QuickSeek(j);
            db.QuickEdit();
            db.QuickMessage(recordText(up.quick, at));
            db.QuickBlock(std::to_string(up.quick[at + 17]));
            db.QuickParameter(std::to_string(up.quick[at + 18]));
            db.QuickUpdate();
        }
        db.CommitTrans();
    } catch (...) {
        db.Rollback();
        throw;
    }
    table = up.functions;
}

} // namespace orvane::transfer
