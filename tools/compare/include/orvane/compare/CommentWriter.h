#pragma once
// Carries comment texts into an open configuration: the editor's comment import and
// Ostrel's merge. Everything is written in one transaction, so it lands whole or not at all.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kessig { class OrvaneDB; }

namespace orvane::compare {

struct BlockComments {
    int16_t block = 0;
    std::string comment;
    std::optional<std::string> visioComment;   // absent: the field is left as it is
};

struct CommentTexts {
    std::string title, config, comment;
    std::vector<BlockComments> blocks;   // a block the configuration lacks is passed over
};

// Throws kessig::DbError with nothing written when any write fails.
void writeCommentTexts(kessig::OrvaneDB& db, const CommentTexts& texts);

} // namespace orvane::compare
