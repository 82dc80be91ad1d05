#include "orvane/flow/FlowGraph.h"

#include <QRegularExpression>

#include <algorithm>
#include <set>

namespace orvane::flow {

namespace {

QString firstLine(const QString& text)
{
    static const QRegularExpression lineEnd(QStringLiteral("[\\r\\n]"));
    return text.section(lineEnd, 0, 0).trimmed();
}

// The name of the auxiliary output `number` of the source's function, or what the
// choice amounts to when there is none.
QString auxOutputLabel(const FunctionDef* source, bool analog, int32_t number)
{
    if (number == 0)
        return QStringLiteral("NO SELECTION");
    if (source) {
        const std::vector<QString>& names = analog ? source->auxAnalogs : source->auxDiscretes;
        if (number >= 1 && static_cast<size_t>(number) <= names.size())
            return names[static_cast<size_t>(number - 1)];
    }
    return QStringLiteral("AUX OUTPUT %1").arg(number);
}

// Breadth-first walk from `start` over at most `depth` links; `next` gives the
// neighbours of a node one way.
template <class Next> std::set<int> walk(int start, int depth, Next next)
{
    std::set<int> reached{start};
    std::vector<int> frontier{start};
    for (int level = 0; level < depth && !frontier.empty(); ++level) {
        std::vector<int> found;
        for (const int at : frontier)
            for (const int n : next(at))
                if (reached.insert(n).second)
                    found.push_back(n);
        frontier = std::move(found);
    }
    return reached;
}

} // namespace

SignalKind outputKind(int ftype)
{
    return ftype == 1 ? SignalKind::Analog : ftype == 2 ? SignalKind::Discrete : SignalKind::None;
}

SignalKind inputKind(int type) { return outputKind(type); }

QString kindLetter(SignalKind kind)
{
    switch (kind) {
    case SignalKind::Analog: return QStringLiteral("A");
    case SignalKind::Discrete: return QStringLiteral("D");
    case SignalKind::None: break;
    }
    return {};
}

bool isPlantOutputFunction(const QString& name)
{
    const QString n = name.trimmed();
    return n == QLatin1String("AOUT") || n == QLatin1String("DOUT");
}

FlowGraph::FlowGraph(const ConfigurationSnapshot& snapshot)
{
    const auto& config = snapshot.configuration();
    for (int b = 0; b < kBlocks; ++b) {
        if (!snapshot.inUse(b))
            continue;
        const Block& block = *snapshot.block(b);
        const FunctionDef* f = snapshot.function(block.function);
        nodes_.push_back({b, block.function, f ? f->name : QStringLiteral("????"),
                          f ? outputKind(f->ftype) : SignalKind::None,
                          firstLine(formats::text::shownComment(block.comment, block.drawingComment))});
        if (!f)
            continue;
        const bool aux = isAuxOutputFunction(f->name);
        for (int n = 1; n <= f->inputs; ++n) {
            const std::optional<int32_t> source = snapshot.constant(b, n - 1);
            if (!source || *source < 0 || *source >= kBlocks || !snapshot.inUse(*source))
                continue;
            const int from = *source;
            const FunctionDef* sourceFunction = snapshot.function(snapshot.functionOf(from));
            const SignalKind carries = inputKind(f->inputTypes[static_cast<size_t>(n - 1)]);
            if (aux && n == 1) {
                const bool analog = f->name == QLatin1String("AABO");
                const int32_t chosen = snapshot.constant(b, f->inputs).value_or(0);
                edges_.push_back({EdgeKind::AuxOutput, from, b, n, analog ? SignalKind::Analog : SignalKind::Discrete,
                                  auxOutputLabel(sourceFunction, analog, chosen), 0});
                continue;
            }
            if (!sourceFunction || outputKind(sourceFunction->ftype) == SignalKind::None)
                continue;
            edges_.push_back({EdgeKind::Input, from, b, n, carries,
                              f->inputDescriptions[static_cast<size_t>(n - 1)], 0});
        }
    }
    for (const auto& [offset, quick] : config.quick)
        if (quick.block >= 0 && quick.block < kBlocks && snapshot.inUse(quick.block))
            edges_.push_back({EdgeKind::QuickMessage, kQuickMenu, quick.block, offset, SignalKind::None,
                              quick.text.trimmed(), quick.parameter});
}

const Node* FlowGraph::node(int block) const
{
    const auto found = std::lower_bound(nodes_.begin(), nodes_.end(), block,
                                        [](const Node& n, int b) { return n.block < b; });
    return found != nodes_.end() && found->block == block ? &*found : nullptr;
}

bool FlowGraph::hasQuickMenu() const
{
    return std::any_of(edges_.begin(), edges_.end(), [](const Edge& e) { return e.from == kQuickMenu; });
}

FlowGraph FlowGraph::around(int block, int depth) const
{
    FlowGraph part;
    if (!node(block))
        return part;
    const auto neighbours = [this](int at, bool downstream) {
        std::vector<int> found;
        for (const Edge& e : edges_)
            if (downstream ? e.from == at : e.to == at)
                found.push_back(downstream ? e.to : e.from);
        return found;
    };
    std::set<int> kept = walk(block, depth, [&](int at) { return neighbours(at, false); });
    kept.merge(walk(block, depth, [&](int at) { return neighbours(at, true); }));
    for (const Node& n : nodes_)
        if (kept.count(n.block))
            part.nodes_.push_back(n);
    for (const Edge& e : edges_)
        if (kept.count(e.from) && kept.count(e.to))
            part.edges_.push_back(e);
    return part;
}

} // namespace orvane::flow
