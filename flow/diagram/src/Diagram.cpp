#include "orvane/flow/Diagram.h"

#include <orvane/files/SafeSave.h>

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace orvane::flow {

namespace {

constexpr qreal kMargin = 12;             // points around the diagram in a file
constexpr qreal kPointsPerInch = 72;
constexpr qreal kPixelsPerPoint = 2;      // PNG
constexpr int kLargestImage = 16000;      // pixels a side
// A printed piece: the report's area below the page header is about this shape, and
// the diagram is not drawn smaller than this to fit it.
constexpr qreal kPageAspect = 552.0 / 670.0;
constexpr qreal kPageWidth = 552;
constexpr qreal kSmallestPrintScale = 0.6;

QString suffixOf(const QString& path) { return QFileInfo(path).suffix().toLower(); }

// One printed piece of the diagram: the part `piece` (in layout points) fitted into
// the page's area.
class DiagramPiece : public report::PageDrawing {
public:
    DiagramPiece(std::shared_ptr<const Diagram> diagram, QRectF piece) : diagram_(std::move(diagram)), piece_(piece) {}

    void draw(QPainter& painter, const QRectF& area) const override
    {
        // The layout is in points; the area is in the units of the device, a printer's dots.
        const qreal natural = painter.device()->logicalDpiY() / kPointsPerInch;
        const qreal scale = std::min({natural, area.width() / piece_.width(), area.height() / piece_.height()});
        painter.setClipRect(area);
        painter.translate(area.topLeft());
        painter.scale(scale, scale);
        painter.translate(-piece_.topLeft());
        diagram_->paint(painter);
    }

private:
    std::shared_ptr<const Diagram> diagram_;
    QRectF piece_;
};

} // namespace

Diagram::Diagram(const ConfigurationSnapshot& snapshot, std::optional<int> block, int depth)
    : Diagram(block ? FlowGraph(snapshot).around(*block, depth) : FlowGraph(snapshot),
              DiagramMarks::of(checkConfiguration(snapshot)))
{
}

Diagram::Diagram(FlowGraph graph_, DiagramMarks marks_)
    : graph(std::move(graph_)), layout(painter.layOut(graph)), marks(std::move(marks_))
{
}

bool isDiagramFile(const QString& path)
{
    const QString suffix = suffixOf(path);
    return suffix == QLatin1String("svg") || suffix == QLatin1String("pdf") || suffix == QLatin1String("png");
}

std::optional<QString> writeDiagram(const Diagram& diagram, const QString& path)
{
    if (!isDiagramFile(path))
        return QStringLiteral("%1: the file name must end in .svg, .pdf or .png").arg(path);
    const QRectF area = diagram.layout.bounds.adjusted(-kMargin, -kMargin, kMargin, kMargin);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const auto draw = [&](QPaintDevice& device, qreal scale) {
        QPainter painter(&device);
        painter.scale(scale, scale);
        painter.translate(-area.topLeft());
        diagram.paint(painter);
        return painter.end();
    };
    const QString suffix = suffixOf(path);
    bool drawn = false;
    if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(area.size().toSize());
        svg.setViewBox(QRectF(QPointF(0, 0), area.size()));
        svg.setResolution(72);
        svg.setTitle(QStringLiteral("Signal flow"));
        drawn = draw(svg, 1);
    } else if (suffix == QLatin1String("pdf")) {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("Orvane"));
        pdf.setResolution(72);
        pdf.setPageLayout(QPageLayout(QPageSize(area.size(), QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
        drawn = draw(pdf, 1);
    } else {
        const qreal scale = std::min({kPixelsPerPoint, kLargestImage / area.width(), kLargestImage / area.height()});
        QImage image((area.size() * scale).toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        drawn = draw(image, scale) && image.save(&buffer, "PNG");
    }
    if (!drawn)
        return QStringLiteral("%1: the diagram could not be drawn").arg(path);
    return files::saveContent(buffer.data(), path);
}

std::vector<std::shared_ptr<const report::PageDrawing>> diagramPages(std::shared_ptr<const Diagram> diagram)
{
    const QRectF whole = diagram->layout.bounds.adjusted(-kMargin, -kMargin, kMargin, kMargin);
    const qreal fitted = std::min(kPageWidth / whole.width(), kPageWidth / kPageAspect / whole.height());
    // Pieces of the page's shape, as large as the smallest legible scale allows.
    const QSizeF piece = fitted >= kSmallestPrintScale
                             ? whole.size()
                             : QSizeF(kPageWidth, kPageWidth / kPageAspect) / kSmallestPrintScale;
    const int columns = static_cast<int>(std::ceil(whole.width() / piece.width()));
    const int rows = static_cast<int>(std::ceil(whole.height() / piece.height()));
    std::vector<std::shared_ptr<const report::PageDrawing>> pages;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            pages.push_back(std::make_shared<DiagramPiece>(
                diagram, QRectF(whole.topLeft() + QPointF(c * piece.width(), r * piece.height()), piece)));
    return pages;
}

} // namespace orvane::flow
