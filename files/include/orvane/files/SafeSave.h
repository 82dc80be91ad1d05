#pragma once
// Replacing a user's file with new content without ever losing either. The file
// named by the user may be a symbolic link, one of several hard links, owned by
// another user, or in a folder this user may not add files to; it is always the
// file the user means that gets the new content, with its owner, group and mode.
// A link that another user made in a folder with the sticky bit (such as /tmp) is
// never written through: anyone may put one there, naming a file of this user.

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvane::files {

// Replaces the content of `target` (through its symbolic links) with that of `source`,
// a closed working copy. The old content stays whole until the new one is complete and
// synced: normally a new file is written beside the target, given the target's owner,
// group and mode, synced and renamed over it; where that cannot keep the file as it
// is (other hard links, an owner this user cannot give, a folder that takes no new
// file) the new content is written into the file itself and the old one put back if
// that fails. A target this user may not write, or that is marked read-only, is
// refused. A missing target is created with the usual mode for new files. Returns the
// reason on failure, naming `target`; the target is then unchanged.
std::optional<QString> copyBack(const QString& source, const QString& target);

// As copyBack, with the new content given.
std::optional<QString> saveContent(const QByteArray& content, const QString& target);

// Why `target` cannot be replaced by copyBack (missing, not a plain file, read-only,
// not writable by this user, another user's link); nullopt when it can.
std::optional<QString> whyNotReplaceable(const QString& target);

// The file that `path` leads to when it is a symbolic link, so that a question about
// replacing it can name the file that would change; nullopt when it is no link.
std::optional<QString> linkedFile(const QString& path);

} // namespace orvane::files
