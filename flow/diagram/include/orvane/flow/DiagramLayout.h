#pragma once
// Where the diagram's boxes and links go: Graphviz's layered "dot" layout, signals
// running left to right. The sizes of the boxes are the caller's (it draws them).

#include "orvane/flow/FlowGraph.h"

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <stdexcept>
#include <vector>

namespace orvane::flow {

struct PlacedNode {
    int block = 0;               // or kQuickMenu
    QRectF box;
};

struct RoutedEdge {
    size_t edge = 0;             // index into the graph's edges
    QPainterPath path;           // from the source's box to the target's
    QPointF end, endDirection;   // the last point and a unit vector along the path there
};

struct DiagramLayout {
    QRectF bounds;
    std::vector<PlacedNode> nodes;
    std::vector<RoutedEdge> edges;

    // The box at `point`, or nullptr.
    const PlacedNode* nodeAt(QPointF point) const;
    const PlacedNode* node(int block) const;
};

class LayoutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Lays out the graph with boxes of nodeSize(block) points (the quick menu is asked for
// with kQuickMenu). Throws LayoutError when Graphviz cannot lay it out.
DiagramLayout layOut(const FlowGraph& graph, const std::function<QSizeF(int block)>& nodeSize);

} // namespace orvane::flow
