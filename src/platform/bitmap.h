// Bitmap: a QImage with the pixel formats the program uses. Indexed formats (1, 4 and 8 bits) are
// stored one byte per pixel (QImage::Format_Indexed8) with a palette of 2, 16 or 256 entries;
// 15, 16, 24 and 32 bits are stored as QImage::Format_RGB32 (or ARGB32 when alpha matters).
// PixelFormat keeps the nominal depth, which decides how the bitmap is written to a file.
#pragma once

#include <QImage>
#include <memory>
#include <vector>

#include "platform/graphic.h"
#include "platform/win_types.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// Palette entries as TColor (0x00BBGGRR).
using TPaletteEntries = std::vector<TColor>;

class TBitmap : public TGraphic {
public:
  TBitmap();
  TBitmap(int width, int height, TPixelFormat format = pf24bit);
  ~TBitmap() override;
  TBitmap(const TBitmap& other);
  TBitmap& operator=(const TBitmap& other);

  int Width() const override { return Img.width(); }
  int Height() const override { return Img.height(); }
  bool Empty() const override { return Img.isNull() || Img.width() == 0 || Img.height() == 0; }
  void SetSize(int width, int height);

  TPixelFormat PixelFormat() const { return Format; }
  // Changes the nominal format, converting the pixels (to the nearest palette entry for indexed).
  void SetPixelFormat(TPixelFormat format);
  bool IsIndexed() const { return Format == pf1bit || Format == pf4bit || Format == pf8bit; }

  TPaletteEntries Palette() const;
  void SetPalette(const TPaletteEntries& entries);

  // One byte per pixel for indexed formats, four (B, G, R, A in memory) otherwise.
  uint8_t* ScanLine(int y) { return Img.scanLine(y); }
  const uint8_t* ScanLine(int y) const { return Img.constScanLine(y); }
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);

  QImage& Image() { return Img; }
  const QImage& Image() const { return Img; }
  // Replaces the pixels; the nominal format follows the image's format.
  void SetImage(const QImage& image);

  TColor TransparentColor = clNone;  // clNone: the bottom-left pixel's colour
  TColor EffectiveTransparentColor() const;

  // Windows bitmap file format (".BMP").
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  void Draw(TCanvas& canvas, const TRect& rect) override;

  // The drawing surface on the pixels (see canvas.h).
  TCanvas& Canvas();

private:
  QImage Img;
  TPixelFormat Format = pf24bit;
  std::unique_ptr<TCanvas> CanvasPtr;
};
