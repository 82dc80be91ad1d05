#pragma once
// Edit > Undo, Redo and History. The menu texts name the change ("Undo Block 20
// Parameter 4"); Ctrl+Z undoes, Ctrl+Y and Ctrl+Shift+Z redo; the History window lists
// every step and goes to the one clicked. All of it waits while the history is held.

#include <QObject>
#include <QWidget>
#include <functional>

class QAction;
class QMenu;
class QUndoView;

namespace brevant {

class EditHistory;

class HistoryCommands : public QObject {
    Q_OBJECT
public:
    // beforeUse runs before each undo and redo: the window stores what is being typed.
    HistoryCommands(EditHistory& history, QMenu* menu, std::function<void()> beforeUse = {});

    QAction* undo() const { return undo_; }
    QAction* redo() const { return redo_; }

private:
    void update();

    EditHistory& history_;
    std::function<void()> beforeUse_;
    QAction* undo_;
    QAction* redo_;
};

// "History": the steps of the history, the bottom one the configuration as opened, the
// saved state marked; clicking a step undoes or redoes up to it.
class frmHistory : public QWidget {
    Q_OBJECT
public:
    // The window's keys undo and redo as commands' do.
    frmHistory(EditHistory& history, const HistoryCommands& commands, QWidget* owner);

    QUndoView* view() const { return view_; }

private:
    QUndoView* view_;
};

} // namespace brevant
