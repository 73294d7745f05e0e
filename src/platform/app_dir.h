// The program folder and the names of the program's own files.
//
// AppDir is the folder of the executable when it is writable; otherwise a per-user folder under
// the XDG data home ("<data home>/korvalis"), which is seeded with the shipped data files the
// first time it is made. The environment variable KORVALIS_HOME overrides both. The program's own
// file names are matched without regard to case: "Main.Ini" and "Main.ini" are one file.
#pragma once

#include <string>

// The program folder, with a trailing '/'. Decided once; ResetAppDir decides again (tests).
std::string AppDir();
void ResetAppDir();
// The folder the shipped data files come from: "<exe>/../share/korvalis" when it exists, else the
// executable's folder.
std::string ShippedDataDir();
// Copies every file and folder of source into dest that dest lacks (names compared without case).
void SeedFolder(const std::string& source, const std::string& dest);

// The path of an existing entry of folder whose name equals name without regard to case (an
// exact match first); empty when there is none. name may hold '/'-separated folders.
std::string FindFileNoCase(const std::string& folder, const std::string& name);
// A program file in AppDir: the existing file's real path when one matches without regard to
// case, else AppDir + name.
std::string ProgramFile(const std::string& name);
// The folder for temporary files, with a trailing '/'.
std::string TempFolder();
