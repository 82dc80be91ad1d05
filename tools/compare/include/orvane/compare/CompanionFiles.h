#pragma once
// What passes between the editor, the companion programs and the drawing program: the
// companion command line and the files in the temporary or synchronisation folder.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::compare {

inline const QString kCompareLogName = QStringLiteral("ORVANE_COMPARE_FILE.TXT");
inline const QString kOstrelLogName = QStringLiteral("ORVANE_COMPARE_FILE.txt");
inline const QString kCommentsFileName = QStringLiteral("COMMENTS.TXT");
inline const QString kResultFileName = QStringLiteral("CompareResult");
inline const QString kSyncDatabaseName = QStringLiteral("TempOrvaneSyncFile.mdb");

// Exit statuses of Juxta and Tracera.
inline constexpr int kExitCompared = 0;
inline constexpr int kExitIncomplete = 1;   // compared; the log tells what could not be
inline constexpr int kExitNotCompared = 2;

// "first<C>second": split at the first "<"; C is the report code and the second path
// starts at the third character after the "<". Paths with blanks pass unchanged.
struct CompanionCommandLine {
    QString first;
    char reportCode = 'L';
    QString second;
};
std::optional<CompanionCommandLine> splitCommandLine(const QString& line);
QString joinCommandLine(const QString& first, char reportCode, const QString& second);

// The result file: the flags in decimal and CR LF.
QByteArray resultFileContent(uint16_t flags);
std::optional<uint16_t> parseResultFile(const QByteArray& content);

// Comments file records: each text in double quotes and CR LF, in Windows-1252, with
// every inner double quote carried as the character of code 8.
std::string xlat_quotes(std::string text);
std::string xlat_bells(std::string text);
QByteArray commentRecord(const std::string& utf8Text);
// The records of a comments file, as UTF-8 texts with their quotes back; nullopt when
// the content is not a sequence of such records.
std::optional<std::vector<std::string>> parseCommentsFile(const QByteArray& content);

} // namespace orvane::compare
