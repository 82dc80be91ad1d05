#pragma once
// A configuration and the catalogue's description of every function its blocks run,
// read once through OrvaneDB: the graph, the check and the cross-references are then
// worked out without touching the store again.

#include "orvane/formats/ConfigurationModel.h"

#include <map>
#include <optional>

namespace kessig { class OrvaneDB; }

namespace orvane::flow {

using formats::text::Block;
using formats::text::FunctionDef;
using formats::text::ParameterDef;

inline constexpr int kBlocks = formats::text::kBlocks;
inline constexpr int kNopFunction = formats::text::kNop;

class ConfigurationSnapshot {
public:
    // The open configuration of `db` with its open catalogue. Throws kessig::DbError
    // when either cannot be read.
    static ConfigurationSnapshot read(kessig::OrvaneDB& db);

    ConfigurationSnapshot(formats::text::Configuration configuration, std::map<int, FunctionDef> functions);

    const formats::text::Configuration& configuration() const { return configuration_; }
    // nullptr when the catalogue has no such function.
    const FunctionDef* function(int number) const;
    // The block's function; 127 for a block the file has no row of.
    int functionOf(int block) const;
    // A block runs a function other than "NOP".
    bool inUse(int block) const;
    const Block* block(int block) const;
    // The block's constant at offset as a download sends it: its row, or the catalogue's
    // default while the block owns no row at all; nothing when a row it should own is missing.
    std::optional<int32_t> constant(int block, int offset) const;
    // The text of message `number`; nothing when the file has no such row.
    std::optional<QString> message(int number) const;

private:
    formats::text::Configuration configuration_;
    std::map<int, FunctionDef> functions_;
};

} // namespace orvane::flow
