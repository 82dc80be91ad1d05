#pragma once
// A configuration's signal flow laid out and ready to draw: on screen, into SVG, PDF
// and PNG files, and as pages of the printed report.

#include "orvane/flow/DiagramPainter.h"
#include "orvane/report/Page.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace orvane::flow {

struct Diagram {
    // The whole configuration, or the blocks within `depth` links of `block`, marked
    // with the check's findings. Throws LayoutError.
    Diagram(const ConfigurationSnapshot& snapshot, std::optional<int> block = std::nullopt, int depth = 2);
    Diagram(FlowGraph graph, DiagramMarks marks);

    FlowGraph graph;
    DiagramPainter painter;
    DiagramLayout layout;
    DiagramMarks marks;

    void paint(QPainter& on) const { painter.paint(on, graph, layout, marks); }
};

// The file types writeDiagram knows, by suffix: "svg", "pdf", "png".
bool isDiagramFile(const QString& path);
// Writes the diagram as SVG, PDF (one page its size) or PNG (twice its size in pixels),
// by the suffix of `path`, which is replaced only by a complete new content. Returns
// the reason when it failed.
std::optional<QString> writeDiagram(const Diagram& diagram, const QString& path);

// The diagram as printed pages: drawn whole when it fits a page legibly, else cut into
// pieces read left to right, top to bottom.
std::vector<std::shared_ptr<const report::PageDrawing>> diagramPages(std::shared_ptr<const Diagram> diagram);

} // namespace orvane::flow
