#pragma once
// "frmGeneral" (Configuration Info) and "frmvga" (Configuration Description): the
// title, configuration name, description and quick messages of the open
// configuration. They take the main window's place on screen while open; top-level
// windows of their own, owned by the main window.

#include "core/ConfigurationTexts.h"

#include <QMainWindow>
#include <memory>

class QLineEdit;
class QPlainTextEdit;
class QTableView;

namespace brevant {

class EditorSession;
class QuickMessageData;
class frmvga;

// A window whose "&Done" command and title-bar close do the same.
class DoneWindow : public QMainWindow {
    Q_OBJECT
public:
    virtual void mnuExit_Click() = 0;

protected:
    DoneWindow();
    void closeEvent(QCloseEvent* event) override;
};

class frmGeneral : public DoneWindow {
    Q_OBJECT
public:
    frmGeneral(EditorSession& session, QWidget* mainWindow);
    ~frmGeneral() override;

    // The Edit menu entry: shown in the main window's place, with its caption.
    void open();
    // Each activation: the texts read again, the grid filled, the locks set.
    void Form_Activate();
    void txtTitle_LostFocus();
    void txtCfg_LostFocus();
    void Text1_Click();
    void mnuExit_Click() override;
    // After an undo or redo: the texts and the grid of this window and the description
    // window, when shown, as they now are.
    void showStored();

    frmvga& descriptionWindow() { return *frmvga_; }
    QuickMessageData& data() { return *data1_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Leaving a box: a text too long for its field is cut with a notice, a changed one written.
    void leaveField(QLineEdit* box, const QString& what);
    // A quick-message cell still being edited is stored before the window goes.
    void leaveGrid();
    // Stores what the boxes and the grid hold as if the user had left them.
    void storeTyped();
    // The stored texts and quick messages; with keepTyped a box the user is typing in keeps it.
    void showStoredValues(bool keepTyped);
    void showGrid();

    EditorSession& session_;
    QWidget* main_;
    ConfigurationTexts texts_;
    QLineEdit* txtTitle_;
    QLineEdit* txtCfg_;
    QPlainTextEdit* text1_;
    QTableView* dbGrid1_;
    QuickMessageData* data1_;
    std::unique_ptr<frmvga> frmvga_;
};

class frmvga : public DoneWindow {
    Q_OBJECT
public:
    frmvga(EditorSession& session, frmGeneral* general);

    // Shown in the configuration info window's place, with the main caption.
    void open();
    void Form_Activate();
    void txtCmt_LostFocus();
    void mnuExit_Click() override;
    // Shows the stored description again, unless the user is editing it.
    void showStored();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EditorSession& session_;
    frmGeneral* general_;
    ConfigurationTexts texts_;
    QPlainTextEdit* txtCmt_;
};

// A focus change that leaves a box the way the user leaves it (not a window switch or a popup).
bool leavesBox(const QEvent* event);

} // namespace brevant
