#include "FormComment.h"

#include "TextBoxes.h"
#include "core/Filedialogs.h"
#include "core/EditorSession.h"
#include "frmGeneral.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableWidget>

namespace brevant {

FormComment::FormComment(EditorSession& session, QWidget* mainWindow, QPlainTextEdit* commentBox, int block)
    : QDialog(mainWindow), session_(session), main_(mainWindow), commentBox_(commentBox), block_(block),
      texts_(session)
{
    setObjectName(QStringLiteral("FormComment"));
    setWindowTitle(QStringLiteral("Block Comments"));
    auto* layout = new QGridLayout(this);
    auto* bar = new QMenuBar(this);
    layout->setMenuBar(bar);
    connect(addDoneCommand(bar), &QAction::triggered, this, &FormComment::mnuExit_Click);
    text1_ = makeCommentBox(this, "Text1", 8775, 3600);
    text2_ = makeCommentBox(this, "Text2", 3015, 3600);
    // Each box is named over it; its label takes the focus to it (Alt and the marked letter).
    const auto title = [&](const char* name, const QString& text, QPlainTextEdit* box, int column) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setBuddy(box);
        layout->addWidget(label, 0, column);
        layout->addWidget(box, 1, column);
        box->setTabChangesFocus(true);
    };
    title("lblText1", QStringLiteral("&BLOCK COMMENT"), text1_, 0);
    title("lblText2", QStringLiteral("D&RAWING COMMENT"), text2_, 1);
    // The boxes keep their size, so that lines wrap where they will be stored; room to
    // spare stays right of them and below.
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(2, 1);
    text1_->installEventFilter(this);
    text2_->installEventFilter(this);
    for (const char* name : {"Grid2", "Grid3"})
        if (auto* grid = main_->findChild<QTableWidget*>(QString::fromLatin1(name)))
            grid->setCurrentCell(0, 0);
}

void FormComment::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void FormComment::Form_Activate()
{
    text1_->setReadOnly(session_.FileReadOnly);
    text2_->setReadOnly(session_.FileReadOnly);
    try {
        showStoredText(text1_, texts_.blockComment(block_));
        showStoredText(text2_, texts_.blockDrawingComment(block_));
    } catch (const std::exception& e) {
        reportError(this, e);
    }
}

void FormComment::leaveBox(QPlainTextEdit* box, bool drawing)
{
    if (session_.FileReadOnly || !box->document()->isModified())
        return;
    try {
        const QString text = HardenLineBreaks(box);
        if (drawing)
            texts_.setBlockDrawingComment(block_, text);
        else
            texts_.setBlockComment(block_, text);
        box->document()->setModified(false);
    } catch (const std::exception& e) {
        reportError(this, e);
    }
}

void FormComment::Text1_LostFocus() { leaveBox(text1_, false); }
void FormComment::Text2_LostFocus() { leaveBox(text2_, true); }

void FormComment::mnuExit_Click()
{
    Text1_LostFocus();
    Text2_LostFocus();
    const QStringList comment = text1_->toPlainText().split(QLatin1Char('\n'));
    const QStringList drawing = text2_->toPlainText().split(QLatin1Char('\n'));
    commentBox_->setPlainText(storedLines(shownComment(storedText(comment), storedText(drawing))).join(QLatin1Char('\n')));
    QDialog::accept();
}

void FormComment::reject() { mnuExit_Click(); }

bool FormComment::eventFilter(QObject* watched, QEvent* event)
{
    // Tab moves on; Ctrl+Tab puts a tab character into the text.
    auto* box = qobject_cast<QPlainTextEdit*>(watched);
    if (box && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier) {
            if (!box->isReadOnly())
                box->insertPlainText(QStringLiteral("\t"));
            return true;
        }
    }
    if (watched == text1_ && leavesBox(event))
        Text1_LostFocus();
    else if (watched == text2_ && leavesBox(event))
        Text2_LostFocus();
    return QDialog::eventFilter(watched, event);
}

} // namespace brevant
