// The pen-and-brush dialog's shared values: the application palette of palette screens and the
// fixed colour table that random figure colours are taken from.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/win_types.h"

// The 256-entry application palette, created on screens of 8 bits per pixel or less; empty on
// deeper screens.
extern std::vector<TColor> AppPalette;
// 256 colours, red, green, blue per entry.
extern const std::array<std::array<uint8_t, 3>, 256> ColorTable;
// Builds AppPalette when the screen needs one (ScreenColorDepth() <= 8).
void CreateAppPalette();
