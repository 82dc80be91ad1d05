#include "orvane/monitor/BlockTypes.h"

#include <kessig/OrvaneDB.h>

namespace orvane::monitor {

namespace {
bool seekFunction(kessig::OrvaneDB& db, int16_t function)
{
    db.FuncSetIndex("FN");
    db.FuncSeekI(function);
    return !db.FuncNoMatch();
}
} // namespace

std::optional<int16_t> functionFtype(kessig::OrvaneDB& db, int16_t function)
{
    if (!seekFunction(db, function))
        return std::nullopt;
    return db.FuncFtype();
}

std::string functionName(kessig::OrvaneDB& db, int16_t function)
{
    return seekFunction(db, function) ? db.FuncName() : std::string();
}

int16_t blockFunction(kessig::OrvaneDB& db, int block)
{
    db.BlockSeek(static_cast<int16_t>(block));
    return db.BlockFn();
}

std::array<int16_t, kBlocks> blockFunctions(kessig::OrvaneDB& db)
{
    std::array<int16_t, kBlocks> functions{};
    for (int block = 0; block < kBlocks; ++block)
        functions[static_cast<std::size_t>(block)] = blockFunction(db, block);
    return functions;
}

std::array<int16_t, kBlocks> blockFtypes(kessig::OrvaneDB& db, const std::array<int16_t, kBlocks>& functions)
{
    std::array<int16_t, kBlocks> ftypes{};
    for (std::size_t block = 0; block < ftypes.size(); ++block)
        ftypes[block] = functionFtype(db, functions[block]).value_or(-1);
    return ftypes;
}

} // namespace orvane::monitor
