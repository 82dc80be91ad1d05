// orvane: download, upload, verify and version-id from the command line, with the
// same commands the editor runs, the editor's printed report as a PDF file, the compare
// log of two configurations, and monitor, a data logger of block outputs.
#include "CommandLine.h"
#include "CompareCommand.h"
#include "ConfigurationCopy.h"
#include "MonitorCommand.h"
#include "PrintCommand.h"
#include "Terminal.h"
#include "TextCommands.h"

#include "orvane/files/Leftovers.h"
#include "orvane/files/SafeSave.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/files/WritingHold.h"

#include "orvane/formats/JetFiles.h"
#include "orvane/link/Link.h"
#include "orvane/link/PortList.h"
#include "orvane/record/HistoryLog.h"
#include "orvane/record/TransferHistory.h"
#include "orvane/sim/SimulatorProcess.h"
#include "orvane/transfer/Commands.h"
#include "orvane/transfer/LinkExchange.h"
#include "orvane/transfer/Texts.h"
#include "orvane/transfer/Verify.h"

#include <kessig/OrvaneDB.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

namespace orvane::cli {

namespace {

// Points the link at the chosen port; a simulator is started for "Simulator".
bool configureLink(orvane::link::Link& link, const Options& options,
                   std::unique_ptr<orvane::sim::SimulatorProcess>& simulator)
{
    const auto port = orvane::link::resolvePortName(options.port.toStdString(), [&]() -> std::optional<std::string> {
        simulator = std::make_unique<orvane::sim::SimulatorProcess>();
        if (!simulator->start()) {
            say(QStringLiteral("cannot start the simulator: ") + simulator->errorText());
            return std::nullopt;
        }
        return simulator->portName().toStdString();
    });
    if (!port)
        return false;
    bool isNumber = false;
    const int number = QString::fromStdString(*port).toInt(&isNumber);
    if (isNumber && number > 0) {
        link.settings.CommPortNumber = static_cast<int16_t>(number);
        link.settings.CommPortName.clear();
    } else {
        link.settings.CommPortName = *port;
    }
    link.settings.CommBaudRate = options.baud.toStdString();
    link.settings.CommParity = options.parity.toStdString();
    return true;
}

int exitCode(orvane::transfer::Outcome outcome)
{
    switch (outcome) {
    case orvane::transfer::Outcome::Completed: return kExitSuccess;
    case orvane::transfer::Outcome::Declined: return kExitDeclined;
    case orvane::transfer::Outcome::Failed: break;
    }
    return kExitFailed;
}

int versionId(orvane::link::Link& link, TerminalReporter& reporter)
{
    orvane::transfer::PortSession port(link);
    if (!port.isOpen())
        return kExitFailed;
    link.poll_orvane();
    if (link.reply_ok) {
        const std::string identification = link.read_version_id();
        if (link.reply_ok) {
            std::printf("%s\n", orvane::link::printableText(identification).c_str());
            return kExitSuccess;
        }
    }
    reporter.message(orvane::transfer::texts::kNoConnection, "", orvane::transfer::Icon::None);
    return kExitFailed;
}

int verify(orvane::link::Link& link, kessig::OrvaneDB& db, const std::string& file, TerminalReporter& reporter,
           orvane::transfer::TransferLog& log)
{
    const auto result = orvane::transfer::verifyAgainstController(link, db, file, reporter, log);
    if (result.outcome != orvane::transfer::Outcome::Completed)
        return kExitFailed;
    if (result.differences.empty()) {
        std::printf("%s\n", orvane::transfer::kConfigurationMatches);
        return kExitSuccess;
    }
    if (result.heldAs)
        std::printf("%s\n", orvane::transfer::texts::controllerHolds(*result.heldAs).c_str());
    for (const std::string& line : result.differences)
        std::printf("%s\n", line.c_str());
    return kExitFailed;
}

// Download, upload or verify on a working copy of the file.
int onConfiguration(const Options& options, orvane::link::Link& link, TerminalReporter& reporter)
{
    const auto copy = copyForStore(options.file);
    if (!copy)
        return kExitFailed;
    const bool upload = options.command == Command::Upload;
    // Refused before the controller is asked for anything.
    if (const auto why = upload ? orvane::files::whyNotReplaceable(options.file) : std::nullopt) {
        say(*why + QStringLiteral("; an upload cannot replace it"));
        return kExitFailed;
    }
    const QString catalogue =
        options.catalogueDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.catalogueDir;

    TerminalOperator user(std::cin, stderr, options.yes);
    if (upload && orvane::files::heldForWriting(options.file) && !user.askYesNo(replaceQuestion(options.file, QStringLiteral("Replace it with the upload?")).toStdString()))
        return kExitDeclined;
    // An editor opening the file meanwhile is told that this upload will replace it.
    const std::unique_ptr<orvane::files::WritingHold> hold =
        upload ? std::make_unique<orvane::files::WritingHold>(options.file) : nullptr;
    const std::string userFile = options.file.toStdString();  // messages name it, not the copy
    orvane::record::HistoryLog log(qEnvironmentVariable(orvane::record::kHistoryVariable), options.file);
    kessig::OrvaneDB db;
    int code = kExitFailed;
    try {
        db.open_database(catalogue.toStdString());
        // The store's messages name the user's file, never the working copy.
        db.open_existing_database(copy->path().toStdString(), kessig::Durability::Full, options.file.toStdString());
        switch (options.command) {
        case Command::Download:
            code = exitCode(orvane::transfer::CMDDWNLD_Click(link, db, userFile, reporter, user, log));
            break;
        case Command::Upload: {
            orvane::transfer::BlockFunctionTable table{};
            code = exitCode(orvane::transfer::Command6_Click(link, db, table, reporter, user, log));
            break;
        }
        case Command::Verify:
            code = verify(link, db, userFile, reporter, log);
            break;
        case Command::Monitor:
            code = monitorBlocks(options, link, db, reporter);
            break;
        case Command::VersionId:
        case Command::Print:
            break;
        }
        db.close_work_dbs();
        db.close_database();
    } catch (const std::exception& e) {
        return failed(e);
    }
    if (upload && code == kExitSuccess) {
        const QString target = copy->originalChanged()
                                   ? whereToSaveOverAChange(user, options.file, QStringLiteral("while the upload ran"))
                                   : options.file;
        if (target.isEmpty()) {
            say(options.file + QStringLiteral(" is unchanged; the upload was not saved"));
            return kExitDeclined;
        }
        const auto replaced = orvane::formats::replaceConfiguration(copy->path(), target);
        if (replaced.error) {
            say(*replaced.error + QStringLiteral("; ") + target + QStringLiteral(" is unchanged"));
            return kExitFailed;
        }
        if (!replaced.keptOriginal.isEmpty())
            std::fprintf(stderr, "%s\n",
                         terminalText(orvane::formats::keptOriginalMessage(target, replaced.keptOriginal).toStdString())
                             .c_str());
        std::fprintf(stderr, "%s saved\n", target.toLocal8Bit().constData());
    }
    if (options.command == Command::Download && code == kExitSuccess)
        std::fprintf(stderr, "Download complete\n");
    return code;
}

int run(const Options& options)
{
    if (options.command == Command::Print)
        return printReport(options);
    TerminalReporter reporter(stderr);
    std::unique_ptr<orvane::sim::SimulatorProcess> simulator;
    orvane::link::Link link;
    link.setReporter(&reporter);
    if (!configureLink(link, options, simulator))
        return kExitFailed;
    if (options.command == Command::VersionId)
        return versionId(link, reporter);
    return onConfiguration(options, link, reporter);
}

} // namespace

} // namespace orvane::cli

int main(int argc, char** argv)
{
    // Printing draws text, which needs the GUI library; it never needs a display.
    const bool printing = argc > 1 && std::strcmp(argv[1], "print") == 0;
    if (printing)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        printing ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    // Ctrl-C or a kill leaves no working copy behind; copies other runs left go now.
    orvane::files::removeWorkingFilesOnTermination();
    orvane::files::removeLeftovers();
    if (const auto code = orvane::cli::runTextCommand(arguments))
        return *code;
    if (arguments.value(0) == QStringLiteral("compare") && !arguments.contains(QStringLiteral("--help"))) {
        // File names as the system gave them, which need not be UTF-8.
        QByteArrayList words;
        for (int i = 2; i < argc; ++i)
            words << QByteArray(argv[i]);
        return orvane::cli::runCompare(words);
    }
    const auto parsed = orvane::cli::parseCommandLine(arguments);
    if (parsed.help) {
        std::fputs((orvane::cli::usageText() + orvane::cli::textCommandsUsage()).toLocal8Bit().constData(), stdout);
        return orvane::cli::kExitSuccess;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "orvane: %s\n%s", parsed.error.toLocal8Bit().constData(),
                     "Try \"orvane --help\".\n");
        return orvane::cli::kExitUsage;
    }
    return orvane::cli::run(*parsed.options);
}
