#pragma once
// The exit statuses every program of the tool set uses, so that a script tells the
// cases apart the same way whichever program it ran.

namespace orvane::arguments {

inline constexpr int kExitDone = 0;           // done, or nothing differs
inline constexpr int kExitDiffers = 1;        // something differs (verify, compare)
inline constexpr int kExitFoundErrors = 1;    // the configuration check found an error: the same "not as wanted"
inline constexpr int kExitUsage = 2;          // a bad command line, or a file that cannot be used
inline constexpr int kExitDeclined = 3;       // a question was answered no
inline constexpr int kExitNoController = 4;   // the port is missing, busy or not permitted, or no controller answers
inline constexpr int kExitInterrupted = 130;  // Ctrl+C (or SIGTERM) stopped it

} // namespace orvane::arguments
