#include "platform/device_canvas.h"

#include <QFontMetrics>

namespace {
QColor ToQColor(TColor c) {
  c = ColorToRGB(c);
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

Qt::BrushStyle QtBrushStyle(TBrushStyle s) {
  switch (s) {
    case bsSolid: return Qt::SolidPattern;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::NoBrush;
  }
}

QPen QtPen(const TCanvas& c) {
  if (c.Pen.Style == psClear) return QPen(Qt::NoPen);
  const int width = std::max(1, c.Pen.Width);
  QPen pen(ToQColor(c.Pen.Mode == pmBlack ? clBlack : c.Pen.Mode == pmWhite ? clWhite : c.Pen.Color), width);
  pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::FlatCap);
  pen.setJoinStyle(Qt::RoundJoin);
  if (width == 1) {
    switch (c.Pen.Style) {
      case psDash: pen.setDashPattern({18, 6}); break;
      case psDot: pen.setDashPattern({3, 3}); break;
      case psDashDot: pen.setDashPattern({9, 6, 3, 6}); break;
      case psDashDotDot: pen.setDashPattern({9, 3, 3, 3, 3, 3}); break;
      default: break;
    }
  }
  return pen;
}

QBrush QtBrush(const TCanvas& c) {
  if (c.Brush.Style == bsClear) return QBrush(Qt::NoBrush);
  return QBrush(ToQColor(c.Brush.Color), QtBrushStyle(c.Brush.Style));
}

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// Curves drawn as curves on devices: the call's own ellipse, arc or Bezier instead of the
// pixel-sized polygon. False when the call has no curve of its own.
bool NativeCurve(const TCanvas& c, const TShapeGeometry& g, QPainterPath& path, bool& closed) {
  const auto& p = g.CallPoints;
  auto box = [&] {
    return QRectF(p[0].X + 0.5, p[0].Y + 0.5, double(p[1].X) - p[0].X - 1, double(p[1].Y) - p[0].Y - 1);
  };
  switch (g.Call) {
    case scEllipse:
      if (p.size() < 2) return false;
      path.addEllipse(box());
      closed = true;
      return true;
    case scRoundRect: {
      if (p.size() < 3) return false;
      const QRectF r = box();
      path.addRoundedRect(r, std::clamp((std::abs(p[2].X) - 1) / 2.0, 0.0, r.width() / 2),
                          std::clamp((std::abs(p[2].Y) - 1) / 2.0, 0.0, r.height() / 2));
      closed = true;
      return true;
    }
    case scArc:
    case scChord:
    case scPie: {
      if (p.size() < 4) return false;
      double start, sweep;
      if (!TCanvas::ArcAngles(p[0].X, p[0].Y, p[1].X, p[1].Y, p[2].X, p[2].Y, p[3].X, p[3].Y,
                              c.ArcDirection == AD_CLOCKWISE, start, sweep))
        return false;
      const QRectF r = box();
      const double deg = 180.0 / 3.14159265358979323846;
      if (g.Call == scPie) path.moveTo(r.center());
      else path.arcMoveTo(r, start * deg);
      path.arcTo(r, start * deg, sweep * deg);
      closed = g.Call != scArc;
      if (closed) path.closeSubpath();
      return true;
    }
    case scPolyBezier: {
      if (p.size() < 4) return false;
      path.moveTo(p[0].X + 0.5, p[0].Y + 0.5);
      for (size_t i = 1; i + 2 < p.size(); i += 3)
        path.cubicTo(p[i].X + 0.5, p[i].Y + 0.5, p[i + 1].X + 0.5, p[i + 1].Y + 0.5, p[i + 2].X + 0.5, p[i + 2].Y + 0.5);
      closed = false;
      return true;
    }
    default: return false;
  }
}
}  // namespace

TDeviceCanvasBackend::TDeviceCanvasBackend(QPaintDevice* device, int ppi) : Device(device), Ppi(ppi) {
  if (Device) Paint.begin(Device);
  Paint.setRenderHint(QPainter::Antialiasing, false);
  Paint.setRenderHint(QPainter::TextAntialiasing, false);
}

TDeviceCanvasBackend::~TDeviceCanvasBackend() { End(); }

void TDeviceCanvasBackend::End() {
  if (Paint.isActive()) Paint.end();
}

int TDeviceCanvasBackend::Width() const { return Device ? Device->width() : 0; }
int TDeviceCanvasBackend::Height() const { return Device ? Device->height() : 0; }
int TDeviceCanvasBackend::PixelsPerInch() const {
  if (Ppi > 0) return Ppi;
  return Device ? Device->logicalDpiY() : 96;
}

void TDeviceCanvasBackend::Prepare(const TCanvas& c) {
  Paint.setClipRect(ToQRect(c.ClipRect()));
  Paint.setBackgroundMode(c.BackgroundOpaque() ? Qt::OpaqueMode : Qt::TransparentMode);
  Paint.setBackground(ToQColor(c.BackgroundColor()));
  Paint.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TDeviceCanvasBackend::DrawShape(const TCanvas& c, const TShapeGeometry& g) {
  if (!Paint.isActive() || c.Pen.Mode == pmNop) return;
  Prepare(c);
  QPainterPath curve;
  bool closed = false;
  if (NativeCurve(c, g, curve, closed)) {
    Paint.setPen(c.Pen.Style == psClear ? QPen(Qt::NoPen) : QtPen(c));
    Paint.setBrush(closed ? QtBrush(c) : QBrush(Qt::NoBrush));
    Paint.drawPath(curve);
    return;
  }
  if (c.Brush.Style != bsClear && (g.FillIsRect || !g.FillPolygons.empty())) {
    Paint.setPen(Qt::NoPen);
    Paint.setBrush(QtBrush(c));
    if (g.FillIsRect) {
      Paint.drawRect(ToQRect(g.FillRect));
    } else {
      Paint.drawPath(FillPathOf(g));
    }
  }
  if (c.Pen.Style == psClear) return;
  Paint.setPen(QtPen(c));
  Paint.setBrush(Qt::NoBrush);
  for (const auto& o : g.Outlines) {
    if (o.Points.empty()) continue;
    if (o.Points.size() == 1) {
      Paint.drawPoint(QPointF(o.Points[0].X + 0.5, o.Points[0].Y + 0.5));
      continue;
    }
    QPainterPath path;
    path.moveTo(o.Points[0].X + 0.5, o.Points[0].Y + 0.5);
    for (size_t i = 1; i < o.Points.size(); ++i) path.lineTo(o.Points[i].X + 0.5, o.Points[i].Y + 0.5);
    if (o.Closed) path.closeSubpath();
    Paint.drawPath(path);
  }
}

void TDeviceCanvasBackend::DrawText(const TCanvas& c, int x, int y, const QString& text, const TRect* clip,
                                    bool opaqueClip) {
  if (!Paint.isActive()) return;
  Prepare(c);
  if (clip) Paint.setClipRect(ToQRect(*clip), Qt::IntersectClip);
  if (clip && opaqueClip) Paint.fillRect(ToQRect(*clip), ToQColor(c.BackgroundColor()));
  if (text.isEmpty()) return;
  TFont font = c.Font;
  font.SetPixelsPerInch(PixelsPerInch());
  const QFont qf = font.ToQFont();
  QFontMetrics fm(qf);
  const int width = fm.horizontalAdvance(text), ascent = fm.ascent(), descent = fm.descent();
  int ox = 0;
  if ((c.TextAlign & TA_CENTER) == TA_CENTER) ox = -width / 2;
  else if (c.TextAlign & TA_RIGHT) ox = -width;
  int baseline = ascent;
  if ((c.TextAlign & TA_BASELINE) == TA_BASELINE) baseline = 0;
  else if (c.TextAlign & TA_BOTTOM) baseline = -descent;
  Paint.save();
  Paint.translate(x, y);
  if (c.Font.Escapement % 3600 != 0) Paint.rotate(-c.Font.Escapement / 10.0);
  if (!opaqueClip && c.BackgroundOpaque())
    Paint.fillRect(QRect(ox, baseline - ascent, width, ascent + descent), ToQColor(c.BackgroundColor()));
  Paint.setFont(qf);
  Paint.setPen(ToQColor(c.Font.Color));
  Paint.setBackgroundMode(Qt::TransparentMode);
  Paint.drawText(QPoint(ox, baseline), text);
  Paint.restore();
}

void TDeviceCanvasBackend::DrawPath(const TCanvas& c, const QPainterPath& path, bool stroke, bool fill) {
  if (!Paint.isActive()) return;
  Prepare(c);
  Paint.setPen(stroke ? QtPen(c) : QPen(Qt::NoPen));
  Paint.setBrush(fill ? QtBrush(c) : QBrush(Qt::NoBrush));
  Paint.drawPath(path);
}

void TDeviceCanvasBackend::FillRect(const TCanvas& c, const TRect& rect) {
  if (!Paint.isActive() || c.Brush.Style == bsClear) return;
  Prepare(c);
  Paint.fillRect(ToQRect(rect), QtBrush(c));
}

void TDeviceCanvasBackend::InvertRect(const TCanvas&, const TRect&) {}

TColor TDeviceCanvasBackend::GetPixel(int, int) const { return clNone; }

void TDeviceCanvasBackend::SetPixel(const TCanvas& c, int x, int y, TColor color) {
  if (!Paint.isActive()) return;
  Prepare(c);
  Paint.fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

bool TDeviceCanvasBackend::FloodFill(const TCanvas&, int, int, TColor, TFillStyle) { return false; }

void TDeviceCanvasBackend::StretchBlt(const TCanvas& c, const TRect& dest, const QImage& source, const TRect& srcRect,
                                      TCopyMode rop, TColor transparent) {
  if (!Paint.isActive()) return;
  Prepare(c);
  const QRect d(std::min(dest.Left, dest.Right), std::min(dest.Top, dest.Bottom), std::abs(dest.Width()),
                std::abs(dest.Height()));
  if (rop == cmBlackness || rop == cmWhiteness) {
    Paint.fillRect(d, rop == cmBlackness ? Qt::black : Qt::white);
    return;
  }
  if (rop == cmPatCopy) {
    Paint.fillRect(d, QtBrush(c));
    return;
  }
  if (source.isNull()) return;
  QImage part = source.copy(std::min(srcRect.Left, srcRect.Right), std::min(srcRect.Top, srcRect.Bottom),
                            std::abs(srcRect.Width()), std::abs(srcRect.Height()));
  if ((dest.Width() < 0) != (srcRect.Width() < 0) || (dest.Height() < 0) != (srcRect.Height() < 0))
    part = part.mirrored((dest.Width() < 0) != (srcRect.Width() < 0), (dest.Height() < 0) != (srcRect.Height() < 0));
  if (transparent != clNone) {
    part = part.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ToQColor(transparent).rgb() & 0xFFFFFF;
    for (int y = 0; y < part.height(); ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(part.scanLine(y));
      for (int x = 0; x < part.width(); ++x)
        if ((row[x] & 0xFFFFFF) == key) row[x] = 0;
    }
  }
  Paint.drawImage(d, part);
}

std::unique_ptr<TCanvas> CreateDeviceCanvas(QPaintDevice* device, int ppi) {
  return std::make_unique<TCanvas>(std::make_unique<TDeviceCanvasBackend>(device, ppi));
}
