#include "helpers/bitmap_rotation.h"

#include <cstring>

#include "platform/exceptions.h"

std::unique_ptr<TBitmap> RotateBitmap(uint8_t Mode, const TBitmap& Source) {
  if (Source.PixelFormat() != pf24bit) throw EBitmapError("Can Rotate90 only 24-bit bitmap");
  if (Mode > 3) return nullptr;
  const int W = Source.Width(), H = Source.Height();
  const bool swap = Mode == 1 || Mode == 3;
  auto dest = std::make_unique<TBitmap>(swap ? H : W, swap ? W : H, pf24bit);
  if (W == 0 || H == 0) return dest;
  constexpr int bytes = 4;  // one stored pixel, copied whole
  for (int y = 0; y < H; ++y) {
    const uint8_t* src = Source.ScanLine(y);
    for (int x = 0; x < W; ++x) {
      int dx = x, dy = y;
      switch (Mode) {
        case 1: dx = y; dy = W - 1 - x; break;
        case 2: dx = W - 1 - x; dy = H - 1 - y; break;
        case 3: dx = H - 1 - y; dy = x; break;
        default: break;
      }
      std::memcpy(dest->ScanLine(dy) + dx * bytes, src + x * bytes, bytes);
    }
  }
  return dest;
}
