#pragma once
// The printed page as a model: text at character columns of a fixed-pitch font,
// horizontal and vertical rules, pages. The report is laid out into it once and
// then drawn on any paged device (printer, PDF file, preview), or read by tests.
//
// Columns count from 1 at the left edge, like a printer's Tab(); lines count from 0
// at the top of each page.

#include <QString>
#include <memory>
#include <vector>

class QPainter;
class QRectF;

namespace orvane::report {

struct PageText {
    int line = 0;
    int column = 1;
    QString text;    // verbatim; control characters are drawn as blanks
};

// Along the top edge of `line`, from the left edge of one column to the left edge of another.
struct HorizontalRule {
    int line = 0;
    int fromColumn = 1;
    int toColumn = 1;
};

// Along the left edge of `column`, from the top of one line to the top of another.
struct VerticalRule {
    int column = 1;
    int fromLine = 0;
    int toLine = 0;
};

// A picture on a page (the signal flow), drawn into the area it is given.
class PageDrawing {
public:
    virtual ~PageDrawing() = default;
    virtual void draw(QPainter& painter, const QRectF& area) const = 0;
};

// A drawing over whole lines: from the top of one line to the top of another.
struct PageFigure {
    std::shared_ptr<const PageDrawing> drawing;
    int fromLine = 0;
    int toLine = 0;
};

struct Page {
    std::vector<PageText> texts;
    std::vector<HorizontalRule> horizontalRules;
    std::vector<VerticalRule> verticalRules;
    std::vector<PageFigure> figures;
    int lineCount = 0;   // lines used, printed or ended

    // One line as it reads on paper: blanks where nothing was printed.
    QString lineText(int line) const;
};

// Prints into pages the way a line printer program does: a print position that Tab
// moves and printed text advances, line ends and page breaks.
class PagePrinter {
public:
    // Moves to `column`; a column left of the print position first ends the line.
    void Tab(int column);
    void Print(const QString& text);
    void EndLine();
    void NewPage();

    int CurrentColumn() const { return column_; }
    int CurrentLine() const { return line_; }
    // The page being printed, from 0; -1 before anything was printed.
    int PageIndex() const { return static_cast<int>(pages_.size()) - 1; }

    // Rules on a page already begun (the current one by default).
    void DrawHorizontalRule(int line, int fromColumn, int toColumn, int page = -1);
    void DrawVerticalRule(int column, int fromLine, int toLine, int page = -1);
    // A drawing over the next `lines` lines of the current page, which it ends.
    void Figure(std::shared_ptr<const PageDrawing> drawing, int lines);

    const std::vector<Page>& pages() const { return pages_; }
    std::vector<Page> takePages();

private:
    Page& current();
    Page& pageAt(int page);
    void touchLine(int line);

    std::vector<Page> pages_;
    int line_ = 0;
    int column_ = 1;
};

} // namespace orvane::report
