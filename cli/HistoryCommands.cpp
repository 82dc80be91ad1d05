// history and identify: what the transfer history keeps of every download, upload and
// verify, and what a controller holds according to it.
#include "Commands.h"

#include "CommonOptions.h"
#include "ControllerSession.h"

#include "orvane/arguments/ExitStatus.h"
#include "orvane/link/PortList.h"
#include "orvane/record/HistoryReports.h"
#include "orvane/record/Restore.h"

#include <kessig/OrvaneDB.h>

#include <cstdio>

namespace orvane::cli {

using namespace orvane::arguments;

namespace {

const char* const kHistoryFolderText =
    "The history lies in the folder ORVANE_HISTORY names (a folder a team shares, which must exist), else in this "
    "user's own private folder (~/.local/share/Orvane/history); the editor's File > History sets its own.";

void print(const QByteArray& text) { std::fwrite(text.constData(), 1, size_t(text.size()), stdout); }

// Files of the history that are no whole entries: said, never hiding the others.
void warn(const QStringList& warnings, bool quiet)
{
    if (!quiet)
        for (const QString& warning : warnings)
            say(warning);
}

// The port as a transfer records it: a port number is its device.
QString recordedPort(const QString& given)
{
    if (given.isEmpty())
        return {};
    orvane::link::Link link;
    pointAt(link, std::string(orvane::link::trimmedBlanks(given.toStdString())));
    return QString::fromStdString(link.devicePath());
}

int listEntries(const Arguments& arguments, const orvane::record::TransferHistory& history)
{
    const bool json = arguments.isSet("json");
    if (arguments.isSet("check")) {
        const auto check = history.check();
        warn(check.warnings, arguments.isSet("quiet"));
        if (json)
            printJson(orvane::record::checkJson(check));
        else
            print(orvane::record::checkText(check));
        return check.changed.empty() && check.warnings.isEmpty() ? kExitDone : kExitDiffers;
    }
    auto listing = history.list();
    warn(listing.warnings, arguments.isSet("quiet"));
    const QString file = arguments.positional().value(0);
    const QString port = recordedPort(arguments.value("port"));
    if (!file.isEmpty() || !port.isEmpty())
        listing.entries = orvane::record::entriesAbout(listing.entries, file, port);
    if (json)
        printJson(orvane::record::listingJson(history.folder(), listing.entries, listing.warnings));
    else
        print(orvane::record::listingText(listing.entries));
    return kExitDone;
}

int onEntry(const Arguments& arguments, const orvane::record::TransferHistory& history)
{
    const QStringList words = arguments.positional();
    const bool restore = words[0] == QLatin1String("restore");
    QString error;
    const auto entry = history.find(words[1], error);
    if (!entry) {
        say(error);
        return kExitUsage;
    }
    if (entry->changed && !arguments.isSet("quiet"))
        say(QStringLiteral("entry ") + entry->entry.id + QStringLiteral(" was changed after it was written"));
    if (!restore) {
        if (arguments.isSet("json"))
            printJson(orvane::record::entryJsonWhole(*entry));
        else
            print(orvane::record::entryText(*entry));
        return kExitDone;
    }
    const QString target = arguments.value("output");
    if (target.isEmpty())
        return arguments.usageError(QStringLiteral("restore needs -o NEW.mdb, the new file to restore into"));
    if (const auto failure = orvane::record::restoreEntry(entry->entry, catalogueFolder(arguments), target)) {
        say(*failure);
        return kExitUsage;
    }
    if (!arguments.isSet("quiet"))
        say(QStringLiteral("entry ") + entry->entry.id + QStringLiteral(" restored into ") + target);
    return kExitDone;
}

int history(const Arguments& arguments)
{
    const QStringList words = arguments.positional();
    const bool onOne = !words.isEmpty() && (words[0] == QLatin1String("show") || words[0] == QLatin1String("restore"));
    if (onOne != (words.size() == 2))
        return arguments.usageError(onOne ? words[0] + QStringLiteral(" needs the id of an entry")
                                          : QStringLiteral("only show and restore take an entry's id"));
    try {
        const orvane::record::TransferHistory history(orvane::record::commandLineHistoryFolder());
        return onOne ? onEntry(arguments, history) : listEntries(arguments, history);
    } catch (const std::exception& e) {
        return failed(e);
    }
}

int identify(const Arguments& arguments)
{
    ControllerSession session(arguments.isSet("quiet"));
    if (const auto refused = session.connect(arguments))
        return *refused;
    try {
        const orvane::record::TransferHistory history(orvane::record::commandLineHistoryFolder());
        kessig::OrvaneDB db;
        db.open_database(catalogueFolder(arguments).toStdString());
        const auto reading = orvane::transfer::identifyController(session.link, db, session.reporter);
        db.close_database();
        if (reading.outcome != orvane::transfer::Outcome::Completed)
            return exitStatusOf(reading.outcome);
        const auto held = orvane::record::heldConfiguration(history, reading.image);
        warn(held.warnings, arguments.isSet("quiet"));
        const QString port = QString::fromStdString(reading.port);
        const QString identification = QString::fromStdString(orvane::link::printableText(reading.identification));
        if (arguments.isSet("json"))
            printJson(orvane::record::heldReportJson(held, port, identification));
        else
            print(orvane::record::heldReportText(held, port, identification));
        return held.match ? kExitDone : kExitDiffers;
    } catch (const std::exception& e) {
        return failed(e);
    }
}

} // namespace

Command historyCommand()
{
    Syntax syntax(QStringLiteral("orvane history"), "list, show, check or restore the recorded transfers");
    syntax.usage(QStringLiteral("orvane history [FILE] [-p PORT] [--json] [--check]\n"
                                "       orvane history show ID [--json]\n"
                                "       orvane history restore ID -o NEW.mdb"))
        .argument({"FILE", "list the transfers of this configuration file (and of PORT, when given)", true})
        .argument({"ID", "after show or restore: an entry's id, or the start of it that only one id has", true})
        .about(QStringLiteral("Every download, upload and verify of the editor and of orvane is recorded: its time "
                              "(UTC), user, host, program, port, the controller's identification, the file, the "
                              "SHA-256 of the controller image sent or read, its outcome (complete, incomplete, "
                              "cancelled, differs) and the configuration's text form. Lists newest first; show "
                              "prints one entry with its configuration; restore builds that configuration as the "
                              "new file NEW.mdb. --check reads every entry whole and names those changed since "
                              "they were written. Files that are not whole entries are skipped, each named on "
                              "standard error. ") + QString::fromLatin1(kHistoryFolderText))
        .option({{"p", "port"}, "PORT", "list the transfers made through this port"})
        .option({{"o", "output"}, "NEW.mdb", "restore: the new configuration file (an existing file is never replaced)"})
        .option({{"check"}, {}, "check every entry against its own checksum"})
        .option(jsonOption())
        .option(quietOption())
        .option(catalogueOption())
        .exitStatus(kExitDone, "done; with --check: every entry is as written")
        .exitStatus(kExitDiffers, "--check: an entry was changed after it was written, or is not whole");
    withExitStatuses(syntax, {kExitUsage});
    syntax.section("JSON output:",
                   QStringLiteral("the list: {\"folder\": FOLDER, \"entries\": [{\"id\", \"time\", \"user\", \"host\", "
                                  "\"program\", \"operation\", \"port\", \"identification\", \"file\", \"imageSha256\", "
                                  "\"outcome\", \"note\"}], \"skipped\": [files not whole]}; show: one entry with "
                                  "\"changedSinceWritten\" and \"text\"; --check: {\"whole\": N, \"changed\": [entries], "
                                  "\"notWhole\": [files]}"));
    return {"history", syntax, history};
}

Command identifyCommand()
{
    Syntax syntax(QStringLiteral("orvane identify"), "tell which recorded transfer left the controller as it is");
    withLineOptions(syntax)
        .about(QStringLiteral("Reads the controller's memory as an upload does, into memory only: nothing is written "
                              "to the controller or to any file. Names the newest completed download (else upload or "
                              "verify) whose controller image matches: \"holds plant.mdb as downloaded 2026-12-01 "
                              "14:03 UTC by LOGIN on HOST\"; or says that it matches no recorded download, and "
                              "which recorded image is nearest, with the blocks, messages and quick messages that "
                              "differ. ") + QString::fromLatin1(kHistoryFolderText))
        .option(jsonOption())
        .option(quietOption())
        .option(catalogueOption())
        .exitStatus(kExitDone, "a recorded transfer left the controller as it is")
        .exitStatus(kExitDiffers, "the controller matches no recorded transfer");
    withExitStatuses(syntax, {kExitUsage, kExitNoController, kExitInterrupted});
    syntax.section("JSON output:",
                   QStringLiteral("{\"port\": PORT, \"identification\": TEXT, \"imageSha256\": HEX, \"match\": the "
                                  "entry or null, \"nearest\": the nearest entry (when none matches), \"differences\": "
                                  "{\"blocks\": [...], \"messages\": [...], \"quickMessages\": [...]}}"));
    return {"identify", syntax, identify};
}

} // namespace orvane::cli
