#pragma once
// Which constant rows belong to a block: one rule for every writer that gives a block a new
// function (the editor, its undo, an upload), so that none leaves a row behind that
// another would collide with, and what one deletes the other finds to put back.

#include <cstdint>
#include <initializer_list>

namespace kessig {

class OrvaneDB;

// How many constants a block of `function` owns by the catalogue: its inputs, parameters
// and hidden constants; 0 for a function the catalogue lacks.
int16_t catalogueConstantCount(OrvaneDB& db, int16_t function);

// How many offsets, from 0, the constant rows of `block` may take: the most of its
// "Block List" count, its stored function's count and the counts of `functions` (those it
// has elsewhere or is about to get), and past that up to the first offset without a row.
// Moves the Block, Constant and Func cursors.
int16_t constantRowSpan(OrvaneDB& db, int16_t block, std::initializer_list<int16_t> functions);

// Deletes every row of `block` within constantRowSpan, those after a missing one too; the
// caller holds the transaction.
void deleteConstantRows(OrvaneDB& db, int16_t block, std::initializer_list<int16_t> functions);

} // namespace kessig
