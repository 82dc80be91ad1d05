#include "orvane/flow/CrossReference.h"

#include <algorithm>

namespace orvane::flow {

namespace {

QString blockName(const FlowGraph& graph, int block)
{
    const Node* n = graph.node(block);
    return QStringLiteral("Block %1 (%2)").arg(block).arg(n ? n->name : QStringLiteral("????"));
}

} // namespace

std::vector<Reference> usedBy(const FlowGraph& graph, int block)
{
    std::vector<Reference> found;
    for (const EdgeKind kind : {EdgeKind::Input, EdgeKind::AuxOutput}) {
        for (const Edge& e : graph.edges()) {
            if (e.kind != kind || e.from != block)
                continue;
            const QString reader = blockName(graph, e.to);
            found.push_back({kind, e.to, e.number,
                             kind == EdgeKind::Input
                                 ? QStringLiteral("%1 input %2: %3").arg(reader).arg(e.number).arg(e.label)
                                 : QStringLiteral("%1 auxiliary output: %2").arg(reader, e.label)});
        }
    }
    for (const Edge& e : graph.edges())
        if (e.kind == EdgeKind::QuickMessage && e.to == block)
            found.push_back({e.kind, e.to, e.number,
                             QStringLiteral("Quick message %1 \"%2\": parameter %3").arg(e.number).arg(e.label).arg(e.parameter)});
    return found;
}

QStringList crossReferenceLines(const FlowGraph& graph, std::optional<int> block)
{
    QStringList lines;
    for (const Node& n : graph.nodes()) {
        if (block && n.block != *block)
            continue;
        lines << blockName(graph, n.block) + (n.comment.isEmpty() ? QString() : QStringLiteral(" - ") + n.comment);
        const std::vector<Reference> references = usedBy(graph, n.block);
        if (references.empty())
            lines << QStringLiteral("  used by nothing");
        for (const Reference& r : references)
            lines << QStringLiteral("  used by ") + r.text;
    }
    return lines;
}

} // namespace orvane::flow
