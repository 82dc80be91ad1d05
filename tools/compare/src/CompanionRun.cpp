#include "orvane/compare/CompanionRun.h"

#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/FunctionCatalogue.h"
#include "orvane/files/TempFolder.h"

#include <kessig/OrvaneDB.h>

#include <cstdio>

namespace orvane::compare {

namespace {

class Run {
public:
    explicit Run(const CompanionJob& job) : job_(job) {}

    void say(const QString& text) const
    {
        std::fprintf(stderr, "%s: %s\n", job_.programName.toLocal8Bit().constData(), text.toLocal8Bit().constData());
    }
    bool write(const QString& path, const QByteArray& bytes) const
    {
        const auto failure = files::replaceFileContent(path, bytes);
        if (failure)
            say(*failure);
        return !failure;
    }
    int notCompared(const QString& reason) const
    {
        say(reason);
        write(job_.logPath, failedCompareLog(job_.request, reason));
        return kExitNotCompared;
    }
    std::optional<Configuration> read(const QString& path, const QString& shown) const
    {
        try {
            Configuration c = readConfiguration(path, shown);
            if (!c.recovered.isEmpty())
                say(c.recovered);
            return c;
        } catch (const std::exception& e) {
            notCompared(readFailure(shown.isEmpty() ? path : shown, e));
            return std::nullopt;
        }
    }

private:
    const CompanionJob& job_;
};

} // namespace

int runCompanionJob(const CompanionJob& job, const Notify& notify)
{
    const Run run(job);
    const auto one = run.read(job.file1, job.file1Shown);
    if (!one)
        return kExitNotCompared;
    const auto two = run.read(job.file2, job.file2Shown);
    if (!two)
        return kExitNotCompared;
    if (!FunctionCatalogue::presentIn(job.catalogueFolder)) {
        notify(QStringLiteral("Error - Brevant Must Be Installed"), job.catalogueMissingTitle);
        run.write(job.logPath, catalogueMissingLog(job.request.now));
        if (job.resultWhenCatalogueMissing)
            run.write(job.resultPath, resultFileContent(0));
        return kExitNotCompared;
    }
    // No one can be asked here: whoever started the run asked before, so the loss is only told.
    const auto lossy = textsOutsideCp1252(*one, *two, job.request);
    if (!lossy.empty())
        run.say(QString::fromStdString(lossy.message("Windows-1252 lacks some characters of these texts; where the "
                                                     "files show them, they show \"?\":"))
                    .replace(QLatin1Char('\r'), QLatin1Char('\n')));
    CompareOutcome outcome;
    try {
        FunctionCatalogue catalogue(job.catalogueFolder);
        outcome = compareConfigurations(*one, *two, catalogue, job.request);
    } catch (const std::exception& e) {
        return run.notCompared(readFailure(job.catalogueFolder + QStringLiteral("/OrvaneDATA.DAT"), e));
    }
    // The result file comes last: whoever reads it finds the others complete.
    if (!run.write(job.logPath, outcome.log)
        || (!job.commentsPath.isEmpty() && !run.write(job.commentsPath, outcome.comments))
        || !run.write(job.resultPath, resultFileContent(outcome.flags)))
        return kExitNotCompared;
    if (outcome.notCompared > 0) {
        run.say(QStringLiteral("%1 part(s) could not be compared; %2 tells which").arg(outcome.notCompared).arg(job.logPath));
        return kExitIncomplete;
    }
    return kExitCompared;
}

} // namespace orvane::compare
