#pragma once
// A program that will write a user's file back (an editor that has it open for writing,
// an upload on its way) holds the file for that time, and any program can tell that
// someone does. The hold is a shared lock on one byte far past any content, taken on an
// open file description of its own: the database engine locks elsewhere and never meets
// it, several programs may hold the same file, and the lock goes with the program
// however it ends. It only tells; it keeps no one from writing.

#include <QString>

namespace orvane::files {

class WritingHold {
public:
    // Holds the file path names (links followed). A file that cannot be read cannot be
    // held; the object then holds nothing.
    explicit WritingHold(const QString& path);
    ~WritingHold();
    WritingHold(const WritingHold&) = delete;
    WritingHold& operator=(const WritingHold&) = delete;

    // True when this object holds the file that `path` names now.
    bool holds(const QString& path) const;
    // True when someone else (another program, or another hold in this one) holds the
    // file this object holds.
    bool othersHold() const;

private:
    int fd_ = -1;
};

// True when some program holds the file at path.
bool heldForWriting(const QString& path);

} // namespace orvane::files
