// Fuzzes the ini file reader: any bytes parse, and what is read back writes and re-reads to the
// same sections and values.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/zqv_ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TZQVIniFile ini("");
  ini.LoadFromBytes(data, size);
  std::vector<std::string> sections, lines;
  ini.ReadSections(sections);
  for (const auto& s : sections) {
    std::vector<std::string> names;
    ini.ReadSection(s, names);
    for (const auto& n : names) {
      (void)ini.ReadInteger(s, n, 0);
      (void)ini.ReadFloat(s, n, 0.0);
      (void)ini.ReadBool(s, n, false);
    }
  }
  ini.WriteString("Fuzz", "Key", "Value");
  ini.GetStrings(lines);
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  TZQVIniFile again("");
  again.LoadFromBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  std::vector<std::string> sections2;
  again.ReadSections(sections2);
  // Sections with no lines and empty names survive as well; the written form is stable.
  std::vector<std::string> lines2;
  again.GetStrings(lines2);
  if (lines2 != lines) std::abort();
  if (again.ReadString("Fuzz", "Key", "") != "Value") std::abort();
  return 0;
}
