// The program folder and the program's own files in it.
#pragma once

#include <string>

// The program folder with a trailing separator.
std::string ProgramFolder();
// The path of a file of the program in folder, matched without regard to letter case: the
// existing file's real name when one matches, else folder + name.
std::string FindProgramFile(const std::string& folder, const std::string& name);
