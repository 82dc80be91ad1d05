#include "orvane/compare/CompanionFiles.h"

#include "LogText.h"
#include "orvane/link/Protocol.h"

#include <algorithm>

namespace orvane::compare {

std::optional<CompanionCommandLine> splitCommandLine(const QString& line)
{
    const qsizetype at = line.indexOf(QLatin1Char('<'));
    if (at < 0 || at + 1 >= line.size())
        return std::nullopt;
    const char code = line.at(at + 1).toLatin1();
    return CompanionCommandLine{line.left(at), code == 0 ? '?' : code, line.mid(at + 3)};
}

QString joinCommandLine(const QString& first, char reportCode, const QString& second)
{
    return first + QLatin1Char('<') + QLatin1Char(reportCode) + QLatin1Char('>') + second;
}

QByteArray resultFileContent(uint16_t flags) { return QByteArray::number(flags) + "\r\n"; }

std::optional<uint16_t> parseResultFile(const QByteArray& content)
{
    bool ok = false;
    const uint value = content.trimmed().toUInt(&ok);
    if (!ok || value > 0xFFFF)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

std::string xlat_quotes(std::string text)
{
    std::replace(text.begin(), text.end(), '"', '\b');
    return text;
}

std::string xlat_bells(std::string text)
{
    std::replace(text.begin(), text.end(), '\b', '"');
    return text;
}

QByteArray commentRecord(const std::string& utf8Text)
{
    return QByteArray::fromStdString('"' + text::cp1252(xlat_quotes(utf8Text)) + "\"\r\n");
}

std::optional<std::vector<std::string>> parseCommentsFile(const QByteArray& content)
{
    std::vector<std::string> records;
    qsizetype at = 0;
    while (at < content.size()) {
        if (content.at(at) != '"')
            return std::nullopt;
        // A record holds no inner quote, but may hold line ends of its own.
        const qsizetype end = content.indexOf('"', at + 1);
        if (end < 0)
            return std::nullopt;
        records.push_back(xlat_bells(orvane::link::cp1252ToUtf8(content.mid(at + 1, end - at - 1).toStdString())));
        at = end + 1;
        if (content.mid(at, 2) == "\r\n")
            at += 2;
        else if (at != content.size())
            return std::nullopt;
    }
    return records;
}

} // namespace orvane::compare
