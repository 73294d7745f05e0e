// What runs of the program that were killed leave behind, and its removal at the next start.
//
// A run that ends abnormally (killed, or the machine stopped) cannot remove its own temporary
// files: the folder of its process under the temporary root and, when it was killed during a
// save, the temporary file beside the document. Both carry the id of the process that made them;
// a later run removes those whose process no longer exists. Only names of the program's own
// making are considered, only entries the user owns, and symbolic links are never followed.
#pragma once

#include <string>

// True when no process with this id exists.
bool ProcessIsGone(int pid);
// The id of the process that wrote a temporary file named name beside documentName (both
// without folder), or 0 when name is no such file.
int TempFileOwner(const std::string& name, const std::string& documentName);
// Removes the temporary files that ended runs left beside documentName; returns how many.
int RemoveStaleTempFilesBeside(const std::string& documentName);
// The id of the process whose folder under the temporary root is named name (prefix + PID + '-'
// + letters), or 0 when name is no such folder name.
int ProcessFolderOwner(const std::string& name, const std::string& prefix);
// Removes the process folders in root (prefix + PID + '-' ...) whose process is gone, with
// everything in them; returns how many.
int RemoveStaleProcessFolders(const std::string& root, const std::string& prefix);
