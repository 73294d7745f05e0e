// Files that live only while the program runs (undo snapshots, pasted bitmaps, temporary
// pictures) go in one folder of this process under the system's temporary folder. The folder is
// made on first use and removed with everything in it when the program ends; names handed out
// are never handed out again in the same run.
#pragma once

#include <string>

// The folder, with a trailing '/'; empty when it cannot be made.
std::string ProcessTempFolder();
// A name in the folder never given before in this run: Prefix + a number + Extension.
std::string NewProcessFileName(const std::string& Prefix, const std::string& Extension);
// The folder's name is this prefix, the process id, '-' and random letters.
extern const char* const ProcessFolderPrefix;
// Removes the folders that runs which did not end normally left in the temporary root (only
// those whose process is gone); returns how many. Done once at start.
int RemoveFoldersOfEndedRuns();
