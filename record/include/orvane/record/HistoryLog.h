#pragma once
// The transfers' record kept in the transfer history: every download, upload and verify
// of the editor and the command line becomes one entry.

#include "orvane/transfer/Commands.h"

#include <QString>

namespace orvane::record {

class HistoryLog : public orvane::transfer::TransferLog {
public:
    // `sharedFolder`: the folder set for a team ("" for this user's own); `file`: the
    // configuration file the transfers are about.
    HistoryLog(QString sharedFolder, QString file);

    std::optional<std::string> record(const orvane::transfer::TransferFacts& facts, kessig::OrvaneDB& db) override;
    std::optional<std::string> recordedAs(const orvane::transfer::ControllerMemory& image) override;

private:
    QString shared_;
    QString file_;
};

// The login name of the user running this program.
QString loginName();
// "Brevant 7.11": the program's name and the tool set's version.
QString programAndVersion();

} // namespace orvane::record
