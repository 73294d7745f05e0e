// Turning 24-bit bitmaps by quarter turns, row by row, without a drawing surface.
#pragma once

#include <memory>

#include "platform/bitmap.h"

// A new bitmap holding the source turned: mode 0 copy, 1 a quarter turn one way, 2 a half turn,
// 3 a quarter turn the other way; any other mode gives no bitmap. The source is not changed.
// A source that is not 24 bits per pixel raises EBitmapError.
std::unique_ptr<TBitmap> RotateBitmap(uint8_t Mode, const TBitmap& Source);
