#pragma once
// The editor's setting of the folder a team shares its transfer history in.

#include <QString>

namespace brevant::linkwin {

// "" when the history is this user's own.
QString sharedHistoryFolder();
void setSharedHistoryFolder(const QString& folder);

} // namespace brevant::linkwin
