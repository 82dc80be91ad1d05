#include "orvane/flow/DiagramPainter.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace orvane::flow {

namespace {

constexpr qreal kPadding = 5;
constexpr qreal kStrip = 4;          // the coloured edge showing the output's kind
constexpr qreal kMinWidth = 84;
constexpr int kCommentCharacters = 28;
constexpr qreal kPointsPerInch = 72;

struct Tint {
    QColor fill, strip;
};

Tint tintOf(SignalKind kind)
{
    switch (kind) {
    case SignalKind::Analog: return {QColor(0xdb, 0xe8, 0xf6), QColor(0x2f, 0x6f, 0xb0)};
    case SignalKind::Discrete: return {QColor(0xdc, 0xf0, 0xe1), QColor(0x2e, 0x8b, 0x57)};
    case SignalKind::None: break;
    }
    return {QColor(0xec, 0xec, 0xec), QColor(0x80, 0x80, 0x80)};
}

const Tint kQuickTint{QColor(0xff, 0xf4, 0xd6), QColor(0xb8, 0x86, 0x0b)};
const QColor kAuxColour(0x7b, 0x1f, 0xa2);

QColor markColour(Severity severity)
{
    switch (severity) {
    case Severity::Error: return QColor(0xc6, 0x28, 0x28);
    case Severity::Warning: return QColor(0xef, 0x8f, 0x00);
    case Severity::Information: break;
    }
    return QColor(0x5c, 0x6b, 0xc0);
}

QFont sans(qreal points, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The layout is in points: texts are measured at 72 to the inch, whatever the screen.
QFontMetricsF metricsInPoints(const QFont& font)
{
    static const QImage reference = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(kPointsPerInch / 0.0254));
        image.setDotsPerMeterY(qRound(kPointsPerInch / 0.0254));
        return image;
    }();
    return QFontMetricsF(font, &reference);
}

// A painter turns a font's points into units of its device at the device's resolution
// (a printer's 1200 to the inch) and then applies its own scale to them as to every
// shape; drawn in points, a font is sized so that its text keeps to the boxes measured.
QFont inPoints(const QFont& font, const QPainter& painter)
{
    QFont sized(font);
    sized.setPointSizeF(font.pointSizeF() * kPointsPerInch / painter.device()->logicalDpiY());
    return sized;
}

QString titleOf(const FlowGraph& graph, int block)
{
    if (block == kQuickMenu)
        return QStringLiteral("QUICK MENU");
    const Node* n = graph.node(block);
    return QStringLiteral("%1 %2").arg(block).arg(n ? n->name : QStringLiteral("????"));
}

QString commentOf(const FlowGraph& graph, int block)
{
    const Node* n = graph.node(block);
    if (!n)
        return {};
    return n->comment.size() > kCommentCharacters ? n->comment.left(kCommentCharacters - 1) + QChar(0x2026) : n->comment;
}

} // namespace

DiagramMarks DiagramMarks::of(const std::vector<Finding>& findings)
{
    DiagramMarks marks;
    for (const Finding& f : findings) {
        if (f.block < 0)
            continue;
        const auto [at, added] = marks.problems.emplace(f.block, f.severity());
        if (!added)
            at->second = std::min(at->second, f.severity());
    }
    return marks;
}

DiagramPainter::DiagramPainter() : titleFont_(sans(8, true)), textFont_(sans(7, false)), labelFont_(sans(6, false)) {}

QSizeF DiagramPainter::boxSize(const FlowGraph& graph, int block) const
{
    const QFontMetricsF title = metricsInPoints(titleFont_), text = metricsInPoints(textFont_);
    const qreal width = std::max({kMinWidth, title.horizontalAdvance(titleOf(graph, block)),
                                  text.horizontalAdvance(commentOf(graph, block))});
    return {std::ceil(width + 2 * kPadding + kStrip), std::ceil(title.height() + text.height() + 2 * kPadding)};
}

DiagramLayout DiagramPainter::layOut(const FlowGraph& graph) const
{
    return flow::layOut(graph, [&](int block) { return boxSize(graph, block); });
}

void DiagramPainter::paint(QPainter& painter, const FlowGraph& graph, const DiagramLayout& layout,
                           const DiagramMarks& marks) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (const RoutedEdge& route : layout.edges)
        paintEdge(painter, graph.edges()[route.edge], route);
    for (const PlacedNode& placed : layout.nodes)
        paintNode(painter, graph, placed, marks);
    painter.restore();
}

void DiagramPainter::paintEdge(QPainter& painter, const Edge& edge, const RoutedEdge& route) const
{
    QPen pen(tintOf(edge.carries).strip, 1.0);
    QString endLabel = QString::number(edge.number);
    if (edge.kind == EdgeKind::AuxOutput) {
        pen.setColor(kAuxColour);
        pen.setStyle(Qt::DashLine);
    } else if (edge.kind == EdgeKind::QuickMessage) {
        pen.setColor(kQuickTint.strip);
        pen.setStyle(Qt::DotLine);
        endLabel = QStringLiteral("P%1").arg(edge.parameter);
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(route.path);

    // The arrowhead, ending on the target's box.
    const QPointF d = route.endDirection, normal(-d.y(), d.x());
    const QPolygonF head{route.end, route.end - 6 * d + 3 * normal, route.end - 6 * d - 3 * normal};
    painter.setPen(Qt::NoPen);
    painter.setBrush(pen.color());
    painter.drawPolygon(head);

    painter.setFont(inPoints(labelFont_, painter));
    painter.setPen(pen.color());
    painter.drawText(route.end - 12 * d - 4 * normal + QPointF(-3, 2), endLabel);
    if (edge.kind == EdgeKind::AuxOutput)
        painter.drawText(route.path.pointAtPercent(0.5) + QPointF(2, -3), edge.label);
}

void DiagramPainter::paintNode(QPainter& painter, const FlowGraph& graph, const PlacedNode& placed,
                               const DiagramMarks& marks) const
{
    const int block = placed.block;
    const Node* node = graph.node(block);
    const Tint tint = block == kQuickMenu ? kQuickTint : tintOf(node ? node->output : SignalKind::None);
    const QRectF box = placed.box;
    const auto problem = marks.problems.find(block);
    const bool selected = marks.selected == block;

    QPen border(selected ? QColor(Qt::black) : tint.strip, selected ? 2.5 : 0.8);
    if (problem != marks.problems.end() && problem->second != Severity::Information) {
        border.setColor(markColour(problem->second));
        border.setWidthF(selected ? 3.0 : 2.0);
    }
    painter.setPen(border);
    painter.setBrush(tint.fill);
    painter.drawRoundedRect(box, 3, 3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint.strip);
    painter.drawRect(QRectF(box.left(), box.top(), kStrip, box.height()).adjusted(0.5, 0.5, 0, -0.5));

    const QFontMetricsF title = metricsInPoints(titleFont_);
    const QPointF text(box.left() + kStrip + kPadding, box.top() + kPadding);
    painter.setPen(Qt::black);
    painter.setFont(inPoints(titleFont_, painter));
    painter.drawText(text + QPointF(0, title.ascent()), titleOf(graph, block));
    painter.setFont(inPoints(textFont_, painter));
    painter.drawText(text + QPointF(0, title.height() + metricsInPoints(textFont_).ascent()), commentOf(graph, block));

    if (problem == marks.problems.end())
        return;
    // A round badge on the top right corner: "!" for errors and warnings, "i" for notes.
    const QRectF badge(box.right() - 6, box.top() - 6, 12, 12);
    painter.setPen(Qt::NoPen);
    painter.setBrush(markColour(problem->second));
    painter.drawEllipse(badge);
    painter.setPen(Qt::white);
    painter.setFont(inPoints(titleFont_, painter));
    painter.drawText(badge, Qt::AlignCenter, problem->second == Severity::Information ? QStringLiteral("i") : QStringLiteral("!"));
}

} // namespace orvane::flow
