#include "platform/metafile.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/streams.h"

namespace {

// ---- Record types of the enhanced format ----
enum : uint32_t {
  EMR_HEADER = 1, EMR_POLYBEZIER = 2, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_POLYBEZIERTO = 5, EMR_POLYLINETO = 6,
  EMR_POLYPOLYLINE = 7, EMR_POLYPOLYGON = 8, EMR_SETWINDOWEXTEX = 9, EMR_SETWINDOWORGEX = 10,
  EMR_SETVIEWPORTEXTEX = 11, EMR_SETVIEWPORTORGEX = 12, EMR_EOF = 14, EMR_SETPIXELV = 15, EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18, EMR_SETPOLYFILLMODE = 19, EMR_SETROP2 = 20, EMR_SETTEXTALIGN = 22, EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25, EMR_MOVETOEX = 27, EMR_SAVEDC = 33, EMR_RESTOREDC = 34, EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38, EMR_CREATEBRUSHINDIRECT = 39, EMR_DELETEOBJECT = 40, EMR_ELLIPSE = 42, EMR_RECTANGLE = 43,
  EMR_ROUNDRECT = 44, EMR_ARC = 45, EMR_CHORD = 46, EMR_PIE = 47, EMR_EXTFLOODFILL = 53, EMR_LINETO = 54,
  EMR_SETARCDIRECTION = 57, EMR_BEGINPATH = 59, EMR_ENDPATH = 60, EMR_CLOSEFIGURE = 61, EMR_FILLPATH = 62,
  EMR_STROKEANDFILLPATH = 63, EMR_STROKEPATH = 64, EMR_STRETCHDIBITS = 81, EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTW = 84, EMR_POLYBEZIER16 = 85, EMR_POLYGON16 = 86, EMR_POLYLINE16 = 87, EMR_POLYBEZIERTO16 = 88,
  EMR_POLYLINETO16 = 89, EMR_POLYPOLYLINE16 = 90, EMR_POLYPOLYGON16 = 91, EMR_EXTCREATEPEN = 95,
};
constexpr uint32_t EmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t StockObject = 0x80000000u;
constexpr size_t HeaderSize = 108;

// ---- Little-endian writing ----
struct TWriter {
  std::vector<uint8_t>& Out;
  size_t Start = 0;
  void U8(uint8_t v) { Out.push_back(v); }
  void U16(uint16_t v) { U8(uint8_t(v)), U8(uint8_t(v >> 8)); }
  void U32(uint32_t v) { U16(uint16_t(v)), U16(uint16_t(v >> 16)); }
  void I32(int32_t v) { U32(uint32_t(v)); }
  void F32(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    U32(v);
  }
  void Begin(uint32_t type) {
    Start = Out.size();
    U32(type);
    U32(0);
  }
  void End() {
    while ((Out.size() - Start) % 4) U8(0);
    const uint32_t size = uint32_t(Out.size() - Start);
    for (int i = 0; i < 4; ++i) Out[Start + 4 + size_t(i)] = uint8_t(size >> (8 * i));
  }
  void Rect(const TRect& r) { I32(r.Left), I32(r.Top), I32(r.Right), I32(r.Bottom); }
};

uint32_t ColorRef(TColor c) { return uint32_t(ColorToRGB(c)) & 0xFFFFFFu; }

TRect BoundsOf(const std::vector<TPoint>& pts) {
  if (pts.empty()) return TRect();
  TRect r(pts[0].X, pts[0].Y, pts[0].X, pts[0].Y);
  for (const TPoint& p : pts)
    r.Left = std::min(r.Left, p.X), r.Top = std::min(r.Top, p.Y), r.Right = std::max(r.Right, p.X),
    r.Bottom = std::max(r.Bottom, p.Y);
  return r;
}

// ---- The recording back-end ----
class TMetafileRecorder : public TCanvasBackend {
public:
  TMetafileRecorder(int width, int height, int ppi) : W(width), H(height), Ppi(ppi) {}

  int Width() const override { return W; }
  int Height() const override { return H; }
  int PixelsPerInch() const override { return Ppi; }

  // The finished file image: header, records, end record.
  std::vector<uint8_t> Finish() {
    std::vector<uint8_t> out;
    TWriter w{out};
    w.Begin(EMR_EOF);
    w.U32(0), w.U32(0), w.U32(20);
    w.End();
    std::vector<uint8_t> file;
    TWriter h{file};
    const uint32_t records = Count + 2;
    const uint32_t bytes = uint32_t(HeaderSize + Body.size() + out.size());
    h.Begin(EMR_HEADER);
    h.Rect(TRect(0, 0, std::max(0, W - 1), std::max(0, H - 1)));  // bounds, device pixels
    // The frame in 0.01 mm, inclusive.
    const auto hmm = [&](int px) { return int32_t(std::lround(px * 2540.0 / std::max(1, Ppi))); };
    h.Rect(TRect(0, 0, hmm(W) - 1, hmm(H) - 1));
    h.U32(EmfSignature), h.U32(0x10000), h.U32(bytes), h.U32(records);
    h.U16(uint16_t(std::min<uint32_t>(NextHandle, 0xFFFF))), h.U16(0);
    h.U32(0), h.U32(0), h.U32(0);  // description, palette
    // The reference device: the recording resolution.
    h.I32(W), h.I32(H), h.I32(std::max(1, int(std::lround(W * 25.4 / std::max(1, Ppi))))),
        h.I32(std::max(1, int(std::lround(H * 25.4 / std::max(1, Ppi)))));
    h.U32(0), h.U32(0), h.U32(0);  // pixel format, OpenGL
    h.I32(int32_t(std::lround(W * 25400.0 / std::max(1, Ppi)))), h.I32(int32_t(std::lround(H * 25400.0 / std::max(1, Ppi))));
    h.End();
    file.insert(file.end(), Body.begin(), Body.end());
    file.insert(file.end(), out.begin(), out.end());
    return file;
  }

  void DrawShape(const TCanvas& c, const TShapeGeometry& g) override {
    if (c.Pen.Mode == pmNop) return;
    Sync(c, false);
    const auto& p = g.CallPoints;
    switch (g.Call) {
      case scLineTo:
        if (p.size() < 2) return;
        Point(EMR_MOVETOEX, p[0]);
        Point(EMR_LINETO, p[1]);
        return;
      case scPolyline: Poly(EMR_POLYLINE, p); return;
      case scPolygon: Poly(EMR_POLYGON, p); return;
      case scPolyBezier: Poly(EMR_POLYBEZIER, p); return;
      case scRectangle:
      case scEllipse:
        if (p.size() < 2) return;
        Begin(g.Call == scRectangle ? EMR_RECTANGLE : EMR_ELLIPSE);
        Wr.Rect(TRect(p[0].X, p[0].Y, p[1].X, p[1].Y));
        End();
        return;
      case scRoundRect:
        if (p.size() < 3) return;
        Begin(EMR_ROUNDRECT);
        Wr.Rect(TRect(p[0].X, p[0].Y, p[1].X, p[1].Y));
        Wr.I32(p[2].X), Wr.I32(p[2].Y);
        End();
        return;
      case scArc:
      case scChord:
      case scPie:
        if (p.size() < 4) return;
        Begin(g.Call == scArc ? EMR_ARC : g.Call == scChord ? EMR_CHORD : EMR_PIE);
        Wr.Rect(TRect(p[0].X, p[0].Y, p[1].X, p[1].Y));
        Wr.I32(p[2].X), Wr.I32(p[2].Y), Wr.I32(p[3].X), Wr.I32(p[3].Y);
        End();
        return;
      default: Outlines(c, g); return;
    }
  }

  void DrawText(const TCanvas& c, int x, int y, const QString& text, const TRect* clip, bool opaqueClip) override {
    Sync(c, true);
    const std::u16string s = text.toStdU16String();
    Begin(EMR_EXTTEXTOUTW);
    const int width = c.TextWidth(text), height = c.TextHeight(text);
    Wr.Rect(TRect(x, y, x + width, y + height));
    Wr.U32(1), Wr.F32(0), Wr.F32(0);
    const uint32_t offString = 76, offDx = uint32_t(offString + ((s.size() * 2 + 3) & ~size_t(3)));
    Wr.I32(x), Wr.I32(y), Wr.U32(uint32_t(s.size())), Wr.U32(offString);
    Wr.U32(clip ? (opaqueClip ? 6u : 4u) : 0u);  // ETO_OPAQUE | ETO_CLIPPED
    Wr.Rect(clip ? *clip : TRect());
    Wr.U32(offDx);
    for (char16_t ch : s) Wr.U16(uint16_t(ch));
    while ((Body.size() - Wr.Start) % 4) Wr.U8(0);
    for (size_t i = 0; i < s.size(); ++i) Wr.U32(uint32_t(c.TextWidth(QString(QChar(s[i])))));
    End();
  }

  void DrawPath(const TCanvas& c, const QPainterPath& path, bool stroke, bool fill) override {
    TShapeGeometry g;
    g.Winding = path.fillRule() == Qt::WindingFill;
    for (const QPolygonF& poly : path.toSubpathPolygons()) {
      std::vector<TPoint> pts;
      for (const QPointF& q : poly) pts.emplace_back(int(std::lround(q.x() - 0.5)), int(std::lround(q.y() - 0.5)));
      if (pts.size() < 2) continue;
      if (fill) g.FillPolygons.push_back(pts);
      if (stroke) g.Outlines.push_back({pts, true});
    }
    TCanvas& cc = const_cast<TCanvas&>(c);
    const TBrush brush = cc.Brush;
    if (!fill) cc.Brush.Style = bsClear;
    Sync(c, false);
    Outlines(c, g);
    cc.Brush = brush;
  }

  void FillRect(const TCanvas& c, const TRect& rect) override {
    if (c.Brush.Style == bsClear) return;
    TCanvas& cc = const_cast<TCanvas&>(c);
    const TPen pen = cc.Pen;
    cc.Pen.Style = psClear;
    cc.Pen.Mode = pmCopy;
    Sync(c, false);
    // With no pen a rectangle fills one pixel less on the right and at the bottom.
    Begin(EMR_RECTANGLE);
    Wr.Rect(TRect(rect.Left, rect.Top, rect.Right + 1, rect.Bottom + 1));
    End();
    cc.Pen = pen;
  }

  void InvertRect(const TCanvas&, const TRect&) override {}
  TColor GetPixel(int, int) const override { return clNone; }

  void SetPixel(const TCanvas& c, int x, int y, TColor color) override {
    Begin(EMR_SETPIXELV);
    Wr.I32(x), Wr.I32(y), Wr.U32(ColorRef(color));
    End();
  }

  bool FloodFill(const TCanvas& c, int x, int y, TColor color, TFillStyle style) override {
    Sync(c, false);
    Begin(EMR_EXTFLOODFILL);
    Wr.I32(x), Wr.I32(y), Wr.U32(ColorRef(color)), Wr.U32(style == fsSurface ? 1 : 0);
    End();
    return true;
  }

  void StretchBlt(const TCanvas& c, const TRect& dest, const QImage& source, const TRect& srcRect, TCopyMode rop,
                  TColor transparent) override {
    if (source.isNull()) return;
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const uint32_t stride = uint32_t(w) * 4, bits = stride * uint32_t(h);
    Begin(EMR_STRETCHDIBITS);
    Wr.Rect(dest);
    Wr.I32(dest.Left), Wr.I32(dest.Top), Wr.I32(srcRect.Left), Wr.I32(h - srcRect.Bottom);
    Wr.I32(srcRect.Width()), Wr.I32(srcRect.Height());
    Wr.U32(80), Wr.U32(40), Wr.U32(120), Wr.U32(bits), Wr.U32(0), Wr.U32(rop);
    Wr.I32(dest.Width()), Wr.I32(dest.Height());
    Wr.U32(40), Wr.I32(w), Wr.I32(h), Wr.U16(1), Wr.U16(32), Wr.U32(0), Wr.U32(bits), Wr.I32(0), Wr.I32(0),
        Wr.U32(0), Wr.U32(0);
    for (int y = h - 1; y >= 0; --y) {  // bottom-up rows
      const uint32_t* row = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
      for (int x = 0; x < w; ++x) Wr.U32(row[x] & 0xFFFFFFu);
    }
    End();
    (void)c;
    (void)transparent;
  }

private:
  void Begin(uint32_t type) {
    Wr.Begin(type);
    ++Count;
  }
  void End() { Wr.End(); }
  void Point(uint32_t type, TPoint p) {
    Begin(type);
    Wr.I32(p.X), Wr.I32(p.Y);
    End();
  }
  void U32Record(uint32_t type, uint32_t v) {
    Begin(type);
    Wr.U32(v);
    End();
  }
  void Poly(uint32_t type, const std::vector<TPoint>& pts) {
    if (pts.empty()) return;
    Begin(type);
    Wr.Rect(BoundsOf(pts));
    Wr.U32(uint32_t(pts.size()));
    for (const TPoint& p : pts) Wr.I32(p.X), Wr.I32(p.Y);
    End();
  }
  // Shapes without a call of their own: the fill polygons with no pen, then the outlines.
  void Outlines(const TCanvas& c, const TShapeGeometry& g) {
    if (!g.FillPolygons.empty() && c.Brush.Style != bsClear) {
      TCanvas& cc = const_cast<TCanvas&>(c);
      const TPen pen = cc.Pen;
      cc.Pen.Style = psClear;
      Sync(c, false);
      Begin(EMR_POLYPOLYGON);
      std::vector<TPoint> all;
      for (const auto& poly : g.FillPolygons) all.insert(all.end(), poly.begin(), poly.end());
      Wr.Rect(BoundsOf(all));
      Wr.U32(uint32_t(g.FillPolygons.size())), Wr.U32(uint32_t(all.size()));
      for (const auto& poly : g.FillPolygons) Wr.U32(uint32_t(poly.size()));
      for (const TPoint& p : all) Wr.I32(p.X), Wr.I32(p.Y);
      End();
      cc.Pen = pen;
      Sync(c, false);
    }
    if (c.Pen.Style == psClear || g.Outlines.empty()) return;
    std::vector<TPoint> all;
    std::vector<uint32_t> counts;
    for (const auto& o : g.Outlines) {
      if (o.Points.size() < 2) continue;
      all.insert(all.end(), o.Points.begin(), o.Points.end());
      if (o.Closed) all.push_back(o.Points.front());
      counts.push_back(uint32_t(o.Points.size() + (o.Closed ? 1 : 0)));
    }
    if (counts.empty()) return;
    const TBrush brush = c.Brush;
    Begin(EMR_POLYPOLYLINE);
    Wr.Rect(BoundsOf(all));
    Wr.U32(uint32_t(counts.size())), Wr.U32(uint32_t(all.size()));
    for (uint32_t n : counts) Wr.U32(n);
    for (const TPoint& p : all) Wr.I32(p.X), Wr.I32(p.Y);
    End();
    (void)brush;
  }

  // Brings the recorded drawing state up to the canvas's.
  void Sync(const TCanvas& c, bool text) {
    if (!HavePen || !(c.Pen == CurPen)) {
      const uint32_t h = NextHandle++;
      Begin(EMR_CREATEPEN);
      Wr.U32(h);
      const uint32_t style = c.Pen.Style == psInsideFrame ? 6u : uint32_t(c.Pen.Style);
      Wr.U32(style), Wr.I32(std::max(0, c.Pen.Width)), Wr.I32(0), Wr.U32(ColorRef(c.Pen.Color));
      End();
      Select(h, PenHandle);
      CurPen = c.Pen;
      HavePen = true;
      if (RecordedRop != Rop2FromPenMode(c.Pen.Mode)) U32Record(EMR_SETROP2, RecordedRop = Rop2FromPenMode(c.Pen.Mode));
    }
    if (!HaveBrush || !(c.Brush == CurBrush)) {
      const uint32_t h = NextHandle++;
      Begin(EMR_CREATEBRUSHINDIRECT);
      Wr.U32(h);
      uint32_t style = 0, hatch = 0;
      if (c.Brush.Style == bsClear) style = 1;
      else if (c.Brush.Style != bsSolid) style = 2, hatch = uint32_t(c.Brush.Style) - 2;
      Wr.U32(style), Wr.U32(ColorRef(c.Brush.Color)), Wr.U32(hatch);
      End();
      Select(h, BrushHandle);
      CurBrush = c.Brush;
      HaveBrush = true;
    }
    const int bk = c.BackgroundOpaque() ? OPAQUE : TRANSPARENT;
    if (bk != RecordedBk) U32Record(EMR_SETBKMODE, uint32_t(RecordedBk = bk));
    if (ColorRef(c.BackgroundColor()) != RecordedBkColor) U32Record(EMR_SETBKCOLOR, RecordedBkColor = ColorRef(c.BackgroundColor()));
    if (c.PolyFillMode != RecordedFill) U32Record(EMR_SETPOLYFILLMODE, uint32_t(RecordedFill = c.PolyFillMode));
    if (c.ArcDirection != RecordedArc) U32Record(EMR_SETARCDIRECTION, uint32_t(RecordedArc = c.ArcDirection));
    if (!text) return;
    if (c.TextAlign != RecordedAlign) U32Record(EMR_SETTEXTALIGN, uint32_t(RecordedAlign = c.TextAlign));
    if (ColorRef(c.Font.Color) != RecordedTextColor) U32Record(EMR_SETTEXTCOLOR, RecordedTextColor = ColorRef(c.Font.Color));
    if (!HaveFont || !(c.Font == CurFont)) {
      const uint32_t h = NextHandle++;
      Begin(EMR_EXTCREATEFONTINDIRECTW);
      Wr.U32(h);
      Wr.I32(-c.Font.PixelSize()), Wr.I32(0), Wr.I32(c.Font.Escapement), Wr.I32(c.Font.Escapement);
      Wr.I32(c.Font.Bold() ? 700 : 400);
      Wr.U8(c.Font.Italic()), Wr.U8((c.Font.Style & fsUnderline) != 0), Wr.U8((c.Font.Style & fsStrikeOut) != 0);
      Wr.U8(c.Font.Charset), Wr.U8(0), Wr.U8(0), Wr.U8(3), Wr.U8(0);
      const std::u16string name = QString::fromStdString(c.Font.Name).left(31).toStdU16String();
      for (size_t i = 0; i < 32; ++i) Wr.U16(i < name.size() ? uint16_t(name[i]) : 0);
      End();
      Select(h, FontHandle);
      CurFont = c.Font;
      HaveFont = true;
    }
  }
  void Select(uint32_t h, uint32_t& slot) {
    U32Record(EMR_SELECTOBJECT, h);
    if (slot != 0) U32Record(EMR_DELETEOBJECT, slot);
    slot = h;
  }

  int W, H, Ppi;
  std::vector<uint8_t> Body;
  TWriter Wr{Body};
  uint32_t Count = 0;
  uint32_t NextHandle = 1;
  uint32_t PenHandle = 0, BrushHandle = 0, FontHandle = 0;
  TPen CurPen;
  TBrush CurBrush;
  TFont CurFont;
  bool HavePen = false, HaveBrush = false, HaveFont = false;
  int RecordedRop = R2_COPYPEN, RecordedBk = OPAQUE, RecordedFill = ALTERNATE, RecordedArc = AD_COUNTERCLOCKWISE;
  int RecordedAlign = 0;
  uint32_t RecordedBkColor = 0xFFFFFF, RecordedTextColor = 0;
};

// ---- Reading ----
struct TReader {
  const uint8_t* P;
  size_t Size;
  bool Has(size_t off, size_t n) const { return off <= Size && n <= Size - off; }
  uint32_t U32(size_t off) const {
    return uint32_t(P[off]) | uint32_t(P[off + 1]) << 8 | uint32_t(P[off + 2]) << 16 | uint32_t(P[off + 3]) << 24;
  }
  int32_t I32(size_t off) const { return int32_t(U32(off)); }
  uint16_t U16(size_t off) const { return uint16_t(P[off] | P[off + 1] << 8); }
  int16_t I16(size_t off) const { return int16_t(U16(off)); }
};

// A device-independent bitmap of a record: the header at offBmi (cbBmi bytes with its colour
// table), the pixels at offBits (cbBits bytes). Uncompressed 1, 4, 8, 24 and 32 bits per pixel,
// rows bottom-up or top-down; false for anything else or anything that does not fit. The image
// comes out top row first.
bool DecodeDib(const TReader& r, size_t offBmi, size_t cbBmi, size_t offBits, size_t cbBits, QImage& out) {
  if (cbBmi < 40 || !r.Has(offBmi, 40) || !r.Has(offBits, cbBits)) return false;
  const uint32_t headerSize = r.U32(offBmi);
  const int32_t w = r.I32(offBmi + 4), h = r.I32(offBmi + 8);
  const uint16_t bpp = r.U16(offBmi + 14);
  const uint32_t compression = r.U32(offBmi + 16), used = r.U32(offBmi + 32);
  if (headerSize < 40 || w <= 0 || h == 0 || w > 30000 || h > 30000 || h < -30000 || compression != 0) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
  std::vector<QRgb> table;
  if (bpp <= 8) {
    const uint32_t entries = used != 0 && used < (1u << bpp) ? used : (1u << bpp);
    const size_t offTable = offBmi + headerSize;
    if (headerSize > cbBmi || !r.Has(offTable, size_t(entries) * 4)) return false;
    for (uint32_t i = 0; i < entries; ++i) {
      const uint8_t* t = r.P + offTable + i * 4;
      table.push_back(qRgb(t[2], t[1], t[0]));
    }
  }
  const int rows = h > 0 ? h : -h;
  const uint64_t stride = ((uint64_t(w) * bpp + 31) / 32) * 4;
  if (stride * uint64_t(rows) > cbBits) return false;
  out = QImage(w, rows, QImage::Format_RGB32);
  for (int y = 0; y < rows; ++y) {
    const uint8_t* row = r.P + offBits + size_t(h > 0 ? rows - 1 - y : y) * stride;
    QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < w; ++x) {
      if (bpp >= 24) {
        const uint8_t* px = row + size_t(x) * (bpp / 8);
        o[x] = qRgb(px[2], px[1], px[0]);
      } else {
        const int bit = x * bpp;
        const unsigned index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        o[x] = index < table.size() ? table[index] : qRgb(0, 0, 0);
      }
    }
  }
  return true;
}

struct TPlayObject {
  enum { Pen, Brush, Font } Kind = Pen;
  TPen PenValue;
  TBrush BrushValue;
  TFont FontValue;
  // Selects the object into the canvas; a pen keeps the canvas's mix mode.
  void SelectInto(TCanvas& c) const {
    if (Kind == Pen) {
      const TPenMode mode = c.Pen.Mode;
      c.Pen = PenValue;
      c.Pen.Mode = mode;
    } else if (Kind == Brush) {
      c.Brush = BrushValue;
    } else {
      c.Font = FontValue;
    }
  }
};

class TPlayer {
public:
  TPlayer(TCanvas& canvas, const TRect& rect, const TRect& bounds) : C(canvas) {
    // Logical units of the recording are mapped so that its bounds fill rect.
    // In 64 bits: a file's bounds may span the whole int range.
    const double bw = double(std::max<int64_t>(1, int64_t(bounds.Right) - bounds.Left + 1));
    const double bh = double(std::max<int64_t>(1, int64_t(bounds.Bottom) - bounds.Top + 1));
    Sx = (rect.Width()) / bw, Sy = (rect.Height()) / bh;
    Ox = rect.Left - bounds.Left * Sx, Oy = rect.Top - bounds.Top * Sy;
  }

  TPoint Map(int32_t x, int32_t y) const {
    double lx = x, ly = y;
    if (HaveWindow && WinExt.X != 0 && WinExt.Y != 0) {
      lx = (x - WinOrg.X) * double(VpExt.X) / WinExt.X + VpOrg.X;
      ly = (y - WinOrg.Y) * double(VpExt.Y) / WinExt.Y + VpOrg.Y;
    }
    return TPoint(Clamp(Ox + lx * Sx), Clamp(Oy + ly * Sy));
  }
  int Len(int32_t v, bool vertical) const {
    double s = vertical ? Sy : Sx;
    if (HaveWindow && WinExt.X != 0 && WinExt.Y != 0)
      s *= vertical ? double(VpExt.Y) / WinExt.Y : double(VpExt.X) / WinExt.X;
    return Clamp(std::fabs(v * s));
  }
  static int Clamp(double v) {
    if (!std::isfinite(v)) return 0;
    return int(std::lround(std::clamp(v, -1.0e8, 1.0e8)));
  }

  void Play(const uint8_t* data, size_t size) {
    TReader r{data, size};
    size_t off = 0;
    const TPen pen = C.Pen;
    const TBrush brush = C.Brush;
    const TFont font = C.Font;
    const int align = C.TextAlign, arc = C.ArcDirection, fill = C.PolyFillMode, bk = C.BkMode;
    const TColor bkColor = C.BkColor;
    C.Pen = TPen();
    C.Brush = TBrush();
    while (r.Has(off, 8)) {
      const uint32_t type = r.U32(off), len = r.U32(off + 4);
      if (len < 8 || len % 4 != 0 || !r.Has(off, len)) break;  // a damaged record ends the picture
      Record(type, TReader{data + off, len});
      if (type == EMR_EOF) break;
      off += len;
    }
    C.Pen = pen;
    C.Brush = brush;
    C.Font = font;
    C.TextAlign = align, C.ArcDirection = arc, C.PolyFillMode = fill, C.BkMode = bk, C.BkColor = bkColor;
  }

private:
  // Points of a poly record: count at countOff, points (32- or 16-bit) at ptsOff.
  bool Points(const TReader& r, size_t countOff, size_t ptsOff, bool small, std::vector<TPoint>& pts) {
    if (!r.Has(countOff, 4)) return false;
    const uint32_t n = r.U32(countOff);
    const size_t each = small ? 4 : 8;
    if (n > (r.Size - std::min(r.Size, ptsOff)) / each) return false;
    pts.resize(n);
    for (uint32_t i = 0; i < n; ++i) {
      const size_t o = ptsOff + i * each;
      pts[i] = small ? Map(r.I16(o), r.I16(o + 2)) : Map(r.I32(o), r.I32(o + 4));
    }
    return true;
  }
  void PolyPoly(const TReader& r, bool small, bool polygon) {
    if (!r.Has(16, 16)) return;
    const uint32_t polys = r.U32(24), total = r.U32(28);
    const size_t each = small ? 4 : 8;
    if (polys > (r.Size - 32) / 4) return;
    const size_t ptsOff = 32 + size_t(polys) * 4;
    if (total > (r.Size - ptsOff) / each) return;
    size_t at = 0;
    std::vector<TPoint> pts;
    for (uint32_t k = 0; k < polys; ++k) {
      const uint32_t n = r.U32(32 + size_t(k) * 4);
      if (n > total - at) return;
      pts.clear();
      for (uint32_t i = 0; i < n; ++i, ++at) {
        const size_t o = ptsOff + at * each;
        pts.push_back(small ? Map(r.I16(o), r.I16(o + 2)) : Map(r.I32(o), r.I32(o + 4)));
      }
      if (polygon) C.Polygon(pts);
      else C.Polyline(pts);
    }
  }
  TRect Box(const TReader& r, size_t off) const {
    const TPoint a = Map(r.I32(off), r.I32(off + 4)), b = Map(r.I32(off + 8), r.I32(off + 12));
    return TRect(a.X, a.Y, b.X, b.Y);
  }
  void Select(uint32_t h) {
    if (h & StockObject) {
      switch (h & 0xFF) {
        case 0: C.Brush = {clWhite, bsSolid}; break;
        case 1: C.Brush = {clSilver, bsSolid}; break;
        case 2: C.Brush = {clGray, bsSolid}; break;
        case 3: C.Brush = {RGBColor(64, 64, 64), bsSolid}; break;
        case 4: C.Brush = {clBlack, bsSolid}; break;
        case 5: C.Brush.Style = bsClear; break;
        case 6: C.Pen = {clWhite, 1, psSolid, C.Pen.Mode}; break;
        case 7: C.Pen = {clBlack, 1, psSolid, C.Pen.Mode}; break;
        case 8: C.Pen.Style = psClear; break;
        default: break;
      }
      return;
    }
    auto it = Objects.find(h);
    if (it != Objects.end()) it->second.SelectInto(C);
  }

  void Record(uint32_t type, const TReader& r) {
    const size_t n = r.Size;
    switch (type) {
      case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIER16: case EMR_POLYGON16:
      case EMR_POLYLINE16: case EMR_POLYLINETO: case EMR_POLYLINETO16: case EMR_POLYBEZIERTO:
      case EMR_POLYBEZIERTO16: {
        const bool small = type >= EMR_POLYBEZIER16;
        std::vector<TPoint> pts;
        if (!Points(r, 24, 28, small, pts)) return;
        const uint32_t base = small ? type - EMR_POLYBEZIER16 + EMR_POLYBEZIER : type;
        if (base == EMR_POLYLINETO || base == EMR_POLYBEZIERTO) pts.insert(pts.begin(), C.PenPos);
        if (base == EMR_POLYBEZIER || base == EMR_POLYBEZIERTO) C.PolyBezier(pts);
        else if (base == EMR_POLYGON) C.Polygon(pts);
        else C.Polyline(pts);
        if ((base == EMR_POLYLINETO || base == EMR_POLYBEZIERTO) && !pts.empty()) C.MoveTo(pts.back().X, pts.back().Y);
        return;
      }
      case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: PolyPoly(r, false, type == EMR_POLYPOLYGON); return;
      case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: PolyPoly(r, true, type == EMR_POLYPOLYGON16); return;
      case EMR_SETWINDOWEXTEX: case EMR_SETWINDOWORGEX: case EMR_SETVIEWPORTEXTEX: case EMR_SETVIEWPORTORGEX: {
        if (n < 16) return;
        const TPoint v(r.I32(8), r.I32(12));
        if (type == EMR_SETWINDOWEXTEX) WinExt = v;
        else if (type == EMR_SETWINDOWORGEX) WinOrg = v;
        else if (type == EMR_SETVIEWPORTEXTEX) VpExt = v;
        else VpOrg = v;
        if (type == EMR_SETWINDOWEXTEX && VpExt.X == 0) VpExt = v;
        HaveWindow = true;
        return;
      }
      case EMR_SETPIXELV:
        if (n >= 20) {
          const TPoint p = Map(r.I32(8), r.I32(12));
          C.SetPixel(p.X, p.Y, TColor(r.U32(16) & 0xFFFFFF));
        }
        return;
      case EMR_SETBKMODE: if (n >= 12) C.BkMode = r.U32(8) == OPAQUE ? OPAQUE : TRANSPARENT; return;
      case EMR_SETPOLYFILLMODE: if (n >= 12) C.PolyFillMode = r.U32(8) == WINDING ? WINDING : ALTERNATE; return;
      case EMR_SETROP2: if (n >= 12) C.Pen.Mode = PenModeFromRop2(int(r.U32(8))); return;
      case EMR_SETTEXTALIGN: if (n >= 12) C.TextAlign = int(r.U32(8) & 0x1F); return;
      case EMR_SETTEXTCOLOR: if (n >= 12) C.Font.Color = TColor(r.U32(8) & 0xFFFFFF); return;
      case EMR_SETBKCOLOR: if (n >= 12) C.BkColor = TColor(r.U32(8) & 0xFFFFFF); return;
      case EMR_SETARCDIRECTION:
        if (n >= 12) C.ArcDirection = r.U32(8) == AD_CLOCKWISE ? AD_CLOCKWISE : AD_COUNTERCLOCKWISE;
        return;
      case EMR_MOVETOEX: case EMR_LINETO:
        if (n >= 16) {
          const TPoint p = Map(r.I32(8), r.I32(12));
          if (type == EMR_MOVETOEX) C.MoveTo(p.X, p.Y);
          else C.LineTo(p.X, p.Y);
        }
        return;
      case EMR_SELECTOBJECT: if (n >= 12) Select(r.U32(8)); return;
      case EMR_DELETEOBJECT: if (n >= 12) Objects.erase(r.U32(8)); return;
      case EMR_CREATEPEN:
      case EMR_EXTCREATEPEN: {
        // The plain pen keeps style, width and colour at 12, 16, 24; the extended one at 28, 32, 40.
        const bool ext = type == EMR_EXTCREATEPEN;
        if (n < (ext ? 52u : 28u)) return;
        TPlayObject o;
        o.Kind = TPlayObject::Pen;
        const uint32_t style = r.U32(ext ? 28 : 12) & 0xF;
        o.PenValue.Style = style <= 5 ? TPenStyle(style) : style == 6 ? psInsideFrame : psSolid;
        o.PenValue.Width = std::min(Len(r.I32(ext ? 32 : 16), false), 10000);
        o.PenValue.Color = TColor(r.U32(ext ? 40 : 24) & 0xFFFFFF);
        Objects[r.U32(8)] = o;
        return;
      }
      case EMR_CREATEBRUSHINDIRECT:
        if (n >= 24) {
          TPlayObject o;
          o.Kind = TPlayObject::Brush;
          const uint32_t style = r.U32(12), hatch = r.U32(20);
          o.BrushValue.Color = TColor(r.U32(16) & 0xFFFFFF);
          o.BrushValue.Style = style == 1 ? bsClear : style == 2 && hatch <= 5 ? TBrushStyle(hatch + 2) : bsSolid;
          Objects[r.U32(8)] = o;
        }
        return;
      case EMR_EXTCREATEFONTINDIRECTW:
        if (n >= 104) {
          TPlayObject o;
          o.Kind = TPlayObject::Font;
          TFont f = C.Font;
          f.SetHeight(std::clamp(r.I32(12) < 0 ? -Len(r.I32(12), true) : Len(r.I32(12), true), -2000, 2000));
          f.Escapement = r.I32(20) % 3600;
          f.Style = TFontStyles((r.I32(28) >= 600 ? fsBold : 0) | (r.P[32] ? fsItalic : 0) | (r.P[33] ? fsUnderline : 0) |
                                (r.P[34] ? fsStrikeOut : 0));
          f.Charset = r.P[35];
          std::u16string name;
          for (size_t i = 0; i < 32; ++i) {
            const uint16_t ch = r.U16(40 + i * 2);
            if (ch == 0) break;
            name += char16_t(ch);
          }
          if (!name.empty()) f.Name = QString::fromStdU16String(name).toStdString();
          o.FontValue = f;
          Objects[r.U32(8)] = o;
        }
        return;
      case EMR_ELLIPSE: case EMR_RECTANGLE:
        if (n >= 24) {
          const TRect b = Box(r, 8);
          if (type == EMR_ELLIPSE) C.Ellipse(b);
          else C.Rectangle(b);
        }
        return;
      case EMR_ROUNDRECT:
        if (n >= 32) {
          const TRect b = Box(r, 8);
          C.RoundRect(b.Left, b.Top, b.Right, b.Bottom, Len(r.I32(24), false), Len(r.I32(28), true));
        }
        return;
      case EMR_ARC: case EMR_CHORD: case EMR_PIE:
        if (n >= 40) {
          const TRect b = Box(r, 8);
          const TPoint s = Map(r.I32(24), r.I32(28)), e = Map(r.I32(32), r.I32(36));
          if (type == EMR_ARC) C.Arc(b.Left, b.Top, b.Right, b.Bottom, s.X, s.Y, e.X, e.Y);
          else if (type == EMR_CHORD) C.Chord(b.Left, b.Top, b.Right, b.Bottom, s.X, s.Y, e.X, e.Y);
          else C.Pie(b.Left, b.Top, b.Right, b.Bottom, s.X, s.Y, e.X, e.Y);
        }
        return;
      case EMR_EXTFLOODFILL:
        if (n >= 24) {
          const TPoint p = Map(r.I32(8), r.I32(12));
          C.FloodFill(p.X, p.Y, TColor(r.U32(16) & 0xFFFFFF), r.U32(20) == 1 ? fsSurface : fsBorder);
        }
        return;
      case EMR_EXTTEXTOUTW: {
        if (n < 76) return;
        const uint32_t chars = r.U32(44), offString = r.U32(48);
        if (chars > 100000 || !r.Has(offString, size_t(chars) * 2)) return;
        std::u16string s;
        for (uint32_t i = 0; i < chars; ++i) s += char16_t(r.U16(offString + i * 2));
        const TPoint p = Map(r.I32(36), r.I32(40));
        C.TextOut(p.X, p.Y, QString::fromStdU16String(s));
        return;
      }
      case EMR_STRETCHDIBITS: {
        if (n < 80) return;
        const TRect dest(0, 0, 0, 0);
        const int32_t xd = r.I32(24), yd = r.I32(28), xs = r.I32(32), ys = r.I32(36), cxs = r.I32(40), cys = r.I32(44);
        const uint32_t offBmi = r.U32(48), cbBmi = r.U32(52), offBits = r.U32(56), cbBits = r.U32(60), rop = r.U32(68);
        const int32_t cxd = r.I32(72), cyd = r.I32(76);
        if (cbBmi < 40 || !r.Has(offBmi, 40) || !r.Has(offBits, cbBits)) return;
        const int32_t w = r.I32(offBmi + 4), h = r.I32(offBmi + 8);
        const uint16_t bpp = r.U16(offBmi + 14);
        const uint32_t compression = r.U32(offBmi + 16);
        if (w <= 0 || h == 0 || w > 30000 || std::abs(h) > 30000 || compression != 0 || (bpp != 24 && bpp != 32)) return;
        const uint64_t stride = ((uint64_t(w) * bpp + 31) / 32) * 4;
        if (stride * uint64_t(std::abs(h)) > cbBits) return;
        QImage img(w, std::abs(h), QImage::Format_RGB32);
        for (int y = 0; y < std::abs(h); ++y) {
          const size_t row = offBits + size_t(h > 0 ? std::abs(h) - 1 - y : y) * stride;
          uint32_t* out = reinterpret_cast<uint32_t*>(img.scanLine(y));
          for (int x = 0; x < w; ++x) {
            const uint8_t* px = r.P + row + size_t(x) * (bpp / 8);
            out[x] = 0xFF000000u | uint32_t(px[2]) << 16 | uint32_t(px[1]) << 8 | px[0];
          }
        }
        const TPoint a = Map(xd, yd), b = Map(xd + cxd, yd + cyd);
        // Source rows count from the bottom of the bitmap.
        const int top = std::abs(h) - ys - cys;
        C.StretchBltImage(TRect(a.X, a.Y, b.X, b.Y), img, TRect(xs, top, xs + cxs, top + cys), rop);
        (void)dest;
        return;
      }
      default: return;  // other records (and the header and end) draw nothing here
    }
  }

  TCanvas& C;
  double Sx = 1, Sy = 1, Ox = 0, Oy = 0;
  bool HaveWindow = false;
  TPoint WinOrg, WinExt, VpOrg, VpExt;
  std::map<uint32_t, TPlayObject> Objects;
};

}  // namespace

// ---- TMetafile --------------------------------------------------------------------------------

void TMetafile::Clear() {
  Records.clear();
  MMWidthPixels = MMHeightPixels = 0;
}

void TMetafile::LoadEnhanced(const uint8_t* data, size_t size) {
  TReader r{data, size};
  if (!r.Has(0, 88) || r.U32(0) != EMR_HEADER || r.U32(40) != EmfSignature)
    throw EMetafileError("Not an enhanced metafile");
  const uint32_t headerSize = r.U32(4);
  if (headerSize < 88 || headerSize % 4 != 0 || headerSize > size) throw EMetafileError("The metafile header is damaged");
  // The picture's size from its frame (0.01 mm) at this picture's resolution.
  const int32_t fl = r.I32(24), ft = r.I32(28), fr = r.I32(32), fb = r.I32(36);
  const int64_t fw = int64_t(fr) - fl + 1, fh = int64_t(fb) - ft + 1;
  if (fw <= 0 || fh <= 0 || fw > 100000000 || fh > 100000000) throw EMetafileError("The metafile frame is empty or too large");
  const size_t bytes = std::min<size_t>(size, r.U32(48));
  Records.assign(data, data + std::max<size_t>(bytes, headerSize));
  Enhanced = true;
  MMWidthPixels = int(std::lround(fw * Inch / 2540.0));
  MMHeightPixels = int(std::lround(fh * Inch / 2540.0));
}

void TMetafile::LoadFromStream(TStream& stream) {
  const int64_t n = stream.Remaining();
  if (n <= 0 || n > (int64_t(1) << 30)) throw EMetafileError("The metafile is empty or too large");
  std::vector<uint8_t> data(static_cast<size_t>(n));
  stream.ReadBuffer(data.data(), n);
  if (data.size() >= 4 && TReader{data.data(), data.size()}.U32(0) == EMR_HEADER) LoadEnhanced(data.data(), data.size());
  else LoadOld(data.data(), data.size());
}

void TMetafile::SaveToStream(TStream& stream) {
  if (Enhanced) {
    stream.WriteBuffer(Records.data(), int64_t(Records.size()));
  } else {
    const std::vector<uint8_t> old = OldFileImage();
    stream.WriteBuffer(old.data(), int64_t(old.size()));
  }
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) {
  PlayEnhancedRecords(Records.data(), Records.size(), canvas, rect);
}

void PlayEnhancedRecords(const uint8_t* data, size_t size, TCanvas& canvas, const TRect& rect) {
  TReader r{data, size};
  if (!r.Has(0, 88) || r.U32(0) != EMR_HEADER) return;
  const TRect bounds(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
  TPlayer player(canvas, rect, bounds);
  player.Play(data, size);
}

// ---- TMetafileCanvas ----------------------------------------------------------------------------

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile, int width, int height, int ppi)
    : TCanvas(std::make_unique<TMetafileRecorder>(std::max(1, width), std::max(1, height), std::max(1, ppi))),
      Target(metafile) {
  SetPixelsPerInch(std::max(1, ppi));
}

TMetafileCanvas::~TMetafileCanvas() {
  try {
    Finish();
  } catch (...) {
  }
}

void TMetafileCanvas::Finish() {
  if (Finished) return;
  Finished = true;
  auto& recorder = static_cast<TMetafileRecorder&>(Backend());
  Target.Records = recorder.Finish();
  Target.Enhanced = true;
  Target.Inch = recorder.PixelsPerInch();
  Target.MMWidthPixels = recorder.Width();
  Target.MMHeightPixels = recorder.Height();
}

// ---- The old placeable format --------------------------------------------------------------------

namespace {
enum : uint16_t {
  META_EOF = 0x0000, META_SETBKCOLOR = 0x0201, META_SETBKMODE = 0x0102, META_SETROP2 = 0x0104,
  META_SETPOLYFILLMODE = 0x0106, META_SETTEXTALIGN = 0x012E, META_SETTEXTCOLOR = 0x0209, META_SETWINDOWORG = 0x020B,
  META_SETWINDOWEXT = 0x020C, META_LINETO = 0x0213, META_MOVETO = 0x0214, META_ARC = 0x0817, META_ELLIPSE = 0x0418,
  META_PIE = 0x081A, META_RECTANGLE = 0x041B, META_ROUNDRECT = 0x061C, META_SETPIXEL = 0x041F, META_TEXTOUT = 0x0521,
  META_POLYGON = 0x0324, META_POLYLINE = 0x0325, META_CHORD = 0x0830, META_POLYPOLYGON = 0x0538,
  META_SELECTOBJECT = 0x012D, META_DELETEOBJECT = 0x01F0, META_CREATEPENINDIRECT = 0x02FA,
  META_CREATEBRUSHINDIRECT = 0x02FC, META_CREATEFONTINDIRECT = 0x02FB, META_EXTFLOODFILL = 0x0548,
  META_DIBSTRETCHBLT = 0x0B41, META_STRETCHDIB = 0x0F43,
};
constexpr uint32_t PlaceableKey = 0x9AC6CDD7u;

int16_t Short(int v) { return int16_t(std::clamp(v, -32768, 32767)); }

// Writes old-style records from the enhanced ones; coordinates are the recording's pixels.
class TOldWriter {
public:
  std::vector<uint8_t> Out;
  uint32_t MaxRecord = 0;
  uint16_t Objects = 0;

  void Rec(uint16_t fn, std::initializer_list<int> words) { Rec(fn, std::vector<int>(words)); }
  void Rec(uint16_t fn, const std::vector<int>& words) {
    const uint32_t size = uint32_t(3 + words.size());
    W32(size), W16(fn);
    for (int w : words) W16(uint16_t(w));
    MaxRecord = std::max(MaxRecord, size);
  }
  // A bitmap stretched from its source rectangle (xs, ys from the bitmap's bottom row, as in the
  // file) into the destination, as a 24-bit bottom-up bitmap.
  void StretchDib(uint32_t rop, int xs, int ys, int cxs, int cys, int xd, int yd, int cxd, int cyd, const QImage& img) {
    const int w = img.width(), h = img.height();
    const uint32_t stride = (uint32_t(w) * 3 + 3) & ~3u, bits = stride * uint32_t(h);
    const uint32_t size = (28 + 40 + bits) / 2;
    W32(size), W16(META_STRETCHDIB);
    W32(rop), W16(0);  // the colours are RGB values
    for (int v : {cys, cxs, ys, xs, cyd, cxd, yd, xd}) W16(uint16_t(Short(v)));
    W32(40), W32(uint32_t(w)), W32(uint32_t(h)), W16(1), W16(24), W32(0), W32(bits), W32(0), W32(0), W32(0), W32(0);
    Out.reserve(Out.size() + bits);
    for (int y = h - 1; y >= 0; --y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        Out.push_back(uint8_t(qBlue(row[x]))), Out.push_back(uint8_t(qGreen(row[x]))), Out.push_back(uint8_t(qRed(row[x])));
      }
      for (uint32_t pad = uint32_t(w) * 3; pad < stride; ++pad) Out.push_back(0);
    }
    MaxRecord = std::max(MaxRecord, size);
  }
  void W16(uint16_t v) { Out.push_back(uint8_t(v)), Out.push_back(uint8_t(v >> 8)); }
  void W32(uint32_t v) { W16(uint16_t(v)), W16(uint16_t(v >> 16)); }
};
}  // namespace

std::vector<uint8_t> TMetafile::OldFileImage() const {
  // The old format has object objectTable that are reused: every object is created, selected and deleted
  // again once it is replaced. Slot 0 pens, 1 brushes, 2 fonts.
  TOldWriter w;
  TReader r{Records.data(), Records.size()};
  std::map<uint32_t, std::pair<int, std::vector<int>>> objects;  // handle -> (kind, words)
  int slotOf[3] = {-1, -1, -1};
  bool slotUsed[3] = {false, false, false};
  auto poly = [&](uint16_t fn, const TReader& rec, size_t countOff, size_t ptsOff) {
    if (!rec.Has(countOff, 4)) return;
    const uint32_t n = rec.U32(countOff);
    if (n > 8000 || n > (rec.Size - std::min(rec.Size, ptsOff)) / 8) return;
    std::vector<int> words{int(n)};
    for (uint32_t i = 0; i < n; ++i) words.push_back(Short(rec.I32(ptsOff + i * 8))), words.push_back(Short(rec.I32(ptsOff + i * 8 + 4)));
    w.Rec(fn, words);
  };
  if (r.Has(0, 88)) {
    w.Rec(META_SETWINDOWORG, {0, 0});
    w.Rec(META_SETWINDOWEXT, {Short(MMHeightPixels), Short(MMWidthPixels)});
    size_t off = r.U32(4);
    while (r.Has(off, 8)) {
      const uint32_t type = r.U32(off), len = r.U32(off + 4);
      if (len < 8 || len % 4 || !r.Has(off, len)) break;
      const TReader rec{Records.data() + off, len};
      // Raw 32-bit fields, and coordinates held to the old format's 16 bits.
      auto at = [&](size_t o) { return len >= o + 4 ? rec.I32(o) : 0; };
      auto c = [&](size_t o) { return int(Short(at(o))); };
      switch (type) {
        case EMR_MOVETOEX: w.Rec(META_MOVETO, {c(12), c(8)}); break;
        case EMR_LINETO: w.Rec(META_LINETO, {c(12), c(8)}); break;
        case EMR_POLYLINE: poly(META_POLYLINE, rec, 24, 28); break;
        case EMR_POLYGON: poly(META_POLYGON, rec, 24, 28); break;
        case EMR_POLYBEZIER: {
          // Flattened: the old format has no curves of this kind.
          std::vector<TPoint> pts;
          const uint32_t n = len >= 28 ? rec.U32(24) : 0;
          if (n > (len - 28) / 8) break;
          for (uint32_t i = 0; i < n; ++i) pts.emplace_back(rec.I32(28 + i * 8), rec.I32(32 + i * 8));
          const std::vector<TPoint> flat = TCanvas::BezierPoints(pts.data(), int(pts.size()));
          std::vector<int> words{int(std::min<size_t>(flat.size(), 8000))};
          for (size_t i = 0; i < flat.size() && i < 8000; ++i) words.push_back(Short(flat[i].X)), words.push_back(Short(flat[i].Y));
          w.Rec(META_POLYLINE, words);
          break;
        }
        case EMR_POLYPOLYLINE:
        case EMR_POLYPOLYGON: {
          if (len < 32) break;
          const uint32_t polys = rec.U32(24), total = rec.U32(28);
          if (polys > (len - 32) / 4 || total > (len - 32 - polys * 4) / 8) break;
          size_t at2 = 0;
          for (uint32_t k = 0; k < polys; ++k) {
            const uint32_t n = rec.U32(32 + k * 4);
            if (n > total - at2 || n > 8000) break;
            std::vector<int> words{int(n)};
            for (uint32_t i = 0; i < n; ++i, ++at2) {
              const size_t o = 32 + polys * 4 + at2 * 8;
              words.push_back(Short(rec.I32(o))), words.push_back(Short(rec.I32(o + 4)));
            }
            w.Rec(type == EMR_POLYPOLYGON ? META_POLYGON : META_POLYLINE, words);
          }
          break;
        }
        case EMR_RECTANGLE: w.Rec(META_RECTANGLE, {c(20), c(16), c(12), c(8)}); break;
        case EMR_ELLIPSE: w.Rec(META_ELLIPSE, {c(20), c(16), c(12), c(8)}); break;
        case EMR_ROUNDRECT: w.Rec(META_ROUNDRECT, {c(28), c(24), c(20), c(16), c(12), c(8)}); break;
        case EMR_ARC: case EMR_CHORD: case EMR_PIE:
          w.Rec(type == EMR_ARC ? META_ARC : type == EMR_CHORD ? META_CHORD : META_PIE,
                {c(36), c(32), c(28), c(24), c(20), c(16), c(12), c(8)});
          break;
        case EMR_SETPIXELV: w.Rec(META_SETPIXEL, {at(16) & 0xFFFF, (at(16) >> 16) & 0xFFFF, c(12), c(8)}); break;
        case EMR_SETBKMODE: w.Rec(META_SETBKMODE, {at(8)}); break;
        case EMR_SETROP2: w.Rec(META_SETROP2, {at(8)}); break;
        case EMR_SETPOLYFILLMODE: w.Rec(META_SETPOLYFILLMODE, {at(8)}); break;
        case EMR_SETTEXTALIGN: w.Rec(META_SETTEXTALIGN, {at(8)}); break;
        case EMR_SETTEXTCOLOR: w.Rec(META_SETTEXTCOLOR, {at(8) & 0xFFFF, (at(8) >> 16) & 0xFFFF}); break;
        case EMR_SETBKCOLOR: w.Rec(META_SETBKCOLOR, {at(8) & 0xFFFF, (at(8) >> 16) & 0xFFFF}); break;
        case EMR_EXTFLOODFILL:
          w.Rec(META_EXTFLOODFILL, {at(20), at(16) & 0xFFFF, (at(16) >> 16) & 0xFFFF, c(12), c(8)});
          break;
        case EMR_STRETCHDIBITS: {
          // Pictures and image objects: the bitmap goes along as an old-style stretched bitmap.
          if (len < 80) break;
          QImage img;
          if (!DecodeDib(rec, rec.U32(48), rec.U32(52), rec.U32(56), rec.U32(60), img)) break;
          int ys = rec.I32(36);
          const int cys = rec.I32(44);
          // A top-down bitmap counts its source rows from the top; the one written counts from the
          // bottom.
          if (rec.I32(rec.U32(48) + 8) < 0) ys = img.height() - ys - cys;
          w.StretchDib(rec.U32(68), rec.I32(32), ys, rec.I32(40), cys, rec.I32(24), rec.I32(28), rec.I32(72),
                       rec.I32(76), img);
          break;
        }
        case EMR_CREATEPEN:
          if (len >= 28) objects[rec.U32(8)] = {0, {at(12), c(16), 0, at(24) & 0xFFFF, (at(24) >> 16) & 0xFFFF}};
          break;
        case EMR_CREATEBRUSHINDIRECT:
          if (len >= 24) objects[rec.U32(8)] = {1, {at(12), at(16) & 0xFFFF, (at(16) >> 16) & 0xFFFF, at(20)}};
          break;
        case EMR_EXTCREATEFONTINDIRECTW:
          if (len >= 104) {
            std::vector<int> words{c(12), c(16), at(20), at(24), at(28)};
            words.push_back(rec.P[32] | rec.P[33] << 8);
            words.push_back(rec.P[34] | rec.P[35] << 8);
            words.push_back(rec.P[36] | rec.P[37] << 8);
            words.push_back(rec.P[38] | rec.P[39] << 8);
            std::string name;
            for (size_t i = 0; i < 31; ++i) {
              const uint16_t ch = rec.U16(40 + i * 2);
              if (ch == 0) break;
              name += char(ch < 256 ? ch : '?');
            }
            name.resize(32, '\0');
            for (size_t i = 0; i < 32; i += 2) words.push_back(uint8_t(name[i]) | uint8_t(name[i + 1]) << 8);
            objects[rec.U32(8)] = {2, words};
          }
          break;
        case EMR_SELECTOBJECT: {
          auto it = objects.find(len >= 12 ? rec.U32(8) : 0);
          if (it == objects.end()) break;
          const int kind = it->second.first;
          if (slotOf[kind] >= 0) {
            w.Rec(META_DELETEOBJECT, {slotOf[kind]});
            slotUsed[slotOf[kind]] = false;
          }
          const uint16_t fn = kind == 0 ? META_CREATEPENINDIRECT : kind == 1 ? META_CREATEBRUSHINDIRECT : META_CREATEFONTINDIRECT;
          w.Rec(fn, it->second.second);
          // A new object takes the lowest free slot of the table.
          int slot = 0;
          while (slotUsed[slot]) ++slot;
          slotUsed[slot] = true;
          slotOf[kind] = slot;
          w.Rec(META_SELECTOBJECT, {slot});
          break;
        }
        case EMR_EXTTEXTOUTW: {
          if (len < 76) break;
          const uint32_t chars = rec.U32(44), offString = rec.U32(48);
          if (chars > 4000 || !rec.Has(offString, size_t(chars) * 2)) break;
          std::string s;
          for (uint32_t i = 0; i < chars; ++i) {
            const uint16_t ch = rec.U16(offString + i * 2);
            s += char(ch < 256 ? ch : '?');
          }
          if (s.size() % 2) s += '\0';
          std::vector<int> words{int(chars)};
          for (size_t i = 0; i < s.size(); i += 2) words.push_back(uint8_t(s[i]) | uint8_t(s[i + 1]) << 8);
          words.push_back(c(40)), words.push_back(c(36));
          w.Rec(META_TEXTOUT, words);
          break;
        }
        default: break;
      }
      if (type == EMR_EOF) break;
      off += len;
    }
  }
  w.Objects = 3;
  w.Rec(META_EOF, {});
  // Placeable header, then the standard header.
  std::vector<uint8_t> file;
  TOldWriter h;
  h.W32(PlaceableKey), h.W16(0);
  h.W16(0), h.W16(0), h.W16(uint16_t(Short(MMWidthPixels))), h.W16(uint16_t(Short(MMHeightPixels)));
  h.W16(uint16_t(std::clamp(Inch, 1, 32767))), h.W32(0);
  uint16_t sum = 0;
  for (size_t i = 0; i + 1 < h.Out.size(); i += 2) sum ^= uint16_t(h.Out[i] | h.Out[i + 1] << 8);
  h.W16(sum);
  h.W16(1), h.W16(9), h.W16(0x0300);
  h.W32(uint32_t((18 + w.Out.size()) / 2));
  h.W16(w.Objects), h.W32(w.MaxRecord), h.W16(0);
  file = h.Out;
  file.insert(file.end(), w.Out.begin(), w.Out.end());
  return file;
}

void TMetafile::LoadOld(const uint8_t* data, size_t size) {
  // Old-style records are turned into enhanced ones through a recording canvas.
  TReader r{data, size};
  size_t off = 0;
  int inch = 96, left = 0, top = 0, right = 0, bottom = 0;
  if (r.Has(0, 22) && r.U32(0) == PlaceableKey) {
    left = r.I16(6), top = r.I16(8), right = r.I16(10), bottom = r.I16(12);
    inch = r.U16(14) > 0 ? r.U16(14) : 96;
    off = 22;
  }
  if (!r.Has(off, 18)) throw EMetafileError("Not a metafile");
  const uint16_t headerWords = r.U16(off + 2);
  if (headerWords != 9 || (r.U16(off) != 1 && r.U16(off) != 2)) throw EMetafileError("Not a metafile");
  off += 18;
  if (right == left || bottom == top) right = left + 1000, bottom = top + 1000;
  const int w = std::max(1, int(std::lround(std::abs(right - left) * 96.0 / inch)));
  const int h = std::max(1, int(std::lround(std::abs(bottom - top) * 96.0 / inch)));
  TMetafile result;
  {
    TMetafileCanvas c(result, w, h, 96);
    const double sx = double(w) / (right - left), sy = double(h) / (bottom - top);
    double wox = left, woy = top, wex = right - left, wey = bottom - top;
    auto map = [&](int x, int y) {
      return TPoint(int(std::lround((x - wox) * w / (wex == 0 ? 1 : wex))), int(std::lround((y - woy) * h / (wey == 0 ? 1 : wey))));
    };
    (void)sx, (void)sy;
    std::map<int, TPlayObject> objectTable;
    auto freeSlot = [&] {
      int k = 0;
      while (objectTable.count(k)) ++k;
      return k;
    };
    while (r.Has(off, 6)) {
      const uint32_t words = r.U32(off);
      const uint16_t fn = r.U16(off + 4);
      if (words < 3 || !r.Has(off, size_t(words) * 2)) break;
      const TReader rec{data + off, size_t(words) * 2};
      const size_t nargs = words - 3;
      auto arg = [&](size_t i) { return i < nargs ? int(rec.I16(6 + i * 2)) : 0; };
      auto colour = [&](size_t i) { return TColor((uint32_t(uint16_t(arg(i))) | uint32_t(uint16_t(arg(i + 1))) << 16) & 0xFFFFFF); };
      switch (fn) {
        case META_EOF: off = size; continue;
        case META_SETWINDOWORG: woy = arg(0), wox = arg(1); break;
        case META_SETWINDOWEXT: wey = arg(0), wex = arg(1); break;
        case META_SETBKMODE: c.BkMode = arg(0) == OPAQUE ? OPAQUE : TRANSPARENT; break;
        case META_SETROP2: c.Pen.Mode = PenModeFromRop2(arg(0)); break;
        case META_SETPOLYFILLMODE: c.PolyFillMode = arg(0) == WINDING ? WINDING : ALTERNATE; break;
        case META_SETTEXTALIGN: c.TextAlign = arg(0) & 0x1F; break;
        case META_SETTEXTCOLOR: c.Font.Color = colour(0); break;
        case META_SETBKCOLOR: c.BkColor = colour(0); break;
        case META_MOVETO: { const TPoint p = map(arg(1), arg(0)); c.MoveTo(p.X, p.Y); break; }
        case META_LINETO: { const TPoint p = map(arg(1), arg(0)); c.LineTo(p.X, p.Y); break; }
        case META_RECTANGLE: case META_ELLIPSE: {
          const TPoint a = map(arg(3), arg(2)), b = map(arg(1), arg(0));
          if (fn == META_RECTANGLE) c.Rectangle(a.X, a.Y, b.X, b.Y);
          else c.Ellipse(a.X, a.Y, b.X, b.Y);
          break;
        }
        case META_ROUNDRECT: {
          const TPoint a = map(arg(5), arg(4)), b = map(arg(3), arg(2));
          c.RoundRect(a.X, a.Y, b.X, b.Y, std::abs(map(arg(1), 0).X - map(0, 0).X), std::abs(map(0, arg(0)).Y - map(0, 0).Y));
          break;
        }
        case META_ARC: case META_CHORD: case META_PIE: {
          const TPoint a = map(arg(7), arg(6)), b = map(arg(5), arg(4)), s = map(arg(3), arg(2)), e = map(arg(1), arg(0));
          if (fn == META_ARC) c.Arc(a.X, a.Y, b.X, b.Y, s.X, s.Y, e.X, e.Y);
          else if (fn == META_CHORD) c.Chord(a.X, a.Y, b.X, b.Y, s.X, s.Y, e.X, e.Y);
          else c.Pie(a.X, a.Y, b.X, b.Y, s.X, s.Y, e.X, e.Y);
          break;
        }
        case META_SETPIXEL: { const TPoint p = map(arg(3), arg(2)); c.SetPixel(p.X, p.Y, colour(0)); break; }
        case META_POLYLINE: case META_POLYGON: {
          const int n = arg(0);
          if (n < 0 || size_t(n) * 2 + 1 > nargs) break;
          std::vector<TPoint> pts;
          for (int i = 0; i < n; ++i) pts.push_back(map(arg(1 + size_t(i) * 2), arg(2 + size_t(i) * 2)));
          if (fn == META_POLYLINE) c.Polyline(pts);
          else c.Polygon(pts);
          break;
        }
        case META_POLYPOLYGON: {
          const int polys = arg(0);
          if (polys < 0 || size_t(polys) + 1 > nargs) break;
          size_t at = 1 + size_t(polys);
          for (int k = 0; k < polys; ++k) {
            const int n = arg(1 + size_t(k));
            if (n < 0 || at + size_t(n) * 2 > nargs) break;
            std::vector<TPoint> pts;
            for (int i = 0; i < n; ++i, at += 2) pts.push_back(map(arg(at), arg(at + 1)));
            c.Polygon(pts);
          }
          break;
        }
        case META_TEXTOUT: {
          const int n = arg(0);
          if (n < 0 || 1 + size_t(n + 1) / 2 + 2 > nargs) break;
          std::string s;
          for (int i = 0; i < n; ++i) s += char(rec.P[8 + size_t(i)]);
          const size_t at = 1 + size_t(n + 1) / 2;
          const TPoint p = map(arg(at + 1), arg(at));
          c.TextOutBytes(p.X, p.Y, s);
          break;
        }
        case META_EXTFLOODFILL: {
          const TPoint p = map(arg(4), arg(3));
          c.FloodFill(p.X, p.Y, colour(1), arg(0) == 1 ? fsSurface : fsBorder);
          break;
        }
        case META_CREATEPENINDIRECT: {
          TPlayObject o;
          o.Kind = TPlayObject::Pen;
          const int style = arg(0) & 0xF;
          o.PenValue.Style = style <= 5 ? TPenStyle(style) : style == 6 ? psInsideFrame : psSolid;
          o.PenValue.Width = std::clamp(std::abs(map(arg(1), 0).X - map(0, 0).X), 0, 10000);
          o.PenValue.Color = colour(3);
          objectTable[freeSlot()] = o;
          break;
        }
        case META_CREATEBRUSHINDIRECT: {
          TPlayObject o;
          o.Kind = TPlayObject::Brush;
          const int style = arg(0), hatch = arg(3);
          o.BrushValue.Color = colour(1);
          o.BrushValue.Style = style == 1 ? bsClear : style == 2 && hatch >= 0 && hatch <= 5 ? TBrushStyle(hatch + 2) : bsSolid;
          objectTable[freeSlot()] = o;
          break;
        }
        case META_CREATEFONTINDIRECT: {
          TPlayObject o;
          o.Kind = TPlayObject::Font;
          TFont f = c.Font;
          f.SetHeight(std::clamp(arg(0) < 0 ? -std::abs(map(0, arg(0)).Y - map(0, 0).Y) : std::abs(map(0, arg(0)).Y - map(0, 0).Y), -2000, 2000));
          f.Escapement = arg(2) % 3600;
          f.Style = TFontStyles((arg(4) >= 600 ? fsBold : 0) | ((arg(5) & 0xFF) ? fsItalic : 0));
          std::string name;
          for (size_t i = 0; i < 32 && 18 + i < rec.Size; ++i) {
            const char ch = char(rec.P[6 + 18 + i]);
            if (ch == 0) break;
            name += ch;
          }
          if (!name.empty()) f.Name = name;
          o.FontValue = f;
          objectTable[freeSlot()] = o;
          break;
        }
        case META_SELECTOBJECT: {
          auto it = objectTable.find(arg(0));
          if (it != objectTable.end()) it->second.SelectInto(c);
          break;
        }
        case META_DELETEOBJECT: objectTable.erase(arg(0)); break;
        case META_STRETCHDIB:
        case META_DIBSTRETCHBLT: {
          // Parameters from the end of the list: destination x, y, width, height, source x, y,
          // width, height; the stretched-DIB record also names its colour usage.
          const bool stretchDib = fn == META_STRETCHDIB;
          const size_t first = stretchDib ? 3 : 2;
          const size_t offBmi = 6 + (first + 8) * 2;
          if (nargs < first + 8 + 20 || (stretchDib && arg(2) != 0)) break;
          const int sh = arg(first), sw = arg(first + 1), sy = arg(first + 2), sx = arg(first + 3);
          const int dh = arg(first + 4), dw = arg(first + 5), dy = arg(first + 6), dx = arg(first + 7);
          const uint32_t headerSize = rec.U32(offBmi);
          const uint16_t bpp = rec.Has(offBmi, 16) ? rec.U16(offBmi + 14) : 0;
          const uint32_t used = rec.Has(offBmi, 36) ? rec.U32(offBmi + 32) : 0;
          const size_t table = bpp <= 8 ? size_t(used != 0 && used < (1u << bpp) ? used : (1u << bpp)) * 4 : 0;
          if (headerSize < 40 || headerSize > rec.Size) break;
          const size_t offBits = offBmi + headerSize + table;
          if (offBits > rec.Size) break;
          QImage img;
          if (!DecodeDib(rec, offBmi, headerSize + table, offBits, rec.Size - offBits, img)) break;
          const uint32_t rop = uint32_t(uint16_t(arg(0))) | uint32_t(uint16_t(arg(1))) << 16;
          const int dibHeight = rec.I32(offBmi + 8);
          const int top = dibHeight > 0 ? img.height() - sy - sh : sy;
          const TPoint a = map(dx, dy), b = map(dx + dw, dy + dh);
          c.StretchBltImage(TRect(a.X, a.Y, b.X, b.Y), img, TRect(sx, top, sx + sw, top + sh), TCopyMode(rop));
          break;
        }
        default: break;
      }
      off += size_t(words) * 2;
    }
    c.Finish();
  }
  Records = std::move(result.Records);
  Enhanced = false;
  Inch = inch;
  MMWidthPixels = w;
  MMHeightPixels = h;
}

void RegisterMetafileFormats() {
  RegisterFileFormat(".EMF", "Enhanced Metafiles", [] { return std::make_unique<TMetafile>(); });
  RegisterFileFormat(".WMF", "Metafiles", [] {
    auto m = std::make_unique<TMetafile>();
    m->Enhanced = false;
    return m;
  });
}
