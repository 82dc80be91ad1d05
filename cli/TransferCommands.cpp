// download, upload, verify and version-id: the editor's commands on the controller, run
// from the command line with the same texts, checks and questions.
#include "Commands.h"

#include "CommonOptions.h"
#include "ConfigurationCopy.h"
#include "ControllerSession.h"

#include "orvane/arguments/ExitStatus.h"
#include "orvane/files/SafeSave.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/files/WritingHold.h"
#include "orvane/flow/CheckText.h"
#include "orvane/formats/JetFiles.h"
#include "orvane/record/HistoryLog.h"
#include "orvane/record/TransferHistory.h"
#include "orvane/transfer/LinkExchange.h"
#include "orvane/transfer/Rules.h"
#include "orvane/transfer/Texts.h"

#include <kessig/OrvaneDB.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <cstdio>
#include <iostream>

namespace orvane::cli {

using namespace orvane::arguments;

namespace {

enum class Task { Download, Upload, Verify };

const char* const kVerifyJson =
    "{\"file\": FILE, \"port\": PORT, \"matches\": true or false, \"differences\": [one text a difference, as "
    "without --json], \"heldAs\": what the transfer history says the controller holds when it differs, or null}";
const char* const kVersionIdJson =
    "{\"port\": PORT, \"identification\": the 24 characters, \"romVersion\": \"2.50\" (null when the text names "
    "none)}";

int versionId(const Arguments& arguments)
{
    ControllerSession session(arguments.isSet("quiet"));
    if (const auto refused = session.connect(arguments))
        return *refused;
    orvane::transfer::PortSession port(session.link);
    if (!port.isOpen())
        return kExitNoController;
    session.link.poll_orvane();
    const std::string identification = session.link.reply_ok ? session.link.read_version_id() : std::string();
    if (!session.link.reply_ok) {
        session.reporter.message(orvane::transfer::texts::kNoConnection);
        return kExitNoController;
    }
    const std::string shown = orvane::link::printableText(identification);
    if (!arguments.isSet("json")) {
        std::printf("%s\n", shown.c_str());
        return kExitDone;
    }
    const auto rom = orvane::transfer::romVersionText(identification);
    printJson({{"port", arguments.value("port")},
               {"identification", QString::fromStdString(shown)},
               {"romVersion", rom ? QJsonValue(QString::fromStdString(orvane::link::printableText(*rom))) : QJsonValue()}});
    return kExitDone;
}

int verify(const Arguments& arguments, orvane::link::Link& link, kessig::OrvaneDB& db, TerminalReporter& reporter,
           orvane::transfer::TransferLog& log)
{
    const QString file = arguments.positional().first();
    const auto result = orvane::transfer::verifyAgainstController(link, db, file.toStdString(), reporter, log);
    if (result.outcome != orvane::transfer::Outcome::Completed)
        return exitStatusOf(result.outcome);
    const int status = result.differences.empty() ? kExitDone : kExitDiffers;
    if (arguments.isSet("json")) {
        QJsonArray differences;
        for (const std::string& line : result.differences)
            differences.append(QString::fromStdString(line));
        printJson({{"file", file}, {"port", arguments.value("port")}, {"matches", result.differences.empty()},
                   {"differences", differences},
                   {"heldAs", result.heldAs ? QJsonValue(QString::fromStdString(*result.heldAs)) : QJsonValue()}});
        return status;
    }
    if (result.differences.empty())
        std::printf("%s\n", orvane::transfer::kConfigurationMatches);
    if (result.heldAs)
        std::printf("%s\n", orvane::transfer::texts::controllerHolds(*result.heldAs).c_str());
    for (const std::string& line : result.differences)
        std::printf("%s\n", line.c_str());
    return status;
}

// The configuration check before a download: its errors are said, even when quiet since
// they are errors, and the download goes on only when the user says so.
bool checkedForDownload(kessig::OrvaneDB& db, TerminalReporter& reporter, TerminalOperator& user)
{
    constexpr size_t kErrorsListed = 15;
    const auto errors = orvane::flow::errorsBeforeDownload(
        orvane::flow::checkConfiguration(orvane::flow::ConfigurationSnapshot::read(db)), kErrorsListed,
        QStringLiteral("orvane check"));
    if (!errors)
        return true;
    reporter.message(errors->toLocal8Bit().toStdString());
    return user.askYesNo("Download anyway?");
}

// Saves the uploaded configuration `built` as `file`, asking where another program changed
// (or made) the file while the upload ran.
int saveUpload(const QString& built, const QString& file, bool changedMeanwhile, TerminalOperator& user,
               TerminalReporter& reporter)
{
    const QString target = changedMeanwhile ? whereToSaveOverAChange(user, file, QStringLiteral("while the upload ran")) : file;
    if (target.isEmpty()) {
        say(file + QStringLiteral(" is unchanged; the upload was not saved"));
        return kExitDeclined;
    }
    const auto replaced = orvane::formats::replaceConfiguration(built, target);
    if (replaced.error) {
        say(*replaced.error + QStringLiteral("; ") + target + QStringLiteral(" is unchanged"));
        return kExitUsage;
    }
    if (!replaced.keptOriginal.isEmpty())
        reporter.message(orvane::formats::keptOriginalMessage(target, replaced.keptOriginal).toStdString());
    reporter.note(target.toLocal8Bit().toStdString() + " saved");
    return kExitDone;
}

// Download, upload or verify on a working copy of the file, or for an upload into a file
// that does not exist yet, on a new configuration, as the editor's New then Upload.
int onConfiguration(const Arguments& arguments, Task task)
{
    const QString file = arguments.positional().first();
    const bool quiet = arguments.isSet("quiet");
    ControllerSession session(quiet);
    if (const auto refused = session.connect(arguments))
        return *refused;
    const bool upload = task == Task::Upload;
    const bool newFile = upload && !QFileInfo::exists(file) && !QFileInfo(file).isSymLink();
    std::unique_ptr<orvane::files::WorkingCopy> copy;
    std::unique_ptr<orvane::files::WorkingFolder> newFolder;
    if (newFile) {
        const QFileInfo folder(QFileInfo(file).absolutePath());
        if (!folder.isDir() || !folder.isWritable()) {
            say(folder.filePath() + (folder.isDir() ? QStringLiteral(" takes no new file") : QStringLiteral(": no such folder")) +
                QStringLiteral("; an upload cannot make ") + file);
            return kExitUsage;
        }
        try {
            newFolder = std::make_unique<orvane::files::WorkingFolder>(orvane::files::WorkingFolder::Purpose::Import);
        } catch (const std::exception& e) {
            return failed(e);
        }
    } else {
        copy = copyForStore(file);
        if (!copy)
            return kExitUsage;
        // Refused before the controller is asked for anything.
        if (const auto why = upload ? orvane::files::whyNotReplaceable(file) : std::nullopt) {
            say(*why + QStringLiteral("; an upload cannot replace it"));
            return kExitUsage;
        }
    }
    const QString store = newFile ? newFolder->filePath(QStringLiteral("configuration.mdb")) : copy->path();

    TerminalOperator user(std::cin, stderr, arguments.isSet("yes"), quiet);
    // A new file has nothing to overwrite: the upload's question is not asked.
    TerminalOperator nothingToAsk(std::cin, stderr, true, true);
    if (upload && !newFile && orvane::files::heldForWriting(file) &&
        !user.askYesNo(replaceQuestion(file, QStringLiteral("Replace it with the upload?")).toStdString()))
        return kExitDeclined;
    // An editor opening the file meanwhile is told that this upload will replace it.
    const std::unique_ptr<orvane::files::WritingHold> hold =
        upload && !newFile ? std::make_unique<orvane::files::WritingHold>(file) : nullptr;
    // Recorded under the name the user gave the file, resolved to where it lies.
    orvane::record::HistoryLog log(qEnvironmentVariable(orvane::record::kHistoryVariable), file);
    kessig::OrvaneDB db;
    int status = kExitUsage;
    try {
        db.open_database(catalogueFolder(arguments).toStdString());
        if (newFile)
            db.create_new_database(store.toStdString());
        // The store's messages name the user's file, never the working copy.
        db.open_existing_database(store.toStdString(), kessig::Durability::Full, file.toStdString());
        switch (task) {
        case Task::Download:
            status = checkedForDownload(db, session.reporter, user)
                         ? exitStatusOf(orvane::transfer::CMDDWNLD_Click(session.link, db, file.toStdString(),
                                                                         session.reporter, user, log))
                         : kExitDeclined;
            break;
        case Task::Upload: {
            orvane::transfer::BlockFunctionTable table{};
            status = exitStatusOf(orvane::transfer::Command6_Click(session.link, db, table, session.reporter,
                                                                   newFile ? nothingToAsk : user, log));
            break;
        }
        case Task::Verify:
            status = verify(arguments, session.link, db, session.reporter, log);
            break;
        }
        db.close_work_dbs();
        db.close_database();
    } catch (const std::exception& e) {
        return failed(e);
    }
    if (upload && status == kExitDone)
        return saveUpload(store, file, newFile ? QFileInfo::exists(file) : copy->originalChanged(), user, session.reporter);
    if (task == Task::Download && status == kExitDone)
        session.reporter.note("Download complete");
    return status;
}

Syntax transferSyntax(const QString& name, const QString& summary)
{
    Syntax syntax(QStringLiteral("orvane ") + name, summary);
    syntax.argument({"FILE", "the configuration file (.mdb, or a legacy Jet file)"});
    withLineOptions(syntax);
    return syntax;
}

} // namespace

Command downloadCommand()
{
    Syntax syntax = transferSyntax("download", "write a configuration into the controller");
    syntax
        .about("The configuration check runs first (as \"orvane check\"): when it finds errors they are listed, even "
               "with --quiet, and the download asks whether to go on anyway. Every row of FILE is checked; then the "
               "port is opened (a missing, busy or forbidden port is said before the controller's warning), the "
               "warning is shown and the download asks whether to go on. After the last page it reads back everything it wrote, and ends the download only when the "
               "controller holds exactly what was sent. FILE is only read.")
        .option(yesOption("answer the questions with yes: download in spite of the check's errors, and the "
                          "controller is in S/M ALL mode already"))
        .option(quietOption())
        .option(catalogueOption());
    withExitStatuses(syntax, {kExitDone, kExitUsage, kExitDeclined, kExitNoController, kExitInterrupted});
    return {"download", syntax, [](const Arguments& arguments) { return onConfiguration(arguments, Task::Download); }};
}

Command uploadCommand()
{
    Syntax syntax = transferSyntax("upload", "read the controller's configuration into a file");
    syntax
        .about("FILE is replaced only after the whole upload succeeded, and only after the question is answered "
               "yes; a FILE that does not exist is made as a new configuration, without a question. A file that "
               "another program changed while the upload ran is replaced only on an answer typed at the terminal; "
               "a read-only FILE is refused before the controller is asked for anything.")
        .option(yesOption("answer the question with yes, and replace a file that an editor holds open for writing"))
        .option(quietOption())
        .option(catalogueOption());
    withExitStatuses(syntax, {kExitDone, kExitUsage, kExitDeclined, kExitNoController, kExitInterrupted});
    return {"upload", syntax, [](const Arguments& arguments) { return onConfiguration(arguments, Task::Upload); }};
}

Command verifyCommand()
{
    Syntax syntax = transferSyntax("verify", "compare the controller with what a download of FILE would write");
    syntax
        .about("Prints \"Configuration matches\", or one line a difference, on standard output; when it differs and "
               "the transfer history has recorded what the controller holds, a line before them says so.")
        .option(jsonOption())
        .option(quietOption())
        .option(catalogueOption())
        .exitStatus(kExitDone, "the controller holds what a download of FILE would write")
        .exitStatus(kExitDiffers, "the controller holds something else (the differences on standard output)");
    withExitStatuses(syntax, {kExitUsage, kExitNoController, kExitInterrupted});
    syntax.section("JSON output:", QString::fromLatin1(kVerifyJson) +
                                       "\nWritten when the exit status is 0 or 1; otherwise standard output stays empty.");
    return {"verify", syntax, [](const Arguments& arguments) { return onConfiguration(arguments, Task::Verify); }};
}

Command versionIdCommand()
{
    Syntax syntax(QStringLiteral("orvane version-id"), "show the controller's identification text");
    withLineOptions(syntax).option(jsonOption()).option(quietOption());
    withExitStatuses(syntax, {kExitDone, kExitUsage, kExitNoController});
    syntax.section("JSON output:", QString::fromLatin1(kVersionIdJson) +
                                       "\nWritten when the exit status is 0; otherwise standard output stays empty.");
    return {"version-id", syntax, versionId};
}

} // namespace orvane::cli
