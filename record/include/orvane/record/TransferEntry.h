#pragma once
// One entry of the transfer history: what a download, upload or verify did, to which
// controller, from which file, by whom, and the configuration it carried, so that any
// state a controller was brought into can be told and brought back.
//
// An entry is one file: a header line (JSON: the facts, the size of the rest and the
// entry's checksum), then the controller image in base64 on one line, then the
// configuration's text form. A listing reads the header lines only.

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace orvane::record {

struct TransferEntry {
    QString id;              // "20261201-140322-1a2b3c": the time and a random part
    QString time;            // UTC, "2026-12-01T14:03:22.117Z"
    QString user;            // login name
    QString host;
    QString program;         // "Brevant 7.11"
    QString operation;       // "download", "upload" or "verify"
    QString port;
    QString identification;  // the controller's identification text; "" when not read
    QString file;            // the configuration file, absolute
    QString imageSha256;     // hex of the controller image; "" when none was sent or read whole
    QString outcome;         // "complete", "incomplete", "cancelled" or "differs"
    QString note;            // what the user was told when it did not complete
    QByteArray image;        // the controller image (see ControllerImage.h); empty with no hash
    QString text;            // the configuration's text form; "" when it could not be read
};

inline constexpr const char* kEntrySuffix = ".entry";

// The file's bytes, with the entry's checksum over all of it.
QByteArray entryBytes(const TransferEntry& entry);

// The facts of a header line, with the number of bytes after it; nullopt when the line
// is no entry header. Image and text stay empty.
struct EntryHeader {
    TransferEntry entry;
    qint64 bodyBytes = 0;
    QString checksum;
};
std::optional<EntryHeader> parseHeader(const QByteArray& line);

// A whole entry file: nullopt when it is no entry or is cut short. `changed` tells
// whether its checksum (or its image's digest) no longer matches what it holds.
struct ParsedEntry {
    TransferEntry entry;
    bool changed = false;
};
std::optional<ParsedEntry> parseEntry(const QByteArray& bytes);

// The entry's facts (not its image or text) as JSON, named as in its header.
QJsonObject entryJson(const TransferEntry& entry);

// "2026-12-01 14:03 UTC".
QString shownTime(const TransferEntry& entry);
// The SHA-256 of an image, in hex.
QString imageDigest(const QByteArray& image);

} // namespace orvane::record
