#include "orvane/sim/SimulatorProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

namespace orvane::sim {

QString defaultSimulatorProgram()
{
    // Without an application object the program's own folder is not known.
    const QString beside =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() + "/orvane-sim" : QString("orvane-sim");
    if (QFileInfo(beside).isExecutable())
        return beside;
    // Tests run from their own folder; the build tells them where the programs are.
    const QString binDir = qEnvironmentVariable("ORVANE_BIN_DIR");
    if (!binDir.isEmpty())
        return binDir + "/orvane-sim";
    return beside;
}

SimulatorProcess::SimulatorProcess(QStringList extraArguments, QString program)
    : arguments_(std::move(extraArguments)), program_(program.isEmpty() ? defaultSimulatorProgram() : program)
{
}

SimulatorProcess::~SimulatorProcess() { stop(); }

bool SimulatorProcess::start(int timeoutMs)
{
    stop();
    portName_.clear();
    errorText_.clear();
    log_.clear();
    process_ = std::make_unique<QProcess>();
    process_->setProgram(program_);
    process_->setArguments(arguments_);
    // A simulator must not outlive the program that started it, even after a crash.
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_->start(QIODevice::ReadOnly);
    const QDeadlineTimer deadline(timeoutMs);
    if (!process_->waitForStarted(static_cast<int>(deadline.remainingTime()))) {
        errorText_ = program_ + ": " + process_->errorString();
        process_.reset();
        return false;
    }
    while (!process_->canReadLine()) {
        if (process_->state() != QProcess::Running || deadline.hasExpired()) {
            log_ += process_->readAllStandardError();
            errorText_ = process_->state() == QProcess::Running
                             ? program_ + ": no port announced within " + QString::number(timeoutMs) + " ms"
                             : program_ + " ended: " + QString::fromLocal8Bit(log_).trimmed();
            stop();
            return false;
        }
        process_->waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    }
    const QString line = QString::fromLocal8Bit(process_->readLine()).trimmed();
    if (line.startsWith("PTY ") || line.startsWith("TCP ")) {
        portName_ = line.mid(4);
        return true;
    }
    errorText_ = program_ + ": unexpected first line \"" + line + "\"";
    stop();
    return false;
}

QString SimulatorProcess::portName() const { return portName_; }
QString SimulatorProcess::errorText() const { return errorText_; }

QString SimulatorProcess::logText()
{
    if (process_) {
        // Take in what the simulator has written so far, without waiting for more.
        process_->setReadChannel(QProcess::StandardError);
        while (process_->waitForReadyRead(0)) {
        }
        process_->setReadChannel(QProcess::StandardOutput);
        log_ += process_->readAllStandardError();
    }
    return QString::fromLocal8Bit(log_);
}

void SimulatorProcess::stop()
{
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(3000)) {
            process_->kill();
            process_->waitForFinished(1000);
        }
    }
    log_ += process_->readAllStandardError();
    process_.reset();
}

} // namespace orvane::sim
