#include "orvane/report/Page.h"

#include <algorithm>

namespace orvane::report {

QString Page::lineText(int line) const
{
    QString out;
    for (const PageText& t : texts) {
        if (t.line != line)
            continue;
        const int at = t.column - 1;
        if (out.size() < at + t.text.size())
            out = out.leftJustified(at + static_cast<int>(t.text.size()), QLatin1Char(' '));
        out.replace(at, t.text.size(), t.text);
    }
    return out;
}

Page& PagePrinter::current()
{
    if (pages_.empty())
        pages_.emplace_back();
    return pages_.back();
}

Page& PagePrinter::pageAt(int page)
{
    return page < 0 || page >= static_cast<int>(pages_.size()) ? current() : pages_[static_cast<size_t>(page)];
}

void PagePrinter::touchLine(int line)
{
    Page& p = current();
    p.lineCount = std::max(p.lineCount, line + 1);
}

void PagePrinter::Tab(int column)
{
    if (column < column_)
        EndLine();
    column_ = std::max(column, 1);
    touchLine(line_);
}

void PagePrinter::Print(const QString& text)
{
    touchLine(line_);
    if (text.isEmpty())
        return;
    current().texts.push_back({line_, column_, text});
    column_ += static_cast<int>(text.size());
}

void PagePrinter::EndLine()
{
    touchLine(line_);
    ++line_;
    column_ = 1;
}

void PagePrinter::NewPage()
{
    current();
    pages_.emplace_back();
    line_ = 0;
    column_ = 1;
}

void PagePrinter::DrawHorizontalRule(int line, int fromColumn, int toColumn, int page)
{
    pageAt(page).horizontalRules.push_back({line, fromColumn, toColumn});
}

void PagePrinter::Figure(std::shared_ptr<const PageDrawing> drawing, int lines)
{
    current().figures.push_back({std::move(drawing), line_, line_ + lines});
    line_ += lines - 1;
    EndLine();
}

void PagePrinter::DrawVerticalRule(int column, int fromLine, int toLine, int page)
{
    pageAt(page).verticalRules.push_back({column, fromLine, toLine});
}

std::vector<Page> PagePrinter::takePages()
{
    std::vector<Page> out;
    out.swap(pages_);
    line_ = 0;
    column_ = 1;
    return out;
}

} // namespace orvane::report
