#pragma once
// The options and exit statuses that several of orvane's commands share, so each has
// the same name, short form and words everywhere, and the one JSON form of a result.

#include "orvane/arguments/Syntax.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <optional>

namespace orvane::cli {

namespace args = orvane::arguments;

args::Option quietOption();
args::Option catalogueOption();
args::Option jsonOption();
// -y, --yes: answers the command's question, described by `what`.
args::Option yesOption(const QString& what);

// -p/--port (required), --baud and --parity.
args::Syntax& withLineOptions(args::Syntax& syntax);

// The line the options choose.
struct Line {
    QString port;      // as given: a device, a by-id name, host:port, a port number or "Simulator"
    QString baud;
    QString parity;    // "O", "E" or "N"
};
// The line of `arguments`, or nullopt with the reason in `error`.
std::optional<Line> chosenLine(const args::Arguments& arguments, QString& error);

// The folder of OrvaneDATA.DAT: --catalogue, else beside this program.
QString catalogueFolder(const args::Arguments& arguments);

// Adds the exit statuses `statuses` to the syntax's help in the words shared by every
// command (kExitDone, kExitUsage, kExitDeclined, kExitNoController, kExitInterrupted);
// a status with a meaning of the command's own is added by the command.
args::Syntax& withExitStatuses(args::Syntax& syntax, std::initializer_list<int> statuses);

// Writes `result` as one line of compact JSON on standard output.
bool printJson(const QJsonObject& result);
// Writes `lines` on standard output, one a line; a control character a file's text
// brings is shown as "?".
bool printLines(const QStringList& lines);

// The whole number `text` when it lies from `lowest` to `highest`.
std::optional<int> numberIn(const QString& text, int lowest, int highest);

} // namespace orvane::cli
