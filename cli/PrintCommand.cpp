// orvane print: the editor's printed report of a configuration, written as a PDF file.
#include "Commands.h"

#include "CommonOptions.h"
#include "ConfigurationCopy.h"
#include "Terminal.h"

#include "orvane/arguments/ExitStatus.h"
#include "orvane/flow/Diagram.h"
#include "orvane/report/Render.h"
#include "orvane/report/Report.h"

#include <kessig/OrvaneDB.h>

#include <QFileInfo>

namespace orvane::cli {

using namespace orvane::arguments;

namespace {

int printReport(const Arguments& arguments)
{
    orvane::report::PrintOptions print;
    print.PrintGridOption = !arguments.isSet("no-grid");
    print.PrintDatabaseOption = !arguments.isSet("no-blocks");
    const bool diagram = arguments.isSet("diagram");
    if (!print.PrintGridOption && !print.PrintDatabaseOption && !diagram)
        return arguments.usageError("--no-grid and --no-blocks leave nothing to print");
    // The same checks as the print options window: start first, then the end against it.
    if (arguments.isSet("from")) {
        const auto start = orvane::report::validPrintStart(arguments.value("from"), print.PrintEnd);
        if (!start)
            return arguments.usageError("--from must be a block number from 0 to 159");
        print.PrintStart = *start;
    }
    if (arguments.isSet("to")) {
        const auto end = orvane::report::validPrintEnd(arguments.value("to"), print.PrintStart);
        if (!end)
            return arguments.usageError(QStringLiteral("--to must be a block number from %1 to 159").arg(print.PrintStart));
        print.PrintEnd = *end;
    }
    const QString file = arguments.positional().first();
    const QString pdf = arguments.value("pdf");
    const QFileInfo shown(file);
    std::vector<orvane::report::Page> pages;
    const int status = onStoredCopy(file, catalogueFolder(arguments), kessig::Durability::Full, [&](kessig::OrvaneDB& db) {
        orvane::report::Report report(db, print, {shown.absoluteFilePath(), shown.lastModified()});
        if (diagram)
            report.setDrawingPages(orvane::flow::diagramPages(
                std::make_shared<const orvane::flow::Diagram>(orvane::flow::ConfigurationSnapshot::read(db))));
        pages = report.PrintReport();
        return kExitDone;
    });
    if (status != kExitDone)
        return status;
    if (const auto error = orvane::report::writePdf(pages, pdf)) {
        say(pdf + QStringLiteral(": ") + *error);
        return kExitUsage;
    }
    TerminalReporter(stderr, arguments.isSet("quiet"))
        .note(QStringLiteral("%1: %2 page%3 written").arg(pdf).arg(pages.size()).arg(pages.size() == 1 ? "" : "s")
                  .toLocal8Bit().toStdString());
    return kExitDone;
}

} // namespace

Command printCommand()
{
    Syntax syntax(QStringLiteral("orvane print"), "write the printed report of a configuration as a PDF file");
    syntax.argument({"FILE", "the configuration"})
        .about("The report the editor prints: the block grid and the configuration's description, then the used "
               "blocks from --from to --to, and with --diagram the signal flow diagram after them. No controller is "
               "needed.")
        .option({{"o", "pdf"}, "OUT.pdf", "the PDF file to write", true})
        .option({{"from"}, "N", "the first block listed (default 4)"})
        .option({{"to"}, "N", "the last block listed (default 159)"})
        .option({{"no-grid"}, {}, "leave out the block grid and the description"})
        .option({{"no-blocks"}, {}, "leave out the block listing"})
        .option({{"diagram"}, {}, "add the pages of the signal flow diagram (the editor's \"Signal Flow Diagram\")"})
        .option(quietOption())
        .option(catalogueOption());
    withExitStatuses(syntax, {kExitDone, kExitUsage});
    return {"print", syntax, printReport};
}

} // namespace orvane::cli
