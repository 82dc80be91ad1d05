#pragma once
// The configuration check run before a download and on demand: each finding names its
// rule, how grave it is and the block, input, parameter or quick message it is about.

#include "orvane/flow/ConfigurationSnapshot.h"

#include <QString>

#include <vector>

namespace orvane::flow {

enum class Severity { Error, Warning, Information };
QString severityName(Severity severity);   // "error", "warning", "information"

struct Rule {
    const char* id;
    Severity severity;
    const char* summary;
};

// Every rule, in the order findings are listed within a block.
const std::vector<Rule>& checkRules();

// Where a finding points.
struct Finding {
    const Rule* rule = nullptr;
    int block = -1;          // the block to go to; -1 for none
    QString place;           // "input 2", "parameter 3", "quick message 4" or ""
    QString message;         // the whole sentence, naming block, input or parameter

    Severity severity() const { return rule->severity; }
};

// Findings in block order (quick messages last), errors of a block before its warnings.
std::vector<Finding> checkConfiguration(const ConfigurationSnapshot& snapshot);

bool hasErrors(const std::vector<Finding>& findings);
// "2 errors, 1 warning, 3 notes".
QString findingCounts(const std::vector<Finding>& findings);

} // namespace orvane::flow
