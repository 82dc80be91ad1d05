#include "TextSyntax.h"

#include <QRegularExpression>

namespace orvane::formats::text {

QString quoted(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

void LineCursor::skipBlanks()
{
    while (at_ < line_.size() && (line_[at_] == QLatin1Char(' ') || line_[at_] == QLatin1Char('\t')))
        ++at_;
}

bool LineCursor::take(const QString& word)
{
    skipBlanks();
    if (!line_.mid(at_).startsWith(word))
        return false;
    const qsizetype end = at_ + word.size();
    // A word ends at a blank, a sign or the end; "block" is not "blocks".
    if (end < line_.size() && word.back().isLetterOrNumber() && line_[end].isLetterOrNumber())
        return false;
    at_ = end;
    return true;
}

bool LineCursor::takeChar(QChar c)
{
    skipBlanks();
    if (at_ >= line_.size() || line_[at_] != c)
        return false;
    ++at_;
    return true;
}

std::optional<qint64> LineCursor::integer()
{
    skipBlanks();
    qsizetype end = at_;
    if (end < line_.size() && line_[end] == QLatin1Char('-'))
        ++end;
    const qsizetype digits = end;
    while (end < line_.size() && line_[end] == QLatin1Char('0'))
        ++end;
    // Leading zeros do not count against the length of a number.
    const qsizetype significant = end;
    while (end < line_.size() && line_[end].isDigit() && line_[end].unicode() < 0x80)
        ++end;
    if (end == digits || end - significant > 12)
        return std::nullopt;
    const qint64 value = line_.mid(at_, end - at_).toLongLong();
    at_ = end;
    return value;
}

bool LineCursor::startsWithQuote()
{
    skipBlanks();
    return at_ < line_.size() && line_[at_] == QLatin1Char('"');
}

std::optional<QString> LineCursor::quotedText()
{
    if (!startsWithQuote())
        return std::nullopt;
    QString text;
    for (qsizetype i = at_ + 1; i < line_.size(); ++i) {
        const QChar c = line_[i];
        if (c == QLatin1Char('"')) {
            at_ = i + 1;
            return text;
        }
        // The store keeps no NUL: a text would end there.
        if (c.isNull()) {
            error_ = QStringLiteral("a quoted text holds a NUL character, which no text can hold");
            return std::nullopt;
        }
        if (c != QLatin1Char('\\')) {
            text += c;
            continue;
        }
        if (++i >= line_.size())
            break;
        switch (line_[i].unicode()) {
        case '"': text += QLatin1Char('"'); break;
        case '\\': text += QLatin1Char('\\'); break;
        case 'r': text += QLatin1Char('\r'); break;
        case 'n': text += QLatin1Char('\n'); break;
        case 't': text += QLatin1Char('\t'); break;
        case 'x': {
            bool ok = false;
            const uint code = line_.mid(i + 1, 2).toUInt(&ok, 16);
            if (!ok || line_.mid(i + 1, 2).size() != 2) {
                error_ = QStringLiteral("\\x must be followed by two hexadecimal digits");
                return std::nullopt;
            }
            text += QChar(code);
            i += 2;
            break;
        }
        default:
            error_ = QStringLiteral("unknown escape \\%1 in a quoted text").arg(line_[i]);
            return std::nullopt;
        }
    }
    error_ = QStringLiteral("a quoted text has no closing quote");
    return std::nullopt;
}

QString LineCursor::bareWord()
{
    skipBlanks();
    const qsizetype start = at_;
    while (at_ < line_.size() && !line_[at_].isSpace() && line_[at_] != QLatin1Char('('))
        ++at_;
    return line_.mid(start, at_ - start);
}

QString withoutLeadingZeros(QString word)
{
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    static const QRegularExpression leadingZeros(QStringLiteral("^(-?)0+(?=[0-9])"));
    if (decimal.match(word).hasMatch())
        word.replace(leadingZeros, QStringLiteral("\\1"));
    return word;
}

bool LineCursor::atEnd()
{
    skipBlanks();
    return at_ >= line_.size() || line_[at_] == QLatin1Char('#');
}

} // namespace orvane::formats::text
