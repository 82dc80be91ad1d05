#pragma once
// "Form3": the block map, the input and parameter grids and the menus.

#include "core/EditorSession.h"
#include "core/Filedialogs.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace brevant {

class FlowCommands;
class HistoryCommands;
class frmGeneral;
class frmHistory;
class frmPrintOptions;

class Form3 : public QMainWindow, public FileWindow {
    Q_OBJECT
public:
    Form3(EditorSession& session, QWidget* fileDialogParent);
    ~Form3() override;

    EditorSession& session() { return session_; }
    // The file commands the File menu and the start and recent-files dialogs run.
    Filedialogs& files() { return files_; }

    // Block map and grids.
    void FillBlockMap() override;
    // Shows the selected block again, as every command does after changing data;
    // never assigns a function.
    void Grid1_Click() override;
    // A click on the block map, or Enter in it: in Function Type mode assigns the
    // selected function to the block, else shows the block.
    void blockMapChosen();
    void SetupBlockGrids();
    void SetReadOnly() override;
    void selectBlock(int block);   // moves the Grid1 selection (no click)
    int currentBlock() const;
    void FunctionTypeMode();
    void BlockDataMode();
    // Makes name the selected function, highlighted in List1 when it is listed there.
    void chooseFunction(const QString& name);
    void searchBlock(bool forward);

    // Cell editing.
    void FlexGridEdit(QTableWidget* grid, QLineEdit* box, int key);
    void EditKeyCode(QTableWidget* grid, QLineEdit* box, int key);
    void CommitCellEdit(QTableWidget* grid, QLineEdit* box);
    void ProcessAuxOutputs();

    // A file given on the command line (the desktop's "open with"): the first activation
    // opens it in place of the start dialog; when it cannot, the start dialog follows once
    // the user has read why.
    void setGivenFile(const QString& fileName) { givenFile_ = fileName; }
    // The first activation: read-only state, recent entries, start dialog.
    void firstActivation();
    // The text windows and printing.
    void mnuEditComments_Click();
    void txtCmt_Click();
    void munFilePrint_Click();
    // Edit > History: the steps of the history, to go to any of them.
    // "&History" of the File menu: the transfer history.
    void mnuFileHistory_Click();
    void mnuEditHistory_Click();
    frmGeneral* configurationInfo() const { return frmGeneral_.get(); }
    frmHistory* historyWindow() const { return historyWindow_; }
    frmPrintOptions* printOptions() const;
    FlowCommands* flow() const { return flow_; }
    // Shows the window without its start dialog (the file is opened already).
    void markActivationHandled() { activationHandled_ = true; startDialogShown_ = true; }
    // The start dialog was cancelled or Exit ran: the program ends.
    bool finished() const { return finished_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // What the file commands need of the window.
    QWidget* messageParent() override { return this; }
    void showCaption(const QString& caption) override { setWindowTitle(caption); }
    QString recentCaption(int index) override;
    void hideStartUpWindow() override;
    void endProgram() override;
    void showRecentSeparator() override;
    void showRecentEntry(int index, const QString& fileName) override;

private:
    void buildMenus();
    void buildControls();
    void sizeGrids();
    void showBlock(int block);
    void showInputRow(int row, const InputRow& in);
    // Row 1 of the parameter grid of an "AABO"/"DABO" block: its aux output.
    void showAuxOutput(int block, const QString& functionName);
    void assignFunction(int block);
    // After an undo or redo: the block map, the block it touched and the text windows
    // show the configuration as it now is; the status bar says what was done.
    void showChange(int block, const QString& done);
    QWidget* activeWindowOrThis();
    template <class F> void guarded(F&& f);
    void closeEditBox(QTableWidget* grid, QLineEdit* box);
    // One transfer with the configuration commands held off until it has ended.
    template <class F> void runTransfer(F&& transfer);
    void setTransferRunning(bool running);
    bool editableRow(const QTableWidget* grid, int row) const;
    void setFocusMarks(QTableWidget* grid, bool focused);
    QAction* action(QMenu* menu, const char* name, const QString& text, bool enabled = true,
                    QKeySequence::StandardKey key = QKeySequence::UnknownKey);

    EditorSession& session_;
    QWidget* fileDialogParent_;
    Filedialogs files_;
    QTableWidget* grid1_ = nullptr;
    QTableWidget* grid2_ = nullptr;
    QTableWidget* grid3_ = nullptr;
    QListWidget* list1_ = nullptr;
    QLineEdit* txtEdit_ = nullptr;
    QLineEdit* txtEdit1_ = nullptr;
    QPlainTextEdit* txtCmt_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label5_ = nullptr;
    QPushButton* command1_ = nullptr;
    std::array<QAction*, 5> recent_{};   // 0: separator
    QAction* mnuFileUpload_ = nullptr;
    QAction* mnuEditCfg_ = nullptr;
    QAction* mnuFileSave_ = nullptr;

    QString selectedFunction_ = QStringLiteral("NOP");
    bool activationHandled_ = false;
    bool startDialogShown_ = false;
    bool skipCommentEditorOnce_ = false;
    QString givenFile_;
    bool finished_ = false;
    bool transferRunning_ = false;   // a download, upload or verify is talking to the controller
    BlockView shown_;
    std::unique_ptr<frmGeneral> frmGeneral_;
    HistoryCommands* history_ = nullptr;
    FlowCommands* flow_ = nullptr;
    frmHistory* historyWindow_ = nullptr;   // made when first asked for
    QPointer<frmPrintOptions> printOptions_;
    int editedBlock_ = 0;
    int rowHeight_ = 0;   // of the input and parameter grids
};

} // namespace brevant
