#include "orvane/transfer/Texts.h"

namespace orvane::transfer::texts {

const std::array<const char*, 10> kWarnLines = {
    "WARNING",
    "Failure to put the Orvane into S/M ALL mode during download",
    "can result in equipment damage, injury, or death.",
    "Download Procedure (See Instruction Manual for details):",
    "From Orvane Front Panel EDIT Menus:",
    "Copy Primary Memory into Backup Memory.",
    "Put Orvane into S/M ALL mode.",
    "Click CONTINUE to proceed with Download.",
    "From Orvane Front Panel EDIT Menus:",
    "EXIT S/M and verify that there are no error messages.",
};

std::string romTooOldFor4694(const std::string& versionText)
{
    return "This configuration requires ROM version 3.0 or higher.\r"
           "This applies to functions 4, 6, or 94\r\n"
           "Orvane ROM version is " + versionText + ".\rDownload Aborted.";
}

std::string romTooOldFor84100(const std::string& versionText)
{
    return "This configuration requires ROM version \r\n"
           "3.04 and higher for functions 84 and 100. \r\n"
           "Orvane ROM version is " + versionText + ".\rDownload Aborted.";
}

std::string tooManyConstants(int block)
{
    return "Config. Exceeds Maximum Size at block # " + std::to_string(block);
}

std::string tooManyRetentiveBytes(int block)
{
    return "Max Number of Retentive Bytes Exceeded at Block # " + std::to_string(block);
}

std::string blockPageFailed(int page)
{
    return "ERROR DOWNLOADING BLOCK " + std::to_string(page);
}

std::string databaseSyncError(int block, int recordBlock)
{
    return "Database Sync Error\rBlock = " + std::to_string(block) + " Constant = " +
           std::to_string(recordBlock) + "\rDOWNLOAD ABORTED";
}

namespace {
// A download only reads the configuration; what it leaves half-done is the controller.
constexpr const char* kIncompleteController =
    "\rThe controller now holds an INCOMPLETE configuration. Do not return it to service: repeat the download."
    "\rThe configuration file was not changed.";
} // namespace

std::string incompleteDownload(const std::string& headline, const std::string& what)
{
    return (headline.empty() ? std::string() : headline + "\r") + "The controller did not answer while receiving " +
           what + ", so the download was stopped." + kIncompleteController;
}

std::string cancelledDownload(const std::string& what)
{
    return "The download was cancelled while the controller was receiving " + what + "." + kIncompleteController;
}

namespace {
constexpr const char* kNotEnded =
    "\rThe end of the download was not sent. The controller is in S/M mode: do not return it to service; "
    "repeat the download.";
} // namespace

std::string downloadUnchecked(const std::string& why)
{
    return "Every page was written, but " + why + "." + kNotEnded;
}

std::string downloadDiffers(const std::string& differences)
{
    return "The controller does not hold what was sent:\r" + differences + kNotEnded;
}

std::string configurationRefused(const std::string& file, const std::string& table, const std::string& row,
                                 const std::string& problem)
{
    return file + " cannot be sent to a controller:\rtable \"" + table + "\", " + row + ": " + problem + ".";
}

std::string textsSentWithQuestionMarks(const orvane::codepage::TextsOutsideCp1252& texts)
{
    return texts.message("The controller cannot show some characters of these texts; they are sent as \"?\":");
}

const std::string kUploadLeftAlone =
    "The configuration and its file were not changed; the controller, which an upload only reads, still holds "
    "its own configuration.";
const std::string kUploadCancelled = "Upload cancelled.\r" + kUploadLeftAlone;
const std::string kUploadUnconfirmed =
    "Upload stopped: the line was disturbed (a reply came late or a frame was lost), and reading the controller a "
    "second time did not give the same data undisturbed.\r" + kUploadLeftAlone;

std::string uploadInconsistentBlockTable(const std::string& first, size_t count)
{
    return "Upload stopped: the controller's block table does not agree with the functions it runs (" + first +
           (count > 1 ? "; " + std::to_string(count) + " differences in all" : std::string()) +
           "). Was it written with another function catalogue?\r" + kUploadLeftAlone;
}

std::string downloadUnknownFunction(int block, int function)
{
    return "Block " + std::to_string(block) + " runs function " + std::to_string(function) +
           ", which the function catalogue does not hold.\rDOWNLOAD ABORTED";
}

std::string moreDifferences(size_t count)
{
    return "... and " + std::to_string(count) + " more";
}

std::string uploadStoppedUnknownFunction(int block, int function)
{
    return std::string(kRecordNotFound) + "\rUpload stopped: block " + std::to_string(block) + " runs function " +
           std::to_string(function) + ", which the function catalogue does not hold.\r" + kUploadLeftAlone;
}

std::string uploadFailedAt(const std::string& what)
{
    return "Upload stopped: the controller did not answer while sending " + what + ".\r" + kUploadLeftAlone;
}

std::string notRecorded(const std::string& why)
{
    return "This transfer was not recorded in the transfer history: " + why;
}

std::string controllerHolds(const std::string& recordedState)
{
    return "According to the transfer history it holds " + recordedState + ".";
}

} // namespace orvane::transfer::texts
