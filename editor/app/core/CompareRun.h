#pragma once
// Running the compare program Juxta from the editor, and what its files say.

#include <QString>

#include <cstdint>
#include <optional>

class QWidget;

namespace brevant {

// The folder of the companion programs: the editor's own, or where the build put them
// when the editor runs from elsewhere.
QString companionFolder();

struct JuxtaRun {
    enum class Outcome { NotInstalled, Compared, Incomplete, Failed };
    Outcome outcome = Outcome::Failed;
    QString detail;   // why it failed, in Juxta's own words where it gave them
};

// Compares file1 with the user's file as stored on disk (not the working copy) after
// removing the files of any earlier run, so nothing old is ever taken for this run's.
// The editor keeps repainting while it waits. Says itself when Juxta is not installed.
JuxtaRun runJuxta(QWidget* parent, const QString& file1, char reportCode, const QString& globalFile);

// Tells the user that Juxta could not compare the two files.
void reportFailedCompare(QWidget* parent, const QString& file1, const QString& globalFile, const QString& detail);

// Where Juxta's compare log and comments file are; "" when there is no temporary folder.
QString compareLogPath();
QString commentsFilePath();
// The flags of the last run; nullopt when its result file is missing or unreadable.
std::optional<uint16_t> readCompareResult();

// Before a comment import: 2 asks to stop (Cancel, Juxta missing or failed), 1 or 0 to
// go on (1: nothing differs or the user accepts different block functions).
int CheckFunctionMatch(QWidget* parent, const QString& filename, const QString& globalFile);

} // namespace brevant
