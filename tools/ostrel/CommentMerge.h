#pragma once
// Ostrel's work without its window: the compare of Source and Update, and the merge
// of every comment of Source into Update.

#include "orvane/compare/Compare.h"
#include "orvane/compare/Configuration.h"

#include <QString>

namespace ostrel {

// Compares as the full log does; the catalogue lies in catalogueFolder.
orvane::compare::CompareOutcome compareForMerge(const orvane::compare::Configuration& source,
                                                const orvane::compare::Configuration& update,
                                                const QString& catalogueFolder, const QString& sourceShown,
                                                const QString& updateShown);

// The texts of that compare's log that would lose characters in Windows-1252.
orvane::link::TextsOutsideCp1252 logTextsOutsideCp1252(const orvane::compare::Configuration& source,
                                                       const orvane::compare::Configuration& update,
                                                       const QString& sourceShown, const QString& updateShown);

// Overwrites the title, configuration string and comment and every block's comment of
// the configuration at updatePath with source's, in one transaction written through to
// the disk. Blocks are carried by number; Visio comments only where both files have them.
// A legacy Jet file is merged in a copy of the tool set's own format that then replaces
// it, its original kept beside it. Returns where the original was kept ("" when none
// was); throws (kessig::DbError and others) with the file unchanged when it cannot.
QString mergeComments(const orvane::compare::Configuration& source, const QString& updatePath);

} // namespace ostrel
