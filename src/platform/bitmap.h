// Bitmap: a QImage with the pixel formats the program uses. Indexed formats (1, 4 and 8 bits) are
// stored one byte per pixel (QImage::Format_Indexed8) with a palette of up to 2, 16 or 256 entries;
// 15, 16, 24 and 32 bits are stored as QImage::Format_RGB32 (or ARGB32 when alpha matters).
// PixelFormat keeps the nominal depth, which decides how the bitmap is written to a file.
//
// The canvas of an indexed bitmap draws on a 32-bit copy of the pixels; row and pixel access
// first bring the indexed pixels up to date (each drawn colour becomes its nearest palette entry),
// and drawing after row access starts from the indexed pixels again.
#pragma once

#include <QImage>
#include <functional>
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
  void Assign(const TBitmap& other) { *this = other; }

  int Width() const override { return Img.width(); }
  int Height() const override { return Img.height(); }
  bool Empty() const override { return Img.isNull() || Img.width() == 0 || Img.height() == 0; }
  // New pixels are white (black, palette entry 0, for indexed formats); kept pixels stay.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, Height()); }
  void SetHeight(int height) { SetSize(Width(), height); }

  TPixelFormat PixelFormat() const { return Format; }
  // Changes the nominal format, converting the pixels (to the nearest palette entry for indexed).
  void SetPixelFormat(TPixelFormat format);
  bool IsIndexed() const { return IsIndexedFormat(Format); }
  static bool IsIndexedFormat(TPixelFormat f) { return f == pf1bit || f == pf4bit || f == pf8bit; }
  // Bits per pixel of the nominal format (24 for pfDevice and pfCustom).
  int BitsPerPixel() const;

  TPaletteEntries Palette() const;
  // Replaces the palette of an indexed bitmap (at most 2, 16 or 256 entries; pixel indices beyond
  // the new palette become 0).
  void SetPalette(const TPaletteEntries& entries);

  // One byte per pixel for indexed formats, four (B, G, R, A in memory) otherwise. A row outside
  // the bitmap raises EInvalidGraphicOperation "Scan line index out of range".
  uint8_t* ScanLine(int y);
  const uint8_t* ScanLine(int y) const;
  TColor Pixel(int x, int y) const;  // clNone outside
  void SetPixel(int x, int y, TColor color);

  QImage& Image();
  const QImage& Image() const;
  // Replaces the pixels; the nominal format follows the image's format.
  void SetImage(const QImage& image);
  // The pixels as 32-bit RGB (palette resolved), for drawing and export.
  QImage ToRgbImage() const;

  TColor TransparentColor = clNone;  // clNone: the bottom-left pixel's colour

  // Called after the size, format, palette or pixels were replaced and after each drawing call of
  // the canvas (not for row and pixel access). Copies of the bitmap do not take it over.
  std::function<void(TBitmap*)> OnChange;
  TColor EffectiveTransparentColor() const;

  // Windows bitmap file format (".BMP"): reads uncompressed 1, 4, 8, 16, 24 and 32 bits, RLE4 and
  // RLE8 and bit fields, bottom-up and top-down; writes uncompressed in the nominal format.
  // Malformed files raise EInvalidGraphic. Reading leaves the stream after the bitmap.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // Draws the bitmap stretched into rect through the canvas's copy mode; with Transparent, pixels
  // of the transparent colour are left out.
  void Draw(TCanvas& canvas, const TRect& rect) override;

  // The drawing surface on the pixels (see canvas.h). The canvas lives as long as the bitmap and
  // keeps its pen, brush and font across size and format changes.
  TCanvas& Canvas();

private:
  void SyncFromCanvas() const;  // drawn pixels -> indexed pixels
  void SyncToCanvas();          // indexed pixels -> drawing pixels
  void AttachCanvas();
  void ImageReplaced();
  void Changed();

  mutable QImage Img;
  TPixelFormat Format = pf24bit;
  std::unique_ptr<TCanvas> CanvasPtr;
  // Indexed bitmaps: the 32-bit pixels the canvas draws on.
  mutable QImage Shadow;
  bool ShadowStale = true;
  mutable uint64_t SyncedChanges = 0;
};

// Reads and writes the bitmap file format over raw images (used by TBitmap and the clipboard).
// ReadBmp raises EInvalidGraphic on malformed input; format receives the nominal pixel format.
QImage ReadBmp(TStream& stream, TPixelFormat& format);
// Reads a packed bitmap (an info header, palette and bits without the file header).
QImage ReadPackedDib(TStream& stream, TPixelFormat& format);
void WriteBmp(TStream& stream, const QImage& image, TPixelFormat format);
