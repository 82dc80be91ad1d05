// orvane check, xref and diagram: a configuration's signal flow from the command line,
// with the editor's check, "Used by" lines and diagram. They need no controller.
#include "Commands.h"

#include "CommonOptions.h"
#include "ConfigurationCopy.h"
#include "Terminal.h"

#include "orvane/arguments/ExitStatus.h"
#include "orvane/flow/CheckText.h"
#include "orvane/flow/CrossReference.h"
#include "orvane/flow/Diagram.h"

#include <kessig/OrvaneDB.h>

namespace orvane::cli {

using namespace orvane::arguments;
using namespace orvane::flow;

namespace {

constexpr int kDefaultDepth = 2;   // as the Signal Flow window opens
constexpr int kDeepest = 9;

// The configuration FILE names, read once; nullopt once the reason was said.
std::optional<ConfigurationSnapshot> readSnapshot(const Arguments& arguments)
{
    std::optional<ConfigurationSnapshot> snapshot;
    onStoredCopy(arguments.positional().first(), catalogueFolder(arguments), kessig::Durability::Relaxed,
                 [&](kessig::OrvaneDB& db) {
                     snapshot.emplace(ConfigurationSnapshot::read(db));
                     return kExitDone;
                 });
    return snapshot;
}

// --block when given: a usage error for no block number, and a refusal for a block in
// no use, which nothing can read and no diagram can centre on.
struct ChosenBlock {
    std::optional<int> block;
    std::optional<int> refused;   // the exit status, the reason said
};

ChosenBlock chosenBlock(const Arguments& arguments)
{
    if (!arguments.isSet("block"))
        return {};
    const auto block = numberIn(arguments.value("block"), 0, kBlocks - 1);
    if (!block)
        return {std::nullopt, arguments.usageError(QStringLiteral("--block must be a block number from 0 to %1").arg(kBlocks - 1))};
    return {block, std::nullopt};
}

std::optional<int> refusedWhenNotInUse(const ConfigurationSnapshot& snapshot, std::optional<int> block)
{
    if (!block || snapshot.inUse(*block))
        return std::nullopt;
    say(QStringLiteral("block %1 is in no use (\?\?\?\?)").arg(*block));
    return kExitUsage;
}

int checkFile(const Arguments& arguments)
{
    const auto snapshot = readSnapshot(arguments);
    if (!snapshot)
        return kExitUsage;
    const std::vector<Finding> findings = checkConfiguration(*snapshot);
    const bool written = arguments.isSet("json") ? printJson(findingsJson(arguments.positional().first(), findings))
                                                 : printLines(findingLines(findings));
    if (!written)
        return kExitUsage;
    return hasErrors(findings) ? kExitFoundErrors : kExitDone;
}

int crossReferences(const Arguments& arguments)
{
    const ChosenBlock chosen = chosenBlock(arguments);
    if (chosen.refused)
        return *chosen.refused;
    const auto snapshot = readSnapshot(arguments);
    if (!snapshot)
        return kExitUsage;
    if (const auto refused = refusedWhenNotInUse(*snapshot, chosen.block))
        return *refused;
    return printLines(crossReferenceLines(FlowGraph(*snapshot), chosen.block)) ? kExitDone : kExitUsage;
}

int drawDiagram(const Arguments& arguments)
{
    const QString output = arguments.value("output");
    if (!isDiagramFile(output))
        return arguments.usageError(QStringLiteral("the output's name must end in .svg, .pdf or .png: ") + output);
    const ChosenBlock chosen = chosenBlock(arguments);
    if (chosen.refused)
        return *chosen.refused;
    int depth = kDefaultDepth;
    if (arguments.isSet("depth")) {
        if (!chosen.block)
            return arguments.usageError("--depth counts links around --block N; give both");
        const auto given = numberIn(arguments.value("depth"), 1, kDeepest);
        if (!given)
            return arguments.usageError(QStringLiteral("--depth must be a number of links from 1 to %1").arg(kDeepest));
        depth = *given;
    }
    const auto snapshot = readSnapshot(arguments);
    if (!snapshot)
        return kExitUsage;
    if (const auto refused = refusedWhenNotInUse(*snapshot, chosen.block))
        return *refused;
    try {
        const Diagram diagram(*snapshot, chosen.block, depth);
        if (const auto failure = writeDiagram(diagram, output)) {
            say(*failure);
            return kExitUsage;
        }
        TerminalReporter(stderr, arguments.isSet("quiet"))
            .note(QStringLiteral("%1: %2 blocks, %3 links written")
                      .arg(output)
                      .arg(diagram.graph.nodes().size())
                      .arg(diagram.graph.edges().size())
                      .toLocal8Bit()
                      .toStdString());
        return kExitDone;
    } catch (const LayoutError& e) {
        return failed(e);
    }
}

Syntax fileSyntax(const QString& name, const QString& summary, const QString& about)
{
    Syntax syntax(QStringLiteral("orvane ") + name, summary);
    syntax.argument({"FILE", "the configuration (.mdb, or a legacy Jet file); it is only read"}).about(about);
    return syntax;
}

// --block N, and the exit statuses of a command that takes it.
Syntax& withBlock(Syntax& syntax, const QString& what, const QString& badCommandLine)
{
    withExitStatuses(syntax.option({{"block"}, "N", what}), {kExitDone});
    return syntax.exitStatus(kExitUsage, QStringLiteral("a bad command line%1, a file that cannot be read or written, "
                                                        "or --block naming a block in no use (the reason on standard "
                                                        "error)").arg(badCommandLine));
}

} // namespace

Command checkCommand()
{
    Syntax syntax = fileSyntax(
        "check", "check a configuration's links, parameters and quick messages",
        "The check a download runs first, and the editor's Edit > Check Configuration: one line a finding, "
        "\"SEVERITY RULE: MESSAGE\" (error, warning or information, and the rule's name), the message naming the "
        "block, input, parameter or quick message; then the counts. No controller is needed.");
    syntax.option(jsonOption())
        .option(catalogueOption())
        .exitStatus(kExitDone, "no error (warnings and notes may have been found)")
        .exitStatus(kExitFoundErrors, "the check found at least one error")
        .exitStatus(kExitUsage, "a bad command line, or a file that cannot be read (the reason on standard error)")
        .section("JSON output:",
                 "{\"file\": FILE, \"errors\": n, \"warnings\": n, \"information\": n, \"findings\": [{\"rule\": "
                 "its name, \"severity\": \"error\", \"warning\" or \"information\", \"block\": the block (null "
                 "when none), \"place\": \"input 2\", \"parameter 3\", \"quick message 4\" or \"\", \"message\": "
                 "the sentence}]}\nWritten when the exit status is 0 or 1; otherwise standard output stays empty.");
    return {"check", syntax, checkFile};
}

Command xrefCommand()
{
    Syntax syntax = fileSyntax(
        "xref", "list what reads each block",
        "The editor's \"Used by\": for every block in use (its number, function and the first line of its comment), "
        "indented below it the blocks whose inputs read it with the input, the auxiliary-output blocks that take one "
        "of its outputs and the quick messages that name it; \"used by nothing\" when none does.");
    withBlock(syntax, "only this block (0 to 159, in use)", {}).option(catalogueOption());
    return {"xref", syntax, crossReferences};
}

Command diagramCommand()
{
    Syntax syntax = fileSyntax(
        "diagram", "draw a configuration's signal flow into an SVG, PDF or PNG file",
        "The Signal Flow window's diagram, laid out by Graphviz: one box a block in use, tinted by the kind of its "
        "output, links coloured by what they carry, blocks with a finding of the check marked. The file's type is "
        "its name's ending; it is written whole or not at all.");
    syntax.option({{"o", "output"}, "OUT.svg|OUT.pdf|OUT.png", "the file to write", true})
        .option({{"depth"}, "D", QStringLiteral("with --block: the links followed upstream and downstream, 1 to %1 "
                                                "(default %2)").arg(kDeepest).arg(kDefaultDepth)})
        .option(quietOption())
        .option(catalogueOption());
    withBlock(syntax, "only the blocks around this one (0 to 159, in use)",
              " (an output not ending in .svg, .pdf or .png)");
    return {"diagram", syntax, drawDiagram};
}

} // namespace orvane::cli
