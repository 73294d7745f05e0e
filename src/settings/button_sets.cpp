#include "settings/button_sets.h"

#include <array>
#include <initializer_list>
#include <vector>

#include "platform/font.h"
#include "platform/ini_file.h"

namespace {

// A run of buttons of one set that share font, size and character set; each caption is either
// one byte or a text.
struct TRun {
  int First;
  int Last;
  const char* Font;
  int Size;
  int Charset;
};

using TSetTable = std::array<TButtonDef, CustomButtonCount>;

// Fills the captions of buttons First..Last of a run from single bytes.
void Bytes(TSetTable& set, const TRun& run, std::initializer_list<int> codes) {
  int k = run.First;
  for (int c : codes) {
    TButtonDef& d = set[size_t(k - 1)];
    d.Caption = std::string(1, char(c));
    d.Font = run.Font;
    d.FontSize = run.Size;
    d.Charset = run.Charset;
    ++k;
  }
}

void Texts(TSetTable& set, const TRun& run, std::initializer_list<const char*> captions) {
  int k = run.First;
  for (const char* c : captions) {
    TButtonDef& d = set[size_t(k - 1)];
    d.Caption = c;
    d.Font = run.Font;
    d.FontSize = run.Size;
    d.Charset = run.Charset;
    ++k;
  }
}

std::vector<int> Ascending(int from, int to) {
  std::vector<int> v;
  for (int c = from; c <= to; ++c) v.push_back(c);
  return v;
}

void BytesList(TSetTable& set, const TRun& run, const std::vector<int>& codes) {
  int k = run.First;
  for (int c : codes) {
    TButtonDef& d = set[size_t(k - 1)];
    d.Caption = std::string(1, char(c));
    d.Font = run.Font;
    d.FontSize = run.Size;
    d.Charset = run.Charset;
    ++k;
  }
}

std::vector<int> Join(std::initializer_list<int> head, const std::vector<int>& tail) {
  std::vector<int> v(head);
  v.insert(v.end(), tail.begin(), tail.end());
  return v;
}

using TPalette = std::array<TSetTable, CustomButtonSetCount>;

std::vector<int> AccentCodes() {
  auto v = Ascending(0xE6, 0xFF);
  v.push_back(0x41);
  v.push_back(0x3B);
  return v;
}

void BuildPalette(TPalette& p) {
  const char* tnr = "Times New Roman";
  // Set 0: Various.
  Bytes(p[0], {1, 7, "ZQVSerif", 8, 2}, {0xA0, 0xA1, 0xA2, 0xB2, 0xD1, 0xD7, 0xD8});
  Bytes(p[0], {8, 27, "ZQVRelMath", 8, 1},
        {0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x5F, 0x60, 0x61, 0x61, 0x62, 0x63});
  Bytes(p[0], {28, 28, "Wingdings", 8, 2}, {0x64});
  Bytes(p[0], {29, 30, "ZQVSerif", 36, 1}, {0xA7, 0xB6});
  Bytes(p[0], {31, 34, "ZQVRelMath", 16, 1}, {0x67, 0x68, 0x69, 0x6A});
  Texts(p[0], {35, 35, "Arial", 10, 1}, {"(a+b+c)*2>(a+b+c)*2/3"});
  Bytes(p[0], {36, 42, "Period", 16, 1}, {0x91, 0xA6, 0x87, 0x95, 0x89, 0x8A, 0x9B});
  // Set 1: Foreign Symbols.
  BytesList(p[1], {1, 28, tnr, 8, 1}, Join({0xC6, 0xDF, 0xF8, 0xE6, 0xA1, 0xC5, 0x8C, 0xBF, 0xE5, 0x9C, 0xD8}, Ascending(0x2B, 0x3B)));
  Bytes(p[1], {29, 30, "ZQVSerif", 36, 1}, {0xA7, 0xB6});
  Texts(p[1], {31, 42, tnr, 12, 1}, {"1/2", "1/3", "1/4", "1/5", "1/6", "1/7", "1/8", "1/9", "1/10", "1/12", "1/16", "1/20"});
  // Set 2: Accents.
  BytesList(p[2], {1, 28, tnr, 8, 1}, AccentCodes());
  Bytes(p[2], {29, 30, tnr, 16, 1}, {0x3C, 0x3D});
  Texts(p[2], {31, 42, tnr, 12, 1},
        {"1/24", "1/30", "1/32", "1/36", "1/40", "1/48", "1/50", "1/64", "1/128", "1/256", "1/512", "1/1024"});
  // Sets 3 and 4: Math Accents and Binary operators share their second half.
  const std::vector<int> tail = {0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x47, 0x49};
  BytesList(p[3], {1, 28, tnr, 8, 1},
            Join({0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD1, 0xD8, 0xBF, 0x2F}, Ascending(0x30, 0x3B)));
  BytesList(p[3], {29, 42, tnr, 16, 1}, tail);
  BytesList(p[4], {1, 28, "Symbol", 12, 2},
            Join({0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD1, 0xD8, 0xBF, 0x2F}, Ascending(0x30, 0x3B)));
  BytesList(p[4], {29, 42, "Symbol", 16, 2}, tail);
  // Set 5: Relational Symbols.
  Bytes(p[5], {1, 28, "ZQVRelMath", 12, 1},
        {0x21, 0x22, 0x24, 0x25, 0x26, 0x27, 0x32, 0x33, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44,
         0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4A, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52});
  Bytes(p[5], {29, 42, "ZQVRelMath", 16, 1}, {0x53, 0x54, 0x55, 0x56, 0x3F, 0x58, 0x59, 0x43, 0x44, 0x45, 0x46, 0x47, 0x47, 0x49});
  // Set 6: Arrows.
  Bytes(p[6], {1, 28, "ZQVRelMath", 12, 1},
        {0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32, 0x33, 0x2D, 0x2E,
         0x2F, 0x30, 0x31, 0x32, 0x33, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D});
  Bytes(p[6], {29, 42, "ZQVRelMath", 16, 1}, {0x3E, 0x3F, 0x5A, 0x97, 0x98, 0x99, 0x9A, 0x43, 0x44, 0x45, 0x46, 0x47, 0x47, 0x49});
}

const TPalette& FactoryPalette() {
  static TPalette palette;
  static const bool built = (BuildPalette(palette), true);
  (void)built;
  return palette;
}

}  // namespace

TButtonDef FactoryButton(int Set, int Button) {
  if (Set < 0 || Set >= CustomButtonSetCount || Button < 1 || Button > CustomButtonCount) return TButtonDef{};
  return FactoryPalette()[size_t(Set)][size_t(Button - 1)];
}

std::string ButtonSectionName(int Set, int Button) {
  return std::to_string(Set) + "-CustBut" + std::to_string(Button);
}

TButtonDef ReadButtonDef(TCustomIniFile& Ini, int Set, int Button) {
  const TButtonDef factory = FactoryButton(Set, Button);
  const std::string section = ButtonSectionName(Set, Button);
  TButtonDef d;
  // A button without a caption or a font name would insert nothing or draw in no font.
  d.Caption = Ini.ReadString(section, "Caption", factory.Caption);
  if (d.Caption.empty()) d.Caption = factory.Caption;
  d.Font = Ini.ReadString(section, "Font", factory.Font);
  if (d.Font.empty()) d.Font = factory.Font;
  // A size of 0 would leave the font without a size; a negative size is a pixel height.
  d.FontSize = Ini.ReadInteger(section, "FontSize", factory.FontSize, -MaxButtonFontSize, MaxButtonFontSize);
  if (d.FontSize == 0) d.FontSize = factory.FontSize;
  d.Charset = Ini.ReadInteger(section, "Charset", factory.Charset, 0, 255);
  d.Color = TColor(Ini.ReadColor(section, "Color", int(factory.Color)));
  d.Style = Ini.ReadInteger(section, "Style", factory.Style, 0, 15);
  return d;
}

void WriteButtonDef(TCustomIniFile& Ini, int Set, int Button, const TButtonDef& Def) {
  const std::string section = ButtonSectionName(Set, Button);
  Ini.WriteString(section, "Caption", Def.Caption);
  Ini.WriteString(section, "Font", Def.Font);
  Ini.WriteInteger(section, "FontSize", Def.FontSize);
  Ini.WriteInteger(section, "Charset", Def.Charset & 0xFF);
  Ini.WriteInteger(section, "Color", int(Def.Color));
  Ini.WriteInteger(section, "Style", Def.Style & 0x0F);
}

void ApplyButtonFont(const TButtonDef& Def, TFont& Font) {
  Font.Name = Def.Font;
  if (Def.FontSize < 0) Font.SetHeight(Def.FontSize);
  else if (Def.FontSize > 0) Font.SetSize(Def.FontSize);
  Font.Charset = TFontCharset(Def.Charset & 0xFF);
  Font.Color = Def.Color;
  Font.Style = TFontStyles(Def.Style & 0x0F);
}

TButtonDef ButtonDefOf(const std::string& Caption, const TFont& Font) {
  TButtonDef d;
  d.Caption = Caption;
  d.Font = Font.Name;
  d.FontSize = Font.Size();
  d.Charset = Font.Charset;
  d.Color = Font.Color;
  d.Style = Font.Style & 0x0F;
  return d;
}
