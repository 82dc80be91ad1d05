#pragma once
// The temporary folder the companion programs and the editor exchange files in.

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvane::files {

// What is written here is read again by another program, so no other user may be able
// to replace it: TEMP when it is set and is this user's own folder that others may not
// write in (nor change a folder above it); otherwise one private folder of this user,
// "orvane-<uid>" (mode 0700) in TEMP or, without TEMP, in the system's temporary
// folder, made when missing, so every program finds the same one. Links in the path
// are resolved. Throws std::runtime_error with the reason when there is no such folder
// (TEMP missing or open to other users, the name taken by another user).
QString tempFolder();

// Gives path the content bytes: a new file (".NAME.new-XXXXXX") is written beside it and
// renamed over it, so whatever lies at path (a link included) is replaced, never
// followed or written through. Returns the reason on failure; path is then as it was.
// The new file is a leftover (Leftovers.h) until it is renamed.
std::optional<QString> replaceFileContent(const QString& path, const QByteArray& bytes);

// Gives path the content bytes as a new file, whole and synced or not at all: written
// beside it as replaceFileContent writes, synced, and given the name only when no file
// has it yet, so nothing is ever replaced. Returns the reason on failure (a file that
// has the name included); nothing is then at path that was not there before.
std::optional<QString> writeNewFile(const QString& path, const QByteArray& bytes);

// The content of a regular file; nullopt when path is missing, a link or no regular file.
std::optional<QByteArray> readRegularFile(const QString& path);

} // namespace orvane::files
