#pragma once
// Files a program leaves when it is killed: working copies in the working-copy folder
// and half-written saving files (".NAME.saving-XXXXXX") beside users' files. Each is
// held locked by the program that made it while it lives, so a file nobody holds is a
// leftover of an ended program.

namespace orvane::files {

// Removes this user's working copies and saving files that no running program holds.
// Every program calls it at start. Returns how many files it removed.
int removeLeftovers();

// Makes SIGINT, SIGTERM and SIGHUP remove this program's working copies and unfinished
// saving files before they end it. For programs without a window of their own to close.
void removeWorkingFilesOnTermination();

} // namespace orvane::files
