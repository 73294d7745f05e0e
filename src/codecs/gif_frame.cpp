// One GIF frame: descriptor, local colour map, extensions and pixels; reading and writing it,
// rendering it with its transparency mask, drawing it, and making it from other pictures.
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "codecs/gif_image.h"
#include "platform/metafile.h"
#include "platform/canvas.h"
#include "platform/numeric.h"
#include "platform/streams.h"

// ---- Canvas helpers

void GIFCanvasDrawImage(TCanvas& canvas, const TRect& dest, const QImage& image) {
  if (dest.IsEmpty() || image.isNull()) return;
  const TCopyMode mode = canvas.CopyMode;
  canvas.CopyMode = cmSrcCopy;
  canvas.DrawImage(dest, image);
  canvas.CopyMode = mode;
}

QImage GIFCanvasCopyRect(TCanvas& canvas, const TRect& rect) {
  QImage out(std::max(rect.Width(), 1), std::max(rect.Height(), 1), QImage::Format_RGB32);
  out.fill(qRgb(0, 0, 0));
  if (const QImage* target = canvas.Image(); target && !target->isNull()) {
    QPainter p(&out);
    p.drawImage(QPoint(-rect.Left, -rect.Top), *target);
  }
  return out;
}

void GIFCanvasFillRect(TCanvas& canvas, const TRect& rect, TColor color) {
  if (rect.IsEmpty()) return;
  const TBrush brush = canvas.Brush;
  canvas.Brush.Color = color;
  canvas.Brush.Style = bsSolid;
  canvas.FillRect(rect);
  canvas.Brush = brush;
}

// ---- Life and buffers

TGIFSubImage::TGIFSubImage(TGIFImage* image) : TGIFItem(image), ColorMap(this), Extensions(image, this) {}

TGIFSubImage::~TGIFSubImage() {
  if (Image) Image->Images.Remove(this);
  Clear();
}

void TGIFSubImage::Clear() {
  Extensions.Clear();
  ColorMap.Clear();
  FreeImage();
  DescWidth = DescHeight = 0;
  Transparent = false;
  GraphicControlExtension = nullptr;
  FreeBitmap();
  FreeMask();
}

void TGIFSubImage::NewImage() {
  const int64_t size = int64_t(DescWidth) * DescHeight;
  if (size > GIFMaxFramePixels()) RaiseGifError("Frame size exceeds the supported maximum");
  std::vector<uint8_t>().swap(Data);
  if (size > 0) Data.assign(size_t(size), 0);
}

void TGIFSubImage::FreeImage() { std::vector<uint8_t>().swap(Data); }

void TGIFSubImage::NeedImage() {
  if (Data.empty()) NewImage();
  if (Data.empty()) RaiseGifError("Image is empty");
}

uint8_t* TGIFSubImage::Scanline(int row) {
  if (row < 0 || row >= DescHeight) RaiseGifError("Invalid pixel coordinates");
  NeedImage();
  return Data.data() + size_t(row) * DescWidth;
}

void TGIFSubImage::SetBounds(int left, int top, int width, int height) {
  const bool resized = width != DescWidth || height != DescHeight;
  if (int64_t(std::clamp(width, 0, 65535)) * std::clamp(height, 0, 65535) > GIFMaxFramePixels())
    RaiseGifError("Frame size exceeds the supported maximum");
  DescLeft = uint16_t(std::clamp(left, 0, 65535));
  DescTop = uint16_t(std::clamp(top, 0, 65535));
  DescWidth = uint16_t(std::clamp(width, 0, 65535));
  DescHeight = uint16_t(std::clamp(height, 0, 65535));
  if (resized) {
    FreeBitmap();
    FreeMask();
    NewImage();
  }
  if (!Image) return;
  bool warned = false;
  if (Image->Header.Width < DescLeft + DescWidth) {
    if (Image->Header.Width > 0) Warning(1, "Image width too small for contained frames"), warned = true;
    Image->Header.Width = uint16_t(std::min(DescLeft + DescWidth, 65535));
  }
  if (Image->Header.Height < DescTop + DescHeight) {
    if (Image->Header.Height > 0) Warning(1, "Image height too small for contained frames"), warned = true;
    Image->Header.Height = uint16_t(std::min(DescTop + DescHeight, 65535));
  }
  if (warned) Warning(1, "Image exceeds Logical Screen size");
}

TGIFVersion TGIFSubImage::GetVersion() const {
  return (ColorMap.Optimized && ColorMap.Count > 0) || Extensions.Count() > 0 ? gv89a : gv87a;
}

TGIFColorMap& TGIFSubImage::ActiveColorMap() {
  if (ColorMap.Count > 0) return ColorMap;
  if (Image && Image->Header.ColorMap.Count > 0) return Image->Header.ColorMap;
  return ColorMap;
}

uint8_t TGIFSubImage::TransparentColorIndex() const {
  return GraphicControlExtension ? GraphicControlExtension->TransparentIndex : 0;
}

// ---- Palette and bitmap

HPALETTE TGIFSubImage::GetPalette() {
  if (Bitmap) {
    TPaletteEntries entries = Bitmap->Palette();
    if (!entries.empty()) return MakePalette(std::move(entries));
  }
  if (Palette) return Palette;
  if (Image && Image->DoDither()) return Palette = WebSafePalette();
  if (ColorMap.Count == 0) return Image ? Image->GetPalette() : nullptr;
  return Palette = ColorMap.ExportPalette();
}

void TGIFSubImage::SetPalette(const HPALETTE& value) {
  if (value == Palette) return;
  Palette = value;
  if (Bitmap) {
    FreeBitmap();
    if (Image) {
      Image->PaletteModified = true;
      Image->Changed(this);
    }
  }
}

void TGIFSubImage::NewBitmap() { Bitmap = std::make_unique<TBitmap>(); MaskedCache = QImage(); }

void TGIFSubImage::FreeBitmap() {
  Bitmap.reset();
  MaskedCache = QImage();
}

void TGIFSubImage::FreeMask() {
  Mask.clear();
  HasMaskBits = false;
  NeedMask = true;
  MaskedCache = QImage();
}

bool TGIFSubImage::HasMask() {
  if (NeedMask && Transparent) {
    FreeBitmap();
    GetBitmap();
  }
  return HasMaskBits;
}

TBitmap* TGIFSubImage::GetBitmap() {
  if (Bitmap || Empty()) return Bitmap.get();
  if (Image) Image->Progress(psStarting, 0, "Rendering...");
  bool ok = false;
  try {
    Render(Image && Image->DoDither());
    ok = true;
  } catch (const EAbort&) {
    FreeBitmap();
  } catch (...) {
    if (Image) Image->Progress(psEnding, 0, "Rendering...");
    throw;
  }
  if (Image) {
    Image->Progress(psEnding, ok ? 100 : 0, "Rendering...");
    if (Image->PaletteModified) Image->Changed(this);
  }
  return Bitmap.get();
}

void TGIFSubImage::Render(bool dithered) {
  const int w = DescWidth, h = DescHeight;
  auto bitmap = std::make_unique<TBitmap>();
  if (int64_t(w) * h > 500000) bitmap->SetPixelFormat(pf1bit);
  const bool buildMask = NeedMask && Transparent && Mask.empty();
  NeedMask = false;
  const int maskStride = (w + 15) / 16 * 2;
  std::vector<uint8_t> mask;
  if (buildMask) mask.assign(size_t(maskStride) * size_t(h), 0);
  bool anyMasked = false;
  const uint8_t transparentIndex = TransparentColorIndex();
  {
    TDIBWriter writer(bitmap.get(), GetPalette(), h, w, pf8bit);
    if (!dithered) {
      for (int y = 0; y < h; ++y) {
        if (y % 32 == 0 && Image) Image->Progress(psRunning, MulDiv(y, 100, h), "Rendering...");
        const uint8_t* src = Data.data() + size_t(y) * w;
        std::memcpy(writer.GetRow(y), src, size_t(w));
        if (buildMask) {
          uint8_t* m = mask.data() + size_t(y) * maskStride;
          for (int x = 0; x < w; ++x)
            if (src[x] == transparentIndex) m[x >> 3] |= uint8_t(0x80 >> (x & 7)), anyMasked = true;
        }
      }
    } else {
      // Colours of the frame spread over the web-safe palette.
      TGIFColorMap& map = ActiveColorMap();
      TGIFColor colors[256] = {};
      for (int i = 0; i < 256; ++i)
        colors[i] = map.Count == 0 ? TGIFColor{} : map.Colors[size_t(i < map.Count ? i : 0)];
      TNetscapeColorLookup lookup;
      TFloydSteinbergDitherer ditherer(w, &lookup);
      const TGIFColor tc = colors[transparentIndex];
      uint8_t r, g, b;
      // Transparent pixels keep the web-safe entry of the transparent colour.
      const uint8_t fill = lookup.LookupColor(tc.Red, tc.Green, tc.Blue, r, g, b);
      for (int y = 0; y < h; ++y) {
        if (y % 32 == 0 && Image) Image->Progress(psRunning, MulDiv(y, 100, h), "Rendering...");
        const uint8_t* src = Data.data() + size_t(y) * w;
        uint8_t* dst = writer.GetRow(y);
        uint8_t* m = buildMask ? mask.data() + size_t(y) * maskStride : nullptr;
        if (buildMask) std::memset(dst, fill, size_t(w));
        while (ditherer.Column >= 0 && ditherer.Column < w) {
          const int x = ditherer.Column;
          if (buildMask && src[x] == transparentIndex) {
            ditherer.AdvanceColumn();
            m[x >> 3] |= uint8_t(0x80 >> (x & 7));
            anyMasked = true;
          } else {
            const TGIFColor& c = colors[src[x]];
            dst[x] = ditherer.DitherPixel(c.Red, c.Green, c.Blue, r, g, b);
          }
        }
        ditherer.NextRow();
      }
    }
  }
  Bitmap = std::move(bitmap);
  MaskedCache = QImage();
  if (buildMask && anyMasked) {
    Mask = std::move(mask);
    HasMaskBits = true;
  }
}

void TGIFSubImage::AssignTo(TBitmap& dest) {
  TBitmap* b = GetBitmap();
  if (b) dest = *b;
}

// The rendered frame with its transparent pixels cleared to no alpha.
const QImage& TGIFSubImage::MaskedImage() {
  if (!MaskedCache.isNull()) return MaskedCache;
  TBitmap* b = GetBitmap();
  if (!b) return MaskedCache;
  QImage img = b->Image().convertToFormat(QImage::Format_ARGB32);
  const int w = std::min<int>(img.width(), DescWidth), h = std::min<int>(img.height(), DescHeight);
  const int maskStride = (DescWidth + 15) / 16 * 2;
  if (HasMaskBits)
    for (int y = 0; y < h; ++y) {
      const uint8_t* m = Mask.data() + size_t(y) * maskStride;
      QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
      for (int x = 0; x < w; ++x)
        if (m[x >> 3] & (0x80 >> (x & 7))) row[x] = 0;
    }
  MaskedCache = img;
  return MaskedCache;
}

// ---- Drawing

void TGIFSubImage::StretchDraw(TCanvas& canvas, const TRect& rect, bool doTransparent, bool doTile) {
  if (doTile || !Image) {
    Draw(canvas, rect, doTile, doTransparent);
    return;
  }
  const int iw = Image->Width(), ih = Image->Height();
  const int rw = rect.Width(), rh = rect.Height();
  const TRect r(MulDiv(DescLeft, rw, iw) + rect.Left, MulDiv(DescTop, rh, ih) + rect.Top,
                MulDiv(DescLeft + DescWidth, rw, iw) + rect.Left, MulDiv(DescTop + DescHeight, rh, ih) + rect.Top);
  Draw(canvas, r, doTile, doTransparent);
}

void TGIFSubImage::Draw(TCanvas& canvas, const TRect& rect, bool doTile, bool doTransparent) {
  if (Empty()) return;
  const int stepX = Image && Image->Width() > 0 ? Image->Width() : DescWidth;
  const int stepY = Image && Image->Height() > 0 ? Image->Height() : DescHeight;
  const bool masked = doTransparent && Transparent && HasMask();
  const QImage* image;
  if (masked) {
    image = &MaskedImage();
  } else {
    TBitmap* b = GetBitmap();
    if (!b) return;
    image = &b->Image();
  }
  if (doTile) {
    for (int x = rect.Left + DescLeft; x < rect.Right; x += stepX)
      for (int y = rect.Top + DescTop; y < rect.Bottom; y += stepY)
        GIFCanvasDrawImage(canvas, TRect(x, y, x + DescWidth, y + DescHeight), *image);
  } else {
    GIFCanvasDrawImage(canvas, rect, *image);
  }
}

// ---- File layout

void TGIFSubImage::Prepare() {
  uint8_t p = PackedFields & (0x40 | 0x18);
  if (ColorMap.Count > 0) {
    p |= 0x80;
    if (ColorMap.Optimized) p |= 0x20;
    p |= uint8_t((ColorMap.BitsPerPixel() - 1) & 7);
  }
  PackedFields = p;
}

void TGIFSubImage::SaveToStream(TStream& stream) {
  Extensions.SaveToStream(stream);
  if (Empty()) return;
  Prepare();
  const uint8_t d[10] = {',', uint8_t(DescLeft), uint8_t(DescLeft >> 8), uint8_t(DescTop), uint8_t(DescTop >> 8),
                         uint8_t(DescWidth), uint8_t(DescWidth >> 8), uint8_t(DescHeight), uint8_t(DescHeight >> 8),
                         PackedFields};
  stream.WriteBuffer(d, 10);
  ColorMap.WriteColors(stream);
  Compress(stream);
}

void TGIFSubImage::LoadFromStream(TStream& stream) {
  Clear();
  Extensions.LoadFromStream(stream, this);
  const int b = StreamReadByte(stream);
  if (b < 0) return;
  stream.Seek(-1, soCurrent);
  // Only an image separator starts an image; anything else (the trailer, padding, a stray byte)
  // ends a frame that holds extensions only.
  if (b != 0x2C) return;
  uint8_t d[10];
  ReadExact(stream, d, 10);
  DescLeft = uint16_t(d[1] | (d[2] << 8));
  DescTop = uint16_t(d[3] | (d[4] << 8));
  DescWidth = uint16_t(d[5] | (d[6] << 8));
  DescHeight = uint16_t(d[7] | (d[8] << 8));
  PackedFields = d[9];
  if (DescWidth == 0 || DescHeight == 0) {
    DescWidth = Image ? Image->Header.Width : 0;
    DescHeight = Image ? Image->Header.Height : 0;
    Warning(1, "Image exceeds Logical Screen size");
  }
  if (PackedFields & 0x80) {
    const int n = 2 << (PackedFields & 7);
    if (n < 2 || n > 256) RaiseGifError("Invalid number of colors specified in Image Descriptor");
    ColorMap.ReadColors(stream, n);
  }
  const int64_t pixels = int64_t(DescWidth) * DescHeight;
  if (pixels > GIFMaxFramePixels()) RaiseGifError("Frame size exceeds the supported maximum");
  if (Image) {
    int64_t total = pixels;
    for (const TGIFSubImage* f : Image->Images.Items) total += int64_t(f->Data.size());
    if (total > GIFMaxImagePixels()) RaiseGifError("Image size exceeds the supported maximum");
  }
  LZWDecode(*this, stream);
}

void TGIFSubImage::Compress(TStream& stream) {
  int bpp, colorCount;
  if (ColorMap.Count == 0) {
    bpp = Image ? Image->BitsPerPixel() : 8;
    colorCount = 1 << bpp;
  } else {
    colorCount = ColorMap.Count;
    bpp = ColorMap.BitsPerPixel();
  }
  std::unique_ptr<TGIFEncoder> encoder;
  if (Image && Image->Coding == gcRLE)
    encoder = std::make_unique<TRLEEncoder>();
  else
    encoder = std::make_unique<TLZWEncoder>();
  if (Image) encoder->OnWarning = [img = Image](const void* s, int sev, const std::string& m) { img->Warning(s, sev, m); };
  encoder->Compress(stream, bpp, colorCount, Data.empty() ? nullptr : Data.data(), Interlaced(), DescHeight, DescWidth);
}

// ---- Conversion

void TGIFSubImage::Assign(const TGIFSubImage* source) {
  if (source == this) return;
  if (!source) {
    Clear();
    return;
  }
  Clear();
  if (source->Empty()) return;
  DescLeft = source->DescLeft;
  DescTop = source->DescTop;
  DescWidth = source->DescWidth;
  DescHeight = source->DescHeight;
  PackedFields = source->PackedFields;
  NewImage();
  Data = source->Data;
  ColorMap.Assign(source->ColorMap);
  if (source->Extensions.Count() > 0) {
    TMemoryStream ms;
    const_cast<TGIFSubImage*>(source)->Extensions.SaveToStream(ms);
    ms.SetPosition(0);
    Extensions.LoadFromStream(ms, this);
  }
  Transparent = source->Transparent;
  if (source->Bitmap) Bitmap = std::make_unique<TBitmap>(*source->Bitmap);
}

namespace {
// Non-zero where the bitmap shows its transparent colour.
QImage TransparencyMask(const TBitmap& source) {
  QImage mask(source.Width(), source.Height(), QImage::Format_Grayscale8);
  mask.fill(0);
  const TColor tc = source.EffectiveTransparentColor();
  if (tc == clNone) return mask;
  const QRgb want = qRgb(GetRValue(tc), GetGValue(tc), GetBValue(tc)) & 0xFFFFFF;
  const QImage img = source.Image().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    uint8_t* m = mask.scanLine(y);
    for (int x = 0; x < img.width(); ++x)
      if ((row[x] & 0xFFFFFF) == want) m[x] = 1;
  }
  return mask;
}
}  // namespace

void TGIFSubImage::AssignBitmap(const TBitmap& source) {
  Clear();
  if (source.Empty()) return;
  SetBounds(DescLeft, DescTop, source.Width(), source.Height());
  std::unique_ptr<TBitmap> bitmap;
  TBitmap copy(source);
  if (!source.IsIndexed()) {
    bitmap = ReduceColors(copy, Image ? Image->ColorReduction : GIFDefaultColorReduction,
                          Image ? Image->DitherMode : GIFDefaultDitherMode,
                          Image ? Image->ReductionBits : GIFDefaultColorReductionBits, nullptr);
    if (bitmap->Empty()) bitmap = std::make_unique<TBitmap>(copy);
  } else {
    bitmap = std::make_unique<TBitmap>(copy);
  }
  NewImage();
  if (Image) Image->Progress(psStarting, 0, "Converting...");
  try {
    TPixelFormat format = bitmap->PixelFormat();
    if (format != pf1bit && format != pf4bit && format != pf8bit) format = pf24bit;
    TDIBReader reader(bitmap.get(), format);
    const int w = DescWidth, h = DescHeight;
    if (format != pf24bit) {
      ColorMap.ImportPalette(MakePalette(bitmap->Palette()));
      for (int y = 0; y < h; ++y) {
        if (y % 32 == 0 && Image) Image->Progress(psRunning, MulDiv(y, 100, h), "Converting...");
        std::memcpy(Data.data() + size_t(y) * w, reader.GetRow(y), size_t(w));
      }
    } else {
      // Colours in the order of first appearance, with a small cache of recent colours.
      struct TCacheEntry {
        TColor Color;
        int Index;
      };
      TCacheEntry cache[8];
      int used = 0, last = 0, next = 0;
      for (int y = 0; y < h; ++y) {
        if (y % 32 == 0 && Image) Image->Progress(psRunning, MulDiv(y, 100, h), "Converting...");
        const uint8_t* p = reader.GetRow(y);
        uint8_t* out = Data.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x, p += 4) {
          const TColor c = RGBColor(p[2], p[1], p[0]);
          int index = -1;
          for (int k = 0, i = last; k < used; ++k, i = (i + 7) % 8)
            if (cache[i].Color == c) {
              index = cache[i].Index;
              last = i;
              break;
            }
          if (index < 0) {
            index = ColorMap.AddUnique(c);
            cache[next] = {c, index};
            last = next;
            next = (next + 1) % 8;
            used = std::min(used + 1, 8);
          }
          out[x] = uint8_t(index);
        }
      }
    }
    if (source.Transparent) {
      const TColor tc = source.EffectiveTransparentColor();
      ImportMask(TransparencyMask(source), tc == clNone ? clBlack : tc);
    }
  } catch (...) {
    if (Image) Image->Progress(psEnding, 0, "Converting...");
    throw;
  }
  if (Image) Image->Progress(psEnding, 100, "Converting...");
  if (!Bitmap) {
    Bitmap = std::move(bitmap);
    MaskedCache = QImage();
  }
}

void TGIFSubImage::ImportMask(const QImage& maskImage, TColor entryColor) {
  ColorMap.Optimize();
  if (ColorMap.Count == 0 || ColorMap.Count >= 256) return;
  // The new entry carries the colour the transparent pixels had, so a reader that ignores
  // transparency still shows them as they were.
  const int index = ColorMap.Add(entryColor);
  const QImage mask = maskImage.convertToFormat(QImage::Format_Grayscale8);
  bool any = false;
  const int w = std::min<int>(DescWidth, mask.width()), h = std::min<int>(DescHeight, mask.height());
  for (int y = 0; y < h; ++y) {
    const uint8_t* m = mask.constScanLine(y);
    uint8_t* out = Data.data() + size_t(y) * DescWidth;
    for (int x = 0; x < w; ++x)
      if (m[x]) out[x] = uint8_t(index), any = true;
  }
  if (!any) {
    ColorMap.Delete(index);
    return;
  }
  auto* gce = new TGIFGraphicControlExtension(this);
  Extensions.Add(gce);
  if (GraphicControlExtension != gce) GraphicControlExtension = gce;
  gce->SetTransparent(true);
  gce->TransparentIndex = uint8_t(index);
  FreeBitmap();
  FreeMask();
}

void TGIFSubImage::Assign(const TGraphic& source) {
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
    AssignBitmap(*bitmap);
    return;
  }
  if (const auto* gif = dynamic_cast<const TGIFImage*>(&source)) {
    TGIFImage* g = const_cast<TGIFImage*>(gif);
    Clear();
    if (g->Empty()) return;
    TBitmap* b = g->GetBitmap();
    if (b) AssignBitmap(*b);
    return;
  }
  // Any other picture is drawn onto a 24-bit bitmap of its size first.
  Clear();
  if (source.Empty()) return;
  if (const auto* metafile = dynamic_cast<const TMetafile*>(&source)) {
    // A metafile paints only part of its area: it is drawn once on white and once on black, and
    // the pixels that differ between the two (SRCINVERT leaves them non-zero) were not painted.
    TMetafile& m = const_cast<TMetafile&>(*metafile);
    const int w = std::max(1, m.Width()), h = std::max(1, m.Height());
    TBitmap onWhite(w, h, pf24bit), onBlack(w, h, pf24bit);
    for (TBitmap* b : {&onWhite, &onBlack}) {
      b->Canvas().Brush = TBrush{b == &onWhite ? clWhite : clBlack, bsSolid};
      b->Canvas().FillRect(TRect(0, 0, w, h));
      m.Draw(b->Canvas(), TRect(0, 0, w, h));
    }
    AssignBitmap(onWhite);
    onBlack.Canvas().CopyMode = SRCINVERT;
    onBlack.Canvas().CopyRect(TRect(0, 0, w, h), onWhite.Canvas(), TRect(0, 0, w, h));
    // The unpainted pixels show the white they were drawn on.
    ImportMask(onBlack.Image(), clWhite);
    return;
  }
  TBitmap bitmap(source.Width(), source.Height(), pf24bit);
  const_cast<TGraphic&>(source).Draw(bitmap.Canvas(), TRect(0, 0, source.Width(), source.Height()));
  bitmap.Transparent = source.Transparent;
  AssignBitmap(bitmap);
}
