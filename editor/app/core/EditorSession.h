#pragma once
// The editor's file state: the user's file, its working copy in the per-user
// folder, the change test and the copy back. Windows only ask and show.

#include "BlockModel.h"
#include "EditHistory.h"

#include <QString>
#include <memory>
#include <optional>

namespace kessig { class OrvaneDB; }
namespace orvane::files { class WorkingCopy; }

namespace brevant {

class EditorSession {
public:
    explicit EditorSession(kessig::OrvaneDB& db);
    ~EditorSession();

    kessig::OrvaneDB& db() { return db_; }
    BlockModel& model() { return model_; }
    // Every change of the open configuration, for undo and redo.
    EditHistory& history() { return history_; }

    // Makes a working copy of fileName, opens it and reloads the block function table.
    // On failure GlobalFile and the open configuration are unchanged. Throws DbError or
    // std::runtime_error.
    void LoadGlobalFile(const QString& fileName);
    // Closes the working copy in the store (the file stays).
    void CloseWorkFile();
    // Opens the working copy again after a command was cancelled.
    void reopenWorkFile();
    // The working copy differs from the file as opened or last saved: a write the history
    // does not hold, or the history standing elsewhere than at the save.
    bool WorkFileChanged() const;
    // A write into the working copy that neither the store nor the history counted.
    void countWrite() { written_ = true; }
    // Closes the working copy and saves it over GlobalFile (or target), through links and
    // keeping the file's owner and mode, and marks the history's saved state; the reason
    // when it failed (a read-only file is refused). A legacy Jet file so replaced is first kept beside itself (see keptOriginal).
    std::optional<QString> copyBack(const QString& target = {});
    // Where the last copyBack kept a Jet original; "" when it kept none.
    QString keptOriginal() const { return keptOriginal_; }
    // Deletes the working copy (closed first) and forgets it.
    void deleteWorkFile();
    QString MainCaption() const;

    QString GlobalFile;
    QString WorkFile;
    bool FileReadOnly = false;
    bool FileOpened = false;
    int32_t VisioCommentsMissing = 0;
    BlockFunctionTable BlockFunctions = defaultBlockFunctions();

private:
    void openWorkFile();

    kessig::OrvaneDB& db_;
    EditHistory history_;
    BlockModel model_;
    std::unique_ptr<orvane::files::WorkingCopy> work_;  // held while it lives; WorkFile is its path
    bool written_ = false;            // writes past the history of earlier opens of this working copy, or past the store
    QString keptOriginal_;
};

} // namespace brevant
