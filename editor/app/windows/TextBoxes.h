#pragma once
// What the text windows share: the fixed-pitch comment box, hardening its line
// breaks, the words of a database error, and the "&Done" menu command.

#include <QPlainTextEdit>
#include <QString>

class QAction;
class QMenuBar;
class QWidget;

namespace brevant {

// A multi-line, word-wrapping box in "Courier New" (or a fixed-pitch font of its
// metrics), `widthTwips` wide, so that a line wraps where the user sees it wrap.
QPlainTextEdit* makeCommentBox(QWidget* parent, const char* name, int widthTwips, int heightTwips);
// Gives a box the name, font, wrapping and size of such a comment box.
void shapeCommentBox(QPlainTextEdit* box, const char* name, int widthTwips, int heightTwips);

// A read-only box that shows a text whose own window edits it: a click, Return, Enter
// or Space opens that window. Its frame is marked while it has the focus.
class PreviewBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit PreviewBox(QWidget* parent);

signals:
    void opened();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Shows a stored text (lines ended by CR LF) in a box; the box counts as unchanged.
void showStoredText(QPlainTextEdit* box, const QString& stored);

// Makes every place where the box wrapped a line a line break of its own, in the box
// too, and returns the text as stored: the lines the user saw, joined by CR LF. The
// wrap points are the box's own layout of its text at its width and font.
QString HardenLineBreaks(QPlainTextEdit* box);

// The "&Done" command ("mnuExit") on a menu bar.
QAction* addDoneCommand(QMenuBar* bar);

} // namespace brevant
