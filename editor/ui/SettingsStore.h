#pragma once
// The per-user settings store: application "OrvaneEdit", one group per section.

#include <QSettings>
#include <memory>

#include "orvane/link/CommSettings.h"

namespace brevant {

inline const QString kRecentFilesSection = QStringLiteral("Recent Files");
inline const QString kCommSection = QStringLiteral("Communication Settings");

// A settings object on the store; callers beginGroup() the section they use.
std::unique_ptr<QSettings> openSettingsStore();

// Missing keys give port 1, "38400", "O".
orvane::link::CommSettings LoadCommSettings();
void SaveCommSettings(const orvane::link::CommSettings& settings);

} // namespace brevant
