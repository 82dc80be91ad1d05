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

// "first<C>second": the report code C stands between "<" and ">". Paths with blanks pass
// unchanged, and a name may hold "<" itself: of the places where "<", a character and
// ">" could part the line, the first that parts two existing files is taken, else the
// first. Names are the bytes the system gave, which need not be UTF-8.
struct CompanionCommandLine {
    QByteArray first;
    char reportCode = 'L';
    QByteArray second;
};
std::optional<CompanionCommandLine> splitCommandLine(const QByteArray& line);
QString joinCommandLine(const QString& first, char reportCode, const QString& second);

// A file named by bytes that need not be UTF-8, where the tool set names files in
// Unicode text. path() is what opens it: the name itself when it reads as UTF-8, else
// the path of a descriptor held on the file for as long as this object lives (which a
// program it starts can open as well). shown() names it in logs and messages, each
// byte that is not UTF-8 as U+FFFD. Closing a descriptor drops every lock this process
// holds on the file, so it goes only after every connection to the file has closed.
class NamedFile {
public:
    explicit NamedFile(const QByteArray& name);
    ~NamedFile();
    NamedFile(const NamedFile&) = delete;
    NamedFile& operator=(const NamedFile&) = delete;

    const QString& path() const { return path_; }
    const QString& shown() const { return shown_; }

private:
    QString shown_;
    QString path_;
    int descriptor_ = -1;
};

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
