// Brevant: the configuration editor of the Orvane controller.

#include "EditorApp.h"
#include "ui/MessageSeam.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

namespace {

// --screenshot DIR FILE: open FILE, grab the main window in both modes, quit.
int screenshots(brevant::EditorApp& app, const QString& dir, const QString& file)
{
    using namespace brevant;
    setFileDialogHandler([file](const FileDialogRequest&) { return file; });
    setMessageHandler([](const MessageRequest& r) {
        qWarning("message: %s", qPrintable(r.text));
        return Answer::No;
    });
    Form3& w = app.mainWindow();
    if (!w.files().OpenExistingFile())
        return 1;
    w.resize(w.sizeHint());
    w.FillBlockMap();
    int block = 0;
    for (int b = 0; b < 160; ++b)
        if (b >= 4 && app.session().BlockFunctions[b] != 127) {
            block = b;
            break;
        }
    w.selectBlock(block);
    w.Grid1_Click();
    w.markActivationHandled();
    w.show();
    QDir().mkpath(dir);
    QApplication::processEvents();
    w.grab().save(dir + QStringLiteral("/block-data.png"));
    w.FunctionTypeMode();
    QApplication::processEvents();
    w.grab().save(dir + QStringLiteral("/function-type.png"));
    app.session().deleteWorkFile();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevant"));
    QApplication::setApplicationVersion(QStringLiteral("7.11"));
    brevant::EditorApp app;
    const QString error = app.start(QCoreApplication::applicationDirPath());
    if (!error.isEmpty()) {
        brevant::showMessage(nullptr, error, brevant::Buttons::Ok, brevant::Icon::Critical);
        return 1;
    }
    const QStringList args = QCoreApplication::arguments();
    const qsizetype shot = args.indexOf(QStringLiteral("--screenshot"));
    if (shot >= 0 && shot + 2 < args.size())
        return screenshots(app, args[shot + 1], args[shot + 2]);
    app.showStartUp();
    // The first activation of the main window shows the start dialog; quitting
    // there (Cancel) or through Exit ends the loop.
    return QApplication::exec();
}
