#include "TextBoxes.h"

#include "Dialogs.h"
#include "core/ConfigurationTexts.h"
#include "ui/MessageSeam.h"

#include <kessig/OrvaneDB.h>

#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMenuBar>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <vector>

namespace brevant {

QPlainTextEdit* makeCommentBox(QWidget* parent, const char* name, int widthTwips, int heightTwips)
{
    auto* box = new QPlainTextEdit(parent);
    shapeCommentBox(box, name, widthTwips, heightTwips);
    return box;
}

void shapeCommentBox(QPlainTextEdit* box, const char* name, int widthTwips, int heightTwips)
{
    box->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("Courier New"));
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"), QStringLiteral("Cousine"),
                      QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(10);
    box->setFont(font);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setFixedSize(twips(box, widthTwips), twips(box, heightTwips));
}

PreviewBox::PreviewBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    viewport()->setCursor(Qt::PointingHandCursor);
    // A read-only box draws no caret: the frame shows where the keyboard is. Both states
    // keep one frame width, so the text never moves.
    setStyleSheet(QStringLiteral("QPlainTextEdit { border: 2px solid palette(mid); }"
                                 "QPlainTextEdit:focus { border: 2px solid palette(highlight); }"));
}

void PreviewBox::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            emit opened();
            return;
        }
        break;
    default:
        break;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void PreviewBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        emit opened();
        return;
    }
    QPlainTextEdit::mouseReleaseEvent(event);
}

void showStoredText(QPlainTextEdit* box, const QString& stored)
{
    box->setPlainText(storedLines(stored).join(QLatin1Char('\n')));
    box->document()->setModified(false);
}

QString HardenLineBreaks(QPlainTextEdit* box)
{
    QTextDocument* doc = box->document();
    auto* layout = qobject_cast<QPlainTextDocumentLayout*>(doc->documentLayout());
    // Only a box on screen has wrapped its lines at its real width.
    std::vector<int> softBreaks;
    if (layout && box->isVisible()) {
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            layout->ensureBlockLayout(block);
            const QTextLayout* lines = block.layout();
            for (int i = 1; lines && i < lines->lineCount(); ++i)
                softBreaks.push_back(block.position() + lines->lineAt(i).textStart());
        }
    }
    if (!softBreaks.empty()) {
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        for (auto at = softBreaks.rbegin(); at != softBreaks.rend(); ++at) {
            cursor.setPosition(*at);
            cursor.insertBlock();
        }
        cursor.endEditBlock();
    }
    return storedText(box->toPlainText().split(QLatin1Char('\n')));
}

QAction* addDoneCommand(QMenuBar* bar)
{
    QAction* done = bar->addAction(QStringLiteral("&Done"));
    done->setObjectName(QStringLiteral("mnuExit"));
    return done;
}

} // namespace brevant
