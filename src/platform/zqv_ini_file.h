// The program's own in-memory ini file: like TMemIniFile, but lines beginning with ";" inside a
// section are kept and written back, so comments in the settings files survive the program's
// writes.
#pragma once

#include "platform/ini_file.h"

class TZQVIniFile : public TMemIniFile {
public:
  explicit TZQVIniFile(const std::string& fileName) : TMemIniFile(fileName, true) {}
};
