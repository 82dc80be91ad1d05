// Brevant: the configuration editor of the Orvane controller.

#include "EditorApp.h"
#include "Screenshots.h"
#include "ui/MessageSeam.h"

#include "orvane/arguments/ExitStatus.h"
#include "orvane/arguments/Syntax.h"

#include <QApplication>

#include <memory>

namespace {

orvane::arguments::Syntax commandLineSyntax()
{
    using namespace orvane::arguments;
    Syntax syntax(QStringLiteral("Brevant"), "the configuration editor of the Orvane controller");
    syntax.argument({"FILE", "a configuration to open at once, instead of the start dialog", true})
        .about("Builds a controller program of 160 function blocks, downloads it over a serial line, a serial "
               "device server or a simulator, uploads it back, watches live block outputs, prints it, and "
               "compares configurations. Qt's own options (-platform, -style and the others) are taken too.")
        .option({{"screenshot"}, "DIR", "open FILE, write pictures of the windows into DIR and end (for the "
                                        "documentation; settings of its own)"})
        .exitStatus(kExitDone, "the editor was closed")
        .exitStatus(kExitUsage, "a bad command line, or the function catalogue or settings could not be used (the "
                                "reason in a box)");
    return syntax;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace orvane::arguments;
    const Syntax syntax = commandLineSyntax();
    // Help and the version need no display.
    if (const auto answered = answerBeforeApplication(syntax, wordsOf(argc, argv)))
        return *answered;
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevant"));
    QApplication::setApplicationVersion(toolSetVersion());
    const Parsed parsed = parse(syntax, wordsOf(argc, argv));
    if (const auto answered = answer(syntax, parsed))
        return *answered;
    const QStringList files = parsed.arguments.positional();
    std::unique_ptr<brevant::ScreenshotRun> screenshots;
    if (parsed.arguments.isSet(QStringLiteral("screenshot"))) {
        if (files.isEmpty())
            return usageError(syntax.command(), QStringLiteral("--screenshot needs the FILE to show"));
        screenshots = std::make_unique<brevant::ScreenshotRun>(parsed.arguments.value(QStringLiteral("screenshot")),
                                                              files.first());
    }
    brevant::EditorApp app;
    const QString error = app.start(QCoreApplication::applicationDirPath());
    if (!error.isEmpty()) {
        brevant::showMessage(nullptr, error, brevant::Buttons::Ok, brevant::Icon::Critical);
        return kExitUsage;
    }
    if (screenshots)
        return screenshots->run(app);
    // A configuration given to the program (by the desktop's "open with") opens at once.
    app.showStartUp(files.value(0));
    // The first activation of the main window shows the start dialog; quitting
    // there (Cancel) or through Exit ends the loop.
    return QApplication::exec();
}
