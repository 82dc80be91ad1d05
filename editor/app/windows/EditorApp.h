#pragma once
// One run of the editor: the one OrvaneDB object, the file state, the start-up
// window and the main window.

#include "Dialogs.h"
#include "MainWindow.h"
#include "core/EditorSession.h"
#include "orvane/link/CommSettings.h"

#include <kessig/OrvaneDB.h>

#include <QTimer>
#include <memory>

namespace brevant {

class EditorApp {
public:
    EditorApp();
    ~EditorApp();

    // Opens the catalogue in folder, loads the serial settings and builds the windows.
    // Returns "" on success, else the message to show.
    QString start(const QString& folder);
    // Shows the start-up window; after 2000 ms the main window and its start dialog,
    // or, when a file was given, that file in place of the start dialog.
    void showStartUp(const QString& givenFile = {});

    kessig::OrvaneDB& db() { return db_; }
    EditorSession& session() { return *session_; }
    Form3& mainWindow() { return *form3_; }
    FrmStart& startWindow() { return *frmStart_; }
    // The serial settings read at start-up.
    const orvane::link::CommSettings& commSettings() const { return comm_; }

private:
    kessig::OrvaneDB db_;
    std::unique_ptr<EditorSession> session_;
    std::unique_ptr<FrmStart> frmStart_;
    std::unique_ptr<Form3> form3_;
    QTimer timer1_;
    orvane::link::CommSettings comm_;
};

} // namespace brevant
