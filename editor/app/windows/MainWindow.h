#pragma once
// "Form3": the block map, the input and parameter grids and the menus.

#include "core/EditorSession.h"

#include <QMainWindow>
#include <array>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace brevant {

class Form3 : public QMainWindow {
    Q_OBJECT
public:
    Form3(EditorSession& session, QWidget* fileDialogParent);

    EditorSession& session() { return session_; }

    // Block map and grids.
    void FillBlockMap();
    void Grid1_Click();
    void SetupBlockGrids();
    void SetReadOnly();
    void selectBlock(int block);   // moves the Grid1 selection (no click)
    int currentBlock() const;
    void FunctionTypeMode();
    void BlockDataMode();
    void chooseFunction(const QString& name) { selectedFunction_ = name; }
    void searchBlock(bool forward);

    // Cell editing.
    void FlexGridEdit(QTableWidget* grid, QLineEdit* box, int key);
    void EditKeyCode(QTableWidget* grid, QLineEdit* box, int key);
    void CommitCellEdit(QTableWidget* grid, QLineEdit* box);
    void ProcessAuxOutputs();

    // File commands.
    bool CreateNewFile();
    bool OpenExistingFile();
    void fileNew();
    void fileOpen();
    void fileSave();
    void fileSaveAs();
    void fileRestore();
    bool fileExit();
    void mnuRecentFile_Click(int index);
    void GetRecentFile(int index);
    void ReloadGlobalFile();
    void ShowRecentFiles();
    // The first activation: read-only state, recent entries, start dialog.
    void firstActivation();
    // Shows the window without its start dialog (the file is opened already).
    void markActivationHandled() { activationHandled_ = true; startDialogShown_ = true; }
    // The start dialog was cancelled or Exit ran: the program ends.
    bool finished() const { return finished_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    void showBlock(int block);
    void assignFunction(int block);
    void afterFileChange();
    bool LoadGlobalFile(const QString& fileName);
    bool askBeforeLeaving();  // false when cancelled or saving failed
    bool saveBack(const QString& target = {});
    void OpenRecentEntry(const QString& fileName, int index);
    void reportDbError(const std::exception& e);
    template <class F> void guarded(F&& f);
    // One transfer with the configuration commands held off until it has ended.
    template <class F> void runTransfer(F&& transfer);
    void setTransferRunning(bool running);
    bool editableRow(const QTableWidget* grid, int row) const;
    void setFocusMarks(QTableWidget* grid, bool focused);
    QAction* action(QMenu* menu, const char* name, const QString& text, bool enabled = true);

    EditorSession& session_;
    QWidget* fileDialogParent_;
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
    bool finished_ = false;
    bool transferRunning_ = false;   // a download, upload or verify is talking to the controller
    BlockView shown_;
    int editedBlock_ = 0;
};

} // namespace brevant
