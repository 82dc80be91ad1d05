#include "orvane/report/Render.h"

#include "orvane/files/SafeSave.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace orvane::report {

namespace {

constexpr int kWidestColumn = 115;   // the block grid's right edge
constexpr qreal kSideMargin = 28.8;  // points: six columns of the font
constexpr qreal kTopMargin = 14.4;

// What a printer would do with a control character: nothing but move on one column.
QString printable(QString text)
{
    for (QChar& c : text)
        if (c.unicode() < 32 || c.unicode() == 127)
            c = QLatin1Char(' ');
    return text;
}

} // namespace

QFont reportFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("Cousine"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPointSizeF(8);
    font.setKerning(false);
    return font;
}

void setReportPageLayout(QPagedPaintDevice& device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                     QMarginsF(kSideMargin, kTopMargin, kSideMargin, kTopMargin),
                                     QPageLayout::Point));
}

std::vector<int> jobSequence(int pageCount, const PrintJob& job)
{
    std::vector<int> chosen;
    for (int page = 1; page <= pageCount; ++page)
        if (job.pages.isEmpty() || job.pages.contains(page))
            chosen.push_back(page - 1);
    if (job.lastPageFirst)
        std::reverse(chosen.begin(), chosen.end());
    const int copies = std::max(job.copies, 1);
    std::vector<int> sequence;
    if (job.collate) {
        for (int copy = 0; copy < copies; ++copy)
            sequence.insert(sequence.end(), chosen.begin(), chosen.end());
    } else {
        for (const int page : chosen)
            sequence.insert(sequence.end(), static_cast<size_t>(copies), page);
    }
    return sequence;
}

bool renderPages(const std::vector<Page>& pages, QPagedPaintDevice& device, const PrintJob& job)
{
    const std::vector<int> sequence = jobSequence(static_cast<int>(pages.size()), job);
    if (sequence.empty())
        return true;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QFont font = reportFont();
    painter.setFont(font);
    const QFontMetricsF metrics(font, &device);
    const qreal pitch = metrics.horizontalAdvance(QLatin1Char('M'));
    const qreal lineHeight = metrics.lineSpacing();
    int lines = 0;
    for (const Page& p : pages)
        lines = std::max(lines, p.lineCount);
    const qreal scale = std::min({1.0, device.width() / (kWidestColumn * pitch), device.height() / (lines * lineHeight)});
    painter.scale(scale, scale);
    QPen pen(Qt::black);
    pen.setWidthF(device.logicalDpiX() / 144.0);   // half a point
    painter.setPen(pen);

    const auto x = [pitch](int column) { return (column - 1) * pitch; };
    const auto y = [lineHeight](int line) { return line * lineHeight; };
    bool first = true;
    for (const int index : sequence) {
        const Page& page = pages[static_cast<size_t>(index)];
        if (!first && !device.newPage())
            return false;
        first = false;
        for (const PageText& t : page.texts)
            painter.drawText(QPointF(x(t.column), y(t.line) + metrics.ascent()), printable(t.text));
        for (const HorizontalRule& r : page.horizontalRules)
            painter.drawLine(QPointF(x(r.fromColumn), y(r.line)), QPointF(x(r.toColumn), y(r.line)));
        for (const VerticalRule& r : page.verticalRules)
            painter.drawLine(QPointF(x(r.column), y(r.fromLine)), QPointF(x(r.column), y(r.toLine)));
        for (const PageFigure& f : page.figures) {
            painter.save();
            f.drawing->draw(painter, QRectF(x(1), y(f.fromLine), x(kWidestColumn) - x(1), y(f.toLine) - y(f.fromLine)));
            painter.restore();
        }
    }
    return painter.end();
}

std::optional<QString> writePdf(const std::vector<Page>& pages, const QString& fileName)
{
    if (pages.empty())
        return QStringLiteral("the report has no page");
    // Drawn whole in memory first: the user's file changes only once the PDF is complete.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setCreator(QStringLiteral("Orvane"));
        setReportPageLayout(writer);
        if (!renderPages(pages, writer))
            return QStringLiteral("the PDF could not be drawn");
    }
    return orvane::files::saveContent(pdf.data(), fileName);
}

} // namespace orvane::report
