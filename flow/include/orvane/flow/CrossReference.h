#pragma once
// "Used by": what reads a block's output or names the block.

#include "orvane/flow/FlowGraph.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace orvane::flow {

struct Reference {
    EdgeKind kind = EdgeKind::Input;
    int block = -1;     // the reading block; for a quick message the block it names
    int number = 0;     // input number; quick message offset
    QString text;       // "Block 20 (PID) input 1: Process variable"
};

// The blocks whose inputs read `block` (with the input), the auxiliary-output blocks
// that take one of its outputs and the quick messages that name it, in that order.
std::vector<Reference> usedBy(const FlowGraph& graph, int block);

// Every block in use followed by its references, one per indented line; one block when
// `block` is given.
QStringList crossReferenceLines(const FlowGraph& graph, std::optional<int> block = std::nullopt);

} // namespace orvane::flow
