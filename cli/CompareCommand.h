#pragma once
// `orvane compare FILE1 FILE2 [--report L|S]`: the compare log on standard output, for
// scripts and version-control hooks.

#include <QByteArrayList>

namespace orvane::cli {

// `arguments` after the word "compare", as the system gave them: file names need not be
// UTF-8; "--" ends the options. Exit status: 0 nothing differs, 1 something does or a
// part could not be compared (the result flags and the parts on standard error), 2
// nothing could be compared.
int runCompare(const QByteArrayList& arguments);

} // namespace orvane::cli
