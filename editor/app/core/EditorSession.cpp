#include "EditorSession.h"

#include "orvane/files/WorkingCopy.h"
#include "orvane/files/WritingHold.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <QFile>

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

void EditorSession::LoadGlobalFile(const QString& fileName, bool readOnly)
{
    const QString recovered =
        QString::fromStdString(kessig::recoverInterruptedWrite(QFile::encodeName(fileName).toStdString(), fileName.toStdString()));
    // A legacy Jet file is read into the tool set's own format on the way.
    auto work = std::make_unique<WorkingCopy>(fileName, orvane::formats::copyConfiguration);
    if (readOnly)
        QFile::setPermissions(work->path(), QFileDevice::ReadOwner);
    std::swap(work, work_);   // `work` now holds the previous working copy, if any
    const QString previous = WorkFile;
    try {
        if (db_.ConfigurationOpen())
            db_.close_work_dbs();
        WorkFile = work_->path();
        written_ = false;
        openWorkFile();
        VisioCommentsMissing = db_.AddedVisioComment() ? kessig::err::ItemNotFound : 0;
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
    readOnlyChosen_ = readOnly;
    recovered_ = recovered;
    // The hold of the file opened before goes first, so this program never counts as another.
    hold_.reset();
    if (!FileReadOnly)
        hold_ = std::make_unique<WritingHold>(fileName);
}

bool EditorSession::heldByAnotherProgram(const QString& fileName) const
{
    return hold_ && hold_->holds(fileName) ? hold_->othersHold() : heldForWriting(fileName);
}

bool EditorSession::changedSinceOpened() const
{
    return work_ && work_->originalChanged();
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
