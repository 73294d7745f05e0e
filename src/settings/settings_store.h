// The application settings: the defaults read at start-up and saved on request, across the
// program folder's "PageIni.ini", "Main.Ini" and "Buttons.Ini".
#pragma once

#include <string>

class QMenu;
class TCustomPaletteHost;
class TSettingsHost;

// Reads the application defaults into the main window (through Host) and puts the
// current custom set onto the palette buttons. A file that cannot be read is reported and its
// values take their defaults; no file is created.
void LoadSettings(TSettingsHost& Host, TCustomPaletteHost& Palette);
// Writes the application defaults, then every button of the current custom set. A file that
// cannot be written is reported; the other files are still written.
void SaveSettings(TSettingsHost& Host, TCustomPaletteHost& Palette);
// The zero-based position of the first checked top-level item of Menu; 0 when none is checked.
int CheckedSubItemIndex(QMenu* Menu);

// The keys' defaults that more than one reader shares.
constexpr int DefaultLineSpacing = 13;
constexpr int DefaultDimensionFontSize = 10;
// The line height read from Main_Font Line_Spacing: a value outside the main font dialog's range
// (8 to 100) takes the default.
int ValidLineSpacing(int Value);
