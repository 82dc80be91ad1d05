#include "orvane/compare/CommentWriter.h"

#include <kessig/OrvaneDB.h>

namespace orvane::compare {

void writeCommentTexts(kessig::OrvaneDB& db, const CommentTexts& texts)
{
    db.BeginTrans();
    try {
        db.CommentEdit();
        db.CommentTitle(texts.title);
        db.CommentConfig(texts.config);
        db.CommentComment(texts.comment);
        db.CommentUpdate();
        for (const BlockComments& block : texts.blocks) {
            db.BlockSeek(block.block);
            if (db.BlockEOF())
                continue;
            db.BlockEdit();
            db.BlockComment(block.comment);
            if (block.visioComment)
                db.BlockVisioComment(*block.visioComment);
            db.BlockUpdate();
        }
        db.CommitTrans();
    } catch (...) {
        if (db.InTransaction())
            db.Rollback();
        throw;
    }
}

} // namespace orvane::compare
