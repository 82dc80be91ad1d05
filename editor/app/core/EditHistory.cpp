#include "EditHistory.h"

#include "ErrorText.h"

#include <kessig/OrvaneDB.h>

#include <QUndoCommand>
#include <utility>

namespace brevant {

// One change: the rows it found (before) and left (after). The stack only tells the
// history which way it moved; the history writes.
class HistoryStep : public QUndoCommand {
public:
    HistoryStep(EditHistory& history, const QString& name, RowValues before, RowValues after, int block)
        : QUndoCommand(name), history_(history), before_(std::move(before)), after_(std::move(after)), block_(block)
    {
    }
    void undo() override { history_.moving(*this, false); }
    void redo() override { history_.moving(*this, true); }

    const RowValues& rows(bool forward) const { return forward ? after_ : before_; }
    int block() const { return block_; }

private:
    EditHistory& history_;
    RowValues before_;
    RowValues after_;
    int block_;
};

EditHistory::EditHistory(kessig::OrvaneDB& db, BlockFunctionTable& functions) : db_(db), functions_(functions)
{
    connect(&stack_, &QUndoStack::indexChanged, this, &EditHistory::stackMoved);
}

EditHistory::~EditHistory()
{
    // The stack clears itself as it goes, after this object's own part is gone.
    disconnect(&stack_, nullptr, this, nullptr);
}

void EditHistory::record(const QString& name, const RowScope& scope, int block, const std::function<void()>& change)
{
    RowValues before = readRows(db_, scope);
    const uint64_t writes = db_.WriteCount();
    try {
        change();
    } catch (...) {
        // A change that got part of the way (it should not) leaves a file the history no
        // longer describes; the change test counts its writes as made past the history.
        if (db_.WriteCount() != writes)
            clear();
        throw;
    }
    RowValues after;
    try {
        after = readRows(db_, scope);
    } catch (...) {
        clear();
        throw;
    }
    // Writes that left every row as it was (a value typed again) are no change either.
    storeWrites_ += db_.WriteCount() - writes;
    keepDifferences(before, after);
    if (before.empty() && after.empty())
        return;
    pushing_ = true;
    stack_.push(new HistoryStep(*this, name, std::move(before), std::move(after), block));
    pushing_ = false;
}

void EditHistory::clear()
{
    stack_.clear();
    moves_.clear();
    index_ = 0;
}

void EditHistory::setHeld(bool held)
{
    if (held == held_)
        return;
    held_ = held;
    emit heldChanged(held);
}

uint64_t EditHistory::writesOutside() const
{
    return db_.WriteCount() - storeWrites_;
}

void EditHistory::moving(const HistoryStep& step, bool forward)
{
    if (!pushing_ && !goingBack_)
        moves_.push_back({&step, forward});
}

void EditHistory::goBack()
{
    goingBack_ = true;
    stack_.setIndex(index_);
    goingBack_ = false;
}

QString EditHistory::write(const std::vector<Move>& moves, const Move*& writing)
{
    if (held_)
        return QStringLiteral("A transfer is running; undo and redo wait until it has ended.");
    const uint64_t writes = db_.WriteCount();
    try {
        db_.BeginTrans();
        for (const Move& m : moves) {
            writing = &m;
            writeRows(db_, m.step->rows(m.forward));
        }
        db_.CommitTrans();
    } catch (const std::exception& e) {
        if (db_.InTransaction()) {
            try {
                db_.Rollback();
            } catch (const std::exception&) {
                // The engine ended the transaction itself; the failure caught says why.
            }
        }
        return errorText(e);
    }
    storeWrites_ += db_.WriteCount() - writes;
    for (const Move& m : moves)
        for (const auto& [b, row] : m.step->rows(m.forward).blocks)
            if (b >= 0 && b < kBlockCount)
                functions_[static_cast<size_t>(b)] = row.function;
    return {};
}

void EditHistory::stackMoved()
{
    const std::vector<Move> moves = std::exchange(moves_, {});
    if (moves.empty()) {
        index_ = stack_.index();
        return;
    }
    const Move* writing = &moves.back();
    if (const QString reason = write(moves, writing); !reason.isEmpty()) {
        goBack();
        emit refused(QStringLiteral("Cannot %1 %2:\r%3\rThe configuration and its history are as they were.")
                         .arg(writing->forward ? QStringLiteral("redo") : QStringLiteral("undo"), writing->step->text(),
                              reason));
        return;
    }
    index_ = stack_.index();
    const Move& last = moves.back();
    QString done = (last.forward ? QStringLiteral("Redo ") : QStringLiteral("Undo ")) + last.step->text();
    if (moves.size() > 1)
        done += QStringLiteral(" and %1 more").arg(moves.size() - 1);
    emit applied(last.step->block(), done);
}

} // namespace brevant
