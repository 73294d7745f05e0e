#include "platform/screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <atomic>

namespace {
std::atomic<int> PpiOverride{0};
std::atomic<int> DepthOverride{0};

constexpr TColor C(int r, int g, int b) { return RGBColor(r, g, b); }

constexpr std::array<TColor, 20> MakeStock() {
  return {C(0, 0, 0),       C(128, 0, 0),     C(0, 128, 0),     C(128, 128, 0),   C(0, 0, 128),
          C(128, 0, 128),   C(0, 128, 128),   C(192, 192, 192), C(192, 220, 192), C(166, 202, 240),
          C(255, 251, 240), C(160, 160, 164), C(128, 128, 128), C(255, 0, 0),     C(0, 255, 0),
          C(255, 255, 0),   C(0, 0, 255),     C(255, 0, 255),   C(0, 255, 255),   C(255, 255, 255)};
}

// 20 static colours around a 6x6x6 cube (216 entries) and 20 greys not already in the cube.
constexpr std::array<TColor, 256> MakeCubePalette() {
  std::array<TColor, 256> p{};
  const auto stock = MakeStock();
  for (int i = 0; i < 10; ++i) p[i] = stock[i];
  for (int i = 0; i < 10; ++i) p[246 + i] = stock[10 + i];
  int k = 10;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) p[k++] = C(r * 51, g * 51, b * 51);
  // 20 greys between the cube's greys (multiples of 51).
  for (int i = 0; k < 246; ++i) {
    const int v = 8 + i * 12;
    if (v % 51 == 0) continue;
    p[k++] = C(v, v, v);
  }
  return p;
}
}  // namespace

const std::array<TColor, 20> StockPaletteColors = MakeStock();
const std::array<TColor, 256> StockPalette = MakeCubePalette();
const std::array<TColor, 256> HalftonePalette = MakeCubePalette();

int ScreenPixelsPerInch() {
  if (int v = PpiOverride.load()) return v;
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    if (QScreen* s = app->primaryScreen()) {
      const int v = qRound(s->logicalDotsPerInchY());
      if (v > 0) return v;
    }
  return 96;
}

void SetScreenPixelsPerInch(int ppi) { PpiOverride = ppi > 0 ? ppi : 0; }

int ScreenColorDepth() {
  if (int v = DepthOverride.load()) return v;
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    if (QScreen* s = app->primaryScreen()) {
      const int v = s->depth();
      if (v > 0) return v;
    }
  return 32;
}

void SetScreenColorDepth(int bits) { DepthOverride = bits > 0 ? bits : 0; }

int NearestPaletteIndex(const TColor* palette, int count, TColor color) {
  color = ColorToRGB(color);
  int best = 0;
  long bestDist = -1;
  for (int i = 0; i < count; ++i) {
    const long dr = GetRValue(palette[i]) - GetRValue(color), dg = GetGValue(palette[i]) - GetGValue(color),
               db = GetBValue(palette[i]) - GetBValue(color);
    const long d = dr * dr + dg * dg + db * db;
    if (bestDist < 0 || d < bestDist) bestDist = d, best = i;
  }
  return best;
}
