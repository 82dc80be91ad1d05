#pragma once
// The download's and upload's messages, titles and warning texts, exactly as users see them.

#include <array>
#include <string>

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
inline constexpr const char* kUploadProgress = "Upload Progress";
inline constexpr const char* kDownloadErrorTitle = "Download Error";
inline constexpr const char* kMessagesFailed = "ERROR - While Downloading Messages\rAborting Download";
std::string blockPageFailed(int page);
inline constexpr const char* kConstantTimeout = "Orvane Timeout";
std::string databaseSyncError(int block, int recordBlock);
// A lost page leaves the controller half-written: said plainly, whatever page it was.
std::string incompleteDownload(const std::string& what);
// A block whose function the catalogue lacks: nothing is sent.
std::string downloadUnknownFunction(int block, int function);

inline constexpr const char* kUploadQuestion =
    "WARNING  This Action Will Overwrite The Selected Configuration\r"
    "                       Do You Wish To Continue?";
inline constexpr const char* kUploadError = "Upload Error";
inline constexpr const char* kRecordNotFound = "ERROR RECORD NOT FOUND";
std::string uploadStoppedUnknownFunction(int block, int function);
std::string uploadFailedAt(const std::string& what);

inline constexpr const char* kVerifyTitle = "Verify Against Orvane";
inline constexpr const char* kVerifyDiffers = "The controller does not hold this configuration:";
std::string moreDifferences(size_t count);

} // namespace orvane::transfer::texts
