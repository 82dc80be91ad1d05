#pragma once
// Draws the report's pages on a paged device: a printer, a PDF file or a preview.

#include "orvane/report/Page.h"

#include <QFont>
#include <QPageRanges>
#include <QString>
#include <optional>
#include <vector>

class QPagedPaintDevice;

namespace orvane::report {

// Bold "Courier New" 8, or a fixed-pitch font of the same metrics where it is missing.
QFont reportFont();

// Letter paper with margins in which a full page of the report fits at its own size.
void setReportPageLayout(QPagedPaintDevice& device);

// What a print job holds: the chosen pages (numbered from 1; every page when none was
// chosen), last page first when so asked, `copies` times over, each copy whole when
// collated, else each page its copies running.
struct PrintJob {
    QPageRanges pages;
    int copies = 1;
    bool collate = true;
    bool lastPageFirst = false;
};

// The pages of the job in the order they are printed, as indexes into the report's
// `pageCount` pages; a chosen page the report does not have is left out.
std::vector<int> jobSequence(int pageCount, const PrintJob& job);

// Draws the pages of the job. Draws nothing and starts no job when there is no page to
// print. False when the device could not be opened. A page taller or wider than the
// device's printable area is drawn smaller to fit.
bool renderPages(const std::vector<Page>& pages, QPagedPaintDevice& device, const PrintJob& job = {});

// Writes the pages as a PDF file, which is replaced only by a complete new content.
// Returns the reason when it failed.
std::optional<QString> writePdf(const std::vector<Page>& pages, const QString& fileName);

} // namespace orvane::report
