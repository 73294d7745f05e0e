// Fuzzes the ini file reader: any bytes parse, and what is read back writes and re-reads to the
// same sections and values. The same bytes are read as a custom palette "Buttons.Ini" (every
// button of every set) and as a custom colours file: both readers accept anything, keep their
// values in range, and read back what they write; the buttons the file defines are applied to a
// font, as the palette does, and the font is measured.
#include <QGuiApplication>
#include <cctype>
#include <cstdint>
#include <set>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_options.h"  // IWYU pragma: keep
#include "dialogs/custom_colors_file.h"
#include "platform/font.h"
#include "platform/ini_file.h"
#include "platform/zqv_ini_file.h"
#include "settings/button_sets.h"

namespace {

// Fonts are measured through Qt, which needs an application object: one is made unless the
// program has its own.
void Init() {
  static int argc = 1;
  static char name[] = "fuzz_ini_file";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(argc, argv);
  }
}

// A definition applied as the palette applies it: the font must come out drawable.
void ApplyToFont(const TButtonDef& d) {
  TFont font;
  ApplyButtonFont(d, font);
  const int pixels = font.PixelSize();
  if (pixels <= 0 || pixels > 32767 || font.Size() == 0) std::abort();
}

// The button (set, number) whose section a name finds, as the ini class finds sections (by the
// name's case-folded form); false for other names.
bool ButtonOfSection(const std::string& name, int& set, int& k) {
  std::string key = IniNameKey(SafeIniSection(name));
  for (char& c : key) c = char(std::tolower(uint8_t(c)));
  const std::string mid = "-custbut";
  const size_t dash = key.find(mid);
  if (dash == std::string::npos) return false;
  const std::string a = key.substr(0, dash), b = key.substr(dash + mid.size());
  if (a.size() != 1 || b.empty() || b.size() > 2 || a[0] < '0' || a[0] > '6') return false;
  for (char c : b)
    if (c < '0' || c > '9') return false;
  set = a[0] - '0';
  k = std::stoi(b);
  return k >= 1 && k <= CustomButtonCount && std::to_string(k) == b;
}

// The buttons the file defines are read, checked, applied to a font, written out and read back;
// of the others one (chosen by the input) must be the factory button. The work follows the
// sections the input has, not the 294 buttons of the palette.
void CheckButtonSets(TZQVIniFile& ini, size_t pick) {
  TZQVIniFile copy("");
  std::set<std::pair<int, int>> defined;
  std::vector<std::string> names;
  ini.ReadSections(names);
  for (const auto& n : names) {
    int set = 0, k = 0;
    if (ButtonOfSection(n, set, k)) defined.emplace(set, k);
  }
  for (const auto& [set, k] : defined) {
    const TButtonDef d = ReadButtonDef(ini, set, k);
    if (d.FontSize == 0 || d.Caption.empty() || d.Font.empty() || d.Charset < 0 || d.Charset > 255 || d.Style < 0 ||
        d.Style > 15)
      std::abort();
    // Captions and names as the file can hold them must read back as written.
    WriteButtonDef(copy, set, k, d);
    ApplyToFont(d);
  }
  for (const auto& [set, k] : defined) {
    TButtonDef expected = ReadButtonDef(ini, set, k);
    expected.Caption = SafeIniValue(expected.Caption);
    expected.Font = SafeIniValue(expected.Font);
    if (!(ReadButtonDef(copy, set, k) == expected)) std::abort();
  }
  const int set = int(pick % CustomButtonSetCount), k = 1 + int(pick / CustomButtonSetCount % CustomButtonCount);
  if (!defined.count({set, k}) && !(ReadButtonDef(ini, set, k) == FactoryButton(set, k))) std::abort();
}

void CheckCustomColors(const uint8_t* data, size_t size) {
  const auto lines = CustomColorLinesFromBytes(data, size);
  if (lines.size() > CustomColorsMaxLines) std::abort();
  const TCustomColorSet colors = CustomColorsFromLines(lines);
  const std::vector<std::string> written = CustomColorLines(colors);
  if (written.size() != size_t(CustomColorCount)) std::abort();
  const std::string text = CustomColorsText(written);
  const auto again = CustomColorsFromLines(CustomColorLinesFromBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  for (int i = 0; i < CustomColorCount; ++i) {
    const TColor expected = colors[size_t(i)].value_or(0xFFFFFF);
    if (!again[size_t(i)] || *again[size_t(i)] != expected || (expected & ~0xFFFFFF) != 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  AddDefaultOptions(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Init();
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
  CheckButtonSets(ini, size);
  CheckCustomColors(data, size);
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
