#include "orvane/transfer/StoreBridge.h"

#include "orvane/link/Protocol.h"

#include <kessig/BlockConstants.h>
#include <kessig/OrvaneDB.h>

#include <algorithm>
#include <charconv>

namespace orvane::transfer {

namespace {

// The store gives Integer fields as decimal text; its whole value, range checked later.
int64_t numberOfText(const std::string& text)
{
    int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// A record's text ends at its first NUL; it comes as Windows-1252 and is stored as UTF-8.
// An empty record is stored as one space, as the editor stores an emptied text: the
// store takes no empty text.
std::string recordText(const std::vector<uint8_t>& bytes, size_t at)
{
    const auto begin = bytes.begin() + static_cast<long>(at);
    const std::string wire(begin, std::find(begin, begin + static_cast<long>(kTextLength), uint8_t(0)));
    return wire.empty() ? " " : orvane::link::cp1252ToUtf8(wire);
}

} // namespace

void store_block_function(kessig::OrvaneDB& db, int16_t block, const FunctionInfo& fn)
{
    kessig::deleteConstantRows(db, block, {fn.number});
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
        cfg.quick[size_t(j)] = {db.QuickMessage(), numberOfText(db.QuickBlock()), numberOfText(db.QuickParameter())};
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
