#pragma once
// Folders that no other user can change: what the tool set writes there and reads again
// (working copies, the companion programs' files, locks) cannot be swapped under it.
#include <QString>

#include <optional>

namespace orvane::files::detail {

// Why another user could rename or replace what lies in `folder`: it, or a folder above
// it, belongs to a user other than root and this one, or others may write in it without
// the sticky bit. nullopt when no one else can. Links are resolved first.
std::optional<QString> whyOpenToOthers(const QString& folder);

// `folder` itself (links resolved) when it is this user's own, others may not write in
// it and no other user can change a folder above it; nullopt otherwise.
std::optional<QString> ownClosedFolder(const QString& folder);

// The folder `name` in `parent`, made with mode 0700 when missing and made private when
// it is not. Throws std::runtime_error with the reason when parent is open to other
// users or the name is taken by something not this user's own folder.
QString makePrivateFolder(const QString& parent, const QString& name);

// This user's private folder "orvane-<uid>" in TEMP when it is set, else in the system's
// temporary folder (see makePrivateFolder).
QString privateTemporaryFolder();

} // namespace orvane::files::detail
