#include "CompareRun.h"

#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/Compare.h"
#include "orvane/files/TempFolder.h"
#include "orvane/files/WorkingCopy.h"
#include "ui/MessageSeam.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <stdexcept>

namespace brevant {

namespace {

// A compare takes well under a second; a Juxta that hangs must not hold the editor for ever.
constexpr int kJuxtaDeadlineMs = 120000;

// One of Juxta's files; "" when there is no temporary folder of this user's own (runJuxta
// says why, and then no file of Juxta's is read).
QString inTemp(const QString& name)
{
    try {
        return orvane::files::tempFolder() + QLatin1Char('/') + name;
    } catch (const std::runtime_error&) {
        return {};
    }
}

} // namespace

QString companionFolder()
{
    const QString beside = QCoreApplication::applicationDirPath();
    if (QFileInfo::exists(beside + QStringLiteral("/Juxta")))
        return beside;
    const QString built = qEnvironmentVariable("ORVANE_BIN_DIR");
    return built.isEmpty() ? beside : built;
}

QString compareLogPath() { return inTemp(orvane::compare::kCompareLogName); }
QString commentsFilePath() { return inTemp(orvane::compare::kCommentsFileName); }

JuxtaRun runJuxta(QWidget* parent, const QString& file1, char reportCode, const QString& globalFile)
{
    using Outcome = JuxtaRun::Outcome;
    const QString program = companionFolder() + QStringLiteral("/Juxta");
    if (!QFileInfo(program).isExecutable()) {
        showMessage(parent, QStringLiteral("Error - Juxta Must Be Installed"), Buttons::Ok, Icon::Exclamation,
                    QStringLiteral("File Not Found"));
        return {Outcome::NotInstalled, {}};
    }
    QString temp;
    try {
        temp = orvane::files::tempFolder() + QLatin1Char('/');
    } catch (const std::runtime_error& e) {
        return {Outcome::Failed, QString::fromStdString(e.what())};
    }
    for (const QString& name : {orvane::compare::kCompareLogName, orvane::compare::kCommentsFileName,
                                orvane::compare::kResultFileName})
        if (!orvane::files::deleteFileForced(temp + name))
            return {Outcome::Failed, temp + name + QStringLiteral(" cannot be removed.")};

    QProcess juxta;
    juxta.setProgram(program);
    juxta.setArguments({orvane::compare::joinCommandLine(file1, reportCode, globalFile)});
    juxta.start(QIODevice::ReadOnly);
    if (!juxta.waitForStarted(kJuxtaDeadlineMs))
        return {Outcome::Failed, program + QStringLiteral(": ") + juxta.errorString()};
    if (juxta.state() == QProcess::Running) {
        // The window repaints meanwhile; the user's commands wait until the compare is done.
        QEventLoop loop;
        QObject::connect(&juxta, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(kJuxtaDeadlineMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (juxta.state() != QProcess::NotRunning) {
        juxta.kill();
        juxta.waitForFinished(5000);
        return {Outcome::Failed, QStringLiteral("Juxta did not finish within %1 seconds.").arg(kJuxtaDeadlineMs / 1000)};
    }
    const QString said = QString::fromLocal8Bit(juxta.readAllStandardError()).trimmed();
    if (juxta.exitStatus() != QProcess::NormalExit)
        return {Outcome::Failed, QStringLiteral("Juxta stopped unexpectedly.")};
    switch (juxta.exitCode()) {
    case orvane::compare::kExitCompared: return {Outcome::Compared, said};
    case orvane::compare::kExitIncomplete: return {Outcome::Incomplete, said};
    default: return {Outcome::Failed, said};
    }
}

void reportFailedCompare(QWidget* parent, const QString& file1, const QString& globalFile, const QString& detail)
{
    QString text = QStringLiteral("Juxta Could Not Compare ") + file1 + QStringLiteral("\rWith ") + globalFile + QLatin1Char('.');
    if (!detail.isEmpty())
        text += QStringLiteral("\r\r") + detail;
    showMessage(parent, text, Buttons::Ok, Icon::Exclamation, QStringLiteral("Compare Failed"));
}

std::optional<uint16_t> readCompareResult()
{
    const auto content = orvane::files::readRegularFile(inTemp(orvane::compare::kResultFileName));
    return content ? orvane::compare::parseResultFile(*content) : std::nullopt;
}

int CheckFunctionMatch(QWidget* parent, const QString& filename, const QString& globalFile)
{
    const JuxtaRun run = runJuxta(parent, filename, 'L', globalFile);
    if (run.outcome == JuxtaRun::Outcome::NotInstalled)
        return 2;
    const auto flags = run.outcome == JuxtaRun::Outcome::Failed ? std::nullopt : readCompareResult();
    if (!flags) {
        reportFailedCompare(parent, filename, globalFile, run.detail);
        return 2;
    }
    if (run.outcome == JuxtaRun::Outcome::Incomplete
        && showMessage(parent,
                       QStringLiteral("WARNING\r\rParts of ") + filename + QStringLiteral("\rCould Not Be Compared.\r\r")
                           + QStringLiteral("Use the COMPARE DATABASE FILES\rMenu Item to View the Log.\r\r")
                           + QStringLiteral("Proceed with Importing Comments?"),
                       Buttons::OkCancel, Icon::None, QStringLiteral("Incomplete Compare"))
               != Answer::Ok)
        return 2;
    if (*flags == 0)
        return 1;
    if (!(*flags & orvane::compare::FunctionsDiffer))
        return 0;
    const QString text = QStringLiteral("WARNING\r\rThe Block Function Types\rare Different in ") + filename
                         + QStringLiteral(".\r\rUse the COMPARE DATABASE FILES\rMenu Item to View the Differences.\r\r")
                         + QStringLiteral("Proceed with Importing Comments?");
    return static_cast<int>(showMessage(parent, text, Buttons::OkCancel, Icon::None, QStringLiteral("Function Mismatch")));
}

} // namespace brevant
