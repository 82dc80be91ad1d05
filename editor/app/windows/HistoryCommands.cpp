#include "HistoryCommands.h"

#include "core/EditHistory.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QStyle>
#include <QUndoView>
#include <QVBoxLayout>

namespace brevant {

namespace {
// A menu text with the step's name, whose "&" marks no access key.
QString commandText(const QString& command, const QString& step)
{
    return step.isEmpty() ? command : command + QLatin1Char(' ') + QString(step).replace(QLatin1Char('&'), QStringLiteral("&&"));
}
} // namespace

HistoryCommands::HistoryCommands(EditHistory& history, QMenu* menu, std::function<void()> beforeUse)
    : QObject(menu), history_(history), beforeUse_(std::move(beforeUse))
{
    undo_ = menu->addAction(QString());
    undo_->setObjectName(QStringLiteral("mnuEditUndo"));
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_ = menu->addAction(QString());
    redo_->setObjectName(QStringLiteral("mnuEditRedo"));
    redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    const auto use = [this](void (QUndoStack::*move)()) {
        if (beforeUse_)
            beforeUse_();
        (history_.stack().*move)();
    };
    connect(undo_, &QAction::triggered, this, [use] { use(&QUndoStack::undo); });
    connect(redo_, &QAction::triggered, this, [use] { use(&QUndoStack::redo); });
    QUndoStack& stack = history.stack();
    for (auto changed : {&QUndoStack::canUndoChanged, &QUndoStack::canRedoChanged})
        connect(&stack, changed, this, &HistoryCommands::update);
    for (auto changed : {&QUndoStack::undoTextChanged, &QUndoStack::redoTextChanged})
        connect(&stack, changed, this, &HistoryCommands::update);
    connect(&history, &EditHistory::heldChanged, this, &HistoryCommands::update);
    update();
}

void HistoryCommands::update()
{
    const QUndoStack& stack = history_.stack();
    undo_->setText(commandText(QStringLiteral("&Undo"), stack.canUndo() ? stack.undoText() : QString()));
    redo_->setText(commandText(QStringLiteral("&Redo"), stack.canRedo() ? stack.redoText() : QString()));
    undo_->setEnabled(stack.canUndo() && !history_.held());
    redo_->setEnabled(stack.canRedo() && !history_.held());
}

frmHistory::frmHistory(EditHistory& history, const HistoryCommands& commands, QWidget* owner)
    : QWidget(owner, Qt::Tool)
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("History"));
    view_ = new QUndoView(&history.stack(), this);
    view_->setObjectName(QStringLiteral("lstHistory"));
    view_->setEmptyLabel(QStringLiteral("As Opened"));
    view_->setCleanIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    addAction(commands.undo());
    addAction(commands.redo());
    const auto hold = [this](bool held) { view_->setEnabled(!held); };
    connect(&history, &EditHistory::heldChanged, this, hold);
    hold(history.held());
}

} // namespace brevant
