#pragma once
// Files a program leaves when it is killed: working copies and working folders (see
// WorkingCopy.h) in the working-copy folder, half-written saving files
// (".NAME.saving-XXXXXX") beside users' files and new contents (".NAME.new-XXXXXX", see
// TempFolder.h) beside the files they replace. Each is held locked by the program that
// made it while it lives, so one that nobody holds is a leftover of an ended program.

namespace orvane::files {

// Removes this user's leftovers that no running program holds. Every program calls it
// at start. Returns how many files and folders it removed.
int removeLeftovers();

// Makes SIGINT, SIGTERM and SIGHUP remove this program's working copies, working folders
// and unfinished files before they end it.
void removeWorkingFilesOnTermination();

} // namespace orvane::files
