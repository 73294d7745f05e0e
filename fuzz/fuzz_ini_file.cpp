// Fuzzes the ini file reader: any bytes parse, and what is read back writes and re-reads to the
// same sections and values. The same bytes are read as a custom palette "Buttons.Ini" (every
// button of every set) and as a custom colours file: both readers accept anything, keep their
// values in range, and read back what they write; the buttons the file defines are applied to a
// font, as the palette does, and the font is measured.
#include <QGuiApplication>
#include <cstdint>
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

void CheckButtonSets(TZQVIniFile& ini) {
  TZQVIniFile copy("");
  std::vector<std::pair<int, int>> defined;
  std::vector<std::string> names;
  ini.ReadSections(names);
  auto exists = [&names](const std::string& section) {
    for (const auto& n : names)
      if (SameIniName(n, section)) return true;
    return false;
  };
  for (int set = 0; set < CustomButtonSetCount; ++set) {
    for (int k = 1; k <= CustomButtonCount; ++k) {
      const TButtonDef d = ReadButtonDef(ini, set, k);
      if (d.FontSize == 0 || d.Caption.empty() || d.Font.empty() || d.Charset < 0 || d.Charset > 255 || d.Style < 0 ||
          d.Style > 15)
        std::abort();
      // Buttons the file defines are written out and must read back as written (captions and
      // names as the file can hold them); the others are the factory palette.
      if (!names.empty() && exists(ButtonSectionName(set, k))) {
        WriteButtonDef(copy, set, k, d);
        defined.emplace_back(set, k);
        ApplyToFont(d);
      } else if (!(d == FactoryButton(set, k))) {
        std::abort();
      }
    }
  }
  for (const auto& [set, k] : defined) {
    TButtonDef expected = ReadButtonDef(ini, set, k);
    expected.Caption = SafeIniValue(expected.Caption);
    expected.Font = SafeIniValue(expected.Font);
    if (!(ReadButtonDef(copy, set, k) == expected)) std::abort();
  }
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
  CheckButtonSets(ini);
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
