// The pen-and-brush dialog's shared values: the application palette of palette screens and the
// fixed colour table (kept with the helpers, where the engine takes random colours from it).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "helpers/color_table.h"
#include "platform/win_types.h"

// The 256-entry application palette, created on screens of 8 bits per pixel or less; empty on
// deeper screens.
extern std::vector<TColor> AppPalette;
// Builds AppPalette when the screen needs one (ScreenColorDepth() <= 8).
void CreateAppPalette();
