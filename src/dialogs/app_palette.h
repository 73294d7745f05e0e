// The program's one 256-colour palette: the colour table of the pen and brush dialog's grid, the
// logical palette made from it, and the screen's colour depth that decides whether palettes are
// realised at all (screens of 8 bits per pixel or fewer).
#pragma once

#include <array>
#include <cstdint>

#include "platform/screen.h"

// The grid's colours, red, green, blue per entry: the 20 static colours at 0-9 and 246-255,
// greys and a few picked colours, and colours of the six-step cube in between.
extern const std::array<std::array<uint8_t, 3>, 256> AppPaletteRGB;
// The table entry as a colour (0x00BBGGRR).
TColor AppPaletteColor(int Index);

// Entries the last CreateAppPalette read from the system palette (0 when it read none).
extern int32_t SystemPaletteEntryCount;

// Bits per pixel of the screen times its planes.
int GetColorDepth();
// A new logical palette of 256 entries for a screen of Depth bits per pixel.
HPALETTE CreateAppPalette(int Depth);
