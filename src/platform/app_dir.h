// The program's folders and the names of the program's own files.
//
// The program folder is split in two, as Linux programs keep it:
// - the shipped files (fonts, help pages, the tips text, the licence, the symbol-font list) are
//   read-only data beside the executable (a build folder) or under the installation's
//   "share/korvalis" (ShippedDataDir);
// - everything the program writes lives per user: the settings files in the user's XDG config
//   home ("<config home>/korvalis", AppDir) and the user's data files (custom colours, macro files,
//   drawing defaults, the shapes backup, "Macro Images", the log) in the XDG data home
//   ("<data home>/korvalis", UserDataDir). Files that live only for a run go in the process's
//   temporary folder (page/process_files.h).
// The first start copies into the user's folders the few named files a user edits there
// (UserSeedFiles), never a folder tree; nothing is ever written beside the executable.
// The environment variable KORVALIS_HOME overrides all of it: every folder is that one (tests).
// The program's own file names are matched without regard to case: "Main.Ini" and "Main.ini"
// are one file.
#pragma once

#include <string>
#include <vector>

// The settings folder, with a trailing '/'. Decided once; ResetAppDir decides again (tests).
std::string AppDir();
// The user's data folder, with a trailing '/'.
std::string UserDataDir();
void ResetAppDir();
// The folder the shipped data files come from, with a trailing '/': "<exe>/../share/korvalis"
// when it exists, else the executable's folder (KORVALIS_HOME when that is set).
std::string ShippedDataDir();
// A shipped file: its real path in ShippedDataDir (matched without case), else ShippedDataDir + name.
std::string ShippedFile(const std::string& name);

// Where one of the program's own files lives.
enum class TProgramFileKind { Settings, UserData, Shipped };
TProgramFileKind ProgramFileKind(const std::string& name);
// The files the first start copies from the shipped data into the user's folders when the user
// has none: the symbol-font list (settings) and the default macro file (user data).
const std::vector<std::string>& UserSeedFiles();
// Copies each of names from the folder source into dest when dest lacks it (names compared
// without case). Nothing else is copied.
void SeedFiles(const std::string& source, const std::string& dest, const std::vector<std::string>& names);

// The path of an existing entry of folder whose name equals name without regard to case (an
// exact match first); empty when there is none. name may hold '/'-separated folders.
std::string FindFileNoCase(const std::string& folder, const std::string& name);
// A program file by its kind: settings files in AppDir, the user's data files in UserDataDir
// (the existing file's real path when one matches without regard to case, else folder + name);
// shipped files through ShippedFile. The symbol-font list is the user's copy when there is one,
// else the shipped one.
std::string ProgramFile(const std::string& name);
// The folder for temporary files, with a trailing '/'.
std::string TempFolder();
