#include "CommandLine.h"
#include "PrintCommand.h"

#include "orvane/link/PortList.h"

namespace orvane::cli {

namespace {

const QStringList kBaudRates = {"38400", "19200", "9600", "4800", "2400", "1200"};

std::optional<Command> commandNamed(const QString& word)
{
    if (word == "download")
        return Command::Download;
    if (word == "upload")
        return Command::Upload;
    if (word == "verify")
        return Command::Verify;
    if (word == "version-id")
        return Command::VersionId;
    if (word == "print")
        return Command::Print;
    if (word == "monitor")
        return Command::Monitor;
    return std::nullopt;
}

// "10,12,37": block numbers 0..159; the reason when the list is not one.
std::optional<QString> parseBlocks(const QString& text, std::vector<int>& blocks)
{
    for (const QString& item : text.split(QLatin1Char(','))) {
        bool number = false;
        const int block = item.trimmed().toInt(&number);
        if (!number || block < 0 || block > 159)
            return QStringLiteral("--blocks: \"%1\" is no block number 0..159").arg(item);
        blocks.push_back(block);
    }
    return std::nullopt;
}

std::optional<QString> parseCount(const QString& option, const QString& text, int lowest, int& into)
{
    bool number = false;
    into = text.toInt(&number);
    if (!number || into < lowest)
        return QStringLiteral("%1 must be a whole number from %2 up").arg(option).arg(lowest);
    return std::nullopt;
}

} // namespace

ParsedCommandLine failure(const QString& error)
{
    ParsedCommandLine parsed;
    parsed.error = error;
    return parsed;
}

ParsedCommandLine parseCommandLine(const QStringList& arguments)
{
    if (arguments.contains("--help") || arguments.contains("-h")) {
        ParsedCommandLine parsed;
        parsed.help = true;
        return parsed;
    }
    if (arguments.isEmpty())
        return failure(QStringLiteral("no command given"));
    const std::optional<Command> command = commandNamed(arguments.first());
    if (!command)
        return failure(QStringLiteral("unknown command \"%1\"").arg(arguments.first()));
    if (*command == Command::Print)
        return parsePrintCommand(arguments.mid(1));

    Options options;
    options.command = *command;
    QStringList files;
    bool allBlocks = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const auto value = [&](QString& into) {
            if (i + 1 >= arguments.size())
                return false;
            into = arguments[++i];
            return true;
        };
        if (arg == "--yes") {
            options.yes = true;
        } else if (arg == "--all" || arg == "--blocks" || arg == "--interval" || arg == "--count") {
            if (options.command != Command::Monitor)
                return failure(QStringLiteral("%1 is only for monitor").arg(arg));
            if (arg == "--all") {
                allBlocks = true;
                continue;
            }
            QString text;
            if (!value(text))
                return failure(QStringLiteral("%1 needs a value").arg(arg));
            const auto bad = arg == "--blocks"   ? parseBlocks(text, options.monitor.blocks)
                             : arg == "--count" ? parseCount(arg, text, 1, options.monitor.count)
                                                : parseCount(arg, text, 0, options.monitor.intervalMs);
            if (bad)
                return failure(*bad);
        } else if (arg == "--port" || arg == "--baud" || arg == "--parity" || arg == "--catalogue") {
            QString& into = arg == "--port" ? options.port
                          : arg == "--baud" ? options.baud
                          : arg == "--parity" ? options.parity
                                              : options.catalogueDir;
            if (!value(into))
                return failure(QStringLiteral("%1 needs a value").arg(arg));
        } else if (arg.startsWith("--")) {
            return failure(QStringLiteral("unknown option %1").arg(arg));
        } else {
            files << arg;
        }
    }

    if (allBlocks && !options.monitor.blocks.empty())
        return failure(QStringLiteral("--blocks and --all exclude each other"));
    if (options.port.isEmpty())
        return failure(QStringLiteral("--port is required"));
    if (const auto bad = orvane::link::portNameError(options.port.toStdString()))
        return failure(QString::fromStdString(*bad));
    if (!kBaudRates.contains(options.baud))
        return failure(QStringLiteral("--baud must be one of %1").arg(kBaudRates.join(", ")));
    options.parity = options.parity.toUpper();
    if (options.parity != "O" && options.parity != "E" && options.parity != "N")
        return failure(QStringLiteral("--parity must be O, E or N"));
    const bool needsFile = options.command != Command::VersionId;
    if (needsFile && files.size() != 1)
        return failure(QStringLiteral("%1 needs exactly one configuration file").arg(arguments.first()));
    if (!needsFile && !files.isEmpty())
        return failure(QStringLiteral("version-id takes no file"));
    if (needsFile)
        options.file = files.first();

    ParsedCommandLine parsed;
    parsed.options = options;
    return parsed;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: orvane COMMAND [FILE] --port PORT [options]\n"
        "\n"
        "Commands:\n"
        "  download FILE    write the configuration FILE into the controller\n"
        "  upload FILE      read the controller into FILE (FILE is replaced only when\n"
        "                   the whole upload succeeded)\n"
        "  verify FILE      compare the controller with what a download of FILE would write\n"
        "  version-id       show the controller's identification text\n"
        "  print FILE --pdf OUT.pdf [--from N] [--to N] [--no-grid] [--no-blocks]\n"
        "                   write the printed report of FILE into a PDF file: the block\n"
        "                   grid and description, and the used blocks N to N (default\n"
        "                   4 to 159); needs no port\n"
        "  compare [--report L|S] [--] FILE1 FILE2\n"
        "                   write the compare log of two configuration files to standard\n"
        "                   output (L: all differences, the default; S: block functions and\n"
        "                   inputs; \"--\" ends the options); exit status 0 when nothing\n"
        "                   differs, 1 when something does or a part could not be compared\n"
        "                   (the result flags and those parts on standard error), 2 when\n"
        "                   nothing could be compared\n"
        "  monitor FILE     poll block outputs and print one CSV line a pass on standard\n"
        "                   output: an ISO 8601 time, then each block's value (empty when\n"
        "                   no trustworthy reply came); the first line names the blocks.\n"
        "                   A pass in which no block answered, or in which the controller\n"
        "                   stopped answering, prints no line; after 3 passes running in\n"
        "                   which no block answered, or when the port closes, it says so on\n"
        "                   standard error and ends with exit status 4\n"
        "\n"
        "Options:\n"
        "  --port PORT      a serial device (/dev/ttyUSB0), a port number (1 is /dev/ttyS0),\n"
        "                   host:port of a serial device server, or Simulator\n"
        "  --baud N         38400 (default), 19200, 9600, 4800, 2400 or 1200\n"
        "  --parity P       O (default), E or N\n"
        "  --yes            answer the download warning or the upload question with yes\n"
        "                   (otherwise asked on the terminal; end of input means no), and\n"
        "                   replace a file that an editor holds open for writing; a file\n"
        "                   another program changed while an upload ran is never\n"
        "                   overwritten by --yes: only an answer typed on the terminal does\n"
        "  --catalogue DIR  folder holding OrvaneDATA.DAT (default: beside this program)\n"
        "  --blocks LIST    monitor: these blocks (10,12,37), each read by its function's type\n"
        "  --all            monitor: every block in use with an analog or discrete output\n"
        "                   (the default)\n"
        "  --interval MS    monitor: a pass every MS milliseconds (default 1000)\n"
        "  --count N        monitor: stop after N passes (default: at Ctrl+C)\n"
        "  --help           this text\n"
        "\n"
        "Messages and progress go to standard error; the identification text, the\n"
        "verify result and the monitor's lines to standard output.\n"
        "Exit status: 0 done, 1 failed (or verify found differences), 2 bad command line,\n"
        "3 the question was answered no, 4 no controller (monitor: the controller did not\n"
        "answer the poll or stopped answering, or the port closed).\n");
}

} // namespace orvane::cli
