// Quarter turns of 24-bit bitmaps against a plain reference mapping.
#include <gtest/gtest.h>

#include "helpers/bitmap_rotation.h"
#include "platform/exceptions.h"

namespace {
TColor ColorAt(int x, int y) { return TColor(((x * 37 + 11) & 0xFF) | (((y * 53 + 7) & 0xFF) << 8) | (((x + y * 5) & 0xFF) << 16)); }

TBitmap Pattern(int w, int h) {
  TBitmap b(w, h, pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, ColorAt(x, y));
  return b;
}

// Where source pixel (x, y) of a W x H bitmap lands for each mode.
TPoint Reference(int mode, int x, int y, int W, int H) {
  switch (mode) {
    case 1: return TPoint(y, W - 1 - x);
    case 2: return TPoint(W - 1 - x, H - 1 - y);
    case 3: return TPoint(H - 1 - y, x);
    default: return TPoint(x, y);
  }
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
  return true;
}
}  // namespace

TEST(BitmapRotation, EveryModeMatchesTheReferenceForOddAndEvenSizes) {
  const TPoint sizes[] = {{5, 1}, {1, 5}, {4, 6}, {7, 3}, {6, 6}, {9, 9}};
  for (const TPoint& s : sizes) {
    const TBitmap src = Pattern(s.X, s.Y);
    for (int mode = 0; mode < 4; ++mode) {
      SCOPED_TRACE(::testing::Message() << s.X << "x" << s.Y << " mode " << mode);
      auto out = RotateBitmap(uint8_t(mode), src);
      ASSERT_TRUE(out);
      const bool swap = mode == 1 || mode == 3;
      ASSERT_EQ(out->Width(), swap ? s.Y : s.X);
      ASSERT_EQ(out->Height(), swap ? s.X : s.Y);
      EXPECT_EQ(out->PixelFormat(), pf24bit);
      for (int y = 0; y < s.Y; ++y)
        for (int x = 0; x < s.X; ++x) {
          const TPoint d = Reference(mode, x, y, s.X, s.Y);
          ASSERT_EQ(out->Pixel(d.X, d.Y), ColorAt(x, y)) << "source " << x << "," << y;
        }
      EXPECT_TRUE(SamePixels(src, Pattern(s.X, s.Y))) << "source changed";
    }
  }
}

TEST(BitmapRotation, TurnsThatAddUpToAWholeTurnGiveBackTheSource) {
  const TBitmap src = Pattern(7, 4);
  auto there = RotateBitmap(1, src);
  EXPECT_TRUE(SamePixels(*RotateBitmap(3, *there), src));
  EXPECT_TRUE(SamePixels(*RotateBitmap(2, *RotateBitmap(2, src)), src));
  std::unique_ptr<TBitmap> b = std::make_unique<TBitmap>(src);
  for (int i = 0; i < 4; ++i) b = RotateBitmap(1, *b);
  EXPECT_TRUE(SamePixels(*b, src));
}

TEST(BitmapRotation, OneRowTurnedPutsTheFirstPixelAtTheBottom) {
  const TBitmap src = Pattern(5, 1);
  auto out = RotateBitmap(1, src);
  ASSERT_EQ(out->Width(), 1);
  ASSERT_EQ(out->Height(), 5);
  EXPECT_EQ(out->Pixel(0, 4), ColorAt(0, 0));
}

TEST(BitmapRotation, OtherFormatsAndModesAreRefused) {
  TBitmap indexed(4, 4, pf8bit);
  try {
    RotateBitmap(1, indexed);
    FAIL() << "no error";
  } catch (const EBitmapError& e) {
    EXPECT_STREQ(e.what(), "Can Rotate90 only 24-bit bitmap");
  }
  EXPECT_EQ(RotateBitmap(4, Pattern(2, 2)), nullptr);
}
