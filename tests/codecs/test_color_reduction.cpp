// Colour reduction: palettes, lookups, ditherers and the octree quantiser.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "codecs/color_reduction.h"

namespace {

TBitmap Filled(int w, int h, const std::function<TColor(int, int)>& color) {
  TBitmap b(w, h, pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, color(x, y));
  return b;
}

TColor PixelColor(const TBitmap& b, int x, int y) { return b.Pixel(x, y); }

TEST(ColorReduction, NoneCopiesAt24Bits) {
  TBitmap src = Filled(5, 4, [](int x, int y) { return RGBColor(x * 40, y * 50, 7); });
  for (int dither = 0; dither <= 6; ++dither) {
    auto r = ReduceColors(src, rmNone, TDitherKind(dither), 0, nullptr);
    EXPECT_EQ(r->PixelFormat(), pf24bit);
    EXPECT_EQ(r->Width(), 5);
    EXPECT_EQ(PixelColor(*r, 3, 2), RGBColor(120, 100, 7));
  }
}

TEST(ColorReduction, EveryMethodGivesAn8BitBitmap) {
  TBitmap two = Filled(6, 3, [](int x, int) { return x % 2 ? clWhite : clBlack; });
  HPALETTE custom = MakePalette({clRed, clGreen, clBlue});
  for (int m = 1; m <= 9; ++m)
    for (int d : {0, 1, 5}) {
      auto r = ReduceColors(two, TReductionMethod(m), TDitherKind(d), 8, custom);
      EXPECT_EQ(r->PixelFormat(), pf8bit) << "method " << m;
      EXPECT_EQ(r->Width(), 6);
      EXPECT_EQ(r->Height(), 3);
    }
  EXPECT_TRUE(ReduceColors(two, TReductionMethod(10), dkNearest, 8, nullptr)->Empty());
  EXPECT_TRUE(ReduceColors(two, rmWebSafe, TDitherKind(7), 8, nullptr)->Empty());
  EXPECT_TRUE(ReduceColors(two, rmCustomPalette, dkNearest, 8, nullptr)->Empty()) << "a palette without entries";
}

TEST(ColorReduction, LookupRules) {
  uint8_t r, g, b;
  TMonochromeLookup mono;
  EXPECT_EQ(mono.LookupColor(128, 127, 127, r, g, b), 1);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(mono.LookupColor(127, 127, 127, r, g, b), 0);

  TNetscapeColorLookup web;
  EXPECT_EQ(web.LookupColor(47, 0, 0, r, g, b), 0);
  EXPECT_EQ(web.LookupColor(48, 0, 0, r, g, b), 36);
  EXPECT_EQ(r, 51);
  EXPECT_EQ(web.LookupColor(255, 252, 251, r, g, b), 5 * 36 + 5 * 6 + 4);

  TGrayScaleLookup grey;
  EXPECT_EQ(grey.LookupColor(255, 255, 255, r, g, b), 255);
  EXPECT_EQ(grey.LookupColor(100, 0, 0, r, g, b), (77 * 100) >> 8);

  // Colours that differ only in the low three bits share an index, whichever comes first.
  for (bool lowFirst : {true, false}) {
    TFastColorLookup fast(MakePalette({RGBColor(0, 0, 0), RGBColor(100, 100, 100), RGBColor(106, 106, 106)}));
    const uint8_t a = fast.LookupColor(lowFirst ? 96 : 103, lowFirst ? 96 : 103, lowFirst ? 96 : 103, r, g, b);
    const uint8_t c = fast.LookupColor(lowFirst ? 103 : 96, lowFirst ? 103 : 96, lowFirst ? 103 : 96, r, g, b);
    EXPECT_EQ(a, c);
  }
  TFastColorLookup fast(MakePalette({RGBColor(0, 0, 0), RGBColor(200, 10, 10), RGBColor(10, 200, 10)}));
  EXPECT_EQ(fast.LookupColor(190, 30, 0, r, g, b), 1);
  EXPECT_EQ(r, 200);
}

TEST(ColorReduction, OctreePalettes) {
  TBitmap one = Filled(7, 7, [](int, int) { return RGBColor(12, 34, 56); });
  auto r = ReduceColors(one, rmOctree, dkNearest, 8, nullptr);
  const TPaletteEntries pal = r->Palette();
  ASSERT_EQ(pal.size(), 256u);
  EXPECT_EQ(pal[0], RGBColor(12, 34, 56));
  EXPECT_EQ(PixelColor(*r, 3, 3), RGBColor(12, 34, 56));

  // 16 distinct colours with 4 bits come back exactly.
  TBitmap sixteen = Filled(32, 32, [](int x, int y) { return RGBColor((x % 4) * 80, (y % 4) * 80, 33); });
  auto s = ReduceColors(sixteen, rmOctree, dkNearest, 4, nullptr);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(PixelColor(*s, x, y), RGBColor((x % 4) * 80, (y % 4) * 80, 33));

  // Many colours: at most 2^bits palette colours; with the Windows colours, the 20 fixed entries.
  std::mt19937 rng(1);
  TBitmap noisy = Filled(64, 64, [&](int, int) { return RGBColor(int(rng() % 256), int(rng() % 256), int(rng() % 256)); });
  TBitmap copy = noisy;
  auto t = ReduceColors(noisy, rmOctree, dkNearest, 5, nullptr);
  std::set<TColor> used;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) used.insert(PixelColor(*t, x, y));
  EXPECT_LE(used.size(), 32u);
  EXPECT_GT(used.size(), 8u);
  auto w = ReduceColors(copy, rmOctreeWindows, dkNearest, 0, nullptr);
  const TPaletteEntries wp = w->Palette();
  ASSERT_EQ(wp.size(), 256u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(wp[size_t(i)], DefaultPalette20()[size_t(i)]);
    EXPECT_EQ(wp[size_t(246 + i)], DefaultPalette20()[size_t(10 + i)]);
  }
}

TEST(ColorReduction, NearestDoesNotDependOnScanOrder) {
  std::mt19937 rng(2);
  TBitmap src = Filled(31, 9, [&](int, int) { return RGBColor(int(rng() % 256), int(rng() % 256), int(rng() % 256)); });
  auto r = ReduceColors(src, rmWindows20, dkNearest, 0, nullptr);
  TFastColorLookup lookup(MakePalette(DefaultPalette20()));
  uint8_t cr, cg, cb;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 31; ++x) {
      const TColor c = src.Pixel(x, y);
      lookup.LookupColor(uint8_t(GetRValue(c)), uint8_t(GetGValue(c)), uint8_t(GetBValue(c)), cr, cg, cb);
      ASSERT_EQ(PixelColor(*r, x, y), RGBColor(cr, cg, cb));
    }
}

TEST(ColorReduction, DiffusionKeepsTheAverage) {
  // A flat mid grey dithered to black and white: every diffusing kind comes out near half white,
  // nearest colour gives one colour only.
  for (int d = 0; d <= 6; ++d) {
    TBitmap grey = Filled(64, 64, [](int, int) { return RGBColor(100, 100, 100); });
    auto r = ReduceColors(grey, rmMonochrome, TDitherKind(d), 0, nullptr);
    int white = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) white += PixelColor(*r, x, y) == clWhite;
    const double share = white / 4096.0;
    if (d == dkNearest)
      EXPECT_EQ(white, 0);
    else
      EXPECT_NEAR(share, 100.0 / 255.0, 0.03) << "dither kind " << d;
  }
  // Serpentine: Floyd-Steinberg on a one-row ramp spreads error to the right only.
  TBitmap ramp = Filled(8, 2, [](int, int) { return RGBColor(128, 128, 128); });
  auto r = ReduceColors(ramp, rmMonochrome, dkFloydSteinberg, 0, nullptr);
  EXPECT_EQ(PixelColor(*r, 0, 0), clWhite);  // 128, 128, 128 is above the threshold
  EXPECT_EQ(PixelColor(*r, 1, 0), clBlack);
}

}  // namespace
