#pragma once
// Sending a computed image (the download's wire part) and reading a controller back
// (the upload's and verify's wire part). The port is opened and polled by the caller.

#include "orvane/transfer/Exchange.h"
#include "orvane/transfer/Image.h"
#include "orvane/transfer/Verify.h"

#include <array>

namespace orvane::transfer {

// Checks made before anything is sent: ROM rules, then the two capacity limits. Shows
// the refusal and returns false when the download must not start.
bool acceptForDownload(const std::string& identification, const Configuration& config,
                       const Catalogue& catalogue, Reporter& reporter);

// How a transfer ended, as its record keeps it.
enum class TransferResult {
    Complete,    // done, and the controller holds what was sent or read
    Incomplete,  // stopped on a fault (for a download: the controller may hold part of it)
    Cancelled,   // stopped by the user
    Differs,     // the controller holds something else than the configuration
};

// Messages, quick messages, block table, 40 constant pages; then every area is read
// back, and the end command goes out only when the controller holds exactly the image.
// Stops at the first page without a reply (or on cancel) and says the controller holds
// an incomplete configuration; says what differs when the read-back does not match.
// Complete only when the controller confirmed the end.
TransferResult sendImage(Exchange& link, const Image& image, Reporter& reporter);

struct UploadedController {
    std::array<int16_t, kBlocks> functions{};
    std::vector<uint8_t> blocks;     // the block table as read, 1600 bytes
    std::vector<uint8_t> constants;  // the slot pages read, 128 bytes each
    std::vector<uint8_t> messages;   // 340 bytes
    std::vector<uint8_t> quick;      // 152 bytes
};

// Reads what an upload reads, in its order and with its progress. Nothing on any failure
// (already reported); a function missing from the catalogue stops it. When the line
// was disturbed meanwhile, everything is read again once it is quiet until an
// undisturbed reading agrees with an earlier one; the block records must agree with
// the functions they hold. `refused`, when given, tells a controller that answered but
// holds what cannot be stored (an unknown function, block records that break their sums)
// from a line that failed or a cancel.
std::optional<UploadedController> readController(Exchange& link, const Catalogue& catalogue,
                                                 Reporter& reporter, bool* refused = nullptr);

// The constants the uploaded slots give each block: inputs and 16-bit parameters from the
// slot's first two bytes, others from all four, hidden constants 0.
std::vector<ConstantRow> decodeConstants(const UploadedController& up, const Catalogue& catalogue);

// What the controller holds, as far as an upload read it.
ControllerMemory memoryOf(const UploadedController& up);

// Verify's read: areas 6, 9, 4 and 3 whole, trusted as an upload's reads are. Nothing
// when a read goes unanswered or the reading cannot be trusted (reported).
std::optional<ControllerMemory> readBack(Exchange& link, Reporter& reporter);

} // namespace orvane::transfer
