#pragma once
// The temporary folder the companion programs and the editor exchange files in.

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvane::files {

// TEMP when it is set; otherwise one private folder of this user (mode 0700) under the
// system's temporary folder, made when missing, so every program finds the same one.
// Throws std::runtime_error when that folder is not this user's own, private folder.
QString tempFolder();

// Gives path the content bytes: a new file is written beside it and renamed over it,
// so whatever lies at path (a link included) is replaced, never followed or written
// through. Returns the reason on failure; path is then as it was.
std::optional<QString> replaceFileContent(const QString& path, const QByteArray& bytes);

// The content of a regular file; nullopt when path is missing, a link or no regular file.
std::optional<QByteArray> readRegularFile(const QString& path);

} // namespace orvane::files
