#include "EditorSession.h"

#include "orvane/files/WorkingCopy.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <stdexcept>

namespace brevant {

using namespace orvane::files;

EditorSession::EditorSession(kessig::OrvaneDB& db)
    : db_(db), history_(db, BlockFunctions), model_(db, BlockFunctions, &history_)
{
}
EditorSession::~EditorSession() = default;

void EditorSession::openWorkFile()
{
    // Messages about the file name the user's file, never the working copy.
    db_.open_existing_database(WorkFile.toStdString(), kessig::Durability::Relaxed, work_->original().toStdString());
    FileReadOnly = db_.ReadOnlyFile() || isReadOnlyFile(WorkFile);
    history_.connectionOpened();
}

void EditorSession::LoadGlobalFile(const QString& fileName)
{
    // A legacy Jet file is read into the tool set's own format on the way.
    auto work = std::make_unique<WorkingCopy>(fileName, orvane::formats::copyConfiguration);
    std::swap(work, work_);   // `work` now holds the previous working copy, if any
    const QString previous = WorkFile;
    try {
        if (db_.ConfigurationOpen())
            db_.close_work_dbs();
        WorkFile = work_->path();
        written_ = false;
        VisioCommentsMissing = db_.TestVisioComments(WorkFile.toStdString(), fileName.toStdString());
        openWorkFile();
        model_.reloadBlockFunctions();
    } catch (...) {
        if (db_.ConfigurationOpen())
            db_.close_work_dbs();
        std::swap(work, work_);   // the new copy goes with `work`
        WorkFile = previous;
        if (work_)
            try { reopenWorkFile(); } catch (...) {}
        throw;
    }
    GlobalFile = fileName;
    FileOpened = true;
}

void EditorSession::CloseWorkFile()
{
    if (!WorkFile.isEmpty() && db_.ConfigurationOpen()) {
        written_ = written_ || history_.writesOutside() > 0;
        db_.close_work_dbs();
    }
}

void EditorSession::reopenWorkFile()
{
    if (WorkFile.isEmpty() || db_.ConfigurationOpen())
        return;
    openWorkFile();
}

bool EditorSession::WorkFileChanged() const
{
    // A read-only working copy cannot have changed, even when the store could not
    // add the VisioComment field to it: there is nothing to save.
    if (WorkFile.isEmpty() || FileReadOnly)
        return false;
    if (written_ || VisioCommentsMissing != 0 || !history_.atSavedState())
        return true;
    // Every write reaches the working copy through the store, which counts them; file
    // times would also move for the store's own housekeeping. Undo brings the history
    // back to the saved state with writes of its own, which are no change.
    return db_.ConfigurationOpen() && history_.writesOutside() > 0;
}

std::optional<QString> EditorSession::copyBack(const QString& target)
{
    // Closed first, so that every committed write is in the file itself.
    CloseWorkFile();
    const auto replaced = orvane::formats::replaceConfiguration(WorkFile, target.isEmpty() ? GlobalFile : target);
    keptOriginal_ = replaced.keptOriginal;
    if (!replaced.error)
        history_.markSaved();
    return replaced.error;
}

void EditorSession::deleteWorkFile()
{
    CloseWorkFile();
    work_.reset();
    WorkFile.clear();
    written_ = false;
}

QString EditorSession::MainCaption() const
{
    QString caption = QStringLiteral("Brevant - ") + GlobalFile;
    if (FileReadOnly)
        caption += QStringLiteral(" - READ ONLY");
    return caption;
}

} // namespace brevant
