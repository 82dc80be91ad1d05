#pragma once

// Starts the controller simulator orvane-sim as a child process and tells the
// caller which port to open. Used by tests, the editor's "Simulator" port and
// the command line. QtCore only.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class QProcess;

namespace orvane::sim {

class SimulatorProcess { // starts orvane-sim as a child (QProcess); stops it in the destructor
public:
    // program default: orvane-sim beside the running executable (else in $ORVANE_BIN_DIR)
    explicit SimulatorProcess(QStringList extraArguments = {}, QString program = {});
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    bool start(int timeoutMs = 5000); // waits for the first stdout line
    QString portName() const;         // "/dev/pts/N" or "127.0.0.1:PORT": what a Link opens
    QString errorText() const;        // why start() failed
    void stop();                      // SIGTERM (the simulator saves its memory file), then waits

    // Everything the simulator has written on stderr so far (with --log: one line a frame).
    QString logText();

private:
    QStringList arguments_;
    QString program_;
    std::unique_ptr<QProcess> process_;
    QString portName_;
    QString errorText_;
    QByteArray log_;
};

// The program orvane-sim that a default SimulatorProcess runs.
QString defaultSimulatorProgram();

// Memory areas kept in a --memory file: area number -> bytes (0: 24, 3: 5120, 4: 1600, 5: 180, 6: 340, 9: 152).
// A missing or unreadable file reads as no areas; lines that do not parse are skipped.
std::map<int, std::vector<uint8_t>> readMemoryFile(const QString &path);
// Written whole or not at all (a crash mid-write leaves the previous file). False on failure.
bool writeMemoryFile(const QString &path, const std::map<int, std::vector<uint8_t>> &areas);

} // namespace orvane::sim
