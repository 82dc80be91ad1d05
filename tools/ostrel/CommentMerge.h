#pragma once
// Ostrel's work without its window: the compare of Source and Update, and the merge
// of every comment of Source into Update.

#include "orvane/compare/Compare.h"
#include "orvane/compare/Configuration.h"

#include "orvane/files/FileVersion.h"

#include <QString>

#include <optional>
#include <stdexcept>

namespace ostrel {

// Compares as the full log does; the catalogue lies in catalogueFolder.
orvane::compare::CompareOutcome compareForMerge(const orvane::compare::Configuration& source,
                                                const orvane::compare::Configuration& update,
                                                const QString& catalogueFolder, const QString& sourceShown,
                                                const QString& updateShown);

// The texts of that compare's log that would lose characters in Windows-1252.
orvane::codepage::TextsOutsideCp1252 logTextsOutsideCp1252(const orvane::compare::Configuration& source,
                                                       const orvane::compare::Configuration& update,
                                                       const QString& sourceShown, const QString& updateShown);

// The Update file is no longer the one the merge was meant for.
class UpdateChanged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Overwrites the title, configuration string and comment and every block's comment of
// the configuration at updatePath with source's. Blocks are carried by number; Visio
// comments only where both files have them. The merge is written into a working copy of
// the Update file, which replaces it (or is saved as saveAs) only when complete, as every
// save does, so a merge that is stopped or fails leaves the file exactly as it was. A
// legacy Jet original is kept beside itself. When comparedAs is given and the file is no
// longer that version, UpdateChanged is thrown and nothing is written. Returns where a
// Jet original was kept ("" when none was); throws (kessig::DbError and others) with the
// file unchanged when it cannot.
QString mergeComments(const orvane::compare::Configuration& source, const QString& updatePath,
                      const std::optional<orvane::files::FileVersion>& comparedAs = std::nullopt,
                      const QString& saveAs = {});

} // namespace ostrel
