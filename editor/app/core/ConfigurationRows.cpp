#include "ConfigurationRows.h"

#include <kessig/OrvaneDB.h>

namespace brevant {

namespace {

template <class Map> void dropEqual(Map& a, Map& b)
{
    for (auto it = a.begin(); it != a.end();) {
        const auto other = b.find(it->first);
        if (other != b.end() && other->second == it->second) {
            b.erase(other);
            it = a.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace

bool RowValues::empty() const
{
    return blocks.empty() && constants.empty() && messages.empty() && !comments && quick.empty();
}

RowValues readRows(kessig::OrvaneDB& db, const RowScope& scope)
{
    RowValues v;
    for (const int16_t b : scope.blocks) {
        db.BlockSeek(b);
        if (db.BlockEOF())
            continue;   // a file with fewer blocks: nothing writes the row either
        v.blocks[b] = {db.BlockFn(), db.BlockConstant(), db.BlockTempRam(), db.BlockVolRam(), db.BlockComment(),
                       db.BlockVisioComment()};
    }
    for (const auto& [b, count] : scope.constants)
        for (int16_t k = 0; k < count; ++k) {
            db.ConstantSeek(b, k);
            v.constants[{b, k}] = db.ConstantNoMatch() ? std::nullopt : std::optional<int32_t>(db.ConstantValue());
        }
    for (const int16_t m : scope.messages) {
        db.MessageSeek(m);
        v.messages[m] = db.MessageMsg();
    }
    if (scope.comments)
        v.comments = CommentRowValues{db.CommentTitle(), db.CommentConfig(), db.CommentComment()};
    for (const int16_t q : scope.quick) {
        db.QuickSeek(q);
        v.quick[q] = {db.QuickMessage(), db.QuickBlock(), db.QuickParameter()};
    }
    return v;
}

void writeRows(kessig::OrvaneDB& db, const RowValues& values)
{
    for (const auto& [b, row] : values.blocks) {
        db.BlockSeek(b);
        db.BlockEdit();
        db.BlockFn(row.function);
        db.BlockConstant(row.constants);
        db.BlockTempRam(row.tempRam);
        db.BlockVolRam(row.volRam);
        db.BlockComment(row.comment);
        db.BlockVisioComment(row.drawingComment);
        db.BlockUpdate();
    }
    for (const auto& [key, value] : values.constants) {
        db.ConstantSeek(key.first, key.second);
        const bool present = !db.ConstantNoMatch();
        if (!value) {
            if (present)
                db.ConstantDelete();
            continue;
        }
        if (present) {
            db.ConstantEdit();
        } else {
            db.ConstantAddNew();
            db.ConstantBlockNumber(key.first);
            db.ConstantOffset(key.second);
        }
        db.ConstantValue(*value);
        db.ConstantUpdate();
    }
    for (const auto& [m, text] : values.messages) {
        db.MessageSeek(m);
        db.MessageEdit();
        db.MessageMsg(text);
        db.MessageUpdate();
    }
    if (values.comments) {
        db.CommentEdit();
        db.CommentTitle(values.comments->title);
        db.CommentConfig(values.comments->config);
        db.CommentComment(values.comments->description);
        db.CommentUpdate();
    }
    for (const auto& [q, row] : values.quick) {
        db.QuickSeek(q);
        db.QuickEdit();
        db.QuickMessage(row.message);
        db.QuickBlock(row.block);
        db.QuickParameter(row.parameter);
        db.QuickUpdate();
    }
}

void keepDifferences(RowValues& before, RowValues& after)
{
    dropEqual(before.blocks, after.blocks);
    dropEqual(before.constants, after.constants);
    dropEqual(before.messages, after.messages);
    dropEqual(before.quick, after.quick);
    if (before.comments == after.comments) {
        before.comments.reset();
        after.comments.reset();
    }
}

} // namespace brevant
