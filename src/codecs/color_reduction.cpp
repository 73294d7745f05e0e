#include "codecs/color_reduction.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codecs/gif_common.h"
#include "platform/exceptions.h"

// ---- Palettes

const TPaletteEntries& DefaultPalette20() {
  static const TPaletteEntries table = {
      RGBColor(0, 0, 0),       RGBColor(128, 0, 0),     RGBColor(0, 128, 0),     RGBColor(128, 128, 0),
      RGBColor(0, 0, 128),     RGBColor(128, 0, 128),   RGBColor(0, 128, 128),   RGBColor(192, 192, 192),
      RGBColor(192, 220, 192), RGBColor(166, 202, 240), RGBColor(255, 251, 240), RGBColor(160, 160, 164),
      RGBColor(128, 128, 128), RGBColor(255, 0, 0),     RGBColor(0, 255, 0),     RGBColor(255, 255, 0),
      RGBColor(0, 0, 255),     RGBColor(255, 0, 255),   RGBColor(0, 255, 255),   RGBColor(255, 255, 255)};
  return table;
}

// The halftone palette: the ten first and ten last default colours around the 216 cube colours
// and 20 greys between them.
const TPaletteEntries& HalftonePalette256() {
  static const TPaletteEntries table = [] {
    const TPaletteEntries& sys = DefaultPalette20();
    TPaletteEntries t(sys.begin(), sys.begin() + 10);
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) t.push_back(RGBColor(51 * r, 51 * g, 51 * b));
    for (int i = 1; i <= 20; ++i) {
      int v = i * 255 / 21;
      if (v % 51 == 0) v += 4;
      t.push_back(RGBColor(v, v, v));
    }
    t.insert(t.end(), sys.begin() + 10, sys.end());
    return t;
  }();
  return table;
}

HPALETTE MakePalette(TPaletteEntries entries) { return std::make_shared<const TPaletteEntries>(std::move(entries)); }

HPALETTE WebSafePalette() {
  TPaletteEntries t;
  t.reserve(216);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) t.push_back(RGBColor(51 * r, 51 * g, 51 * b));
  return MakePalette(std::move(t));
}

HPALETTE GrayScalePalette() {
  TPaletteEntries t;
  for (int i = 0; i < 256; ++i) t.push_back(RGBColor(i, i, i));
  return MakePalette(std::move(t));
}

HPALETTE MonochromePalette() { return MakePalette({RGBColor(0, 0, 0), RGBColor(255, 255, 255)}); }

HPALETTE WindowsGrayPalette() {
  return MakePalette({RGBColor(0, 0, 0), RGBColor(128, 128, 128), RGBColor(192, 192, 192), RGBColor(255, 255, 255)});
}

HPALETTE ScreenHalftonePalette() { return MakePalette(HalftonePalette256()); }

// ---- Row access

TDIBReader::TDIBReader(TBitmap* bitmap, TPixelFormat format) : TDIB(bitmap, format) {
  if (bitmap->PixelFormat() != format) bitmap->SetPixelFormat(format);
}

uint8_t* TDIBReader::GetRow(int row) {
  if (row < 0 || row >= Bitmap->Height()) throw EInvalidGraphicOperation("Scan line index out of range");
  return Bitmap->ScanLine(row);
}

TDIBWriter::TDIBWriter(TBitmap* target, const HPALETTE& palette, int height, int width, TPixelFormat format)
    : TDIB(target, format), H(height), Pal(palette) {
  if (format != pf8bit && format != pf24bit) RaiseGifError("Unsupported PixelFormat");
  if (width <= 0 || height <= 0) RaiseGifError("Invalid image dimensions");
  if (int64_t(width) * height > GIFMaxFramePixels()) RaiseGifError("Image is too large");
  if (format == pf8bit) {
    Img = QImage(width, height, QImage::Format_Indexed8);
    QVector<QRgb> table(256, qRgb(0, 0, 0));
    if (palette)
      for (size_t i = 0; i < palette->size() && i < 256; ++i) {
        const TColor c = (*palette)[i];
        table[int(i)] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
      }
    Img.setColorTable(table);
  } else {
    Img = QImage(width, height, QImage::Format_RGB32);
  }
  if (Img.isNull()) throw EOutOfMemory("Failed to allocate memory for GIF DIB");
  Img.fill(0);
}

TDIBWriter::~TDIBWriter() {
  if (!Img.isNull()) Bitmap->SetImage(Img);
}

uint8_t* TDIBWriter::GetRow(int row) {
  if (Img.isNull()) RaiseGifError("Image has no DIB");
  if (row < 0 || row >= H) throw EInvalidGraphicOperation("Scan line index out of range");
  return Img.scanLine(row);
}

// ---- Colour lookups

TFastColorLookup::TFastColorLookup(const HPALETTE& palette) : TColorLookup(0), Cache(32768, 0xFFFF) {
  if (palette)
    for (size_t i = 0; i < palette->size() && i < 256; ++i) {
      const TColor c = (*palette)[i];
      Entries.push_back({uint8_t(GetRValue(c)), uint8_t(GetGValue(c)), uint8_t(GetBValue(c))});
    }
  Colors = int(Entries.size());
  for (size_t i = 0; i < Entries.size(); ++i) {
    const TEntry& e = Entries[i];
    const int key = (e.R >> 3) | ((e.G & 0xF8) << 2) | ((e.B & 0xF8) << 7);
    if (Cache[key] == 0xFFFF) Cache[key] = uint16_t(i);
  }
}

uint8_t TFastColorLookup::LookupColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  const int key = (red >> 3) | ((green & 0xF8) << 2) | ((blue & 0xF8) << 7);
  int index = Cache[key];
  if (index == 0xFFFF) {
    int best = INT32_MAX;
    index = 0;
    for (size_t i = 0; i < Entries.size(); ++i) {
      const TEntry& e = Entries[i];
      const int d = std::abs(e.R - red) + std::abs(e.G - green) + std::abs(e.B - blue);
      if (d < best) best = d, index = int(i);
    }
    Cache[key] = uint16_t(index);
  }
  if (Entries.empty()) {
    r = g = b = 0;
    return 0;
  }
  const TEntry& e = Entries[size_t(index)];
  r = e.R, g = e.G, b = e.B;
  return uint8_t(index);
}

uint8_t TNetscapeColorLookup::LookupColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  const int kr = (red + 3) / 51, kg = (green + 3) / 51, kb = (blue + 3) / 51;
  r = uint8_t(51 * kr), g = uint8_t(51 * kg), b = uint8_t(51 * kb);
  return uint8_t(kr * 36 + kg * 6 + kb);
}

uint8_t TGrayScaleLookup::LookupColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  const uint8_t grey = uint8_t((77 * red + 150 * green + 29 * blue) >> 8);
  r = g = b = grey;
  return grey;
}

uint8_t TMonochromeLookup::LookupColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  if (77 * red + 150 * green + 29 * blue > 32512) {
    r = g = b = 255;
    return 1;
  }
  r = g = b = 0;
  return 0;
}

// ---- Ditherers

TDitherEngine::TDitherEngine(int width, TColorLookup* lookup) : Lookup(lookup), Width(width) {}

uint8_t TDitherEngine::DitherPixel(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  const uint8_t index = Lookup->LookupColor(red, green, blue, r, g, b);
  Column += Direction;
  return index;
}

void TDitherEngine::NextRow() {
  Direction = -Direction;
  Column = Direction > 0 ? 0 : Width - 1;
}

TErrorDiffusionDitherer::TErrorDiffusionDitherer(int width, TColorLookup* lookup, int divisor, std::vector<TWeight> kernel)
    : TDitherEngine(width, lookup), Divisor(divisor), Kernel(std::move(kernel)) {
  Rows = 1;
  Guard = 1;
  for (const TWeight& w : Kernel) Rows = std::max(Rows, w.Row + 1), Guard = std::max(Guard, std::abs(w.Ahead));
  Stride = (std::max(width, 0) + 2 * Guard) * 3;
  Errors.assign(size_t(Stride) * size_t(Rows), 0);
}

namespace {
inline int DivTrunc(int a, int b) { return a / b; }  // C++ division truncates toward zero
inline uint8_t Clamp255(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }
}  // namespace

uint8_t TErrorDiffusionDitherer::DitherPixel(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  if (Column < 0 || Column >= Width) return TDitherEngine::DitherPixel(red, green, blue, r, g, b);
  const int half = Divisor / 2;
  int* cur = Errors.data() + (Column + Guard) * 3;
  const uint8_t wr = Clamp255(red + DivTrunc(cur[0] + half, Divisor));
  const uint8_t wg = Clamp255(green + DivTrunc(cur[1] + half, Divisor));
  const uint8_t wb = Clamp255(blue + DivTrunc(cur[2] + half, Divisor));
  const uint8_t index = Lookup->LookupColor(wr, wg, wb, r, g, b);
  const int er = wr - r, eg = wg - g, eb = wb - b;
  if (er | eg | eb) {
    for (const TWeight& w : Kernel) {
      int* e = Errors.data() + size_t(w.Row) * Stride + (Column + Direction * w.Ahead + Guard) * 3;
      e[0] += er * w.Weight;
      e[1] += eg * w.Weight;
      e[2] += eb * w.Weight;
    }
  }
  Column += Direction;
  return index;
}

void TErrorDiffusionDitherer::NextRow() {
  // The finished row is cleared and moved to the back; the others move up one.
  std::move(Errors.begin() + Stride, Errors.end(), Errors.begin());
  std::fill(Errors.end() - Stride, Errors.end(), 0);
  TDitherEngine::NextRow();
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup* lookup)
    : TErrorDiffusionDitherer(width, lookup, 16, {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}) {}

TBurkesDitherer::TBurkesDitherer(int width, TColorLookup* lookup)
    : TErrorDiffusionDitherer(width, lookup, 32,
                              {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}) {}

TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup* lookup)
    : TErrorDiffusionDitherer(width, lookup, 200,
                              {{0, 2, 32}, {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16}, {2, -2, 12}, {2, 0, 26},
                               {2, 2, 12}, {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5}}) {}

TStuckiDitherer::TStuckiDitherer(int width, TColorLookup* lookup)
    : T5by3Ditherer(width, lookup, 42,
                    {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}, {2, -2, 1},
                     {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}}) {}

TSierraDitherer::TSierraDitherer(int width, TColorLookup* lookup)
    : T5by3Ditherer(width, lookup, 32,
                    {{0, 1, 5}, {0, 2, 3}, {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2}, {2, -1, 2},
                     {2, 0, 3}, {2, 1, 2}}) {}

TJaJuNiDitherer::TJaJuNiDitherer(int width, TColorLookup* lookup)
    : T5by3Ditherer(width, lookup, 48,
                    {{0, 1, 7}, {0, 2, 5}, {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3}, {2, -2, 1},
                     {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}}) {}

// ---- Octree quantiser

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : MaxColors(std::max(1, maxColors)), ColorBits(std::clamp(colorBits, 1, 8)) {}

TColorQuantizer::~TColorQuantizer() {
  if (Root) FreeNode(Root);
  for (TOctreeNode* n : FreeNodes) delete n;
}

TOctreeNode* TColorQuantizer::NewNode(int level) {
  TOctreeNode* node;
  if (!FreeNodes.empty()) {
    node = FreeNodes.back();
    FreeNodes.pop_back();
    *node = TOctreeNode();
  } else {
    node = new TOctreeNode();
  }
  node->IsLeaf = level == ColorBits;
  if (node->IsLeaf) {
    ++Leaves;
  } else {
    node->Next = ReducibleNodes[level];
    ReducibleNodes[level] = node;
  }
  return node;
}

void TColorQuantizer::FreeNode(TOctreeNode* node) {
  for (TOctreeNode*& c : node->Child)
    if (c) FreeNode(c), c = nullptr;
  FreeNodes.push_back(node);
}

void TColorQuantizer::AddColor(uint8_t r, uint8_t g, uint8_t b) {
  TOctreeNode** slot = &Root;
  for (int level = 0;; ++level) {
    if (!*slot) *slot = NewNode(level);
    TOctreeNode* node = *slot;
    if (node->IsLeaf) {
      ++node->PixelCount;
      node->RedSum += r;
      node->GreenSum += g;
      node->BlueSum += b;
      return;
    }
    const int shift = 7 - level;
    const int index = (((r >> shift) & 1) << 2) | (((g >> shift) & 1) << 1) | ((b >> shift) & 1);
    slot = &node->Child[index];
  }
}

void TColorQuantizer::MergeDeepestNode() {
  int level = ColorBits - 1;
  while (level > 0 && !ReducibleNodes[level]) --level;
  TOctreeNode* node = ReducibleNodes[level];
  if (!node) return;
  ReducibleNodes[level] = node->Next;
  int children = 0;
  for (TOctreeNode*& c : node->Child)
    if (c) {
      node->PixelCount += c->PixelCount;
      node->RedSum += c->RedSum;
      node->GreenSum += c->GreenSum;
      node->BlueSum += c->BlueSum;
      FreeNode(c);
      c = nullptr;
      ++children;
    }
  node->IsLeaf = true;
  Leaves -= children - 1;
}

void TColorQuantizer::ScanBitmap(TDIBReader& reader) {
  const int w = reader.Width(), h = reader.Height();
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = reader.GetRow(y);
    for (int x = 0; x < w; ++x, p += 4) {
      AddColor(p[2], p[1], p[0]);
      while (Leaves > MaxColors) {
        const int before = Leaves;
        MergeDeepestNode();
        if (Leaves == before && !ReducibleNodes[0]) break;
      }
    }
  }
}

void TColorQuantizer::FillColorTable(const TOctreeNode* node, TPaletteEntries& table) const {
  if (node->IsLeaf) {
    if (node->PixelCount == 0)
      table.push_back(RGBColor(0, 0, 0));
    else
      table.push_back(RGBColor(int(node->RedSum / node->PixelCount), int(node->GreenSum / node->PixelCount),
                               int(node->BlueSum / node->PixelCount)));
    return;
  }
  for (const TOctreeNode* c : node->Child)
    if (c) FillColorTable(c, table);
}

void TColorQuantizer::GetColorTable(TPaletteEntries& table) const {
  if (Root) FillColorTable(Root, table);
}

HPALETTE OctreePalette(TDIBReader& reader, int colors, int colorBits, bool windows) {
  const int wanted = windows ? 236 : std::max(1, colors);
  TColorQuantizer quantizer(wanted, colorBits);
  quantizer.ScanBitmap(reader);
  TPaletteEntries leaves;
  quantizer.GetColorTable(leaves);
  leaves.resize(size_t(wanted), RGBColor(0, 0, 0));
  if (!windows) return MakePalette(std::move(leaves));
  const TPaletteEntries& sys = DefaultPalette20();
  TPaletteEntries t(sys.begin(), sys.begin() + 10);
  t.insert(t.end(), leaves.begin(), leaves.end());
  t.insert(t.end(), sys.begin() + 10, sys.end());
  return MakePalette(std::move(t));
}

HPALETTE OctreePaletteFromBitmap(TBitmap& bitmap, int colors, int colorBits, bool windows) {
  TDIBReader reader(&bitmap, pf24bit);
  return OctreePalette(reader, colors, colorBits, windows);
}

// ---- ReduceColors

std::unique_ptr<TBitmap> ReduceColors(TBitmap& bitmap, TReductionMethod method, TDitherKind dither, int reductionBits,
                                      const HPALETTE& customPalette) {
  auto result = std::make_unique<TBitmap>();
  if (method == rmNone) {
    *result = bitmap;
    result->SetPixelFormat(pf24bit);
    return result;
  }
  if (int64_t(bitmap.Width()) * bitmap.Height() > 500000) result->SetPixelFormat(pf1bit);
  TDIBReader reader(&bitmap, pf24bit);
  HPALETTE palette;
  switch (method) {
    case rmWindows20: palette = MakePalette(DefaultPalette20()); break;
    case rmWindowsHalftone: palette = ScreenHalftonePalette(); break;
    case rmWindowsGray: palette = WindowsGrayPalette(); break;
    case rmMonochrome: palette = MonochromePalette(); break;
    case rmGrayScale: palette = GrayScalePalette(); break;
    case rmWebSafe: palette = WebSafePalette(); break;
    case rmOctree: palette = OctreePalette(reader, 1 << std::clamp(reductionBits, 1, 8), 8, false); break;
    case rmOctreeWindows: palette = OctreePaletteFromBitmap(bitmap, 256, 8, true); break;
    case rmCustomPalette: palette = customPalette ? MakePalette(*customPalette) : MakePalette({}); break;
    default: return result;
  }
  std::unique_ptr<TColorLookup> lookup;
  switch (method) {
    case rmMonochrome: lookup = std::make_unique<TMonochromeLookup>(); break;
    case rmGrayScale: lookup = std::make_unique<TGrayScaleLookup>(); break;
    case rmWebSafe: lookup = std::make_unique<TNetscapeColorLookup>(); break;
    default: lookup = std::make_unique<TFastColorLookup>(palette); break;
  }
  if (lookup->Colors == 0) return result;
  const int width = bitmap.Width(), height = bitmap.Height();
  std::unique_ptr<TDitherEngine> ditherer;
  switch (dither) {
    case dkNearest: ditherer = std::make_unique<TDitherEngine>(width, lookup.get()); break;
    case dkFloydSteinberg: ditherer = std::make_unique<TFloydSteinbergDitherer>(width, lookup.get()); break;
    case dkStucki: ditherer = std::make_unique<TStuckiDitherer>(width, lookup.get()); break;
    case dkSierra: ditherer = std::make_unique<TSierraDitherer>(width, lookup.get()); break;
    case dkJaJuNi: ditherer = std::make_unique<TJaJuNiDitherer>(width, lookup.get()); break;
    case dkSteveArche: ditherer = std::make_unique<TSteveArcheDitherer>(width, lookup.get()); break;
    case dkBurkes: ditherer = std::make_unique<TBurkesDitherer>(width, lookup.get()); break;
    default: return result;
  }
  {
    TDIBWriter writer(result.get(), palette, height, width, pf8bit);
    uint8_t r, g, b;
    for (int y = 0; y < height; ++y) {
      const uint8_t* src = reader.GetRow(y);
      uint8_t* dst = writer.GetRow(y);
      while (ditherer->Column >= 0 && ditherer->Column < width) {
        const int x = ditherer->Column;
        const uint8_t* p = src + x * 4;
        dst[x] = ditherer->DitherPixel(p[2], p[1], p[0], r, g, b);
      }
      ditherer->NextRow();
    }
  }
  return result;
}
