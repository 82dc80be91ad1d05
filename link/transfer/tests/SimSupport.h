#pragma once
// What the tests against the simulator share: configuration files made with the real
// store and the built catalogue, the simulator program with its memory file and log,
// and an operator whose answers are set in advance.

#include "orvane/link/Link.h"
#include "orvane/sim/SimulatorProcess.h"
#include "orvane/transfer/Commands.h"
#include "orvane/transfer/Configuration.h"

#include <kessig/OrvaneDB.h>

#include <QTemporaryDir>

#include <map>
#include <vector>

namespace orvane::transfer::testing {

// The build's program folder: catalogue, simulator, programs.
QString binDir();

// A store with the built catalogue open and configuration files made in a temp folder.
class StoreFixture {
public:
    StoreFixture();
    kessig::OrvaneDB db;
    Catalogue catalogue;

    // A new configuration (the default block table), opened in db.
    QString newConfiguration(const QString& name);
    // Closes db's configuration and opens another file.
    void open(const QString& path);
    void close();
    QString folder() const { return dir_.path(); }
    // The configuration file opened last, as messages name it.
    QString file() const { return file_; }

    // Functions from block 0 on (the rest keep theirs), each with default constants.
    void setFunctions(const std::map<int16_t, int16_t>& functionOfBlock);
    void setConstant(int16_t block, int16_t offset, int32_t value);
    void setMessage(int16_t number, const std::string& text);
    void setQuick(int16_t number, const std::string& text, int block, int parameter);
    Configuration read();

private:
    QTemporaryDir dir_;
    QString file_;
};

// orvane-sim on a pseudo-terminal with a memory file and a frame log.
class SimulatedController {
public:
    explicit SimulatedController(const QStringList& extraArguments = {}, const QString& rom = "2.50",
                                 const std::map<int, std::vector<uint8_t>>& memory = {});
    bool started() const { return started_; }
    QString portName() const { return process_.portName(); }
    QString memoryFile() const { return memoryFile_; }
    QString errorText() const { return process_.errorText(); }
    // Stops the simulator (it saves its memory) and reads the memory file.
    std::map<int, std::vector<uint8_t>> stopAndReadMemory();
    // Frames received whose hex starts with `start` ("02 03 80": constant pages written).
    int framesStartingWith(const QString& start);
    // The simulator's frame log so far, one line a frame.
    QString log();

private:
    QTemporaryDir dir_;
    QString memoryFile_;
    orvane::sim::SimulatorProcess process_;
    bool started_ = false;
};

// A Link pointed at a port, with its messages kept.
class TestLink : public orvane::link::LinkReporter {
public:
    explicit TestLink(const QString& portName);
    orvane::link::Link link;
    std::vector<std::string> messages;
    void message(const std::string& text) override { messages.push_back(text); }
};

class ScriptedOperator : public Operator {
public:
    bool continueDownload = true;
    bool answerYes = true;
    int downloadWarnings = 0;
    std::vector<std::string> questions;
    bool confirmDownload() override { ++downloadWarnings; return continueDownload; }
    bool askYesNo(const std::string& text) override { questions.push_back(text); return answerYes; }
};

// The tests' transfers keep no record.
inline NoTransferLog noLog;

// The value a block without constant rows is sent for its k-th constant.
int32_t defaultConstant(const FunctionInfo& f, int k);

// The memory a download of `config` must leave, worked out here from the catalogue
// and the configuration rows, independently of the image code.
std::map<int, std::vector<uint8_t>> expectedMemory(const Configuration& config, const Catalogue& catalogue);

uint32_t slotIn(const std::vector<uint8_t>& area, size_t slot);

// Runs SQL on a closed configuration file directly, as another program could have.
bool executeSql(const QString& file, const char* sql);

} // namespace orvane::transfer::testing
