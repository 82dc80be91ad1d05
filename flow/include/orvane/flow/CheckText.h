#pragma once
// The check's findings as a person reads them and as JSON for other programs.

#include "orvane/flow/ConfigurationCheck.h"

#include <QJsonObject>
#include <QStringList>

#include <optional>

namespace orvane::flow {

// One line a finding: "error input-unused-block: Block 20 (PID) input 2 ...", then the counts.
QStringList findingLines(const std::vector<Finding>& findings);

// {"file": ..., "errors": n, "warnings": n, "information": n,
//  "findings": [{"rule", "severity", "block", "place", "message"}]}; block is null when none.
QJsonObject findingsJson(const QString& file, const std::vector<Finding>& findings);

// What a download shows before it asks whether to go on: nothing when the findings hold
// no error, else "The configuration check found 2 errors:", a blank line and the first
// `listed` errors one a line ("\r" between lines, as message boxes take them), then that
// `allListedBy` lists the rest.
std::optional<QString> errorsBeforeDownload(const std::vector<Finding>& findings, size_t listed,
                                            const QString& allListedBy);

} // namespace orvane::flow
