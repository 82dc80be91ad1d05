#include "TextBoxes.h"

#include "Dialogs.h"
#include "core/ConfigurationTexts.h"
#include "ui/MessageSeam.h"

#include <kessig/OrvaneDB.h>

#include <QAction>
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
    return box;
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
