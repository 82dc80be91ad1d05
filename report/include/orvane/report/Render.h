#pragma once
// Draws the report's pages on a paged device: a printer, a PDF file or a preview.

#include "orvane/report/Page.h"

#include <QFont>
#include <QString>
#include <optional>
#include <vector>

class QPagedPaintDevice;

namespace orvane::report {

// Bold "Courier New" 8, or a fixed-pitch font of the same metrics where it is missing.
QFont reportFont();

// Letter paper with margins in which a full page of the report fits at its own size.
void setReportPageLayout(QPagedPaintDevice& device);

// Draws every page `copies` times over, each copy from its first page. Draws nothing
// and starts no job when there is no page. False when the device could not be opened.
// A page taller or wider than the device's printable area is drawn smaller to fit.
bool renderPages(const std::vector<Page>& pages, QPagedPaintDevice& device, int copies = 1);

// Writes the pages as a PDF file, which is replaced only by a complete new content.
// Returns the reason when it failed.
std::optional<QString> writePdf(const std::vector<Page>& pages, const QString& fileName);

} // namespace orvane::report
