// The screen: its resolution and colour depth, and the fixed palettes of palette devices.
#pragma once

#include <array>

#include "platform/win_types.h"

// The screen's logical pixels per inch (vertical). Tests fix it with SetScreenPixelsPerInch.
int ScreenPixelsPerInch();
// Overrides the measured value; 0 returns to measuring.
void SetScreenPixelsPerInch(int ppi);
// Bits per pixel of the screen (24 or 32 on every true-colour desktop); overridable for tests.
int ScreenColorDepth();
void SetScreenColorDepth(int bits);

// The 20 static colours of a palette device: the first ten and the last ten entries of the system
// palette.
extern const std::array<TColor, 20> StockPaletteColors;
// The system palette of a 256-colour device: the 20 static colours at 0..9 and 246..255, the
// 6x6x6 colour cube and grey ramp in between.
extern const std::array<TColor, 256> StockPalette;
// The platform's halftone palette: the 20 static colours plus a 6x6x6 colour cube and greys.
extern const std::array<TColor, 256> HalftonePalette;
// Index of the entry nearest to colour (squared RGB distance, first of equals).
int NearestPaletteIndex(const TColor* palette, int count, TColor color);
