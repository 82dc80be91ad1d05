#pragma once
// A help text laid out for an 80-column terminal: paragraphs and two-column entries
// (an option and what it does) wrapped at word boundaries.

#include <QString>
#include <QStringList>

namespace orvane::arguments {

// The column of an exit status's meaning.
inline constexpr qsizetype kStatusColumn = 8;

class HelpLayout {
public:
    void line(const QString& text);             // as it is
    void paragraph(const QString& text);        // a blank line before, wrapped
    void heading(const QString& title);         // a blank line before
    // `left` in a column of `column` characters (the indent included), the description after it.
    void entry(const QString& left, const QString& description, qsizetype column = 24);
    // Indented text kept line by line as written, each line wrapped.
    void text(const QString& text);
    QString text() const;

private:
    void wrapped(const QString& text, qsizetype indent, qsizetype firstIndent);
    QStringList lines_;
};

} // namespace orvane::arguments
