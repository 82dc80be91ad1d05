#pragma once
// The check's findings as a person reads them and as JSON for other programs.

#include "orvane/flow/ConfigurationCheck.h"

#include <QByteArray>
#include <QStringList>

namespace orvane::flow {

// One line a finding: "error input-unused-block: Block 20 (PID) input 2 ...", then the counts.
QStringList findingLines(const std::vector<Finding>& findings);

// {"file": ..., "errors": n, "warnings": n, "information": n,
//  "findings": [{"rule", "severity", "block", "place", "message"}]}; block is null when none.
QByteArray findingsJson(const QString& file, const std::vector<Finding>& findings);

} // namespace orvane::flow
