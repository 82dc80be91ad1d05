#include "orvane/flow/DiagramLayout.h"

#include <graphviz/gvc.h>

#include <QLineF>

#include <map>
#include <mutex>
#include <string>

namespace orvane::flow {

namespace {

constexpr double kPointsPerInch = 72.0;

// Graphviz takes its attribute names and values as writable C strings.
void set(void* object, const char* name, const std::string& value)
{
    agsafeset(object, const_cast<char*>(name), const_cast<char*>(value.c_str()), const_cast<char*>(""));
}

std::string nodeName(int block) { return block == kQuickMenu ? "quick" : "b" + std::to_string(block); }

// One Graphviz context for the whole run: every new one reads its plugin configuration
// again and keeps part of it when freed. Graphviz has global state, so one layout at a time.
GVC_t* graphvizContext()
{
    static GVC_t* const context = gvContext();
    return context;
}
std::mutex graphvizInUse;

struct GraphvizGraph {
    GVC_t* context = graphvizContext();
    Agraph_t* graph = nullptr;
    bool laidOut = false;
    ~GraphvizGraph()
    {
        if (laidOut)
            gvFreeLayout(context, graph);
        if (graph)
            agclose(graph);
    }
};

QPainterPath pathOf(const bezier& b, double top, QPointF& end, QPointF& direction)
{
    const auto at = [&](int i) { return QPointF(b.list[i].x, top - b.list[i].y); };
    QPainterPath path(at(0));
    for (int i = 1; i + 2 < b.size; i += 3)
        path.cubicTo(at(i), at(i + 1), at(i + 2));
    end = at(b.size - 1);
    QLineF tail(at(b.size - 2), end);
    if (tail.length() < 1e-6)
        tail = QLineF(at(0), end);
    direction = tail.length() < 1e-6 ? QPointF(1, 0) : (tail.p2() - tail.p1()) / tail.length();
    return path;
}

} // namespace

const PlacedNode* DiagramLayout::nodeAt(QPointF point) const
{
    for (const PlacedNode& n : nodes)
        if (n.box.contains(point))
            return &n;
    return nullptr;
}

const PlacedNode* DiagramLayout::node(int block) const
{
    for (const PlacedNode& n : nodes)
        if (n.block == block)
            return &n;
    return nullptr;
}

DiagramLayout layOut(const FlowGraph& graph, const std::function<QSizeF(int block)>& nodeSize)
{
    const std::lock_guard<std::mutex> oneAtATime(graphvizInUse);
    GraphvizGraph gv;
    if (!gv.context)
        throw LayoutError("Graphviz could not start");
    char name[] = "flow";
    gv.graph = agopen(name, Agdirected, nullptr);
    set(gv.graph, "rankdir", "LR");
    set(gv.graph, "nodesep", "0.25");
    set(gv.graph, "ranksep", "0.6");

    std::vector<int> blocks;
    if (graph.hasQuickMenu())
        blocks.push_back(kQuickMenu);
    for (const Node& n : graph.nodes())
        blocks.push_back(n.block);
    std::map<int, Agnode_t*> made;
    for (const int block : blocks) {
        std::string id = nodeName(block);
        Agnode_t* node = agnode(gv.graph, id.data(), 1);
        const QSizeF size = nodeSize(block);
        set(node, "shape", "box");
        set(node, "fixedsize", "true");
        // The boxes' texts are drawn here, not by Graphviz: without a label it measures no
        // text, so its text plugin (which keeps a font name past the graph that owned it)
        // is never called.
        set(node, "label", "");
        set(node, "width", std::to_string(size.width() / kPointsPerInch));
        set(node, "height", std::to_string(size.height() / kPointsPerInch));
        made[block] = node;
    }
    std::vector<Agedge_t*> edges;
    for (size_t i = 0; i < graph.edges().size(); ++i) {
        const Edge& e = graph.edges()[i];
        std::string id = "e" + std::to_string(i);
        Agedge_t* edge = agedge(gv.graph, made.at(e.from), made.at(e.to), id.data(), 1);
        set(edge, "arrowhead", "none");
        edges.push_back(edge);
    }
    if (gvLayout(gv.context, gv.graph, "dot") != 0)
        throw LayoutError("Graphviz could not lay out the diagram (is its \"dot\" layout installed?)");
    gv.laidOut = true;

    DiagramLayout layout;
    const boxf bb = GD_bb(gv.graph);
    const double top = bb.UR.y;
    layout.bounds = QRectF(bb.LL.x, 0, bb.UR.x - bb.LL.x, bb.UR.y - bb.LL.y);
    for (const int block : blocks) {
        Agnode_t* node = made.at(block);
        const QSizeF size(ND_width(node) * kPointsPerInch, ND_height(node) * kPointsPerInch);
        const QPointF centre(ND_coord(node).x, top - ND_coord(node).y);
        layout.nodes.push_back({block, QRectF(centre - QPointF(size.width() / 2, size.height() / 2), size)});
    }
    for (size_t i = 0; i < edges.size(); ++i) {
        const splines* spl = ED_spl(edges[i]);
        if (!spl || spl->size < 1 || spl->list[0].size < 2)
            continue;
        RoutedEdge routed;
        routed.edge = i;
        routed.path = pathOf(spl->list[0], top, routed.end, routed.endDirection);
        layout.edges.push_back(std::move(routed));
    }
    return layout;
}

} // namespace orvane::flow
