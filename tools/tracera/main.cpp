// Tracera: compares the drawing program's synchronisation database with a configuration
// and answers through the compare log and the result file in the synchronisation folder.
// Command line: Configuration<code>DrawingFile.
#include "Windowless.h"
#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/CompanionRun.h"
#include "orvane/files/Leftovers.h"
#include "orvane/files/TempFolder.h"
#include "orvane/files/WorkingCopy.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>
#include <stdexcept>

using namespace orvane::compare;

namespace {

orvane::arguments::Syntax commandLineSyntax()
{
    orvane::arguments::Syntax syntax(QStringLiteral("Tracera"),
                                     "compare the drawing program's copy of a configuration with the configuration");
    syntax.usage(QStringLiteral("Tracera CONFIGURATION<CODE>DRAWING"))
        .about("The command line is the configuration's path, \"<\", a one-letter report code (L: all differences; "
               "S: block function types and inputs only), \">\" and the drawing's path, which is shown in the log "
               "but not opened; no quoting, so a path with blanks passes unchanged.")
        .about("File 1 is TempOrvaneSyncFile.mdb in the synchronisation folder: TEMP when it holds one, else the "
               "folder the drawing program stores (GRAVEN, FILES/LOCATION). The compare log "
               "ORVANE_COMPARE_FILE.TXT and the result flags CompareResult are written there, and the "
               "synchronisation database is deleted.")
        .exitStatus(kExitCompared, "compared; the log and the result are written")
        .exitStatus(kExitIncomplete, "compared, but a part could not be (the log tells which)")
        .exitStatus(kExitNotCompared, "not compared: a bad command line, or a file that cannot be read (the "
                                      "reason on standard error, or in a box on a display)");
    return syntax;
}

// The temporary folder when the drawing program left the database there, else the
// folder it stores in its settings, used as stored.
QString synchronisationFolder()
{
    try {
        const QString temp = orvane::files::tempFolder() + QLatin1Char('/');
        if (QFileInfo::exists(temp + kSyncDatabaseName))
            return temp;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Tracera: %s\n", e.what());
    }
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvane"), QStringLiteral("GRAVEN"));
    return settings.value(QStringLiteral("FILES/LOCATION")).toString();
}

int compare(orvane::tools::WindowlessProgram& program, const QString& folder)
{
    const auto line = splitCommandLine(program.commandLine());
    if (!line)
        return program.answerOtherwise(commandLineSyntax());
    const NamedFile configuration(line->first), drawing(line->second);
    CompanionJob job;
    job.programName = QStringLiteral("Tracera");
    job.request = {Companion::Tracera, line->reportCode, shownFile(drawing.path(), drawing.shown()),
                   shownFile(configuration.path(), configuration.shown()), QDateTime::currentDateTime()};
    job.file1 = folder + kSyncDatabaseName;
    job.file2 = configuration.path();
    job.file2Shown = configuration.shown();
    job.catalogueFolder = program.folder();
    job.logPath = folder + kCompareLogName;
    job.resultPath = folder + kResultFileName;
    job.catalogueMissingTitle = QStringLiteral("File Not Found");
    return runCompanionJob(job, [&](const QString& text, const QString& title) { program.notify(text, title); });
}

} // namespace

int main(int argc, char** argv)
{
    orvane::tools::WindowlessProgram program(argc, argv);
    // A kill leaves no working copy of a Jet file behind; copies other runs left go now.
    orvane::files::removeWorkingFilesOnTermination();
    orvane::files::removeLeftovers();
    const QString folder = synchronisationFolder();
    int status = compare(program, folder);
    // The export lives for one run, whatever the run found.
    const QString sync = folder + kSyncDatabaseName;
    if (!orvane::files::deleteFileForced(sync)) {
        std::fprintf(stderr, "Tracera: cannot delete %s\n", sync.toLocal8Bit().constData());
        status = kExitNotCompared;
    }
    return status;
}
