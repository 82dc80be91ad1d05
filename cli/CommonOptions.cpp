#include "CommonOptions.h"

#include "Terminal.h"

#include "orvane/arguments/ExitStatus.h"
#include "orvane/link/PortList.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>
#include <map>

namespace orvane::cli {

using namespace orvane::arguments;

namespace {
const QStringList kBaudRates = {"38400", "19200", "9600", "4800", "2400", "1200"};
} // namespace

args::Option quietOption()
{
    return {{"q", "quiet"}, {}, "print nothing but errors: no progress, no notes"};
}

args::Option catalogueOption()
{
    return {{"catalogue"}, "DIR", "the folder of the function catalogue OrvaneDATA.DAT (default: beside this program)"};
}

args::Option jsonOption()
{
    return {{"json"}, {}, "print the result as one JSON object on standard output (see JSON output)"};
}

args::Option yesOption(const QString& what) { return {{"y", "yes"}, {}, what}; }

args::Syntax& withLineOptions(args::Syntax& syntax)
{
    return syntax
        .option({{"p", "port"}, "PORT",
                 "the controller's port: a serial device (/dev/ttyUSB0) or one of its names under "
                 "/dev/serial/by-id (\"orvane ports\" lists them), a port number (1 is /dev/ttyS0), "
                 "host:port of a serial device server, or Simulator (a simulator started for this run)",
                 true})
        .option({{"baud"}, "N", "the line's rate: 38400 (the default), 19200, 9600, 4800, 2400 or 1200"})
        .option({{"parity"}, "P", "the line's parity: O (odd, the default), E (even) or N (none)"});
}

std::optional<Line> chosenLine(const args::Arguments& arguments, QString& error)
{
    Line line{arguments.value("port"), arguments.isSet("baud") ? arguments.value("baud") : QStringLiteral("38400"),
              arguments.isSet("parity") ? arguments.value("parity").toUpper() : QStringLiteral("O")};
    if (const auto bad = orvane::link::portNameError(line.port.toStdString()))
        error = QString::fromStdString(*bad);
    else if (!kBaudRates.contains(line.baud))
        error = QStringLiteral("--baud must be one of %1").arg(kBaudRates.join(", "));
    else if (line.parity != "O" && line.parity != "E" && line.parity != "N")
        error = QStringLiteral("--parity must be O, E or N");
    else
        return line;
    return std::nullopt;
}

QString catalogueFolder(const args::Arguments& arguments)
{
    return arguments.isSet("catalogue") ? arguments.value("catalogue") : QCoreApplication::applicationDirPath();
}

args::Syntax& withExitStatuses(args::Syntax& syntax, std::initializer_list<int> statuses)
{
    // What each shared status means wherever a command can end with it; "differs" and the
    // like are said by the commands that have them.
    static const std::map<int, const char*> kMeanings{
        {kExitDone, "done"},
        {kExitUsage, "a bad command line, or a file that cannot be read, used or written (the reason on standard "
                     "error)"},
        {kExitDeclined, "the question was answered no, or the input ended before an answer"},
        {kExitNoController, "no controller: the port is missing, busy or not permitted (the reason on standard "
                            "error), the controller did not answer, or the line to it failed"},
        {kExitInterrupted, "stopped by Ctrl+C or SIGTERM; standard error says what the controller holds"},
    };
    for (const int status : statuses)
        if (const auto meaning = kMeanings.find(status); meaning != kMeanings.end())
            syntax.exitStatus(status, meaning->second);
    return syntax;
}

bool printJson(const QJsonObject& result)
{
    const QByteArray bytes = QJsonDocument(result).toJson(QJsonDocument::Compact) + '\n';
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) &&
           std::fflush(stdout) == 0;
}

bool printLines(const QStringList& lines)
{
    for (const QString& line : lines)
        std::printf("%s\n", terminalText(line.toLocal8Bit().toStdString()).c_str());
    return std::fflush(stdout) == 0;
}

std::optional<int> numberIn(const QString& text, int lowest, int highest)
{
    bool number = false;
    const int value = text.toInt(&number);
    if (!number || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

} // namespace orvane::cli
