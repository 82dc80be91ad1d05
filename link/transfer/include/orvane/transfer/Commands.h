#pragma once
// The whole download, upload and verify as the user starts them: question first, then
// the port, the controller checks, the transfer, and the port closed on every way out.
// The editor and the command line differ only in their Operator and Reporter.

#include "orvane/transfer/Configuration.h"
#include "orvane/transfer/Exchange.h"
#include "orvane/transfer/Transfer.h"
#include "orvane/transfer/Verify.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kessig { class OrvaneDB; }
namespace orvane::link { class Link; }

namespace orvane::transfer {

// The person at the keyboard.
class Operator {
public:
    virtual ~Operator() = default;
    // The front-panel warning before a download; true when the user chose to continue.
    virtual bool confirmDownload() = 0;
    // A Yes/No question (exclamation icon, the program's title); true for Yes.
    virtual bool askYesNo(const std::string& text) = 0;
    // True when the port is to be opened, and a failure said, before the question: a
    // command line tells of a missing or busy port before it asks anything.
    virtual bool portBeforeQuestion() const { return false; }
};

enum class Outcome {
    Declined,
    Failed,         // the configuration cannot be read, sent or stored (its rows, the ROM, its size)
    NoController,   // the port could not be opened, the controller did not answer, or the line failed
    Cancelled,      // the user stopped it (Reporter::cancelRequested); the reporter said what it left
    Completed
};

enum class Operation { Download, Upload, Verify };

// What a download, upload or verify did, for the record kept of each.
struct TransferFacts {
    Operation operation = Operation::Download;
    TransferResult result = TransferResult::Incomplete;
    std::string port;                        // the device or server, as opened
    std::string identification;              // the controller's; "" when it was not read
    std::optional<ControllerMemory> image;   // the occupied memory sent, or read whole
    std::string note;                        // what stopped it, as the user was told
};

// Where every download, upload and verify is recorded once its port is tried (after
// the question, or before it for an operator who opens the port first), failed and
// cancelled ones too; a question answered no records nothing.
class TransferLog {
public:
    virtual ~TransferLog() = default;
    // Records the facts with the configuration `db` holds now: the file's, or after an
    // upload that completed, the controller's. The reason when it could not.
    virtual std::optional<std::string> record(const TransferFacts& facts, kessig::OrvaneDB& db) = 0;
    // What the record says a controller holding `image` holds, when a transfer that
    // completed left it so: "plant.mdb as downloaded 2026-12-01 14:03 UTC by ...".
    virtual std::optional<std::string> recordedAs(const ControllerMemory& image) = 0;
};

// For runs that keep no record: the simulator's own pictures, tests, benchmarks.
class NoTransferLog : public TransferLog {
public:
    std::optional<std::string> record(const TransferFacts&, kessig::OrvaneDB&) override { return std::nullopt; }
    std::optional<std::string> recordedAs(const ControllerMemory&) override { return std::nullopt; }
};

using BlockFunctionTable = std::array<int16_t, kBlocks>;

// Writes the open configuration into the controller, and reports Completed only once
// it has read back exactly what was sent and the controller confirmed the end. `file`
// is the user's name of the configuration, for messages about its rows. Every row is
// checked before the warning; store failures (kessig::DbError) are passed on, before
// the port is opened.
Outcome CMDDWNLD_Click(orvane::link::Link& link, kessig::OrvaneDB& db, const std::string& file, Reporter& reporter,
                       Operator& user, TransferLog& log);

// Reads the controller into the open configuration, all or nothing, and updates `table`
// once the configuration has changed. Completed only then; the caller saves. Nothing is
// stored from a reading the line may have mixed up (see readController).
Outcome Command6_Click(orvane::link::Link& link, kessig::OrvaneDB& db, BlockFunctionTable& table,
                       Reporter& reporter, Operator& user, TransferLog& log);

struct VerifyResult {
    Outcome outcome = Outcome::Failed;   // Completed: the controller was read and compared
    std::vector<std::string> differences;  // empty: the configuration matches
    std::optional<std::string> heldAs;   // when it differs: what the record says it holds
};

// Reads back what a download writes and compares it with what the open configuration
// would send. Failures are reported; the differences are left to the caller to show.
VerifyResult verifyAgainstController(orvane::link::Link& link, kessig::OrvaneDB& db, const std::string& file,
                                     Reporter& reporter, TransferLog& log);

// What a controller holds, read with an upload's reads into memory only: nothing is
// written to the controller or the store. `db` needs its catalogue only. Completed with
// the occupied memory when it was read whole; failures are reported.
struct ControllerReading {
    Outcome outcome = Outcome::Failed;
    std::string port;
    std::string identification;
    ControllerMemory image;
};
ControllerReading identifyController(orvane::link::Link& link, kessig::OrvaneDB& db, Reporter& reporter);

} // namespace orvane::transfer
