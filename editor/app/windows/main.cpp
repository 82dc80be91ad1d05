// Brevant: the configuration editor of the Orvane controller.

#include "EditorApp.h"
#include "Screenshots.h"
#include "ui/MessageSeam.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevant"));
    QApplication::setApplicationVersion(QStringLiteral("7.11"));
    const QStringList args = QCoreApplication::arguments();
    const qsizetype shot = args.indexOf(QStringLiteral("--screenshot"));
    std::unique_ptr<brevant::ScreenshotRun> screenshots;
    if (shot >= 0 && shot + 2 < args.size())
        screenshots = std::make_unique<brevant::ScreenshotRun>(args[shot + 1], args[shot + 2]);
    brevant::EditorApp app;
    const QString error = app.start(QCoreApplication::applicationDirPath());
    if (!error.isEmpty()) {
        brevant::showMessage(nullptr, error, brevant::Buttons::Ok, brevant::Icon::Critical);
        return 1;
    }
    if (screenshots)
        return screenshots->run(app);
    // A configuration given to the program (by the desktop's "open with") opens at once.
    QString givenFile;
    for (const QString& arg : args.mid(1))
        if (!arg.startsWith(QStringLiteral("--")))
            givenFile = arg;
    app.showStartUp(givenFile);
    // The first activation of the main window shows the start dialog; quitting
    // there (Cancel) or through Exit ends the loop.
    return QApplication::exec();
}
