#pragma once
// orvane print: the editor's printed report of a configuration, written as a PDF file.

#include "CommandLine.h"

namespace orvane::cli {

// The arguments after "print": FILE --pdf OUT.pdf [--from N] [--to N] [--no-grid] [--no-blocks]
// [--catalogue DIR].
ParsedCommandLine parsePrintCommand(const QStringList& arguments);

// Lays out the report from a working copy of the file and writes the PDF. Needs a
// QGuiApplication. Returns the exit code.
int printReport(const Options& options);

} // namespace orvane::cli
