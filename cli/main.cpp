// orvane: download, upload, verify and version-id from the command line, with the same
// commands the editor runs; the serial ports; a data logger of block outputs; the printed
// report as a PDF file; the compare log of two configurations; the text form; and the
// signal flow: the configuration check, the cross-references and the diagram.
#include "Commands.h"

#include "orvane/arguments/ExitStatus.h"
#include "orvane/files/Leftovers.h"
#include "orvane/files/WorkingCopy.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    using namespace orvane::arguments;
    // Printing and the diagram draw text, which needs the GUI library; never a display.
    const bool drawing = argc > 1 && (std::strcmp(argv[1], "print") == 0 || std::strcmp(argv[1], "diagram") == 0);
    if (drawing)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        drawing ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    // Ctrl-C or a kill leaves no working copy behind; copies other runs left go now.
    orvane::files::removeWorkingFilesOnTermination();
    orvane::files::removeLeftovers();

    CommandSet orvane(QStringLiteral("orvane"),
                      "Talks to an Orvane controller over a serial line, a serial device server or a simulator, "
                      "with the editor's checks and texts, and works on configuration files: their report, text form, "
                      "differences, check, cross-references and signal flow diagram. Messages and progress "
                      "go to standard error, results to standard output.");
    orvane.add(orvane::cli::downloadCommand())
        .add(orvane::cli::uploadCommand())
        .add(orvane::cli::verifyCommand())
        .add(orvane::cli::versionIdCommand())
        .add(orvane::cli::portsCommand())
        .add(orvane::cli::monitorCommand())
        .add(orvane::cli::printCommand())
        .add(orvane::cli::compareCommand())
        .add(orvane::cli::exportCommand())
        .add(orvane::cli::importCommand())
        .add(orvane::cli::checkCommand())
        .add(orvane::cli::xrefCommand())
        .add(orvane::cli::diagramCommand())
        .add(orvane::cli::historyCommand())
        .add(orvane::cli::identifyCommand())
        .exitStatus(kExitDone, "done, or nothing differs")
        .exitStatus(kExitDiffers, "something differs (verify, compare), or the check found an error (check)")
        .exitStatus(kExitUsage, "a bad command line, or a file that cannot be read, used or written")
        .exitStatus(kExitDeclined, "a question was answered no")
        .exitStatus(kExitNoController, "no controller: the port is missing, busy or not permitted, or nothing answers")
        .exitStatus(kExitInterrupted, "a transfer stopped by Ctrl+C; what the controller holds is said");
    return orvane.run(wordsOf(argc, argv));
}
