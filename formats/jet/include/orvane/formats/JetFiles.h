#pragma once
// Configurations that plants keep in the legacy Jet format, opened and replaced the way
// every program of the tool set does it: a Jet file is read into a file of the tool
// set's own format by the separate reader process, and a Jet original is never
// destroyed: the first time it would be replaced it is kept beside itself.

#include <QString>
#include <memory>
#include <optional>
#include <stdexcept>

namespace orvane::files { class WorkingCopy; }

namespace orvane::formats {

// True when the file begins with the header of a Jet (or later Access engine) database.
bool isJetFile(const QString& path);

// The reader program: orvane-jet-reader beside this program, else in $ORVANE_BIN_DIR.
QString jetReaderProgram();

// Makes `target` hold the configuration of `source` in the tool set's own format, with
// source's modification time and permissions (a read-only original gives a read-only
// copy). A Jet file is read by the reader process, any other file is copied byte for
// byte. Returns the reason on failure, naming source; target is then as it was. A file
// with an unfinished write beside it is refused: recover it first.
std::optional<QString> copyConfiguration(const QString& source, const QString& target);

struct Replacement {
    std::optional<QString> error;   // why target could not be replaced; it is then as it was
    QString keptOriginal;           // where a Jet original was kept, "" when none was
};

// Replaces `target` by `source` safely (see orvane::files::copyBack). An unfinished
// write into target is recovered first, so that no journal of the old content is left
// beside the new one; when it cannot be, target is not replaced.
// When target is a Jet file, it is first kept beside itself as "<name>.jet.mdb" (or
// "<name>.jet-2.mdb" and so on when that name is taken).
Replacement replaceConfiguration(const QString& source, const QString& target);

// What to tell the user once a Jet original was kept.
QString keptOriginalMessage(const QString& target, const QString& keptOriginal);

// A configuration that cannot be read; what() names the user's file and what is wrong.
class UnreadableConfiguration : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A configuration in the tool set's own format for a program that reads it briefly: the
// user's file itself, or for a Jet file a working copy read from it, removed again with
// this object. The user's file is only read, never locked or changed, except that a
// write into it that did not finish is first recovered (kessig::recoverInterruptedWrite).
class OwnFormatFile {
public:
    // `shown` names the file in what the recovery says ("": path). Throws
    // UnreadableConfiguration when a Jet file cannot be read, kessig::DbError when an
    // unfinished write cannot be recovered.
    explicit OwnFormatFile(const QString& path, const QString& shown = {});
    ~OwnFormatFile();
    OwnFormatFile(const OwnFormatFile&) = delete;
    OwnFormatFile& operator=(const OwnFormatFile&) = delete;

    // The file to open.
    const QString& path() const { return path_; }
    // True when path() is a working copy of a Jet file.
    bool isCopy() const { return copy_ != nullptr; }
    // What the recovery of an unfinished write did, for the user; "" when there was none.
    const QString& recovered() const { return recovered_; }

private:
    std::unique_ptr<orvane::files::WorkingCopy> copy_;
    QString path_;
    QString recovered_;
};

} // namespace orvane::formats
