#include "HelpLayout.h"

namespace orvane::arguments {

namespace {
constexpr qsizetype kWidth = 79;
constexpr qsizetype kEntryIndent = 2;
} // namespace

void HelpLayout::line(const QString& text) { lines_ << text; }

void HelpLayout::paragraph(const QString& text)
{
    lines_ << QString();
    wrapped(text, 0, 0);
}

void HelpLayout::heading(const QString& title)
{
    lines_ << QString() << title;
}

void HelpLayout::entry(const QString& left, const QString& description, qsizetype column)
{
    const QString start = QString(kEntryIndent, QLatin1Char(' ')) + left;
    if (start.size() + 2 > column) {
        // Too wide for its column: the description starts on the next line.
        lines_ << start;
        wrapped(description, column, column);
        return;
    }
    lines_ << start.leftJustified(column);
    wrapped(description, column, -1);
}

void HelpLayout::text(const QString& text)
{
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        qsizetype indent = 0;
        while (indent < line.size() && line.at(indent) == QLatin1Char(' '))
            ++indent;
        wrapped(line.mid(indent), kEntryIndent + indent, kEntryIndent + indent);
    }
}

// `firstIndent` -1: the first words go on the last line laid out.
void HelpLayout::wrapped(const QString& text, qsizetype indent, qsizetype firstIndent)
{
    QString current = firstIndent < 0 ? lines_.takeLast() : QString(firstIndent, QLatin1Char(' '));
    bool wordOnLine = false;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (wordOnLine && current.size() + 1 + word.size() > kWidth) {
            lines_ << current;
            current = QString(indent, QLatin1Char(' '));
            wordOnLine = false;
        }
        if (wordOnLine)
            current += QLatin1Char(' ');
        current += word;
        wordOnLine = true;
    }
    while (current.endsWith(QLatin1Char(' ')))
        current.chop(1);
    lines_ << current;
}

QString HelpLayout::text() const { return lines_.join(QLatin1Char('\n')) + QLatin1Char('\n'); }

} // namespace orvane::arguments
