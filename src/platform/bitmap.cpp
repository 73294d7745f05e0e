#include "platform/bitmap.h"

#include <bit>
#include <cstring>
#include <unordered_map>

#include "platform/canvas.h"
#include "platform/exceptions.h"
#include "platform/streams.h"

namespace {
QRgb ToQRgb(TColor c) {
  c = ColorToRGB(c);
  return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}
TColor FromQRgb(QRgb c) { return RGBColor(qRed(c), qGreen(c), qBlue(c)); }

int PaletteSizeOf(TPixelFormat f) { return f == pf1bit ? 2 : f == pf4bit ? 16 : 256; }

QVector<QRgb> DefaultPalette(TPixelFormat f) {
  QVector<QRgb> table;
  const int n = PaletteSizeOf(f);
  if (n == 2) return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  if (n == 16) {
    static const TColor vga[16] = {clBlack, clMaroon, clGreen, clOlive, clNavy,   clPurple, clTeal, clGray,
                                   clSilver, clRed,   clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};
    for (TColor c : vga) table.push_back(ToQRgb(c));
    return table;
  }
  for (int i = 0; i < 256; ++i) table.push_back(qRgb(i, i, i));
  return table;
}

int NearestIndex(const QVector<QRgb>& table, QRgb want) {
  int best = 0, bestDist = INT32_MAX;
  for (int i = 0; i < table.size(); ++i) {
    const int dr = qRed(table[i]) - qRed(want), dg = qGreen(table[i]) - qGreen(want), db = qBlue(table[i]) - qBlue(want);
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDist) bestDist = d, best = i;
    if (d == 0) break;
  }
  return best;
}

// Maps 32-bit pixels onto an indexed image of the given palette, keeping indices whose colour is
// already right (so that duplicate palette entries keep their pixels).
void QuantizeInto(const QImage& rgb, QImage& indexed) {
  const QVector<QRgb> table = indexed.colorTable();
  if (table.isEmpty()) return;
  std::unordered_map<uint32_t, uint8_t> cache;
  for (int y = 0; y < rgb.height() && y < indexed.height(); ++y) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(rgb.constScanLine(y));
    uint8_t* dst = indexed.scanLine(y);
    for (int x = 0; x < rgb.width() && x < indexed.width(); ++x) {
      const uint32_t c = src[x] & 0xFFFFFFu;
      if (dst[x] < table.size() && (table[dst[x]] & 0xFFFFFFu) == c) continue;
      auto it = cache.find(c);
      if (it == cache.end()) it = cache.emplace(c, uint8_t(NearestIndex(table, c))).first;
      dst[x] = it->second;
    }
  }
}

const std::string kInvalid = "Bitmap image is not valid";
[[noreturn]] void Invalid(const std::string& reason) { throw EInvalidGraphic(kInvalid + ": " + reason); }

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void Put16(std::vector<uint8_t>& b, uint16_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;
constexpr int64_t kMaxPixels = int64_t(1) << 28;

struct TChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  uint32_t Max = 0;
  explicit TChannel(uint32_t mask = 0) : Mask(mask) {
    if (mask) {
      Shift = std::countr_zero(mask);
      Max = mask >> Shift;
    }
  }
  int Value(uint32_t px, int fallback = 0) const {
    if (!Mask) return fallback;
    return int((uint64_t((px & Mask) >> Shift) * 255 + Max / 2) / Max);
  }
};

// Decodes RLE8 or RLE4 data into bottom-up row order; pixels not reached stay 0.
void DecodeRle(const std::vector<uint8_t>& d, bool four, int w, int h, std::vector<uint8_t>& px) {
  size_t i = 0;
  int64_t x = 0, y = 0;
  auto put = [&](int v) {
    if (x < w && y < h) px[size_t(y) * w + size_t(x)] = uint8_t(v);
    ++x;
  };
  while (i + 1 < d.size() && y < h) {
    const int a = d[i], b = d[i + 1];
    i += 2;
    if (a > 0) {
      for (int k = 0; k < a; ++k) put(four ? ((k & 1) ? (b & 0xF) : (b >> 4)) : b);
    } else if (b == 0) {
      x = 0, ++y;
    } else if (b == 1) {
      return;
    } else if (b == 2) {
      if (i + 2 > d.size()) Invalid("the compressed pixel data is truncated");
      x += d[i], y += d[i + 1];
      i += 2;
    } else {
      const size_t bytes = four ? (size_t(b) + 1) / 2 : size_t(b);
      if (i + bytes > d.size()) Invalid("the compressed pixel data is truncated");
      for (int k = 0; k < b; ++k) put(four ? ((k & 1) ? (d[i + k / 2] & 0xF) : (d[i + k / 2] >> 4)) : d[i + k]);
      i += bytes + (bytes & 1);
    }
  }
}

QImage ReadDib(TStream& stream, TPixelFormat& format, bool fileHeader) {
  const int64_t start = stream.Position();
  uint32_t offBits = 0, fileSize = 0;
  if (fileHeader) {
    if (stream.Remaining() < 14 + 12) Invalid("the file is too short");
    uint8_t fh[14];
    stream.ReadBuffer(fh, 14);
    if (fh[0] != 'B' || fh[1] != 'M') Invalid("the file does not start with \"BM\"");
    fileSize = Le32(fh + 2);
    offBits = Le32(fh + 10);
  }
  if (stream.Remaining() < 4) Invalid("the file is too short");
  const uint32_t hdrSize = stream.ReadDWord();
  if (hdrSize != 12 && hdrSize != 40 && hdrSize != 52 && hdrSize != 56 && hdrSize != 64 && hdrSize != 108 &&
      hdrSize != 124)
    Invalid("unknown header size " + std::to_string(hdrSize));
  if (stream.Remaining() < int64_t(hdrSize) - 4) Invalid("the header is truncated");
  std::vector<uint8_t> hdr(hdrSize, 0);  // hdr[0..3] (the size) is not needed again
  stream.ReadBuffer(hdr.data() + 4, hdrSize - 4);

  int64_t width, height;
  int bpp;
  uint32_t compression = BI_RGB, sizeImage = 0, clrUsed = 0;
  int entrySize = 4;
  if (hdrSize == 12) {
    width = Le16(&hdr[4]);
    height = int16_t(Le16(&hdr[6]));
    bpp = Le16(&hdr[10]);
    entrySize = 3;
  } else {
    width = int32_t(Le32(&hdr[4]));
    height = int32_t(Le32(&hdr[8]));
    bpp = Le16(&hdr[14]);
    compression = Le32(&hdr[16]);
    sizeImage = Le32(&hdr[20]);
    clrUsed = Le32(&hdr[32]);
  }
  if (hdrSize == 64 && compression > BI_RLE4) Invalid("unsupported compression");
  const bool topDown = height < 0;
  const int64_t h = topDown ? -height : height;
  if (width <= 0 || h <= 0) Invalid("the width or height is not positive");
  if (width > 65535 || h > 65535 || width * h > kMaxPixels) Invalid("the picture is too large");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    Invalid("unsupported bits per pixel " + std::to_string(bpp));
  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  const bool fields = compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS;
  if ((compression == BI_RLE8 && bpp != 8) || (compression == BI_RLE4 && bpp != 4) ||
      (fields && bpp != 16 && bpp != 32) || (compression != BI_RGB && !rle && !fields))
    Invalid("unsupported compression");
  if (rle && topDown) Invalid("a compressed bitmap cannot be top-down");

  // Bit fields: in the header from 52 bytes on, else three (four) words after it.
  uint32_t masks[4] = {0, 0, 0, 0};
  if (fields) {
    if (hdrSize >= 52) {
      for (int k = 0; k < 3; ++k) masks[k] = Le32(&hdr[40 + 4 * k]);
      if (hdrSize >= 56) masks[3] = Le32(&hdr[52]);
    } else {
      const int count = compression == BI_ALPHABITFIELDS ? 4 : 3;
      if (stream.Remaining() < 4 * count) Invalid("the colour masks are truncated");
      for (int k = 0; k < count; ++k) masks[k] = stream.ReadDWord();
    }
    if (!masks[0] && !masks[1] && !masks[2]) Invalid("the colour masks are empty");
    if (bpp == 16 && ((masks[0] | masks[1] | masks[2] | masks[3]) >> 16)) Invalid("the colour masks do not fit 16 bits");
  } else if (bpp == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (bpp == 32) {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  }

  // The palette.
  QVector<QRgb> table;
  if (bpp <= 8) {
    const uint32_t full = 1u << bpp;
    if (clrUsed > 256 * 256) Invalid("the palette count is not valid");
    const uint32_t stored = clrUsed ? clrUsed : full;
    if (stream.Remaining() < int64_t(stored) * entrySize) Invalid("the palette is truncated");
    std::vector<uint8_t> pal(size_t(stored) * entrySize);
    stream.ReadBuffer(pal.data(), int64_t(pal.size()));
    for (uint32_t k = 0; k < std::min(stored, full); ++k)
      table.push_back(qRgb(pal[k * entrySize + 2], pal[k * entrySize + 1], pal[k * entrySize]));
  } else if (!fileHeader && clrUsed) {
    if (clrUsed > 256 * 256 || stream.Remaining() < int64_t(clrUsed) * 4) Invalid("the palette is truncated");
    stream.Seek(int64_t(clrUsed) * 4, soCurrent);
  }

  // The pixel data.
  if (fileHeader && offBits) {
    const int64_t at = start + offBits;
    if (at < stream.Position()) Invalid("the pixel data offset points into the headers");
    if (at > stream.Size()) Invalid("the pixel data offset lies beyond the end of the file");
    stream.SetPosition(at);
  }
  const int w = int(width), hh = int(h);
  const int64_t rowSize = ((width * bpp + 31) / 32) * 4;
  std::vector<uint8_t> data;
  if (rle) {
    int64_t len = stream.Remaining();
    if (sizeImage && sizeImage <= len) len = sizeImage;
    else if (fileHeader && fileSize > offBits && fileSize - offBits <= len) len = fileSize - offBits;
    data.resize(size_t(len));
    stream.ReadBuffer(data.data(), len);
  } else {
    const int64_t need = rowSize * h;
    if (stream.Remaining() < need) Invalid("the pixel data is truncated");
    data.resize(size_t(need));
    stream.ReadBuffer(data.data(), need);
  }

  QImage img;
  if (bpp <= 8) {
    img = QImage(w, hh, QImage::Format_Indexed8);
    if (img.isNull()) throw EOutOfResources("Not enough storage is available to process this command.");
    if (table.isEmpty()) table.push_back(qRgb(0, 0, 0));
    img.setColorTable(table);
    const int n = int(table.size());
    std::vector<uint8_t> px(size_t(w) * hh, 0);
    if (rle) {
      DecodeRle(data, bpp == 4, w, hh, px);
    } else {
      for (int y = 0; y < hh; ++y) {
        const uint8_t* row = &data[size_t(y * rowSize)];
        uint8_t* out = &px[size_t(y) * w];
        for (int x = 0; x < w; ++x) {
          if (bpp == 8) out[x] = row[x];
          else if (bpp == 4) out[x] = (x & 1) ? (row[x / 2] & 0xF) : (row[x / 2] >> 4);
          else out[x] = (row[x / 8] >> (7 - (x & 7))) & 1;
        }
      }
    }
    for (int y = 0; y < hh; ++y) {
      const uint8_t* src = &px[size_t(topDown ? y : hh - 1 - y) * w];
      uint8_t* dst = img.scanLine(y);
      for (int x = 0; x < w; ++x) dst[x] = src[x] < n ? src[x] : 0;
    }
    format = bpp == 1 ? pf1bit : bpp == 4 ? pf4bit : pf8bit;
    return img;
  }

  const bool alpha = fields && masks[3] != 0;
  img = QImage(w, hh, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (img.isNull()) throw EOutOfResources("Not enough storage is available to process this command.");
  const TChannel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
  for (int y = 0; y < hh; ++y) {
    const uint8_t* row = &data[size_t((topDown ? y : hh - 1 - y) * rowSize)];
    QRgb* out = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < w; ++x) {
      if (bpp == 24) {
        out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
      } else {
        const uint32_t v = bpp == 16 ? Le16(row + 2 * x) : Le32(row + 4 * x);
        out[x] = qRgba(r.Value(v), g.Value(v), b.Value(v), alpha ? a.Value(v) : 255);
      }
    }
  }
  if (bpp == 24) format = pf24bit;
  else if (bpp == 32) format = pf32bit;
  else format = (masks[1] == 0x07E0) ? pf16bit : pf15bit;
  return img;
}
}  // namespace

QImage ReadBmp(TStream& stream, TPixelFormat& format) { return ReadDib(stream, format, true); }
QImage ReadPackedDib(TStream& stream, TPixelFormat& format) { return ReadDib(stream, format, false); }

void WriteBmp(TStream& stream, const QImage& source, TPixelFormat format) {
  if (source.isNull() || source.width() == 0 || source.height() == 0)
    throw EInvalidGraphicOperation("Cannot save an empty bitmap");
  int bpp;
  switch (format) {
    case pf1bit: bpp = 1; break;
    case pf4bit: bpp = 4; break;
    case pf8bit: bpp = 8; break;
    case pf15bit:
    case pf16bit: bpp = 16; break;
    case pf32bit: bpp = 32; break;
    default: bpp = 24; break;
  }
  const int w = source.width(), h = source.height();
  QImage img;
  QVector<QRgb> table;
  if (bpp <= 8) {
    img = source.format() == QImage::Format_Indexed8 ? source : source.convertToFormat(QImage::Format_Indexed8, DefaultPalette(format), Qt::ThresholdDither);
    table = img.colorTable();
    if (table.size() > (1 << bpp)) table.resize(1 << bpp);
    if (table.isEmpty()) table.push_back(qRgb(0, 0, 0));
  } else {
    img = source.format() == QImage::Format_ARGB32 || source.format() == QImage::Format_RGB32
              ? source
              : source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  }
  const bool fields565 = format == pf16bit;
  const int64_t rowSize = ((int64_t(w) * bpp + 31) / 32) * 4;
  const uint32_t headers = 14 + 40 + (fields565 ? 12 : 0) + uint32_t(table.size()) * 4;
  const int64_t total = headers + rowSize * h;
  if (total > UINT32_MAX) throw EInvalidGraphicOperation("The bitmap is too large to save");

  std::vector<uint8_t> out;
  out.reserve(size_t(total));
  out.push_back('B'), out.push_back('M');
  Put32(out, uint32_t(total));
  Put32(out, 0);
  Put32(out, headers);
  Put32(out, 40);
  Put32(out, uint32_t(w));
  Put32(out, uint32_t(h));
  Put16(out, 1);
  Put16(out, uint16_t(bpp));
  Put32(out, fields565 ? BI_BITFIELDS : BI_RGB);
  Put32(out, uint32_t(rowSize * h));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, uint32_t(table.size()));
  Put32(out, 0);
  if (fields565) Put32(out, 0xF800), Put32(out, 0x07E0), Put32(out, 0x001F);
  for (QRgb c : table) out.push_back(uint8_t(qBlue(c))), out.push_back(uint8_t(qGreen(c))), out.push_back(uint8_t(qRed(c))), out.push_back(0);

  const int maxIndex = int(table.size()) - 1;
  std::vector<uint8_t> row(static_cast<size_t>(rowSize), 0);
  for (int y = h - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), 0);
    if (bpp <= 8) {
      const uint8_t* src = img.constScanLine(y);
      for (int x = 0; x < w; ++x) {
        const uint8_t v = src[x] <= maxIndex ? src[x] : 0;
        if (bpp == 8) row[x] = v;
        else if (bpp == 4) row[x / 2] |= (x & 1) ? v : uint8_t(v << 4);
        else row[x / 8] |= uint8_t((v & 1) << (7 - (x & 7)));
      }
    } else {
      const QRgb* src = reinterpret_cast<const QRgb*>(img.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        const QRgb c = src[x];
        if (bpp == 24) {
          row[3 * x] = uint8_t(qBlue(c)), row[3 * x + 1] = uint8_t(qGreen(c)), row[3 * x + 2] = uint8_t(qRed(c));
        } else if (bpp == 32) {
          row[4 * x] = uint8_t(qBlue(c)), row[4 * x + 1] = uint8_t(qGreen(c)), row[4 * x + 2] = uint8_t(qRed(c));
          row[4 * x + 3] = img.format() == QImage::Format_ARGB32 ? uint8_t(qAlpha(c)) : 0;
        } else {
          const uint16_t v = fields565 ? uint16_t((qRed(c) >> 3) << 11 | (qGreen(c) >> 2) << 5 | (qBlue(c) >> 3))
                                       : uint16_t((qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3));
          row[2 * x] = uint8_t(v), row[2 * x + 1] = uint8_t(v >> 8);
        }
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  stream.WriteBuffer(out.data(), int64_t(out.size()));
}

// ---- TBitmap --------------------------------------------------------------------------------------

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) : Format(format) {
  if (Format == pfDevice || Format == pfCustom) Format = pf24bit;
  SetSize(width, height);
}

TBitmap::~TBitmap() = default;

TBitmap::TBitmap(const TBitmap& other) : TGraphic(other), TransparentColor(other.TransparentColor) {
  other.SyncFromCanvas();
  Img = other.Img;
  Format = other.Format;
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) {
    other.SyncFromCanvas();
    Img = other.Img;
    Format = other.Format;
    Transparent = other.Transparent;
    TransparentColor = other.TransparentColor;
    ImageReplaced();
  }
  return *this;
}

void TBitmap::SyncFromCanvas() const {
  if (!CanvasPtr || !IsIndexedFormat(Format)) return;
  const uint64_t changes = CanvasPtr->Backend().Changes;
  if (changes == SyncedChanges) return;
  QuantizeInto(Shadow, Img);
  SyncedChanges = changes;
}

void TBitmap::SyncToCanvas() {
  if (!CanvasPtr || !IsIndexed() || !ShadowStale) return;
  Shadow = Img.convertToFormat(QImage::Format_RGB32);
  ShadowStale = false;
  SyncedChanges = CanvasPtr->Backend().Changes;
}

void TBitmap::AttachCanvas() {
  if (!CanvasPtr) return;
  if (IsIndexed()) {
    ShadowStale = true;
    CanvasPtr->SetTarget(&Shadow);
    SyncToCanvas();
    CanvasPtr->Backend().OnAccess = [this] { SyncToCanvas(); };
  } else {
    Shadow = QImage();
    CanvasPtr->SetTarget(&Img);
    CanvasPtr->Backend().OnAccess = nullptr;
  }
  SyncedChanges = CanvasPtr->Backend().Changes;
}

void TBitmap::ImageReplaced() {
  ShadowStale = true;
  AttachCanvas();
  Changed();
}

void TBitmap::Changed() {
  if (OnChange) OnChange(this);
}

void TBitmap::SetSize(int width, int height) {
  if (width < 0 || height < 0 || int64_t(width) * height > kMaxPixels)
    throw EOutOfResources("Not enough storage is available to process this command.");
  SyncFromCanvas();
  if (width == Img.width() && height == Img.height() && !Img.isNull()) return;
  QImage next;
  if (IsIndexed()) {
    next = QImage(width, height, QImage::Format_Indexed8);
    next.setColorTable(Img.isNull() || Img.format() != QImage::Format_Indexed8 ? DefaultPalette(Format) : Img.colorTable());
    next.fill(0);
  } else {
    next = QImage(width, height, Img.format() == QImage::Format_ARGB32 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    next.fill(qRgb(255, 255, 255));
  }
  if (width > 0 && height > 0 && next.isNull())
    throw EOutOfResources("Not enough storage is available to process this command.");
  // Pixels inside both sizes are kept.
  if (!Img.isNull() && width > 0 && height > 0) {
    const int w = std::min(width, Img.width()), h = std::min(height, Img.height());
    const int bytes = IsIndexed() ? w : w * 4;
    for (int y = 0; y < h; ++y) memcpy(next.scanLine(y), Img.constScanLine(y), size_t(bytes));
  }
  Img = next;
  ImageReplaced();
}

int TBitmap::BitsPerPixel() const {
  switch (Format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit: return 15;
    case pf16bit: return 16;
    case pf32bit: return 32;
    default: return 24;
  }
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pfDevice || format == pfCustom) format = pf24bit;
  if (format == Format) return;
  SyncFromCanvas();
  const bool indexed = IsIndexedFormat(format);
  if (!Img.isNull()) {
    if (indexed) {
      QVector<QRgb> table = Img.format() == QImage::Format_Indexed8 ? Img.colorTable() : DefaultPalette(format);
      if (table.size() > PaletteSizeOf(format)) table.resize(PaletteSizeOf(format));
      QImage next(Img.width(), Img.height(), QImage::Format_Indexed8);
      next.setColorTable(table);
      next.fill(0);
      QuantizeInto(Img.convertToFormat(QImage::Format_RGB32), next);
      Img = next;
    } else {
      Img = Img.convertToFormat(format == pf32bit && Img.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
  }
  Format = format;
  ImageReplaced();
}

TPaletteEntries TBitmap::Palette() const {
  TPaletteEntries entries;
  if (Img.format() != QImage::Format_Indexed8) return entries;
  for (QRgb c : Img.colorTable()) entries.push_back(FromQRgb(c));
  return entries;
}

void TBitmap::SetPalette(const TPaletteEntries& entries) {
  if (Img.format() != QImage::Format_Indexed8 || entries.empty()) return;
  SyncFromCanvas();
  QVector<QRgb> table;
  for (TColor c : entries) table.push_back(ToQRgb(c));
  if (table.size() > PaletteSizeOf(Format)) table.resize(PaletteSizeOf(Format));
  const int n = int(table.size());
  Img.setColorTable(table);
  for (int y = 0; y < Img.height(); ++y) {
    uint8_t* row = Img.scanLine(y);
    for (int x = 0; x < Img.width(); ++x)
      if (row[x] >= n) row[x] = 0;
  }
  ShadowStale = true;
  SyncToCanvas();
  Changed();
}

uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= Img.height()) throw EInvalidGraphicOperation("Scan line index out of range");
  SyncFromCanvas();
  ShadowStale = true;
  return Img.scanLine(y);
}

const uint8_t* TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= Img.height()) throw EInvalidGraphicOperation("Scan line index out of range");
  SyncFromCanvas();
  return Img.constScanLine(y);
}

TColor TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Img.width() || y >= Img.height()) return clNone;
  SyncFromCanvas();
  return FromQRgb(Img.pixel(x, y));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= Img.width() || y >= Img.height()) return;
  SyncFromCanvas();
  if (Img.format() == QImage::Format_Indexed8) {
    Img.setPixel(x, y, uint(NearestIndex(Img.colorTable(), ToQRgb(color))));
    ShadowStale = true;
  } else {
    const QRgb old = Img.pixel(x, y);
    Img.setPixel(x, y, (ToQRgb(color) & 0xFFFFFFu) | (old & 0xFF000000u));
  }
}

QImage& TBitmap::Image() {
  SyncFromCanvas();
  ShadowStale = true;
  return Img;
}

const QImage& TBitmap::Image() const {
  SyncFromCanvas();
  return Img;
}

void TBitmap::SetImage(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8: {
      const int colors = image.colorCount();
      Format = colors <= 2 ? pf1bit : colors <= 16 ? pf4bit : pf8bit;
      Img = image.convertToFormat(QImage::Format_Indexed8);
      if (Img.colorCount() == 0) Img.setColorTable(DefaultPalette(Format));
      break;
    }
    case QImage::Format_ARGB32:
      Format = pf32bit;
      Img = image;
      break;
    default:
      Format = image.hasAlphaChannel() ? pf32bit : pf24bit;
      Img = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
      break;
  }
  ImageReplaced();
}

QImage TBitmap::ToRgbImage() const {
  SyncFromCanvas();
  if (Img.format() == QImage::Format_RGB32 || Img.format() == QImage::Format_ARGB32) return Img;
  return Img.convertToFormat(Img.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

TColor TBitmap::EffectiveTransparentColor() const {
  if (TransparentColor != clNone) return ColorToRGB(TransparentColor);
  return Img.isNull() || Img.height() == 0 ? clNone : Pixel(0, Img.height() - 1);
}

void TBitmap::LoadFromStream(TStream& stream) {
  TPixelFormat format = pf24bit;
  QImage image = ReadBmp(stream, format);
  Img = image;
  Format = format;
  ImageReplaced();
}

void TBitmap::SaveToStream(TStream& stream) {
  SyncFromCanvas();
  TMemoryStream buffer;
  WriteBmp(buffer, Img, Format);
  stream.WriteBuffer(buffer.Memory(), buffer.Size());
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
  if (Empty()) return;
  canvas.DrawImage(rect, ToRgbImage(), Transparent ? EffectiveTransparentColor() : clNone);
}

TCanvas& TBitmap::Canvas() {
  if (!CanvasPtr) {
    CanvasPtr = std::make_unique<TCanvas>(static_cast<QImage*>(nullptr));
    CanvasPtr->OnChange = [this] { Changed(); };
    AttachCanvas();
  }
  return *CanvasPtr;
}

namespace {
const bool kBmpRegistered = [] {
  RegisterFileFormat(".BMP", "Bitmaps", [] { return std::make_unique<TBitmap>(); });
  return true;
}();
}  // namespace
