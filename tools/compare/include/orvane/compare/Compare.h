#pragma once
// The compare of two configurations block by block, and the compare log, comments file
// and result flags it produces. Each companion program writes its own variant of the log.

#include "orvane/compare/Configuration.h"
#include "orvane/codepage/Cp1252.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace orvane::compare {

class FunctionCatalogue;

// Result flags, or-ed together; 0 means nothing was found.
enum ResultFlag : uint16_t {
    TextDiffers = 1,
    InputsDiffer = 2,
    ParametersDiffer = 4,
    MessagesDiffer = 8,
    FunctionsDiffer = 16,
    HasComments = 32,
};

enum class Companion { Juxta, Ostrel, Tracera };

// A file as the log head names it: its path and its last-modified time.
struct ShownFile {
    QString path;
    std::optional<QDateTime> modified;   // absent when the file does not exist
};
// The file at path, named `name` ("": its path).
ShownFile shownFile(const QString& path, const QString& name = {});

struct CompareRequest {
    Companion program = Companion::Juxta;
    char reportCode = 'L';   // "L" all differences, "S" block functions and inputs only
    ShownFile file1, file2;
    QDateTime now;
};

struct CompareOutcome {
    uint16_t flags = 0;
    bool differs = false;    // a line other than a block or Visio comment line was written
    int notCompared = 0;     // lines that tell what could not be compared
    QByteArray log;          // Windows-1252, CR LF line ends
    QByteArray comments;     // the comments file (Juxta only)
};

CompareOutcome compareConfigurations(const Configuration& one, const Configuration& two,
                                     FunctionCatalogue& catalogue, const CompareRequest& request);

// Which parts a compare writes: the configuration section and comment lines (code "L",
// and always for Ostrel), and the parameters, messages and quick messages (all but "S").
bool writesConfigurationSection(const CompareRequest& request);
bool writesParameters(const CompareRequest& request);

// The texts a compare writes in Windows-1252 that would lose characters there: the
// paths and texts its log shows and, for Juxta, the texts of its comments file.
orvane::codepage::TextsOutsideCp1252 textsOutsideCp1252(const Configuration& one, const Configuration& two,
                                                    const CompareRequest& request);
// The comment texts of `source` (title, configuration string, comment, each block's
// comment and Visio comment) that would lose characters: what a comment import carries
// through the comments file into the open configuration.
orvane::codepage::TextsOutsideCp1252 commentTextsOutsideCp1252(const Configuration& source);

// The log of a run that found no catalogue: two lines.
QByteArray catalogueMissingLog(const QDateTime& now);
// The log of a run that could not compare: its head and the reason.
QByteArray failedCompareLog(const CompareRequest& request, const QString& reason);

// Dates and times as the log shows them: the system's general date and time form (its
// short date with the full year, its time with seconds), in characters Windows-1252
// holds whatever the locale: ASCII digits, and AM and PM where its own words are not there.
QString dateTimeText(const QDateTime& when);

} // namespace orvane::compare
