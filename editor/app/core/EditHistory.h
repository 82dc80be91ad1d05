#pragma once
// The undo history of the editing session: every change of the open configuration is a
// step on one QUndoStack that holds the rows the change found and left. Undo and redo,
// and any jump through the history (a QUndoView moves the stack itself), write all their
// rows in one store transaction: a jump whose write fails is refused whole, the stack
// goes back to where it was, and refused() says why.

#include "BlockModel.h"
#include "ConfigurationRows.h"

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <functional>
#include <vector>

namespace kessig { class OrvaneDB; }

namespace brevant {

class HistoryStep;

class EditHistory : public QObject {
    Q_OBJECT
public:
    // `functions` is the block function table kept equal to the rows undo and redo write.
    EditHistory(kessig::OrvaneDB& db, BlockFunctionTable& functions);
    ~EditHistory() override;

    QUndoStack& stack() { return stack_; }

    // Runs `change`, which writes rows of `scope` all at once or not at all, and keeps what
    // it changed as one step named `name`, whose undo and redo show `block` (-1: none).
    // A change that throws keeps nothing and passes the error on; one that changed no row
    // keeps no step.
    void record(const QString& name, const RowScope& scope, int block, const std::function<void()>& change);
    void clear();

    // While held (a transfer talks to the controller) undo and redo are refused.
    void setHeld(bool held);
    bool held() const { return held_; }

    // The change test: whether the stack stands where the file was opened or last saved,
    // and how many writes the store made on this connection past the history.
    bool atSavedState() const { return stack_.isClean(); }
    void markSaved() { stack_.setClean(); }
    uint64_t writesOutside() const;
    // The store opened the working copy anew: its write count starts again.
    void connectionOpened() { storeWrites_ = 0; }

signals:
    // An undo, redo or jump was written; `block` is the block its last step showed, or -1,
    // and `done` says what was done ("Undo Block 20 Parameter 4", "Undo Title and 2 more").
    void applied(int block, const QString& done);
    // An undo, redo or jump could not be written: nothing changed, the stack stands where it was.
    void refused(const QString& message);
    void heldChanged(bool held);

private:
    friend class HistoryStep;
    // Called by a step as the stack undoes (forward false) or redoes it.
    void moving(const HistoryStep& step, bool forward);
    void stackMoved();
    // Puts the stack back at index_ without writing.
    void goBack();

    struct Move {
        const HistoryStep* step;
        bool forward;
    };
    // Writes the rows the moves lead to in one transaction and keeps the block function
    // table with them; "" when written, else why not, with `writing` the move it failed on.
    QString write(const std::vector<Move>& moves, const Move*& writing);

    kessig::OrvaneDB& db_;
    BlockFunctionTable& functions_;
    QUndoStack stack_;
    std::vector<Move> moves_;   // the steps the stack moved through, not yet written
    int index_ = 0;             // where the stack stands in the file
    bool pushing_ = false;      // a step being pushed is written already
    bool goingBack_ = false;
    bool held_ = false;
    uint64_t storeWrites_ = 0;  // store writes of this connection made by the history
};

} // namespace brevant
