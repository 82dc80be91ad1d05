#pragma once
// The whole download, upload and verify as the user starts them: question first, then
// the port, the controller checks, the transfer, and the port closed on every way out.
// The editor and the command line differ only in their Operator and Reporter.

#include "orvane/transfer/Exchange.h"
#include "orvane/transfer/Configuration.h"

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
};

enum class Outcome { Declined, Failed, Completed };

using BlockFunctionTable = std::array<int16_t, kBlocks>;

// Writes the open configuration into the controller. Store failures (kessig::DbError)
// are passed on; they happen before the port is opened.
Outcome CMDDWNLD_Click(orvane::link::Link& link, kessig::OrvaneDB& db, Reporter& reporter, Operator& user);

// Reads the controller into the open configuration, all or nothing, and updates `table`
// once the configuration has changed. Completed only then; the caller saves.
Outcome Command6_Click(orvane::link::Link& link, kessig::OrvaneDB& db, BlockFunctionTable& table,
                       Reporter& reporter, Operator& user);

struct VerifyResult {
    Outcome outcome = Outcome::Failed;   // Completed: the controller was read and compared
    std::vector<std::string> differences;  // empty: the configuration matches
};

// Reads back what a download writes and compares it with what the open configuration
// would send. Failures are reported; the differences are left to the caller to show.
VerifyResult verifyAgainstController(orvane::link::Link& link, kessig::OrvaneDB& db, Reporter& reporter);

// The differences for a message box: at most `maxLines` of them, then how many more.
std::string verifySummary(const std::vector<std::string>& differences, size_t maxLines);

} // namespace orvane::transfer
