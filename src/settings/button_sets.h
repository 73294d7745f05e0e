// The custom palette button sets kept in "Buttons.Ini": seven sets of 42 button definitions, the
// factory palette that stands in for every definition the file lacks, and the reading and writing
// of one definition. Plain data over an ini object, so that the file's reader can be fuzzed alone.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

class TCustomIniFile;
class TFont;

constexpr int CustomButtonCount = 42;
constexpr int CustomButtonSetCount = 7;
// The largest font size a button definition may give (points, or pixels when negative).
constexpr int MaxButtonFontSize = 1638;

// One button: its caption (bytes of the font's code page or glyph positions of a symbol font)
// and its font.
struct TButtonDef {
  std::string Caption;
  std::string Font;
  int FontSize = 8;
  int Charset = 1;
  TColor Color = 0;
  int Style = 0;  // 1 bold, 2 italic, 4 underline, 8 strike-out
  friend bool operator==(const TButtonDef&, const TButtonDef&) = default;
};

// The built-in definition of button Button (1 to 42) of set Set (0 to 6).
TButtonDef FactoryButton(int Set, int Button);
// "3-CustBut17": the section of button 17 of set 3.
std::string ButtonSectionName(int Set, int Button);
// Reads the six keys of the button's section; every missing or unreadable key takes the
// factory value of that button. An empty caption or font name, a font size of 0 or beyond
// MaxButtonFontSize, a character set beyond 255, a style beyond 15 and a colour that is no colour
// take the factory value too.
TButtonDef ReadButtonDef(TCustomIniFile& Ini, int Set, int Button);
// Writes the six keys of the button's section (Caption, Font, FontSize, Charset, Color, Style).
void WriteButtonDef(TCustomIniFile& Ini, int Set, int Button, const TButtonDef& Def);
// The definition's font: name, size (a negative size is a pixel height), character set, colour
// and style; and the definition of a caption shown in a font.
void ApplyButtonFont(const TButtonDef& Def, TFont& Font);
TButtonDef ButtonDefOf(const std::string& Caption, const TFont& Font);
