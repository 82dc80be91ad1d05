// Ostrel: merges every comment of one configuration into another.
#include "Desktop.h"
#include "Form1.h"
#include "orvane/arguments/ExitStatus.h"
#include "orvane/arguments/Syntax.h"
#include "orvane/files/Leftovers.h"

#include <QApplication>

int main(int argc, char** argv)
{
    using namespace orvane::arguments;
    Syntax syntax(QStringLiteral("Ostrel"), "merge the comments of one configuration into another");
    syntax
        .about("A window: choose the Source configuration, whose comments are taken, and the Update configuration, "
               "which receives them; the merge goes into a working copy and replaces the Update file only once it "
               "is whole. Qt's own options (-platform, -style and the others) are taken too.")
        .exitStatus(kExitDone, "the window was closed")
        .exitStatus(kExitUsage, "a bad command line");
    // Help and the version need no display.
    if (const auto answered = answerBeforeApplication(syntax, wordsOf(argc, argv)))
        return *answered;
    QApplication app(argc, argv);
    if (const auto answered = answer(syntax, parse(syntax, wordsOf(argc, argv))))
        return *answered;
    // A termination signal takes this run's working copies with it; those other runs
    // left go now.
    orvane::files::removeWorkingFilesOnTermination();
    orvane::files::removeLeftovers();
    orvane::tools::WidgetDesktop desktop;
    ostrel::Form1 form(QCoreApplication::applicationDirPath(), desktop);
    form.show();
    return app.exec();
}
