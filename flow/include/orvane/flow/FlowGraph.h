#pragma once
// The signal flow of a configuration: the blocks in use and what feeds what. An input
// link is an edge from the block whose output it reads; the link of an auxiliary-output
// block ("AABO"/"DABO") is an edge of its own kind, named by the output it picks; a
// quick message is an edge from the quick menu to the block whose parameter it offers.

#include "orvane/flow/ConfigurationSnapshot.h"

#include <QString>

#include <vector>

namespace orvane::flow {

// What a block's output, or an input, carries: the catalogue's Ftype 1 is analog and 2
// discrete; other blocks give no signal (SYSTEM, DISPLAY and the like).
enum class SignalKind { None, Analog, Discrete };
SignalKind outputKind(int ftype);
// An input's Type: 1 analog, 2 discrete.
SignalKind inputKind(int type);
// "A", "D" or "" as the input grid's A/D column writes them.
QString kindLetter(SignalKind kind);

using formats::text::isAuxOutputFunction;
// A block that drives the plant (an analog or discrete output): nothing inside the
// configuration is meant to read it.
bool isPlantOutputFunction(const QString& name);

struct Node {
    int block = 0;
    int function = kNopFunction;
    QString name;                // the function's name; "????" when the catalogue lacks it
    SignalKind output = SignalKind::None;
    QString comment;             // first line of the comment the main window shows
    bool operator==(const Node&) const = default;
};

enum class EdgeKind { Input, AuxOutput, QuickMessage };

// The source of a quick-message edge.
inline constexpr int kQuickMenu = -1;

struct Edge {
    EdgeKind kind = EdgeKind::Input;
    int from = 0;                // a block, or kQuickMenu
    int to = 0;                  // a block in use
    int number = 0;              // input number; quick message offset
    SignalKind carries = SignalKind::None;  // the input's kind (Input, AuxOutput)
    QString label;               // input description; aux output name; quick message text
    int parameter = 0;           // QuickMessage: the parameter it offers
    bool operator==(const Edge&) const = default;
};

class FlowGraph {
public:
    // Nodes for every block in use; edges for every input link whose source block gives
    // a signal (a link to a block without one, such as the catalogue's default links,
    // carries nothing and is no edge), every auxiliary-output link and every quick
    // message naming a block in use.
    explicit FlowGraph(const ConfigurationSnapshot& snapshot);

    const std::vector<Node>& nodes() const { return nodes_; }
    const std::vector<Edge>& edges() const { return edges_; }
    const Node* node(int block) const;
    bool hasQuickMenu() const;

    // The part of the graph within `depth` links upstream and downstream of `block`
    // (the quick menu counts as upstream of the blocks it names).
    FlowGraph around(int block, int depth) const;

    bool operator==(const FlowGraph&) const = default;

private:
    FlowGraph() = default;
    std::vector<Node> nodes_;    // block order
    std::vector<Edge> edges_;
};

} // namespace orvane::flow
