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

namespace {

orvane::arguments::Syntax commandLineSyntax()
{
    orvane::arguments::Syntax syntax(QStringLiteral("Juxta"),
                                     "compare two configurations into the compare log, the comments file and the "
                                     "result file");
    syntax.usage(QStringLiteral("Juxta FILE1<CODE>FILE2"))
        .about("The command line is File 1's path, \"<\", a one-letter report code, \">\" and File 2's path, with "
               "nothing between them and no quoting: a path with blanks passes unchanged. Report code L: all "
               "differences; S: block function types and inputs only.")
        .about("The compare log ORVANE_COMPARE_FILE.TXT, the comments of File 1 in COMMENTS.TXT and the result "
               "flags in CompareResult are written into TEMP when it is this user's own folder, else into the "
               "private folder orvane-UID there (or in the system's temporary folder). The configurations are only "
               "read.")
        .exitStatus(kExitCompared, "compared; the three files are written")
        .exitStatus(kExitIncomplete, "compared, but a part could not be (the log tells which)")
        .exitStatus(kExitNotCompared, "not compared: a bad command line, or a file that cannot be read (the "
                                      "reason on standard error, or in a box on a display)");
    return syntax;
}

} // namespace

int main(int argc, char** argv)
{
    orvane::tools::WindowlessProgram program(argc, argv);
    // A kill leaves no working copy of a Jet file behind; copies other runs left go now.
    orvane::files::removeWorkingFilesOnTermination();
    orvane::files::removeLeftovers();
    const auto line = splitCommandLine(program.commandLine());
    if (!line)
        return program.answerOtherwise(commandLineSyntax());
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
