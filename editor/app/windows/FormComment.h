#pragma once
// "FormComment" (Block Comments): the comment and the drawing comment of the
// current block, opened modally from the main window's comment box.

#include "core/ConfigurationTexts.h"

#include <QDialog>

class QPlainTextEdit;

namespace brevant {

class EditorSession;

class FormComment : public QDialog {
    Q_OBJECT
public:
    // `mainWindow` holds the grids "Grid2" and "Grid3"; `commentBox` is its "txtCmt".
    FormComment(EditorSession& session, QWidget* mainWindow, QPlainTextEdit* commentBox, int block);

    void Form_Activate();
    void Text1_LostFocus();
    void Text2_LostFocus();
    // The main window's comment box shows the drawing comment, or the comment when that is blank.
    void mnuExit_Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape and the title bar close it as "&Done" does.
    void reject() override;

private:
    void leaveBox(QPlainTextEdit* box, bool drawing);

    EditorSession& session_;
    QWidget* main_;
    QPlainTextEdit* commentBox_;
    int block_;
    ConfigurationTexts texts_;
    QPlainTextEdit* text1_;
    QPlainTextEdit* text2_;
};

} // namespace brevant
