#include "PrintCommand.h"

#include "Terminal.h"
#include "ConfigurationCopy.h"

#include "orvane/report/Render.h"

#include <kessig/OrvaneDB.h>

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace orvane::cli {

ParsedCommandLine parsePrintCommand(const QStringList& arguments)
{
    Options options;
    options.command = Command::Print;
    QStringList files;
    QString from, to;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == "--pdf" || arg == "--from" || arg == "--to" || arg == "--catalogue") {
            if (i + 1 >= arguments.size())
                return failure(QStringLiteral("%1 needs a value").arg(arg));
            QString& into = arg == "--pdf" ? options.pdf : arg == "--from" ? from : arg == "--to" ? to : options.catalogueDir;
            into = arguments[++i];
        } else if (arg == "--no-grid") {
            options.print.PrintGridOption = false;
        } else if (arg == "--no-blocks") {
            options.print.PrintDatabaseOption = false;
        } else if (arg.startsWith("--")) {
            return failure(QStringLiteral("unknown option %1").arg(arg));
        } else {
            files << arg;
        }
    }
    if (files.size() != 1)
        return failure(QStringLiteral("print needs exactly one configuration file"));
    options.file = files.first();
    if (options.pdf.isEmpty())
        return failure(QStringLiteral("print needs --pdf OUT.pdf"));
    if (!options.print.PrintGridOption && !options.print.PrintDatabaseOption)
        return failure(QStringLiteral("--no-grid and --no-blocks leave nothing to print"));
    // The same checks as the print options window: start first, then the end against it.
    if (!from.isEmpty()) {
        const auto start = orvane::report::validPrintStart(from, options.print.PrintEnd);
        if (!start)
            return failure(QStringLiteral("--from must be a block number from 0 to 159"));
        options.print.PrintStart = *start;
    }
    if (!to.isEmpty()) {
        const auto end = orvane::report::validPrintEnd(to, options.print.PrintStart);
        if (!end)
            return failure(QStringLiteral("--to must be a block number from %1 to 159").arg(options.print.PrintStart));
        options.print.PrintEnd = *end;
    }
    ParsedCommandLine parsed;
    parsed.options = options;
    return parsed;
}

int printReport(const Options& options)
{
    const auto copy = copyForStore(options.file);
    if (!copy)
        return kExitFailed;
    const QFileInfo file(options.file);
    const QString catalogue =
        options.catalogueDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.catalogueDir;
    std::vector<orvane::report::Page> pages;
    try {
        kessig::OrvaneDB db;
        db.open_database(catalogue.toStdString());
        db.open_existing_database(copy->path().toStdString(), kessig::Durability::Full, options.file.toStdString());
        orvane::report::Report report(db, options.print, {file.absoluteFilePath(), file.lastModified()});
        pages = report.PrintReport();
        db.close_work_dbs();
        db.close_database();
    } catch (const std::exception& e) {
        return failed(e);
    }
    if (const auto error = orvane::report::writePdf(pages, options.pdf)) {
        say(options.pdf + QStringLiteral(": ") + *error);
        return kExitFailed;
    }
    std::fprintf(stderr, "%s: %zu page%s written\n", options.pdf.toLocal8Bit().constData(), pages.size(),
                 pages.size() == 1 ? "" : "s");
    return kExitSuccess;
}

} // namespace orvane::cli
