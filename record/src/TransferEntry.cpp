#include "orvane/record/TransferEntry.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

namespace orvane::record {

namespace {

constexpr int kFormat = 1;
const QString kChecksum = QStringLiteral("checksum");
const QString kBodyBytes = QStringLiteral("bodyBytes");

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

QByteArray entryBytes(const TransferEntry& entry)
{
    const QByteArray body = bodyOf(entry);
    QJsonObject header{{QStringLiteral("format"), kFormat},
                       {QStringLiteral("id"), entry.id},
                       {QStringLiteral("time"), entry.time},
                       {QStringLiteral("user"), entry.user},
                       {QStringLiteral("host"), entry.host},
                       {QStringLiteral("program"), entry.program},
                       {QStringLiteral("operation"), entry.operation},
                       {QStringLiteral("port"), entry.port},
                       {QStringLiteral("identification"), entry.identification},
                       {QStringLiteral("file"), entry.file},
                       {QStringLiteral("imageSha256"), entry.imageSha256},
                       {QStringLiteral("outcome"), entry.outcome},
                       {QStringLiteral("note"), entry.note},
                       {kBodyBytes, body.size()}};
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
    TransferEntry& e = header.entry;
    const auto text = [&](const char* key) { return o.value(QLatin1String(key)).toString(); };
    e.id = text("id");
    e.time = text("time");
    e.user = text("user");
    e.host = text("host");
    e.program = text("program");
    e.operation = text("operation");
    e.port = text("port");
    e.identification = text("identification");
    e.file = text("file");
    e.imageSha256 = text("imageSha256");
    e.outcome = text("outcome");
    e.note = text("note");
    header.bodyBytes = static_cast<qint64>(o.value(kBodyBytes).toDouble());
    header.checksum = text("checksum");
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
