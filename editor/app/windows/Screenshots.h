#pragma once
// The editor's screenshot mode, "Brevant --screenshot DIR FILE": opens FILE and writes a
// PNG of each main window into DIR, the live windows polling the session's controller
// simulator; then ends. The README's pictures and the install check come from it.

#include <QString>
#include <QTemporaryDir>

namespace brevant {

class EditorApp;

class ScreenshotRun {
public:
    // Made before the editor starts: the run keeps its settings (the serial port, the
    // recent list) in a private folder, so the user's stay as they are.
    ScreenshotRun(QString folder, QString file);

    // Every picture; 0 when all were taken.
    int run(EditorApp& app);

private:
    QTemporaryDir settings_;
    QString folder_;
    QString file_;
};

} // namespace brevant
