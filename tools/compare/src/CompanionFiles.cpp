#include "orvane/compare/CompanionFiles.h"

#include "LogText.h"
#include "orvane/codepage/Cp1252.h"

#include <QFile>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::compare {

std::optional<CompanionCommandLine> splitCommandLine(const QByteArray& line)
{
    const auto exists = [](const QByteArray& name) {
        struct stat st {};
        return ::stat(name.constData(), &st) == 0;
    };
    std::optional<CompanionCommandLine> first;
    for (qsizetype at = line.indexOf('<'); at >= 0 && at + 2 < line.size(); at = line.indexOf('<', at + 1)) {
        if (line.at(at + 2) != '>')
            continue;
        CompanionCommandLine split{line.left(at), line.at(at + 1), line.mid(at + 3)};
        if (exists(split.first) && exists(split.second))
            return split;
        if (!first)
            first = split;
    }
    return first;
}

QString joinCommandLine(const QString& first, char reportCode, const QString& second)
{
    return first + QLatin1Char('<') + QLatin1Char(reportCode) + QLatin1Char('>') + second;
}

NamedFile::NamedFile(const QByteArray& name) : shown_(QString::fromUtf8(name)), path_(shown_)
{
    if (QFile::encodeName(shown_) == name)
        return;
    descriptor_ = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    // Through the process's own number, not "self": a reader program it starts opens it too.
    if (descriptor_ >= 0)
        path_ = QStringLiteral("/proc/%1/fd/%2").arg(::getpid()).arg(descriptor_);
}

NamedFile::~NamedFile()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
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
        records.push_back(xlat_bells(orvane::codepage::cp1252ToUtf8(content.mid(at + 1, end - at - 1).toStdString())));
        at = end + 1;
        if (content.mid(at, 2) == "\r\n")
            at += 2;
        else if (at != content.size())
            return std::nullopt;
    }
    return records;
}

} // namespace orvane::compare
