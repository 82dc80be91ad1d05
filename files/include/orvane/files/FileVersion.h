#pragma once
// What a user's file was when a program read it, to tell before the program writes it
// back whether someone else has changed it since. The device and inode tell a file that
// was replaced by another (every save of the tool set renames a new file into place); a
// digest of every byte tells content written into the same file (a file with other hard
// links is saved in place, and other programs write in place). Times cannot tell either:
// a copy may carry them over and two writes within one clock tick share one; the
// database engine's change counter stands still for files it keeps with a write-ahead
// log, and for any content written past it.

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/stat.h>
#include <sys/types.h>

namespace orvane::files {

struct FileVersion {
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = 0;
    QByteArray digest;   // BLAKE2b-256 of the content: a cryptographic digest, and four times SHA-256's speed here
    bool operator==(const FileVersion&) const = default;
};

// The version of the file at path now (links followed); nullopt when it is missing or
// cannot be read.
std::optional<FileVersion> fileVersion(const QString& path);
// The version of a file of that status and content.
FileVersion versionOf(const struct stat& status, const QByteArray& content);

} // namespace orvane::files
