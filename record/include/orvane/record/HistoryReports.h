#pragma once
// The transfer history as the command line prints it: a list of entries, one entry with
// its configuration, what a check found, what a controller holds; as lines for a person
// or as one JSON object for a program.

#include "orvane/record/HeldConfiguration.h"
#include "orvane/record/TransferHistory.h"

#include <QByteArray>
#include <QJsonObject>

namespace orvane::record {

// One line an entry, in their order: id, time, operation, outcome, file, who, port.
QByteArray listingText(const std::vector<TransferEntry>& entries);
QJsonObject listingJson(const QString& folder, const std::vector<TransferEntry>& entries, const QStringList& skipped);
// Every fact of the entry, then its configuration's text form.
QByteArray entryText(const ParsedEntry& entry);
QJsonObject entryJsonWhole(const ParsedEntry& entry);
// The entries changed since they were written, and how many are as written.
QByteArray checkText(const TransferHistory::Check& check);
QJsonObject checkJson(const TransferHistory::Check& check);
// What the controller at `port`, identifying itself as `identification`, holds.
QByteArray heldReportText(const HeldConfiguration& held, const QString& port, const QString& identification);
QJsonObject heldReportJson(const HeldConfiguration& held, const QString& port, const QString& identification);

} // namespace orvane::record
