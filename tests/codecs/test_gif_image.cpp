// The GIF picture class: conversion from bitmaps, drawing, caches and registration.
#include "codecs/color_reduction.h"
#include "platform/canvas.h"
#include "platform/clipboard_formats.h"
#include "platform/metafile.h"
#include "test_gif_support.h"

using namespace giftest;

namespace {

TBitmap Filled(int w, int h, const std::function<TColor(int, int)>& color) {
  TBitmap b(w, h, pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, color(x, y));
  return b;
}

TColor At(const QImage& img, int x, int y) {
  const QRgb c = img.pixel(x, y);
  return RGBColor(qRed(c), qGreen(c), qBlue(c));
}

TEST(GifImage, AssignFromBitmaps) {
  // 256 distinct colours import exactly; 257 overflow the table.
  TGIFImage image;
  image.ColorReduction = rmNone;
  TBitmap b256 = Filled(16, 16, [](int x, int y) { return RGBColor(x * 16, y * 16, 5); });
  image.Assign(&b256);
  ASSERT_EQ(image.Images.Count(), 1);
  TGIFSubImage& f = *image.Images[0];
  EXPECT_EQ(f.ColorMap.Count, 256);
  EXPECT_EQ(f.ColorMap.GetColor(f.Data[5 * 16 + 3]), RGBColor(48, 80, 5));
  TBitmap b257 = Filled(17, 17, [](int x, int y) { return RGBColor(x * 15, y * 15, 5); });
  try {
    image.Assign(&b257);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_EQ(Msg(e), "Color table overflow");
  }

  // The default reduction (web-safe) makes any bitmap an 8-bit frame; the round trip through a
  // file keeps its pixels.
  TGIFImage web;
  web.Assign(&b257);
  auto back = LoadGif(SaveGif(web));
  EXPECT_EQ(back->Image->Images[0]->Data, web.Images[0]->Data);

  // A transparent bitmap: its transparent colour becomes the frame's transparent index.
  TGIFImage t;
  t.ColorReduction = rmNone;
  TBitmap tb = Filled(4, 3, [](int x, int) { return x == 0 ? clLime : clRed; });
  tb.Transparent = true;
  tb.TransparentColor = clLime;
  t.Assign(&tb);
  TGIFSubImage& tf = *t.Images[0];
  ASSERT_TRUE(tf.Transparent);
  ASSERT_TRUE(tf.GraphicControlExtension);
  EXPECT_EQ(tf.Data[0], tf.TransparentColorIndex());
  EXPECT_NE(tf.Data[1], tf.TransparentColorIndex());
  // The transparent entry keeps the colour of the pixels it stands for, in the file too.
  EXPECT_EQ(tf.ActiveColorMap().GetColor(tf.TransparentColorIndex()), clLime);
  {
    auto read = LoadGif(SaveGif(t));
    TGIFSubImage& rf = *read->Image->Images[0];
    ASSERT_TRUE(rf.Transparent);
    EXPECT_EQ(rf.ActiveColorMap().GetColor(rf.TransparentColorIndex()), clLime);
  }

  // With 256 colours in use there is no room for the transparent entry: the frame stays opaque.
  TGIFImage full;
  full.ColorReduction = rmNone;
  b256.Transparent = true;
  full.Assign(&b256);
  EXPECT_FALSE(full.Images[0]->Transparent);
}

TEST(GifImage, DrawingPlacesScalesAndMasks) {
  // A 4x4 screen with a 2x2 transparent frame at (1, 1).
  const Bytes gif = GifBuilder().Header(4, 4, Grey4()).Gce(0, 0, 0).Image(1, 1, 2, 2, PlainRaster(2, {2, 0, 3, 2})).Trailer().B;
  auto a = LoadGif(gif);
  TGIFImage& image = *a->Image;
  TBitmap target(8, 8, pf24bit);
  target.Canvas();
  target.Image().fill(qRgb(0, 255, 0));
  image.Draw(target.Canvas(), TRect(0, 0, 8, 8));
  const QImage& img = target.Image();
  EXPECT_EQ(At(img, 0, 0), clLime) << "outside the frame";
  EXPECT_EQ(At(img, 2, 2), clRed);
  EXPECT_EQ(At(img, 3, 3), clRed) << "scaled by two";
  EXPECT_EQ(At(img, 4, 2), clLime) << "transparent pixel";
  EXPECT_EQ(At(img, 2, 4), clBlue);

  // Tiled: the frame repeats at the logical screen's period from its own offset.
  image.SetDrawOptions(image.DrawOptions | gdoTile);
  TBitmap tiled(8, 8, pf24bit);
  tiled.Canvas();
  tiled.Image().fill(qRgb(0, 255, 0));
  image.Draw(tiled.Canvas(), TRect(0, 0, 8, 8));
  EXPECT_EQ(At(tiled.Image(), 1, 1), clRed);
  EXPECT_EQ(At(tiled.Image(), 5, 5), clRed);
  EXPECT_EQ(At(tiled.Image(), 5, 1), clRed);

  // Without transparency the transparent index shows its colour.
  image.SetDrawOptions(0);
  TBitmap opaque(4, 4, pf24bit);
  opaque.Canvas();
  image.Draw(opaque.Canvas(), TRect(0, 0, 4, 4));
  EXPECT_EQ(At(opaque.Image(), 2, 1), clBlack);

  // Dithered rendering (web-safe palette) keeps the mask.
  image.SetDrawOptions(gdoTransparent | gdoDither);
  TGIFSubImage& f = *image.Images[0];
  TBitmap* rendered = f.GetBitmap();
  ASSERT_TRUE(rendered);
  EXPECT_EQ(rendered->Palette()[215], RGBColor(255, 255, 255));
  EXPECT_TRUE(f.HasMask());
}

TEST(GifImage, SizesPaletteAndRegistration) {
  auto a = LoadGif(GifBuilder().Header(4, 4, Grey4()).Image(1, 1, 3, 3, PlainRaster(2, Bytes(9, 1))).Trailer().B);
  TGIFImage& image = *a->Image;
  try {
    image.SetWidth(3);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_EQ(Msg(e), "Image width too small for contained frames");
  }
  int changes = 0;
  image.OnChange = [&](void*) { ++changes; };
  image.SetWidth(4);
  EXPECT_EQ(changes, 0);
  image.SetWidth(6);
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(image.SetReductionBits(9), GIFException);

  // No colour table anywhere and no dithering: the palette question has no answer.
  auto b = LoadGif(GifBuilder().Header(2, 1).Image(0, 0, 2, 1, PlainRaster(2, {0, 1})).Trailer().B);
  b->Image->DrawOptions = 0;
  try {
    b->Image->GetPalette();
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_EQ(Msg(e), "No global or local color table defined");
  }

  auto g = CreateGraphicForFile("picture.gif");
  EXPECT_TRUE(dynamic_cast<TGIFImage*>(g.get()));
  EXPECT_EQ(ClipboardFormatMimeType(CF_GIF), "image/gif");
}

// A picture that cannot be converted: drawing it raises the conversion error.
class TUnconvertiblePicture : public TGraphic {
public:
  void LoadFromStream(TStream&) override {}
  void SaveToStream(TStream&) override {}
  int Width() const override { return 2; }
  int Height() const override { return 2; }
  bool Empty() const override { return false; }
  void Draw(TCanvas&, const TRect&) override { throw EConvertError("no pixels"); }
};

TEST(GifImage, ConversionErrorNamesBothClasses) {
  TGIFImage image;
  TUnconvertiblePicture picture;
  try {
    image.Assign(&picture);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(Msg(e), "Cannot assign a TUnconvertiblePicture to a TGIFImage");
  }
  EXPECT_TRUE(image.Empty());
}

// The whole-image bitmap: the image's palette and the first frame in its place, whether or not
// the frame covers the screen; drawing on it is a change of the image.
TEST(GifImage, WholeImageBitmapHasThePaletteAndReportsChanges) {
  struct TCase {
    const char* Name;
    int Left, Top, Width, Height;
  } cases[] = {{"covering", 0, 0, 4, 4}, {"inset", 1, 1, 2, 2}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Bytes pixels(size_t(c.Width * c.Height), 1);
    pixels[0] = 2;
    auto a = LoadGif(GifBuilder().Header(4, 4, Grey4()).Image(c.Left, c.Top, c.Width, c.Height, PlainRaster(2, pixels)).Trailer().B);
    TGIFImage& image = *a->Image;
    image.SetDrawOptions(0);
    int changes = 0;
    image.OnChange = [&](void*) { ++changes; };
    TBitmap* bitmap = image.GetBitmap();
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(bitmap->Width(), 4);
    EXPECT_EQ(bitmap->PixelFormat(), pf8bit);
    const TPaletteEntries palette = bitmap->Palette();
    ASSERT_GE(palette.size(), 4u);
    EXPECT_EQ(palette[1], clWhite);
    EXPECT_EQ(palette[3], clBlue);
    EXPECT_EQ(bitmap->Pixel(c.Left, c.Top), clRed);
    EXPECT_EQ(bitmap->Pixel(c.Left + 1, c.Top + 1), clWhite);
    bitmap->Canvas().Brush.Color = clBlack;
    bitmap->Canvas().FillRect(TRect(0, 0, 1, 1));
    EXPECT_EQ(changes, 1);
    // A copy handed out (AssignTo) does not report to the image.
    TBitmap copy;
    image.AssignTo(copy);
    copy.Canvas().FillRect(TRect(0, 0, 1, 1));
    EXPECT_EQ(changes, 1);
  }
}

// Dithered rendering: transparent pixels keep the web-safe entry nearest the transparent colour
// (white is entry 215, the last of the 216).
TEST(GifImage, DitheredTransparentFillIsTheWebSafeEntry) {
  struct TCase {
    Rgb Transparent;
    TColor Expected;
  } cases[] = {{{255, 255, 255}, clWhite}, {{0, 0, 0}, clBlack}, {{200, 100, 30}, RGBColor(153, 102, 0)}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.Transparent.R) << "," << int(c.Transparent.G));
    auto a = LoadGif(GifBuilder().Header(3, 1, {c.Transparent, {255, 0, 0}}).Gce(0, 0, 0).Image(0, 0, 3, 1, PlainRaster(2, {0, 1, 0})).Trailer().B);
    TGIFImage& image = *a->Image;
    image.SetDrawOptions(gdoTransparent | gdoDither);
    TGIFSubImage& f = *image.Images[0];
    TBitmap* rendered = f.GetBitmap();
    ASSERT_TRUE(rendered);
    EXPECT_TRUE(f.HasMask());
    EXPECT_LT(rendered->ScanLine(0)[0], 216);
    EXPECT_EQ(rendered->Pixel(0, 0), c.Expected);
    EXPECT_EQ(rendered->Pixel(2, 0), c.Expected);
    EXPECT_EQ(rendered->Pixel(1, 0), clRed);
  }
}

// Pixel memory that cannot be had is an out-of-memory error, not a resource error.
TEST(GifImage, DibWithoutMemoryRaisesOutOfMemory) {
  TBitmap target;
  try {
    TDIBWriter writer(&target, nullptr, 1, 1 << 28, pf8bit);
    FAIL();
  } catch (const EOutOfMemory& e) {
    EXPECT_EQ(Msg(e), "Failed to allocate memory for GIF DIB");
  }
}

TEST(GifImage, AssignKeepsCoding) {
  auto a = LoadGif(GifBuilder().Header(3, 2, Grey4()).Image(0, 0, 3, 2, PlainRaster(2, {0, 1, 2, 3, 2, 1})).Trailer().B);
  // Assigning keeps this picture's coding.
  TGIFImage rle;
  rle.Coding = gcRLE;
  rle.Assign(a->Image.get());
  EXPECT_EQ(rle.Coding, gcRLE);
  EXPECT_EQ(rle.Images[0]->Data, a->Image->Images[0]->Data);
}

}  // namespace

TEST(GIFImage, MetafileFrameTakesWhatItDidNotPaintAsTransparent) {
  TMetafile m;
  {
    TMetafileCanvas c(m, 20, 10);
    c.Pen = TPen{clRed, 1, psSolid, pmCopy};
    c.Brush = TBrush{clRed, bsSolid};
    c.Rectangle(5, 2, 15, 8);
  }
  TGIFImage image;
  image.ColorReduction = rmNone;
  image.Assign(&m);
  ASSERT_EQ(image.Images.Count(), 1);
  TGIFSubImage& f = *image.Images[0];
  ASSERT_TRUE(f.Transparent);
  ASSERT_TRUE(f.GraphicControlExtension);
  EXPECT_EQ(f.Data[0], f.TransparentColorIndex());           // (0, 0): not painted
  EXPECT_NE(f.Data[size_t(5 * 20 + 10)], f.TransparentColorIndex());  // (10, 5): the red rectangle
  // The unpainted pixels show white, as drawn, where transparency is not read.
  EXPECT_EQ(f.ActiveColorMap().GetColor(f.TransparentColorIndex()), clWhite);
}
