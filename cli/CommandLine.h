#pragma once
// The orvane command line: what the user asked for, or why it cannot be done.

#include "orvane/report/Report.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace orvane::cli {

enum class Command { Download, Upload, Verify, VersionId, Print, Monitor };

// What `monitor` polls and how often.
struct MonitorOptions {
    std::vector<int> blocks;      // empty: every block the all-blocks grid reads
    int intervalMs = 1000;        // from the start of one pass to the next
    int count = 0;                // passes; 0: until interrupted
};

struct Options {
    Command command = Command::VersionId;
    QString file;                 // the configuration (not for version-id)
    QString port;                 // device path, host:port, a port number, or "Simulator"
    QString baud = QStringLiteral("38400");
    QString parity = QStringLiteral("O");
    bool yes = false;             // answer the question with yes instead of asking
    QString catalogueDir;         // empty: beside the executable
    QString pdf;                  // print: the PDF file to write
    orvane::report::PrintOptions print;
    MonitorOptions monitor;
};

struct ParsedCommandLine {
    bool help = false;
    std::optional<Options> options;
    QString error;                // set when neither help nor options
};

// `arguments` without the program name.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

QString usageText();
// A command line refused with its reason.
ParsedCommandLine failure(const QString& error);

// Exit codes.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;     // the controller, the port or the file failed
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDeclined = 3;   // the question was answered no
inline constexpr int kExitNoController = 4;   // monitor: no controller answers, or its port closed

} // namespace orvane::cli
