#pragma once
// The transfer history as the command line prints it: a list of entries, one entry with
// its configuration, what a check found, what a controller holds; as lines for a person
// or as JSON for a program.

#include "orvane/record/HeldConfiguration.h"
#include "orvane/record/TransferHistory.h"

#include <QByteArray>

namespace orvane::record {

// One line an entry, newest first: id, time, operation, outcome, file, who, port.
QByteArray listingReport(const std::vector<TransferEntry>& entries, bool json);
// Every fact of the entry, then its configuration's text form.
QByteArray entryReport(const ParsedEntry& entry, bool json);
// The entries changed since they were written, and how many are whole.
QByteArray checkReport(const TransferHistory::Check& check, bool json);
// What the controller at `port`, identifying itself as `identification`, holds.
QByteArray heldReport(const HeldConfiguration& held, const QString& port, const QString& identification, bool json);

} // namespace orvane::record
