#pragma once
// A private copy of a configuration file to work on. The user's file is never opened
// by the store; after a completed upload the copy replaces it in one rename, so the
// file is either the old one or the new one, never half written.

#include <QString>

namespace orvane::cli {

class WorkingCopy {
public:
    // Copies `original` into a new file in `folder` (the original's own folder when the
    // copy is to replace it: a rename does not cross file systems). Check ok().
    WorkingCopy(const QString& original, const QString& folder);
    ~WorkingCopy();   // removes the copy unless it replaced the original
    WorkingCopy(const WorkingCopy&) = delete;
    WorkingCopy& operator=(const WorkingCopy&) = delete;

    bool ok() const { return error_.isEmpty(); }
    QString errorText() const { return error_; }
    QString path() const { return path_; }

    // Flushes the copy to the disk and renames it over the original; the store must
    // have closed it. False (see errorText) leaves the original untouched.
    bool replaceOriginal();

private:
    QString original_;
    QString path_;
    QString error_;
    bool replaced_ = false;
};

} // namespace orvane::cli
