// Colour reduction: palettes, colour lookups, error-diffusion ditherers and the octree quantiser
// that turn any bitmap into an 8-bit paletted bitmap, plus the row reader and writer over bitmaps
// that the GIF codec uses.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/bitmap.h"

// A palette: shared entries standing in for a palette handle; null means "no palette".
using HPALETTE = std::shared_ptr<const TPaletteEntries>;

enum TReductionMethod : uint8_t {
  rmNone = 0,
  rmWindows20 = 1,
  rmWindowsHalftone = 2,
  rmWindowsGray = 3,
  rmMonochrome = 4,
  rmGrayScale = 5,
  rmWebSafe = 6,
  rmOctree = 7,
  rmOctreeWindows = 8,
  rmCustomPalette = 9,
};

enum TDitherKind : uint8_t {
  dkNearest = 0,
  dkFloydSteinberg = 1,
  dkStucki = 2,
  dkSierra = 3,
  dkJaJuNi = 4,
  dkSteveArche = 5,
  dkBurkes = 6,
};

// The fixed system palettes: the 20 default colours and the 256-colour halftone palette.
const TPaletteEntries& DefaultPalette20();
const TPaletteEntries& HalftonePalette256();

HPALETTE MakePalette(TPaletteEntries entries);
HPALETTE WebSafePalette();
HPALETTE GrayScalePalette();
HPALETTE MonochromePalette();
HPALETTE WindowsGrayPalette();
HPALETTE ScreenHalftonePalette();

// ---- Row access to bitmaps

class TDIB {
public:
  TDIB(TBitmap* bitmap, TPixelFormat format) : Bitmap(bitmap), PixelFormat(format) {}
  virtual ~TDIB() = default;
  // Address of a row's pixels: one byte per pixel for indexed formats, four (B, G, R, A) otherwise.
  virtual uint8_t* GetRow(int row) = 0;
  TBitmap* Bitmap;
  TPixelFormat PixelFormat;
};

// Reads the rows of a bitmap after switching it to the asked pixel format (in place).
class TDIBReader : public TDIB {
public:
  TDIBReader(TBitmap* bitmap, TPixelFormat format);
  uint8_t* GetRow(int row) override;
  int Width() const { return Bitmap->Width(); }
  int Height() const { return Bitmap->Height(); }
};

// Builds an 8-bit (with a 256-entry colour table) or 24-bit picture in memory and hands it to the
// target bitmap when destroyed.
class TDIBWriter : public TDIB {
public:
  TDIBWriter(TBitmap* target, const HPALETTE& palette, int height, int width, TPixelFormat format);
  ~TDIBWriter() override;
  uint8_t* GetRow(int row) override;

private:
  QImage Img;
  int H;
  HPALETTE Pal;
};

// ---- Colour lookups

class TColorLookup {
public:
  explicit TColorLookup(int colors) : Colors(colors) {}
  virtual ~TColorLookup() = default;
  // The palette index for a colour, and that entry's colour in r, g, b.
  virtual uint8_t LookupColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) = 0;
  int Colors;
};

// Nearest colour of any palette, cached per 15-bit colour bucket.
class TFastColorLookup : public TColorLookup {
public:
  explicit TFastColorLookup(const HPALETTE& palette);
  uint8_t LookupColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;

private:
  struct TEntry { uint8_t R, G, B; };
  std::vector<TEntry> Entries;
  std::vector<uint16_t> Cache;
};

// The 216 web-safe colours by cube steps.
class TNetscapeColorLookup : public TColorLookup {
public:
  TNetscapeColorLookup() : TColorLookup(216) {}
  uint8_t LookupColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};

class TGrayScaleLookup : public TColorLookup {
public:
  TGrayScaleLookup() : TColorLookup(256) {}
  uint8_t LookupColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};

class TMonochromeLookup : public TColorLookup {
public:
  TMonochromeLookup() : TColorLookup(2) {}
  uint8_t LookupColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};

// ---- Ditherers

class TDitherEngine {
public:
  TDitherEngine(int width, TColorLookup* lookup);
  virtual ~TDitherEngine() = default;
  // The index for the pixel at the current column; advances the column.
  virtual uint8_t DitherPixel(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b);
  // Reverses the direction and restarts the column at the new row's first pixel.
  virtual void NextRow();
  // Moves to the next column without looking anything up (transparent pixels).
  void AdvanceColumn() { Column += Direction; }

  TColorLookup* Lookup;
  int Width;
  int Direction = 1;
  int Column = 0;
};

// Error diffusion by a kernel of weights over the rows to come: the shared engine of every
// diffusing ditherer.
class TErrorDiffusionDitherer : public TDitherEngine {
public:
  struct TWeight { int Row, Ahead, Weight; };
  TErrorDiffusionDitherer(int width, TColorLookup* lookup, int divisor, std::vector<TWeight> kernel);
  uint8_t DitherPixel(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
  void NextRow() override;
  int Divisor;

protected:
  std::vector<TWeight> Kernel;
  int Rows, Guard, Stride;
  std::vector<int> Errors;  // Rows rows of (Width + 2 Guard) entries of three channels
};

class TFloydSteinbergDitherer : public TErrorDiffusionDitherer {
public:
  TFloydSteinbergDitherer(int width, TColorLookup* lookup);
};
class TBurkesDitherer : public TErrorDiffusionDitherer {
public:
  TBurkesDitherer(int width, TColorLookup* lookup);
};
class TSteveArcheDitherer : public TErrorDiffusionDitherer {
public:
  TSteveArcheDitherer(int width, TColorLookup* lookup);
};
// The kernels five columns wide and three rows deep.
class T5by3Ditherer : public TErrorDiffusionDitherer {
public:
  using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};
class TStuckiDitherer : public T5by3Ditherer {
public:
  TStuckiDitherer(int width, TColorLookup* lookup);
};
class TSierraDitherer : public T5by3Ditherer {
public:
  TSierraDitherer(int width, TColorLookup* lookup);
};
class TJaJuNiDitherer : public T5by3Ditherer {
public:
  TJaJuNiDitherer(int width, TColorLookup* lookup);
};

// ---- Octree quantiser

struct TOctreeNode {
  bool IsLeaf = false;
  uint32_t PixelCount = 0;
  uint32_t RedSum = 0, GreenSum = 0, BlueSum = 0;
  TOctreeNode* Next = nullptr;
  TOctreeNode* Child[8] = {};
};

class TColorQuantizer {
public:
  TColorQuantizer(int maxColors, int colorBits);
  ~TColorQuantizer();
  TColorQuantizer(const TColorQuantizer&) = delete;
  TColorQuantizer& operator=(const TColorQuantizer&) = delete;
  void ScanBitmap(TDIBReader& reader);
  void AddColor(uint8_t r, uint8_t g, uint8_t b);
  // Appends one colour per leaf, depth first, children in order 0..7.
  void GetColorTable(TPaletteEntries& table) const;
  int LeafCount() const { return Leaves; }

private:
  TOctreeNode* NewNode(int level);
  void FreeNode(TOctreeNode* node);
  void MergeDeepestNode();
  void FillColorTable(const TOctreeNode* node, TPaletteEntries& table) const;

  TOctreeNode* Root = nullptr;
  int Leaves = 0;
  TOctreeNode* ReducibleNodes[9] = {};
  int MaxColors;
  int ColorBits;
  std::vector<TOctreeNode*> FreeNodes;
};

HPALETTE OctreePalette(TDIBReader& reader, int colors, int colorBits, bool windows);
HPALETTE OctreePaletteFromBitmap(TBitmap& bitmap, int colors, int colorBits, bool windows);

// Reduces any bitmap to an 8-bit paletted bitmap (rmNone: a 24-bit copy). The source is switched to
// 24 bits per pixel in place. A method or dither kind out of range gives an empty bitmap.
std::unique_ptr<TBitmap> ReduceColors(TBitmap& bitmap, TReductionMethod method, TDitherKind dither,
                                      int reductionBits, const HPALETTE& customPalette);
