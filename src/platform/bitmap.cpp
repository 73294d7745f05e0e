#include "platform/bitmap.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

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
}  // namespace

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) : Format(format) { SetSize(width, height); }

TBitmap::~TBitmap() = default;

TBitmap::TBitmap(const TBitmap& other)
    : TGraphic(other), TransparentColor(other.TransparentColor), Img(other.Img), Format(other.Format) {}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) {
    CanvasPtr.reset();
    Img = other.Img;
    Format = other.Format;
    Transparent = other.Transparent;
    TransparentColor = other.TransparentColor;
  }
  return *this;
}

void TBitmap::SetSize(int width, int height) {
  if (width < 0 || height < 0 || int64_t(width) * height > (int64_t(1) << 28))
    throw EOutOfResources("Not enough storage is available to process this command.");
  CanvasPtr.reset();
  if (width == Img.width() && height == Img.height() && !Img.isNull()) return;
  QImage next;
  if (IsIndexed()) {
    next = QImage(width, height, QImage::Format_Indexed8);
    next.setColorTable(Img.isNull() || Img.format() != QImage::Format_Indexed8 ? DefaultPalette(Format) : Img.colorTable());
    next.fill(0);
  } else {
    next = QImage(width, height, QImage::Format_RGB32);
    next.fill(qRgb(255, 255, 255));
  }
  if (width > 0 && height > 0 && next.isNull())
    throw EOutOfResources("Not enough storage is available to process this command.");
  Img = next;
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pfDevice || format == pfCustom) format = pf24bit;
  if (format == Format) return;
  CanvasPtr.reset();
  const bool indexed = format == pf1bit || format == pf4bit || format == pf8bit;
  if (!Img.isNull()) {
    if (indexed) {
      QVector<QRgb> table = Img.format() == QImage::Format_Indexed8 ? Img.colorTable() : DefaultPalette(format);
      table.resize(PaletteSizeOf(format));
      Img = Img.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither | Qt::AvoidDither);
    } else {
      Img = Img.convertToFormat(QImage::Format_RGB32);
    }
  }
  Format = format;
}

TPaletteEntries TBitmap::Palette() const {
  TPaletteEntries entries;
  for (QRgb c : Img.colorTable()) entries.push_back(FromQRgb(c));
  return entries;
}

void TBitmap::SetPalette(const TPaletteEntries& entries) {
  QVector<QRgb> table;
  for (TColor c : entries) table.push_back(ToQRgb(c));
  if (Img.format() == QImage::Format_Indexed8) Img.setColorTable(table);
}

TColor TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Img.width() || y >= Img.height()) return clNone;
  return FromQRgb(Img.pixel(x, y));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= Img.width() || y >= Img.height()) return;
  if (Img.format() == QImage::Format_Indexed8) {
    const QRgb want = ToQRgb(color);
    const auto table = Img.colorTable();
    int best = 0, bestDist = INT32_MAX;
    for (int i = 0; i < table.size(); ++i) {
      const int dr = qRed(table[i]) - qRed(want), dg = qGreen(table[i]) - qGreen(want), db = qBlue(table[i]) - qBlue(want);
      const int d = dr * dr + dg * dg + db * db;
      if (d < bestDist) bestDist = d, best = i;
    }
    Img.setPixel(x, y, uint(best));
  } else {
    Img.setPixel(x, y, ToQRgb(color));
  }
}

void TBitmap::SetImage(const QImage& image) {
  CanvasPtr.reset();
  switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8: {
      const int colors = image.colorCount();
      Format = colors <= 2 ? pf1bit : colors <= 16 ? pf4bit : pf8bit;
      Img = image.convertToFormat(QImage::Format_Indexed8);
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
}

TColor TBitmap::EffectiveTransparentColor() const {
  if (TransparentColor != clNone) return ColorToRGB(TransparentColor);
  return Img.isNull() ? clNone : Pixel(0, Img.height() - 1);
}

void TBitmap::LoadFromStream(TStream& stream) {
  const int64_t n = stream.Remaining();
  if (n < 14 || n > (int64_t(1) << 30)) throw EInvalidGraphic("Bitmap image is not valid");
  QByteArray bytes(qsizetype(n), Qt::Uninitialized);
  stream.ReadBuffer(bytes.data(), n);
  QImage image;
  if (!image.loadFromData(bytes, "BMP")) throw EInvalidGraphic("Bitmap image is not valid");
  SetImage(image);
}

void TBitmap::SaveToStream(TStream& stream) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!Img.save(&buffer, "BMP")) throw EInvalidGraphicOperation("Cannot save the bitmap");
  stream.WriteBuffer(bytes.constData(), bytes.size());
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
  (void)canvas;
  (void)rect;
}

TCanvas& TBitmap::Canvas() {
  if (!CanvasPtr) {
    if (Img.format() == QImage::Format_Indexed8) Img = Img.convertToFormat(QImage::Format_RGB32), Format = pf24bit;
    CanvasPtr = std::make_unique<TCanvas>(&Img);
  }
  return *CanvasPtr;
}
