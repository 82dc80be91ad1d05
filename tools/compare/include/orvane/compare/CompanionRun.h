#pragma once
// One run of a window-less companion program (Juxta, Tracera): read both configurations,
// compare them and write the log, the comments file and the result file.

#include "orvane/compare/Compare.h"

#include <QString>

#include <functional>

namespace orvane::compare {

struct CompanionJob {
    QString programName;                 // names the program on standard error
    CompareRequest request;              // program, report code and the files the log names
    QString file1, file2;                // the configurations read
    QString file1Shown, file2Shown;      // their names in messages ("": the paths)
    QString catalogueFolder;
    QString logPath, resultPath;
    QString commentsPath;                // empty: no comments file
    QString catalogueMissingTitle;
    bool resultWhenCatalogueMissing = false;
};

// Shows a message box, or writes its text where no one could see a box.
using Notify = std::function<void(const QString& text, const QString& title)>;

// Returns the exit status (kExitCompared, kExitIncomplete or kExitNotCompared); every
// failure is also told on standard error.
int runCompanionJob(const CompanionJob& job, const Notify& notify);

} // namespace orvane::compare
