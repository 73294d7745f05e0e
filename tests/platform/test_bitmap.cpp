#include <gtest/gtest.h>

#include <cstring>

#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/exceptions.h"
#include "platform/streams.h"

namespace {

// A bitmap whose pixels all differ, in the given format.
TBitmap Sample(TPixelFormat format, int w = 13, int h = 7) {
  TBitmap b(w, h, format);
  if (b.IsIndexed()) {
    const int n = format == pf1bit ? 2 : format == pf4bit ? 16 : 256;
    TPaletteEntries pal;
    for (int i = 0; i < n; ++i) pal.push_back(RGBColor(i * 7 % 256, 255 - i, i * 31 % 256));
    b.SetPalette(pal);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) b.ScanLine(y)[x] = uint8_t((x * 5 + y * 3) % n);
  } else {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int r = x * 19 % 256, g = y * 37 % 256, bl = (x + y) * 11 % 256;
        if (format == pf15bit || format == pf16bit) {
          r &= 0xF8, g &= (format == pf16bit ? 0xFC : 0xF8), bl &= 0xF8;
        }
        b.SetPixel(x, y, RGBColor(r, g, bl));
      }
  }
  return b;
}

std::vector<uint8_t> Saved(TBitmap& b) {
  TMemoryStream s;
  b.SaveToStream(s);
  return s.Data;
}

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

// A hand-made file: header fields and data as given.
std::vector<uint8_t> MakeBmp(int w, int h, int bpp, uint32_t compression, const std::vector<uint32_t>& palette,
                             const std::vector<uint8_t>& bits) {
  std::vector<uint8_t> f(14 + 40 + palette.size() * 4);
  f[0] = 'B', f[1] = 'M';
  Put32(f, 10, uint32_t(f.size()));
  Put32(f, 14, 40);
  Put32(f, 18, uint32_t(w));
  Put32(f, 22, uint32_t(h));
  f[26] = 1;
  f[28] = uint8_t(bpp);
  Put32(f, 30, compression);
  Put32(f, 34, uint32_t(bits.size()));
  Put32(f, 46, uint32_t(palette.size()));
  for (size_t i = 0; i < palette.size(); ++i) Put32(f, 54 + 4 * i, palette[i]);
  f.insert(f.end(), bits.begin(), bits.end());
  Put32(f, 2, uint32_t(f.size()));
  return f;
}

TBitmap Load(const std::vector<uint8_t>& bytes) {
  TBytesStream s(bytes.data(), bytes.size());
  TBitmap b;
  b.LoadFromStream(s);
  return b;
}

}  // namespace

TEST(Bitmap, EveryPixelFormatSurvivesAFileRoundTrip) {
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    TBitmap b = Sample(f);
    const auto bytes = Saved(b);
    TBitmap back = Load(bytes);
    EXPECT_EQ(back.PixelFormat(), f);
    ASSERT_EQ(back.Width(), 13);
    ASSERT_EQ(back.Height(), 7);
    if (b.IsIndexed()) {
      EXPECT_EQ(back.Palette(), b.Palette());
    }
    // 15 and 16 bits keep the top 5 (6) bits of each channel.
    const TColor keep = f == pf15bit ? RGBColor(0xF8, 0xF8, 0xF8) : f == pf16bit ? RGBColor(0xF8, 0xFC, 0xF8) : 0xFFFFFF;
    for (int y = 0; y < 7; ++y) {
      for (int x = 0; x < 13; ++x) {
        ASSERT_EQ(back.Pixel(x, y) & keep, b.Pixel(x, y)) << f << " at " << x << "," << y;
      }
    }
    EXPECT_EQ(Saved(back), bytes) << f;  // writing again gives the same file
  }
  // The registry knows the extension.
  EXPECT_NE(dynamic_cast<TBitmap*>(CreateGraphicForFile("picture.bmp").get()), nullptr);
}

TEST(Bitmap, ReadsTopDownBitFieldsAndRunLengthFiles) {
  // 2 x 2, 24 bits, top-down: the first row in the file is the top row.
  std::vector<uint8_t> rows = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
  auto f = MakeBmp(2, -2, 24, 0, {}, rows);
  TBitmap td = Load(f);
  EXPECT_EQ(td.Pixel(0, 0), clRed);
  EXPECT_EQ(td.Pixel(1, 0), clLime);
  EXPECT_EQ(td.Pixel(0, 1), clBlue);
  EXPECT_EQ(td.Pixel(1, 1), clWhite);

  // 16 bits 5-6-5 by bit fields, bottom-up.
  std::vector<uint8_t> fields = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0x00, 0, 0};  // masks
  std::vector<uint8_t> px = {0x00, 0xF8, 0x1F, 0x00};                                      // red, blue
  std::vector<uint8_t> body = fields;
  body.insert(body.end(), px.begin(), px.end());
  auto g = MakeBmp(2, 1, 16, 3, {}, body);
  Put32(g, 10, 14 + 40 + 12);
  TBitmap bf = Load(g);
  EXPECT_EQ(bf.PixelFormat(), pf16bit);
  EXPECT_EQ(bf.Pixel(0, 0), clRed);
  EXPECT_EQ(bf.Pixel(1, 0), clBlue);

  // RLE8, 4 x 2: bottom row "run of 3 x index 1, absolute 2", top row via delta then index 0.
  const std::vector<uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00};  // 0x00RRGGBB: black, red, lime
  std::vector<uint8_t> rle8 = {3, 1, 0, 3, 2, 2, 2, 0, 0, 0, 0, 2, 1, 0, 3, 1, 0, 1};
  TBitmap r8 = Load(MakeBmp(4, 2, 8, 1, pal, rle8));
  EXPECT_EQ(r8.PixelFormat(), pf8bit);
  EXPECT_EQ(r8.ScanLine(1)[0], 1);
  EXPECT_EQ(r8.ScanLine(1)[2], 1);
  EXPECT_EQ(r8.ScanLine(1)[3], 2);
  EXPECT_EQ(r8.ScanLine(0)[0], 0);
  EXPECT_EQ(r8.ScanLine(0)[1], 1);
  EXPECT_EQ(r8.ScanLine(0)[3], 1);

  // RLE4, 5 x 1: run of 3 alternating 1,2; absolute 3 pixels 2,1,0 (two bytes, padded).
  std::vector<uint8_t> rle4 = {3, 0x12, 0, 3, 0x21, 0x00, 0, 1};
  TBitmap r4 = Load(MakeBmp(6, 1, 4, 2, pal, rle4));
  EXPECT_EQ(r4.PixelFormat(), pf4bit);
  const uint8_t want[6] = {1, 2, 1, 2, 1, 0};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(r4.ScanLine(0)[x], want[x]) << x;
}

TEST(Bitmap, MalformedFilesAreRefusedWithAMessage) {
  TBitmap good = Sample(pf8bit);
  const auto bytes = Saved(good);
  struct TCase {
    const char* Name;
    std::function<void(std::vector<uint8_t>&)> Spoil;
  };
  const TCase cases[] = {
      {"signature", [](auto& v) { v[0] = 'X'; }},
      {"header size", [](auto& v) { Put32(v, 14, 41); }},
      {"width", [](auto& v) { Put32(v, 18, 0); }},
      {"huge", [](auto& v) { Put32(v, 18, 60000), Put32(v, 22, 60000); }},
      {"bits per pixel", [](auto& v) { v[28] = 7; }},
      {"palette count", [](auto& v) { Put32(v, 46, 0x7FFFFFFF); }},
      {"offset", [](auto& v) { Put32(v, 10, 0x7FFFFFF0); }},
      {"truncated", [](auto& v) { v.resize(v.size() - 5); }},
      {"short", [](auto& v) { v.resize(20); }},
      {"compression", [](auto& v) { Put32(v, 30, 2); }},
  };
  for (const auto& k : cases) {
    auto v = bytes;
    k.Spoil(v);
    try {
      Load(v);
      ADD_FAILURE() << k.Name << " was accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Bitmap image is not valid", 0), 0u) << k.Name << ": " << e.what();
    }
  }
  // Runs of compressed data that leave the data are refused too.
  const std::vector<uint8_t> rle = {0, 9, 1, 2};
  EXPECT_THROW(Load(MakeBmp(16, 1, 8, 1, {0, 0xFFFFFF}, rle)), EInvalidGraphic);
  EXPECT_THROW(good.ScanLine(7), EInvalidGraphicOperation);
}

TEST(Bitmap, CanvasOfAnIndexedBitmapStaysInStepWithItsRows) {
  TBitmap b(8, 4, pf8bit);  // grey ramp palette: index i = grey i
  b.Canvas().Pen.Color = RGBColor(200, 200, 200);
  b.Canvas().MoveTo(0, 1);
  b.Canvas().LineTo(8, 1);
  EXPECT_EQ(b.ScanLine(1)[3], 200);
  EXPECT_EQ(b.ScanLine(0)[3], 0);
  b.ScanLine(2)[5] = 77;  // rows written directly reach the canvas
  EXPECT_EQ(b.Canvas().Pixel(5, 2), RGBColor(77, 77, 77));
  EXPECT_EQ(b.PixelFormat(), pf8bit);

  b.SetSize(10, 5);  // the canvas follows size changes and keeps its pen
  EXPECT_EQ(b.Canvas().Pen.Color, RGBColor(200, 200, 200));
  EXPECT_EQ(b.Canvas().Width(), 10);
  EXPECT_EQ(b.ScanLine(1)[3], 200);
}
