#pragma once
// Draws the signal flow: one box a block (number, function, first comment line) tinted
// by the kind of its output, links coloured by what they carry, problems of the check
// marked. The editor's window, the SVG, PDF and PNG files and the printed pages all
// draw through it.

#include "orvane/flow/ConfigurationCheck.h"
#include "orvane/flow/DiagramLayout.h"

#include <QFont>
#include <QString>

#include <map>
#include <optional>

class QPainter;

namespace orvane::flow {

struct DiagramMarks {
    std::map<int, Severity> problems;   // the gravest finding of each block
    std::optional<int> selected;

    static DiagramMarks of(const std::vector<Finding>& findings);
};

class DiagramPainter {
public:
    DiagramPainter();

    // The layout of the graph with boxes sized for this painter's texts.
    DiagramLayout layOut(const FlowGraph& graph) const;
    // Draws in the layout's coordinates (points).
    void paint(QPainter& painter, const FlowGraph& graph, const DiagramLayout& layout,
               const DiagramMarks& marks = {}) const;

private:
    QSizeF boxSize(const FlowGraph& graph, int block) const;
    void paintEdge(QPainter& painter, const Edge& edge, const RoutedEdge& route) const;
    void paintNode(QPainter& painter, const FlowGraph& graph, const PlacedNode& placed, const DiagramMarks& marks) const;

    QFont titleFont_, textFont_, labelFont_;
};

} // namespace orvane::flow
