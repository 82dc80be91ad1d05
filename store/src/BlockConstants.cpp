#include "kessig/BlockConstants.h"

#include "kessig/OrvaneDB.h"

#include <algorithm>
#include <limits>

namespace kessig {

int16_t catalogueConstantCount(OrvaneDB& db, int16_t function)
{
    db.FuncSetIndex("FN");
    db.FuncSeekI(function);
    if (db.FuncNoMatch())
        return 0;
    return static_cast<int16_t>(db.FuncInputs() + db.FuncParams() + db.FuncHidden());
}

int16_t constantRowSpan(OrvaneDB& db, int16_t block, std::initializer_list<int16_t> functions)
{
    db.BlockSeek(block);
    const int16_t stored = db.BlockFn();
    int16_t span = std::max<int16_t>({db.BlockConstant(), catalogueConstantCount(db, stored), 0});
    for (const int16_t function : functions)
        span = std::max(span, catalogueConstantCount(db, function));
    // A file may hold rows past every count (an older function's, another program's).
    for (; span < std::numeric_limits<int16_t>::max(); ++span) {
        db.ConstantSeek(block, span);
        if (db.ConstantNoMatch())
            break;
    }
    return span;
}

void deleteConstantRows(OrvaneDB& db, int16_t block, std::initializer_list<int16_t> functions)
{
    const int16_t span = constantRowSpan(db, block, functions);
    for (int16_t offset = 0; offset < span; ++offset) {
        db.ConstantSeek(block, offset);
        if (!db.ConstantNoMatch())
            db.ConstantDelete();
    }
}

} // namespace kessig
