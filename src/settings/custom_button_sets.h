// The custom palette buttons of the main window and the seven sets of "Buttons.Ini".
#pragma once

#include <cstdint>

class TCustomPaletteHost;

// The buttons are the main window's, reached through Host.

// Puts set Set (0 to 6) onto the 42 buttons: every key the file lacks takes the factory value of
// its button. A set above 6 changes nothing. Reads only; creates no file.
void LoadButtonSet(TCustomPaletteHost& Host, uint8_t Set);
// Stores buttons of set Set from the panels: all 42 when Index < 1, button Index when it is 1 to
// 42, none above 42; then writes the whole file back (through the temporary-file writer). A file
// that cannot be written raises EWriteError.
void SaveButtons(TCustomPaletteHost& Host, uint8_t Set, int Index);
// Puts the factory palette of set Set onto the buttons (used when "Buttons.Ini" cannot be read).
void LoadFactoryButtonSet(TCustomPaletteHost& Host, uint8_t Set);
