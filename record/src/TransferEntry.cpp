#include "orvane/record/TransferEntry.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <utility>

namespace orvane::record {

namespace {

constexpr int kFormat = 1;
const QString kChecksum = QStringLiteral("checksum");
const QString kBodyBytes = QStringLiteral("bodyBytes");

// The facts an entry keeps, by the names its header and every JSON form give them.
const std::array<std::pair<const char*, QString TransferEntry::*>, 12> kFacts = {{
    {"id", &TransferEntry::id},
    {"time", &TransferEntry::time},
    {"user", &TransferEntry::user},
    {"host", &TransferEntry::host},
    {"program", &TransferEntry::program},
    {"operation", &TransferEntry::operation},
    {"port", &TransferEntry::port},
    {"identification", &TransferEntry::identification},
    {"file", &TransferEntry::file},
    {"imageSha256", &TransferEntry::imageSha256},
    {"outcome", &TransferEntry::outcome},
    {"note", &TransferEntry::note},
}};

QString sha256(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// The header without its checksum, in the one form it is summed in: QJsonObject keeps
// its keys sorted and the compact form has no spacing to vary.
QByteArray summedHeader(QJsonObject header)
{
    header.remove(kChecksum);
    return QJsonDocument(header).toJson(QJsonDocument::Compact);
}

QByteArray bodyOf(const TransferEntry& entry)
{
    return entry.image.toBase64() + '\n' + entry.text.toUtf8();
}

} // namespace

QString imageDigest(const QByteArray& image) { return sha256(image); }

QJsonObject entryJson(const TransferEntry& entry)
{
    QJsonObject facts;
    for (const auto& [name, member] : kFacts)
        facts.insert(QLatin1String(name), entry.*member);
    return facts;
}

QByteArray entryBytes(const TransferEntry& entry)
{
    const QByteArray body = bodyOf(entry);
    QJsonObject header = entryJson(entry);
    header.insert(QStringLiteral("format"), kFormat);
    header.insert(kBodyBytes, body.size());
    const QByteArray summed = summedHeader(header);
    header.insert(kChecksum, sha256(summed + '\n' + body));
    return QJsonDocument(header).toJson(QJsonDocument::Compact) + '\n' + body;
}

std::optional<EntryHeader> parseHeader(const QByteArray& line)
{
    const QJsonDocument document = QJsonDocument::fromJson(line);
    const QJsonObject o = document.object();
    if (!document.isObject() || o.value(QStringLiteral("format")).toInt() != kFormat
        || !o.value(kBodyBytes).isDouble() || o.value(QStringLiteral("id")).toString().isEmpty())
        return std::nullopt;
    EntryHeader header;
    for (const auto& [name, member] : kFacts)
        header.entry.*member = o.value(QLatin1String(name)).toString();
    header.bodyBytes = static_cast<qint64>(o.value(kBodyBytes).toDouble());
    header.checksum = o.value(kChecksum).toString();
    return header;
}

std::optional<ParsedEntry> parseEntry(const QByteArray& bytes)
{
    const qsizetype headerEnd = bytes.indexOf('\n');
    if (headerEnd < 0)
        return std::nullopt;
    const QByteArray headerLine = bytes.left(headerEnd);
    const auto header = parseHeader(headerLine);
    const QByteArray body = bytes.mid(headerEnd + 1);
    if (!header || body.size() != header->bodyBytes)
        return std::nullopt;
    ParsedEntry parsed{header->entry, false};
    const qsizetype imageEnd = body.indexOf('\n');
    const QByteArray image = body.left(imageEnd < 0 ? body.size() : imageEnd);
    const auto decoded = QByteArray::fromBase64Encoding(image, QByteArray::AbortOnBase64DecodingErrors);
    parsed.entry.image = decoded ? *decoded : QByteArray();
    parsed.entry.text = imageEnd < 0 ? QString() : QString::fromUtf8(body.mid(imageEnd + 1));
    const QByteArray summed = summedHeader(QJsonDocument::fromJson(headerLine).object());
    parsed.changed = !decoded || sha256(summed + '\n' + body) != header->checksum
                     || (parsed.entry.image.isEmpty() ? !parsed.entry.imageSha256.isEmpty()
                                                      : imageDigest(parsed.entry.image) != parsed.entry.imageSha256);
    return parsed;
}

QString shownTime(const TransferEntry& entry)
{
    const QDateTime when = QDateTime::fromString(entry.time, Qt::ISODate);
    return when.isValid() ? when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")) + QStringLiteral(" UTC")
                          : entry.time;
}

} // namespace orvane::record
