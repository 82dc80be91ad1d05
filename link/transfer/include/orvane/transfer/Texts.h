#pragma once
// The download's and upload's messages, titles and warning texts, exactly as users see them.

#include "orvane/codepage/Cp1252.h"

#include <array>
#include <string>
#include <vector>

namespace orvane::transfer::texts {

inline constexpr const char* kWarnCaption = "WARNING";
extern const std::array<const char*, 10> kWarnLines;
inline constexpr const char* kWarnContinue = "Continue";
inline constexpr const char* kWarnCancel = "Cancel";

inline constexpr const char* kNoConnection = "Could Not Connect To Target\rCheck Settings And Service Manual";
inline constexpr const char* kVersionConflictTitle = "VERSION CONFLICT";
std::string romTooOldFor4694(const std::string& versionText);
std::string romTooOldFor84100(const std::string& versionText);
std::string tooManyConstants(int block);
std::string tooManyRetentiveBytes(int block);
inline constexpr const char* kDownloadProgress = "Download Progress";
// The parts of a transfer, as its progress names them.
inline constexpr const char* kPartWriting = "writing";
inline constexpr const char* kPartReadingBack = "reading back";
inline constexpr const char* kPartReading = "reading";
inline constexpr const char* kUploadProgress = "Upload Progress";
inline constexpr const char* kDownloadErrorTitle = "Download Error";
inline constexpr const char* kMessagesFailed = "ERROR - While Downloading Messages";
std::string blockPageFailed(int page);
inline constexpr const char* kConstantTimeout = "Orvane Timeout";
std::string databaseSyncError(int block, int recordBlock);
// A lost page leaves the controller half-written: said plainly in one box, whatever page
// it was, under the page's own words (`headline`, when it has any).
std::string incompleteDownload(const std::string& headline, const std::string& what);
// Cancelled from the progress window: as half-written as after a lost page.
std::string cancelledDownload(const std::string& what);
// Cancelled before the first page went out: the controller was not changed.
inline constexpr const char* kCancelledBeforeWriting =
    "The download was cancelled before anything was written: the controller still holds the configuration it "
    "had.\rIt stays in S/M mode until you exit S/M from its front panel.\rThe configuration file was not changed.";
// Every page went out, but what the controller holds could not be read back whole and
// undisturbed (`why` says which), so the end of the download was not sent.
std::string downloadUnchecked(const std::string& why);
inline constexpr const char* kCheckUnanswered = "the controller did not answer while its memory was read back";
inline constexpr const char* kCheckDisturbed =
    "the line was disturbed while its memory was read back (a reply came late or a frame was lost), "
    "so what it holds is not known";
inline constexpr const char* kCheckCancelled = "the download was cancelled while its memory was read back";
// The read-back found the controller holding something else than was sent.
std::string downloadDiffers(const std::string& differences);
inline constexpr const char* kEndNotConfirmed =
    "Every page was written and read back unchanged, but the controller did not confirm the end of "
    "the download.\rCheck its front panel for error messages before you leave S/M; repeat the download "
    "if in doubt.";
// A configuration whose rows would not go out as stored: nothing is sent.
std::string configurationRefused(const std::string& file, const std::string& table, const std::string& row,
                                 const std::string& problem);
// Texts with characters the controller's character set lacks, each named.
std::string textsSentWithQuestionMarks(const orvane::codepage::TextsOutsideCp1252& texts);
// A block whose function the catalogue lacks: nothing is sent.
std::string downloadUnknownFunction(int block, int function);

inline constexpr const char* kUploadQuestion =
    "WARNING  This Action Will Overwrite The Selected Configuration\r"
    "                       Do You Wish To Continue?";
// The title of every box of an upload that stopped on a fault.
inline constexpr const char* kUploadError = "Upload Error";
inline constexpr const char* kRecordNotFound = "ERROR RECORD NOT FOUND";
std::string uploadStoppedUnknownFunction(int block, int function);
std::string uploadFailedAt(const std::string& what);
// Every upload that stops says what it left: it stores all or nothing, and only reads.
extern const std::string kUploadLeftAlone;
extern const std::string kUploadCancelled;
extern const std::string kUploadUnconfirmed;
// The block records disagree with the functions they hold; `first` names the first field.
std::string uploadInconsistentBlockTable(const std::string& first, size_t count);

// A transfer that the history could not keep; it happened all the same.
std::string notRecorded(const std::string& why);
// The note an entry keeps when the port did not open (the link said why).
inline constexpr const char* kPortNotOpened = "The port could not be opened.";

inline constexpr const char* kVerifyTitle = "Verify Against Orvane";
inline constexpr const char* kVerifyDiffers = "The controller does not hold this configuration:";
// What the transfer history says a controller holds: "plant.mdb as downloaded ...".
std::string controllerHolds(const std::string& recordedState);
std::string moreDifferences(size_t count);
inline constexpr const char* kVerifyProgress = "Verify Progress";
inline constexpr const char* kVerifyUnanswered = "Verify stopped: the controller did not answer a read.";
inline constexpr const char* kVerifyDisturbed =
    "Verify stopped: the line was disturbed (a reply came late or a frame was lost), so what the controller "
    "holds is not known.";
inline constexpr const char* kVerifyCancelled = "Verify cancelled.";

} // namespace orvane::transfer::texts
