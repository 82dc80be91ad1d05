#pragma once
// `orvane compare FILE1 FILE2 [--report L|S]`: the compare log on standard output, for
// scripts and version-control hooks.

#include <QStringList>

namespace orvane::cli {

// `arguments` after the word "compare". Exit status: 0 nothing differs, 1 something
// does (the result flags on standard error), 2 the files could not be compared.
int runCompare(const QStringList& arguments);

} // namespace orvane::cli
