// In-memory ini files: the whole file is read into sections of lines, queried and changed in
// memory, and written back whole by UpdateFile (through the temporary-file writer).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// The value forms shared by every ini file: integers (decimal, "0x"/"$" hexadecimal), Booleans
// ("1"/"0"), floating point and strings, all through ReadString and WriteString.
class TCustomIniFile {
public:
  explicit TCustomIniFile(std::string fileName) : FileName(std::move(fileName)) {}
  virtual ~TCustomIniFile() = default;

  virtual std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) = 0;
  virtual void WriteString(const std::string& section, const std::string& ident, const std::string& value) = 0;
  int ReadInteger(const std::string& section, const std::string& ident, int def);
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  bool ReadBool(const std::string& section, const std::string& ident, bool def);
  void WriteBool(const std::string& section, const std::string& ident, bool value);
  double ReadFloat(const std::string& section, const std::string& ident, double def);
  // The same, kept to [min, max]: a value outside (or not finite) counts as unreadable and gives
  // def. Every number a settings file gives is read through these, so that no edited or damaged
  // file can hand the program a value it cannot use.
  int ReadInteger(const std::string& section, const std::string& ident, int def, int min, int max);
  double ReadFloat(const std::string& section, const std::string& ident, double def, double min, double max);
  // A colour: an RGB value, a system colour, clNone or clDefault; else def.
  int ReadColor(const std::string& section, const std::string& ident, int def);
  void WriteFloat(const std::string& section, const std::string& ident, double value);
  virtual void ReadSection(const std::string& section, std::vector<std::string>& names) = 0;
  virtual void ReadSections(std::vector<std::string>& sections) = 0;
  virtual void ReadSectionValues(const std::string& section, std::vector<std::string>& lines) = 0;
  virtual void EraseSection(const std::string& section) = 0;
  virtual void DeleteKey(const std::string& section, const std::string& ident) = 0;
  virtual void UpdateFile() = 0;
  bool SectionExists(const std::string& section);
  bool ValueExists(const std::string& section, const std::string& ident);

  const std::string FileName;
};

// Parses integer text as ini files do: decimal, or hexadecimal after "0x"/"0X" (more than two
// characters) or "$". False when the text is no integer.
bool TryStrToInt(const std::string& text, int& value);

// The in-memory ini file of the class library: lines beginning with ";" are dropped on reading.
class TMemIniFile : public TCustomIniFile {
public:
  // Loads the file when the name is not empty and the file exists; a file that exists but cannot
  // be read raises EFOpenError.
  explicit TMemIniFile(const std::string& fileName) : TMemIniFile(fileName, false) {}

  std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) override;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
  void ReadSection(const std::string& section, std::vector<std::string>& names) override;
  void ReadSections(std::vector<std::string>& sections) override;
  void ReadSectionValues(const std::string& section, std::vector<std::string>& lines) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  void UpdateFile() override;

  // The written text form, one entry per line; and parsing from lines.
  void GetStrings(std::vector<std::string>& lines) const;
  void SetStrings(const std::vector<std::string>& lines);
  // Parses the text of a whole file (lines ended by LF or CR LF).
  void LoadFromBytes(const uint8_t* data, size_t size);
  void Clear() {
    Sections.clear();
    Index.clear();
  }

protected:
  TMemIniFile(const std::string& fileName, bool keepComments);

  struct TSection {
    std::string Name;
    std::vector<std::string> Lines;
  };
  TSection* FindSection(const std::string& name);
  std::vector<std::string>& AddSection(const std::string& name);

  void Reindex();

  // The sections in the file's order, and where each name is found (the first section of a
  // name, by the name's case-folded form), so that a file of many sections is read in linear time.
  std::vector<TSection> Sections;
  std::unordered_map<std::string, size_t> Index;
  bool KeepComments;
};

// Ini names compare without regard to letter case.
bool SameIniName(const std::string& a, const std::string& b);
// The form of a name that names which compare as the same share.
std::string IniNameKey(const std::string& name);

// What is written for a value, key or section name so that it stays one entry when read back:
// control characters (line breaks among them; tab excepted) become "?", and in a key also "=",
// which would end the name, and a first "[" or ";", which would make the line a section header or
// a comment. Lookups apply the same, so a key written under a name is found under it again.
std::string SafeIniValue(const std::string& value);
std::string SafeIniKey(const std::string& ident);
std::string SafeIniSection(const std::string& section);
