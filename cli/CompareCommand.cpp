// orvane compare FILE1 FILE2: the compare log on standard output, for scripts and
// version-control hooks.
#include "Commands.h"

#include "CommonOptions.h"
#include "Terminal.h"

#include "orvane/arguments/ExitStatus.h"

#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/Compare.h"
#include "orvane/compare/Configuration.h"
#include "orvane/compare/FunctionCatalogue.h"
#include "orvane/link/Protocol.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>

#include <cstdio>

namespace orvane::cli {

using namespace orvane::arguments;

namespace {

int fail(const QString& text)
{
    say(text);
    return kExitUsage;
}

QStringList flagNames(uint16_t flags)
{
    static const std::pair<uint16_t, const char*> kNames[] = {
        {compare::TextDiffers, "TextDiffers"},         {compare::InputsDiffer, "InputsDiffer"},
        {compare::ParametersDiffer, "ParametersDiffer"}, {compare::MessagesDiffer, "MessagesDiffer"},
        {compare::FunctionsDiffer, "FunctionsDiffer"}, {compare::HasComments, "HasComments"}};
    QStringList names;
    for (const auto& [bit, name] : kNames)
        if (flags & bit)
            names << QString::fromLatin1(name);
    return names;
}

int compareFiles(const Arguments& arguments)
{
    const QByteArrayList& files = arguments.positionalBytes();
    char report = 'L';
    if (arguments.isSet("report")) {
        const QString code = arguments.value("report").toUpper();
        if (code != "L" && code != "S")
            return arguments.usageError("--report must be L (all differences) or S (block functions and inputs)");
        report = code.at(0).toLatin1();
    }
    const QString catalogue = catalogueFolder(arguments);
    if (!compare::FunctionCatalogue::presentIn(catalogue))
        return fail(QStringLiteral("the function catalogue OrvaneDATA.DAT is not in ") + catalogue);

    compare::CompareOutcome outcome;
    const compare::NamedFile one(files[0]), two(files[1]);
    try {
        std::vector<compare::Configuration> both;
        for (const compare::NamedFile* file : {&one, &two}) {
            try {
                both.push_back(compare::readConfiguration(file->path(), file->shown()));
                if (!both.back().recovered.isEmpty())
                    say(both.back().recovered);
            } catch (const std::exception& e) {
                return fail(compare::readFailure(file->shown(), e));
            }
        }
        compare::FunctionCatalogue functions(catalogue);
        const compare::CompareRequest request{compare::Companion::Juxta, report,
                                              compare::shownFile(one.path(), one.shown()),
                                              compare::shownFile(two.path(), two.shown()), QDateTime::currentDateTime()};
        const auto lossy = compare::textsOutsideCp1252(both[0], both[1], request);
        if (!lossy.empty())
            say(QString::fromStdString(terminalText(
                lossy.message("Windows-1252 lacks some characters of these texts; where the log shows them, it shows \"?\":"))));
        outcome = compare::compareConfigurations(both[0], both[1], functions, request);
    } catch (const std::exception& e) {
        return fail(compare::readFailure(catalogue + QStringLiteral("/OrvaneDATA.DAT"), e));
    }
    QByteArray shown = QByteArray::fromStdString(orvane::link::cp1252ToUtf8(outcome.log.toStdString()));
    shown.replace("\r\n", "\n");
    // What was compared tells its differences even where a part could not be compared.
    const bool differs = (outcome.flags & ~compare::HasComments) != 0;
    const int status = differs || outcome.notCompared > 0 ? kExitDiffers : kExitDone;
    if (arguments.isSet("json")) {
        printJson({{"file1", one.shown()}, {"file2", two.shown()}, {"report", QString(QLatin1Char(report))},
                   {"flags", outcome.flags}, {"flagNames", QJsonArray::fromStringList(flagNames(outcome.flags))},
                   {"notCompared", outcome.notCompared}, {"log", QString::fromUtf8(shown)}});
        return status;
    }
    std::fwrite(shown.constData(), 1, static_cast<size_t>(shown.size()), stdout);
    std::fflush(stdout);
    if (differs)
        std::fprintf(stderr, "orvane: result flags %u: %s\n", outcome.flags,
                     flagNames(outcome.flags).join(QLatin1Char(' ')).toLatin1().constData());
    if (outcome.notCompared > 0)
        say(QStringLiteral("%1 part(s) could not be compared; the log tells which").arg(outcome.notCompared));
    return status;
}

} // namespace

Command compareCommand()
{
    Syntax syntax(QStringLiteral("orvane compare"), "write the compare log of two configurations");
    syntax.argument({"FILE1", "the first configuration (as Juxta's File 1)"})
        .argument({"FILE2", "the second configuration"})
        .about("The log Juxta writes, on standard output with plain line ends; the result flags of a difference "
               "and the parts that could not be compared on standard error. \"--\" before the files lets a name "
               "start with \"-\".")
        .option({{"report"}, "L|S", "L: all differences (the default); S: block functions and inputs only"})
        .option(jsonOption())
        .option(quietOption())
        .option(catalogueOption())
        .exitStatus(kExitDone, "nothing differs (comments alone are no difference)")
        .exitStatus(kExitDiffers, "something differs, or a part could not be compared (the log tells which)")
        .exitStatus(kExitUsage, "a bad command line, or a file that cannot be read: nothing was compared")
        .section("JSON output:",
                 "{\"file1\": FILE1, \"file2\": FILE2, \"report\": \"L\" or \"S\", \"flags\": the result flags "
                 "as a number, \"flagNames\": [\"TextDiffers\", \"InputsDiffer\", \"ParametersDiffer\", "
                 "\"MessagesDiffer\", \"FunctionsDiffer\", \"HasComments\": those set], \"notCompared\": the number "
                 "of parts that could not be compared, \"log\": the compare log}\n"
                 "Written when the exit status is 0 or 1; otherwise standard output stays empty.");
    return {"compare", syntax, compareFiles};
}

} // namespace orvane::cli
