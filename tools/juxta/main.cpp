// Juxta: compares two configurations into the compare log, the comments file and the
// result file in the temporary folder. Command line: File1<code>File2.
#include "Windowless.h"
#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/CompanionRun.h"
#include "orvane/files/Leftovers.h"
#include "orvane/files/TempFolder.h"

#include <QDateTime>

#include <cstdio>
#include <stdexcept>

using namespace orvane::compare;

int main(int argc, char** argv)
{
    orvane::tools::WindowlessProgram program(argc, argv);
    // A kill leaves no working copy of a Jet file behind; copies other runs left go now.
    orvane::files::removeWorkingFilesOnTermination();
    orvane::files::removeLeftovers();
    const auto line = splitCommandLine(program.commandLine());
    if (!line) {
        std::fputs("Usage: Juxta FILE1<L>FILE2  (L: all differences, S: block functions and inputs)\n", stderr);
        return kExitNotCompared;
    }
    QString temp;
    try {
        temp = orvane::files::tempFolder();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Juxta: %s\n", e.what());
        return kExitNotCompared;
    }
    const NamedFile one(line->first), two(line->second);
    CompanionJob job;
    job.programName = QStringLiteral("Juxta");
    job.request = {Companion::Juxta, line->reportCode, shownFile(one.path(), one.shown()),
                   shownFile(two.path(), two.shown()), QDateTime::currentDateTime()};
    job.file1 = one.path();
    job.file2 = two.path();
    job.file1Shown = one.shown();
    job.file2Shown = two.shown();
    job.catalogueFolder = program.folder();
    job.logPath = temp + QLatin1Char('/') + kCompareLogName;
    job.commentsPath = temp + QLatin1Char('/') + kCommentsFileName;
    job.resultPath = temp + QLatin1Char('/') + kResultFileName;
    job.catalogueMissingTitle = QStringLiteral("File Not Found - OrvaneData.dat");
    job.resultWhenCatalogueMissing = true;
    return runCompanionJob(job, [&](const QString& text, const QString& title) { program.notify(text, title); });
}
