#pragma once
// The lexical side of the configuration text: quoted texts with their escapes, and a
// cursor that takes one line apart token by token.

#include <QString>
#include <optional>

namespace orvane::formats::text {

// A text between double quotes; backslash, quote and control characters escaped, so
// that every text, blanks and line ends included, survives the way back.
QString quoted(const QString& text);

// A decimal number without the zeros that lead its whole part ("007.50" is "7.50",
// "-00" is "-0"); any other word as it is.
QString withoutLeadingZeros(QString word);

class LineCursor {
public:
    explicit LineCursor(const QString& line) : line_(line) {}

    // Takes `word` (and the blank after it) when the line goes on with it.
    bool take(const QString& word);
    bool takeChar(QChar c);
    std::optional<qint64> integer();
    // A quoted text; nullopt (with error() set when it was malformed) otherwise.
    std::optional<QString> quotedText();
    // A bare value up to the next blank or "(".
    QString bareWord();
    // True when only blanks and a "#" remark are left.
    bool atEnd();
    bool startsWithQuote();
    QString error() const { return error_; }

private:
    void skipBlanks();
    QString line_;
    qsizetype at_ = 0;
    QString error_;
};

} // namespace orvane::formats::text
