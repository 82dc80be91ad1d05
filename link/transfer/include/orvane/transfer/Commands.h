#pragma once
// The whole download, upload and verify as the user starts them: question first, then
// the port, the controller checks, the transfer, and the port closed on every way out.
// The editor and the command line differ only in their Operator and Reporter.

#include "orvane/transfer/Configuration.h"
#include "orvane/transfer/Exchange.h"
#include "orvane/transfer/Verify.h"

#include <array>
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

using BlockFunctionTable = std::array<int16_t, kBlocks>;

// Writes the open configuration into the controller, and reports Completed only once
// it has read back exactly what was sent and the controller confirmed the end. `file`
// is the user's name of the configuration, for messages about its rows. Every row is
// checked before the warning; store failures (kessig::DbError) are passed on, before
// the port is opened.
Outcome CMDDWNLD_Click(orvane::link::Link& link, kessig::OrvaneDB& db, const std::string& file, Reporter& reporter,
                       Operator& user);

// Reads the controller into the open configuration, all or nothing, and updates `table`
// once the configuration has changed. Completed only then; the caller saves. Nothing is
// stored from a reading the line may have mixed up (see readController).
Outcome Command6_Click(orvane::link::Link& link, kessig::OrvaneDB& db, BlockFunctionTable& table,
                       Reporter& reporter, Operator& user);

struct VerifyResult {
    Outcome outcome = Outcome::Failed;   // Completed: the controller was read and compared
    std::vector<std::string> differences;  // empty: the configuration matches
};

// Reads back what a download writes and compares it with what the open configuration
// would send. Failures are reported; the differences are left to the caller to show.
VerifyResult verifyAgainstController(orvane::link::Link& link, kessig::OrvaneDB& db, const std::string& file,
                                     Reporter& reporter);

} // namespace orvane::transfer
