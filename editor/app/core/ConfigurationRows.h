#pragma once
// Rows of the open configuration held as values: what a change found and left, so that
// either can be written back. Everything passes through the one OrvaneDB object.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace kessig { class OrvaneDB; }

namespace brevant {

struct BlockRowValues {
    int16_t function = 0;
    int16_t constants = 0;
    int16_t tempRam = 0;
    int16_t volRam = 0;
    std::string comment;
    std::string drawingComment;
    bool operator==(const BlockRowValues&) const = default;
};

struct CommentRowValues {
    std::string title;
    std::string config;
    std::string description;
    bool operator==(const CommentRowValues&) const = default;
};

struct QuickRowValues {
    std::string message;
    std::string block;       // as the store passes them: decimal text
    std::string parameter;
    bool operator==(const QuickRowValues&) const = default;
};

// Which rows: "Block List" rows by block, a block's constants at offsets 0 to n-1,
// "Messages" and "QuickMessages" rows by Offset, and the one "Comments" row.
struct RowScope {
    RowScope& withBlock(int16_t block) { blocks.insert(block); return *this; }
    RowScope& withConstants(int16_t block, int16_t n) { constants[block] = n; return *this; }
    RowScope& withMessage(int16_t offset) { messages.insert(offset); return *this; }
    RowScope& withComments() { comments = true; return *this; }
    RowScope& withQuick(int16_t offset) { quick.insert(offset); return *this; }

    std::set<int16_t> blocks;
    std::map<int16_t, int16_t> constants;   // block -> n
    std::set<int16_t> messages;
    bool comments = false;
    std::set<int16_t> quick;
};

// The values of the rows of a scope. A constant without a value is a row that does not exist.
struct RowValues {
    std::map<int16_t, BlockRowValues> blocks;
    std::map<std::pair<int16_t, int16_t>, std::optional<int32_t>> constants;   // (block, offset)
    std::map<int16_t, std::string> messages;
    std::optional<CommentRowValues> comments;
    std::map<int16_t, QuickRowValues> quick;

    bool empty() const;
};

// Throws kessig::DbError.
RowValues readRows(kessig::OrvaneDB& db, const RowScope& scope);
// Makes every row of `values` hold its value (adding and deleting constants as needed);
// the caller holds the transaction. Throws kessig::DbError.
void writeRows(kessig::OrvaneDB& db, const RowValues& values);
// Leaves in both only the rows whose values differ (the two are of one scope).
void keepDifferences(RowValues& before, RowValues& after);

} // namespace brevant
