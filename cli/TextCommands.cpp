// orvane export and orvane import: a configuration as diffable text and back. They need
// no controller.
#include "Commands.h"

#include "CommonOptions.h"
#include "ConfigurationCopy.h"
#include "Terminal.h"

#include "orvane/arguments/ExitStatus.h"

#include "orvane/files/SafeSave.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/formats/ConfigurationText.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <iostream>

namespace orvane::cli {

using namespace orvane::arguments;

namespace {

int exportText(const Arguments& arguments)
{
    const QString file = arguments.positional().first();
    QString text;
    const int status = onStoredCopy(file, catalogueFolder(arguments), kessig::Durability::Relaxed, [&](kessig::OrvaneDB& db) {
        text = orvane::formats::exportConfiguration(db);
        return kExitDone;
    });
    if (status != kExitDone)
        return status;
    const QByteArray bytes = text.toUtf8();
    const QString output = arguments.value("output");
    if (output.isEmpty() || output == QLatin1String("-")) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        return std::fflush(stdout) == 0 ? kExitDone : kExitUsage;
    }
    // Written whole or not at all, and never through another user's link.
    if (const auto failure = orvane::files::saveContent(bytes, output)) {
        say(*failure);
        return kExitUsage;
    }
    return kExitDone;
}

QByteArray readText(const QString& name, QString& error)
{
    QFile in;
    const bool opened = name == QLatin1String("-") ? in.open(stdin, QIODevice::ReadOnly)
                                                   : (in.setFileName(name), in.open(QIODevice::ReadOnly));
    if (!opened) {
        error = name + QStringLiteral(": ") + in.errorString();
        return {};
    }
    return in.readAll();
}

int importText(const Arguments& arguments)
{
    const QString textFile = arguments.positional().at(0), file = arguments.positional().at(1);
    QString error;
    const QByteArray text = readText(textFile, error);
    if (!error.isEmpty()) {
        say(error);
        return kExitUsage;
    }
    try {
        // Built first: a text that cannot be imported is refused before anything is asked.
        const orvane::files::WorkingFolder folder(orvane::files::WorkingFolder::Purpose::Import);
        const QString built = folder.filePath(QStringLiteral("configuration.mdb"));
        {
            kessig::OrvaneDB db;
            db.open_database(catalogueFolder(arguments).toStdString());
            db.create_new_database(built.toStdString());
            // A refusal names the file the user asked for, never the folder it is built in.
            db.open_existing_database(built.toStdString(), kessig::Durability::Relaxed, file.toStdString());
            if (const auto fault = orvane::formats::importConfiguration(db, text)) {
                say(textFile + QStringLiteral(", ") + fault->text());
                return kExitUsage;
            }
            db.close_work_dbs();
        }
        TerminalReporter reporter(stderr, arguments.isSet("quiet"));
        if (QFileInfo::exists(file)) {
            if (const auto why = orvane::files::whyNotReplaceable(file)) {
                say(*why + QStringLiteral("; ") + file + QStringLiteral(" is unchanged"));
                return kExitUsage;
            }
            // The question names the file that would change.
            const auto linked = orvane::files::linkedFile(file);
            const QString shown = linked ? file + QStringLiteral(" (a link to ") + *linked + QLatin1Char(')') : file;
            TerminalOperator user(std::cin, stderr, arguments.isSet("yes"), reporter.quiet());
            if (!user.askYesNo(replaceQuestion(file, shown + QStringLiteral(" exists. Replace it?")).toStdString()))
                return kExitDeclined;
        }
        const orvane::formats::Replacement replaced = orvane::formats::replaceConfiguration(built, file);
        if (replaced.error) {
            say(*replaced.error + QStringLiteral("; ") + file + QStringLiteral(" is unchanged"));
            return kExitUsage;
        }
        if (!replaced.keptOriginal.isEmpty())
            reporter.message(orvane::formats::keptOriginalMessage(file, replaced.keptOriginal).toStdString());
        reporter.note((file + QStringLiteral(" built from ") + textFile).toLocal8Bit().toStdString());
        return kExitDone;
    } catch (const std::exception& e) {
        return failed(e);
    }
}

} // namespace

Command exportCommand()
{
    Syntax syntax(QStringLiteral("orvane export"), "write a configuration as text that diffs well");
    syntax.argument({"FILE", "the configuration"})
        .about("UTF-8 text in a stable order, so that git diff of two versions reads as the change an engineer made. "
               "No controller is needed; as git's text converter: git config diff.orvane.textconv \"orvane export\".")
        .option({{"o", "output"}, "TEXT", "write to the file TEXT (whole or not at all) instead of standard output"})
        .option(quietOption())
        .option(catalogueOption());
    withExitStatuses(syntax, {kExitDone, kExitUsage});
    return {"export", syntax, exportText};
}

Command importCommand()
{
    Syntax syntax(QStringLiteral("orvane import"), "build a configuration from its text form");
    syntax.argument({"TEXT", "the text, as export writes it (\"-\": standard input)"})
        .argument({"FILE", "the configuration to build"})
        .about("Every value is checked against the catalogue; a text that does not build is refused with its line "
               "number and nothing is written. An existing FILE is replaced only after asking, naming another "
               "program that holds it for writing; the first time a legacy Jet file is replaced, its original is "
               "kept beside it as NAME.jet.mdb.")
        .option(yesOption("replace an existing FILE without asking"))
        .option(quietOption())
        .option(catalogueOption());
    withExitStatuses(syntax, {kExitDone, kExitUsage, kExitDeclined});
    return {"import", syntax, importText};
}

} // namespace orvane::cli
