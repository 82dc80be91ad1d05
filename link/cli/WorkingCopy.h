#pragma once
// A private copy of a configuration file to work on, made and put back the way the
// editor does it (a legacy Jet file is read into the tool set's own format). The user's file is never opened by the store; after a completed
// upload the copy replaces it atomically, so the file is either the old one or the new
// one, never half written.

#include <QString>

namespace orvane::cli {

class WorkingCopy {
public:
    // Copies `original` into the per-user working-copy folder. Check ok().
    explicit WorkingCopy(const QString& original);
    ~WorkingCopy();   // removes the copy
    WorkingCopy(const WorkingCopy&) = delete;
    WorkingCopy& operator=(const WorkingCopy&) = delete;

    bool ok() const { return error_.isEmpty(); }
    QString errorText() const { return error_; }
    QString path() const { return path_; }

    // Puts the copy in the original's place; the store must have closed it. False (see
    // errorText) leaves the original untouched. A legacy Jet original is first kept
    // beside itself (see keptOriginal).
    bool replaceOriginal();
    QString keptOriginal() const { return keptOriginal_; }

private:
    QString original_;
    QString path_;
    QString error_;
    QString keptOriginal_;
};

} // namespace orvane::cli
