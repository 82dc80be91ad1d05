#pragma once
// The file commands of the main window: New, Open, Save, Save As, Restore, Exit and
// the recent entries, with the questions they ask. The window wires its menus and
// dialogs here and redraws when told to.

#include "EditorSession.h"
#include "MRUmodule.h"
#include "ui/MessageSeam.h"

#include <QString>
#include <exception>
#include <optional>

class QWidget;

namespace brevant {

// What the file commands need of the main window.
class FileWindow : public RecentMenu {
public:
    // Parent of the message boxes and of the Save As dialog.
    virtual QWidget* messageParent() = 0;
    virtual void showCaption(const QString& caption) = 0;
    virtual void SetReadOnly() = 0;
    // The file named by recent entry `index` of the menu, as the user sees it.
    virtual QString recentCaption(int index) = 0;
    virtual void FillBlockMap() = 0;
    // Shows the selected block again (never assigns a function).
    virtual void Grid1_Click() = 0;
    virtual void hideStartUpWindow() = 0;
    // Exit ran: the windows close and the program ends.
    virtual void endProgram() = 0;
};

// Shows an error of the store or of a file operation with its number and text.
void reportError(QWidget* parent, const std::exception& e);

class Filedialogs {
public:
    // startWindow is the parent of the New and Open dialogs, which may run before the
    // main window is shown.
    Filedialogs(EditorSession& session, FileWindow& window, QWidget* startWindow)
        : session_(session), window_(window), startWindow_(startWindow) {}

    // The commands of the File menu.
    void fileNew();
    void fileOpen();
    void fileSave();
    void fileSaveAs();
    void fileRestore();
    // False when the user cancelled.
    bool fileExit();
    // Recent entry `index` of the menu: opens the file its caption names, which another
    // instance of the editor may have moved in the stored list since.
    void mnuRecentFile_Click(int index);

    // The start dialog's choices: true when a configuration was created or opened.
    bool CreateNewFile();
    bool OpenExistingFile();
    // The recent-files dialog's choice: opens the file without closing or asking.
    void GetRecentFile(const QString& fileName);
    // A file named on the command line: opened without closing or asking anything.
    bool openGivenFile(const QString& fileName);
    // Opens GlobalFile again from disk and shows it.
    void ReloadGlobalFile();

private:
    // The folder the New and Open dialogs start in: the current file's, else the one
    // last chosen in a dialog or holding the most recent file, else the home folder.
    QString startFolder() const;
    QString askConfiguration(QWidget* parent, const FileDialogRequest& request);
    // The name Save As saves under: the Save dialog starting at `proposed`, ".mdb" added,
    // and the replace question for another file that exists. "" when the dialog was
    // cancelled, nullopt when the user would not replace the file chosen.
    std::optional<QString> askSaveAsName(const QString& proposed);
    // Opens fileName in the session: offers read-only when another program holds it for
    // writing, and tells what recovering an unfinished write did. False when not opened.
    bool openFile(const QString& fileName);
    bool LoadGlobalFile(const QString& fileName);
    void OpenRecentEntry(const QString& fileName);
    void showConfiguration();
    bool askBeforeLeaving();   // false when cancelled or saving failed
    // Closes the working copy, asks whether to save it and deletes it; false when the
    // user cancelled (the working copy is open again then).
    bool leaveWorkFile();
    // Leaves the working copy, then shows the configuration choose() made, or the
    // current one again from disk when it made none.
    void leaveFor(bool (Filedialogs::*choose)());
    // Saves the working copy over GlobalFile (or target). A GlobalFile that another program
    // changed since it was opened is replaced only when the user says so: overwrite it,
    // save as another file, or cancel. Returns the file saved; "" when nothing was.
    QString saveBack(const QString& target = {});
    // After a save: the configuration saved, shown from disk.
    void showSaved(const QString& saved);

    EditorSession& session_;
    FileWindow& window_;
    QWidget* startWindow_;
    QString lastFolder_;
};

} // namespace brevant
