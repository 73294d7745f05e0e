// The screen: its resolution and colour depth, and the fixed palettes of palette devices.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/bitmap.h"
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

// Logical palettes. On the true-colour screens the program runs on, selecting and realising a
// palette changes nothing; the objects keep their entries so that the palette code paths (and
// 256-colour bitmaps) still work.
// A palette is its list of entries, shared and never changed once made.
using HPALETTE = std::shared_ptr<const TPaletteEntries>;
HPALETTE CreatePalette(const std::vector<TColor>& entries);  // at most 256 entries are kept
HPALETTE CreateHalftonePalette();
// The system palette's entries (the stock palette).
std::vector<TColor> GetSystemPaletteEntries();
// The palette entry nearest to colour; CLR_INVALID (-1) without a palette.
int GetNearestPaletteIndex(const HPALETTE& palette, TColor color);
// The colour a true-colour device shows for colour: the colour itself (system colours resolved).
TColor GetNearestColor(TColor color);
