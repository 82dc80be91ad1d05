#include "TextCommands.h"

#include "CommandLine.h"
#include "Terminal.h"
#include "ConfigurationCopy.h"

#include "orvane/files/SafeSave.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/formats/ConfigurationText.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <iostream>

namespace orvane::cli {

namespace {

struct TextOptions {
    QString command;
    QStringList files;
    QString output;
    QString catalogueDir;
    bool yes = false;
};

std::optional<TextOptions> parse(const QStringList& arguments, QString& error)
{
    TextOptions options;
    options.command = arguments.first();
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const bool output = options.command == QLatin1String("export") && (arg == "-o" || arg == "--output");
        if (output || arg == "--catalogue") {
            if (i + 1 >= arguments.size()) {
                error = arg + QStringLiteral(" needs a value");
                return std::nullopt;
            }
            (output ? options.output : options.catalogueDir) = arguments[++i];
        } else if (arg == "--yes" && options.command == QLatin1String("import")) {
            options.yes = true;
        } else if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
            error = QStringLiteral("unknown option %1").arg(arg);
            return std::nullopt;
        } else {
            options.files << arg;
        }
    }
    const int wanted = options.command == QLatin1String("export") ? 1 : 2;
    if (options.files.size() != wanted) {
        error = options.command == QLatin1String("export") ? QStringLiteral("export needs exactly one configuration file")
                                                           : QStringLiteral("import needs a text file and a configuration file");
        return std::nullopt;
    }
    return options;
}

QString catalogueFolder(const TextOptions& options)
{
    return options.catalogueDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.catalogueDir;
}

int exportText(const TextOptions& options)
{
    const QString file = options.files.first();
    QString text;
    {
        const auto copy = copyForStore(file);
        if (!copy)
            return kExitFailed;
        kessig::OrvaneDB db;
        db.open_database(catalogueFolder(options).toStdString());
        db.open_existing_database(copy->path().toStdString(), kessig::Durability::Relaxed, file.toStdString());
        text = orvane::formats::exportConfiguration(db);
        db.close_work_dbs();
    }
    const QByteArray bytes = text.toUtf8();
    if (options.output.isEmpty() || options.output == QLatin1String("-")) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailed;
    }
    // Written whole or not at all, and never through another user's link.
    if (const auto failure = orvane::files::saveContent(bytes, options.output)) {
        say(*failure);
        return kExitFailed;
    }
    return kExitSuccess;
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

int importText(const TextOptions& options)
{
    const QString textFile = options.files[0], file = options.files[1];
    QString error;
    const QByteArray text = readText(textFile, error);
    if (!error.isEmpty()) {
        say(error);
        return kExitFailed;
    }
    // Built first: a text that cannot be imported is refused before anything is asked.
    const orvane::files::WorkingFolder folder(orvane::files::WorkingFolder::Purpose::Import);
    const QString built = folder.filePath(QStringLiteral("configuration.mdb"));
    {
        kessig::OrvaneDB db;
        db.open_database(catalogueFolder(options).toStdString());
        db.create_new_database(built.toStdString());
        // A refusal names the file the user asked for, never the folder it is built in.
        db.open_existing_database(built.toStdString(), kessig::Durability::Relaxed, file.toStdString());
        if (const auto fault = orvane::formats::importConfiguration(db, text)) {
            say(textFile + QStringLiteral(", ") + fault->text());
            return kExitFailed;
        }
        db.close_work_dbs();
    }
    if (QFileInfo::exists(file)) {
        if (const auto why = orvane::files::whyNotReplaceable(file)) {
            say(*why + QStringLiteral("; ") + file + QStringLiteral(" is unchanged"));
            return kExitFailed;
        }
        // The question names the file that would change.
        const auto linked = orvane::files::linkedFile(file);
        const QString shown = linked ? file + QStringLiteral(" (a link to ") + *linked + QLatin1Char(')') : file;
        TerminalOperator user(std::cin, stderr, options.yes);
        if (!user.askYesNo(replaceQuestion(file, shown + QStringLiteral(" exists. Replace it?")).toStdString()))
            return kExitDeclined;
    }
    const orvane::formats::Replacement replaced = orvane::formats::replaceConfiguration(built, file);
    if (replaced.error) {
        say(*replaced.error + QStringLiteral("; ") + file + QStringLiteral(" is unchanged"));
        return kExitFailed;
    }
    if (!replaced.keptOriginal.isEmpty())
        std::fprintf(stderr, "%s\n",
                     terminalText(orvane::formats::keptOriginalMessage(file, replaced.keptOriginal).toStdString()).c_str());
    std::fprintf(stderr, "%s built from %s\n", file.toLocal8Bit().constData(), textFile.toLocal8Bit().constData());
    return kExitSuccess;
}

} // namespace

std::optional<int> runTextCommand(const QStringList& arguments)
{
    if (arguments.isEmpty() || (arguments.first() != QLatin1String("export") && arguments.first() != QLatin1String("import"))
        || arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h")))
        return std::nullopt;
    QString error;
    const auto options = parse(arguments, error);
    if (!options) {
        std::fprintf(stderr, "orvane: %s\nTry \"orvane --help\".\n", error.toLocal8Bit().constData());
        return kExitUsage;
    }
    try {
        return options->command == QLatin1String("export") ? exportText(*options) : importText(*options);
    } catch (const std::exception& e) {
        return failed(e);
    }
}

QString textCommandsUsage()
{
    return QStringLiteral(
        "\n"
        "Text form (no controller needed):\n"
        "  orvane export FILE [-o TEXT]       write the configuration FILE as UTF-8 text (to\n"
        "                                     standard output without -o), in a stable order\n"
        "                                     that diffs well\n"
        "  orvane import TEXT FILE [--yes]    build the configuration FILE from TEXT (\"-\":\n"
        "                                     standard input); asks before replacing FILE,\n"
        "                                     naming an editor that holds it for writing\n"
        "  Both take --catalogue DIR. A legacy Jet file is read as it is; the first time\n"
        "  one is replaced, its original is kept beside it as NAME.jet.mdb.\n");
}

} // namespace orvane::cli
