#include "cad/shape_renderers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "cad/mapping.h"
#include "cad/point_operations.h"

namespace {
constexpr long double Pi = std::numbers::pi_v<long double>;

TPoint Rotated(TPoint Centre, TPoint P, long double Angle) {
  RotatePoint(Centre, P, Angle);
  return P;
}

// Restores the canvas's pen and brush when it goes out of scope, also after a failure.
struct TPenBrushKeeper {
  TCanvas& Canvas;
  TPen Pen;
  TBrush Brush;
  explicit TPenBrushKeeper(TCanvas& c) : Canvas(c), Pen(c.Pen), Brush(c.Brush) {}
  ~TPenBrushKeeper() {
    Canvas.Pen = Pen;
    Canvas.Brush = Brush;
  }
};
}  // namespace

int32_t MappingScale(const TMappingRec& Map) {
  const long double w = static_cast<long double>(Map.WorldRight) - Map.WorldLeft;
  if (w == 0) return 0;
  return CadRound((static_cast<long double>(Map.PixRight) - Map.PixLeft) / w);
}

int PenPixelWidth(const TCanvas& Canvas) { return std::max(1, Canvas.Pen.Width); }

// ---- Lines ----------------------------------------------------------------------------------------

void DrawLineFigure(const TMappingRec& Map, TCanvas& Canvas, const TPoint* Pts, float ArrowHeadLength,
                    float TickLength, int Kind) {
  const int32_t scale = MappingScale(Map);
  TPoint p0 = Pts[0], p2 = Pts[2];
  if (Kind != fkHorizontalLine && Kind != fkVerticalLine && Kind != fkUnderlines && Kind != fkTextNoLine) {
    Canvas.MoveTo(p0.X, p0.Y);
    Canvas.LineTo(p2.X, p2.Y);
    Canvas.MoveTo(p0.X, p0.Y);
  }
  switch (Kind) {
    case fkLineRightArrow: DrawArrowHead(scale, Canvas, p0, p2, ArrowHeadLength); break;
    case fkLineLeftArrow: DrawArrowHead(scale, Canvas, p2, p0, ArrowHeadLength); break;
    case fkLineBothArrows:
      DrawArrowHead(scale, Canvas, p0, p2, ArrowHeadLength);
      DrawArrowHead(scale, Canvas, p2, p0, ArrowHeadLength);
      break;
    case fkLine1Slash:
    case fkLine2Slash: DrawSlashTicks(scale, Canvas, p0, Kind, p2, TickLength); break;
    case fkHorizontalLine:
      p2.Y = p0.Y;
      Canvas.Polyline(std::vector<TPoint>{p0, p2});
      break;
    case fkVerticalLine:
      p2.X = p0.X;
      Canvas.Polyline(std::vector<TPoint>{p0, p2});
      break;
    case fkUnderlines: {
      p2.Y = p0.Y;
      Canvas.Polyline(std::vector<TPoint>{p0, p2});
      const int y = p0.Y + CadRound(scale * 0.04L) + PenPixelWidth(Canvas);
      p0.Y = p2.Y = y;
      Canvas.Polyline(std::vector<TPoint>{p0, p2});
      break;
    }
    default: break;
  }
}

void DrawArrowHead(int32_t Scale, TCanvas& Canvas, TPoint From, TPoint To, float Factor) {
  const long double L = static_cast<long double>(Scale) * Factor;
  if (!(PointDistance(From, To) > L)) return;
  const long double t = SegmentAngle(From, To);
  const TPoint tip(0, 0);
  TPoint c1(CadRound(-L), CadRound(-L / 4.8L)), c2(CadRound(-L), CadRound(L / 4.8L));
  RotatePoint(tip, c1, t);
  RotatePoint(tip, c2, t);
  const std::vector<TPoint> tri{To, TPoint(c1.X + To.X, c1.Y + To.Y), TPoint(c2.X + To.X, c2.Y + To.Y)};
  const TBrush brush = Canvas.Brush;
  const TPenStyle style = Canvas.Pen.Style;
  Canvas.Brush.Color = Canvas.Pen.Color;
  Canvas.Brush.Style = bsSolid;
  Canvas.Pen.Style = psSolid;
  try {
    Canvas.Polygon(tri);
  } catch (...) {
    Canvas.Brush = brush;
    Canvas.Pen.Style = style;
    throw;
  }
  Canvas.Brush = brush;
  Canvas.Pen.Style = style;
}

void DrawSlashTicks(int32_t Scale, TCanvas& Canvas, TPoint P0, int Kind, TPoint P2, float Factor) {
  const long double h = static_cast<long double>(Scale) * Factor;
  int s = CadRound(h / 7) + PenPixelWidth(Canvas);
  if (s % 2 != 0) ++s;
  const int half = CadRound(PointDistance(P0, P2) / 2);
  if (s > half) return;
  const long double t = SegmentAngle(P0, P2);
  const int m = P0.X + half;
  const int rh = CadRound(h);
  auto stroke = [&](int x) {
    const TPoint a = Rotated(P0, TPoint(x, P0.Y - rh), t);
    const TPoint b = Rotated(P0, TPoint(x, P0.Y + rh + 1), t);
    Canvas.MoveTo(a.X, a.Y);
    Canvas.LineTo(b.X, b.Y);
  };
  if (Kind == fkLine1Slash) {
    stroke(m);
  } else if (Kind == fkLine2Slash) {
    stroke(m - s);
    stroke(m + s);
  }
}

void DrawWavyLine(int32_t Scale, TCanvas& Canvas, TPoint P0, TPoint P2, float Height) {
  // A line dragged from right to left is drawn from its left end, so that it does not vanish.
  if (P2.X < P0.X) std::swap(P0, P2);
  const int a = CadRound(static_cast<long double>(Scale) * Height);
  const int w = CadRound(static_cast<long double>(Scale) * Height * 0.9L);
  if (w - 1 == 0) return;
  const int64_t n = (int64_t(P2.X) - P0.X) / (w - 1);
  if (n < 1) return;
  TRect r(P0.X, P0.Y - a, P0.X + w, P0.Y + a);
  const TRect clip = Canvas.EffectiveClip();
  for (int64_t i = 0; i < n; ++i) {
    // Arcs wholly outside the clip box change nothing; they are skipped without drawing.
    if (r.Right + 1 >= clip.Left && r.Left - 1 <= clip.Right) {
      if (i % 2 == 0)
        Canvas.Arc(r.Left, r.Top, r.Right, r.Bottom, r.Right + 100, P0.Y, r.Left - 100, P0.Y);
      else
        Canvas.Arc(r.Left, r.Top, r.Right, r.Bottom, r.Left - 100, P0.Y + 1, r.Right + 100, P0.Y - 1);
    }
    r.Left += w - 1;
    r.Right += w - 1;
    if (r.Left > clip.Right + w) break;
  }
}

void DrawPolylinePoints(TCanvas& Canvas, const TPoint* Pts, int Count) {
  if (Pts != nullptr && Count > 0) Canvas.Polyline(Pts, Count);
}

void ClampToCanvasDiagonal(const TCanvas& Canvas, int& Len, int Max) {
  const TRect clip = Canvas.EffectiveClip();
  const long double d = std::hypot(static_cast<long double>(clip.Width()), static_cast<long double>(clip.Height()));
  if (std::isfinite(static_cast<double>(d))) {
    const int di = CadRound(d);
    if (di < Len) Len = di;
  }
  if (Len > Max) Len = Max;
}

// ---- Shapes ---------------------------------------------------------------------------------------

void DrawBezierFigure(int32_t Scale, TCanvas& Canvas, const TPoint* Pts, int Count, bool Selected, int Kind,
                      float ArrowHeadLength) {
  if (Selected) DrawBezierHandles(Canvas, Pts);
  Canvas.PolyBezier(Pts, Count);
  switch (Kind) {
    case fkBezierLeftArrow: DrawArrowHead(Scale, Canvas, Pts[1], Pts[0], ArrowHeadLength); break;
    case fkBezierRightArrow: DrawArrowHead(Scale, Canvas, Pts[2], Pts[3], ArrowHeadLength); break;
    case fkBezierBothArrows:
      DrawArrowHead(Scale, Canvas, Pts[2], Pts[3], ArrowHeadLength);
      DrawArrowHead(Scale, Canvas, Pts[1], Pts[0], ArrowHeadLength);
      break;
    default: break;
  }
}

void DrawBezierHandles(TCanvas& Canvas, const TPoint* Pts) {
  TPenBrushKeeper keep(Canvas);
  for (int i = 0; i < 4; ++i) Canvas.Rectangle(Pts[i].X - 2, Pts[i].Y - 2, Pts[i].X + 2, Pts[i].Y + 2);
  Canvas.Pen.Color = clSilver;
  Canvas.Pen.Style = psDash;
  Canvas.Pen.Width = 0;
  Canvas.Brush.Style = bsClear;
  Canvas.MoveTo(Pts[0].X, Pts[0].Y);
  Canvas.LineTo(Pts[1].X, Pts[1].Y);
  Canvas.MoveTo(Pts[2].X, Pts[2].Y);
  Canvas.LineTo(Pts[3].X, Pts[3].Y);
}

uint8_t Quadrant(TPoint A, TPoint B) {
  const int64_t dx = int64_t(B.X) - A.X, dy = int64_t(B.Y) - A.Y;
  if (dx >= 0) return dy >= 0 ? 1 : 0;
  return dy > 0 ? 2 : 3;
}

void DrawRectFigure(const TMappingRec& Map, TCanvas& Canvas, const TPoint* Pts, double Radius, int Kind) {
  const TPoint q0 = Pts[0], q2 = Pts[2];
  const TPoint q1(q2.X, q0.Y), q3(q0.X, q2.Y);
  const std::vector<TPoint> corners{q0, q1, q2, q3, q0};
  switch (Kind) {
    case fkRectangle: Canvas.Polygon(corners); break;
    case fkRectangularFrame: Canvas.Polyline(corners); break;
    case fkRoundRectangle: {
      const int r = CadRound(static_cast<long double>(MappingScale(Map)) * Radius);
      Canvas.RoundRect(q0.X, q0.Y, q2.X, q2.Y, r, r);
      break;
    }
    case fkEllipse:
      switch (Quadrant(q0, q2)) {
        case 1: Canvas.Ellipse(q0.X, q0.Y, q2.X + 1, q2.Y + 1); break;
        case 0: Canvas.Ellipse(q0.X, q0.Y + 1, q2.X + 1, q2.Y); break;
        case 2: Canvas.Ellipse(q0.X + 1, q0.Y, q2.X, q2.Y + 1); break;
        default: Canvas.Ellipse(q0.X + 1, q0.Y + 1, q2.X, q2.Y); break;
      }
      break;
    default: break;  // the focused rectangle has no outline of its own
  }
}

void DrawSquareFigure(const TMappingRec& Map, TCanvas& Canvas, const TRealXYZPts& Nodes, float Radius, int Kind) {
  if (Nodes.size() < 3) return;
  const TRealXYZ c = Nodes[0].GetPoint();
  const long double h = Kind == fkCircle ? RealPointDistance(c, Nodes[2].GetPoint())
                                   : static_cast<long double>(Nodes[2].X) - c.x;
  const TPoint q0 = WorldToScreen(Map, c.x - h, c.y - h);
  const TPoint q1 = WorldToScreen(Map, c.x + h, c.y - h);
  const TPoint q2 = WorldToScreen(Map, c.x + h, c.y + h);
  const TPoint q3 = WorldToScreen(Map, c.x - h, c.y + h);
  switch (Kind) {
    case fkSquare: Canvas.Polygon(std::vector<TPoint>{q0, q1, q2, q3, q0}); break;
    case fkSquareFrame: Canvas.Polyline(std::vector<TPoint>{q0, q1, q2, q3, q0}); break;
    case fkRoundedSquare: {
      const int r = CadRound(static_cast<long double>(MappingScale(Map)) * Radius);
      if (q2.X >= q0.X) Canvas.RoundRect(q0.X, q0.Y + 1, q2.X + 1, q2.Y, r, r);
      else Canvas.RoundRect(q0.X + 1, q0.Y, q2.X, q2.Y + 1, r, r);
      break;
    }
    case fkCircle:
      if (q2.X >= q0.X) Canvas.Ellipse(q0.X, q0.Y + 1, q2.X + 1, q2.Y);
      else Canvas.Ellipse(q0.X + 1, q0.Y, q2.X, q2.Y + 1);
      break;
    default: break;
  }
}

void DrawTriangleFigure(const TMappingRec& Map, TCanvas& Canvas, const TRealFig& Fig) {
  const TRealXYZ n0 = Fig.Point(0), n2 = Fig.Point(2);
  const TPoint p0 = WorldToScreen(Map, n0), p2 = WorldToScreen(Map, n2);
  const TPoint p3 = WorldToScreen(Map, n0.x, n2.y);
  const std::vector<TPoint> pts{p0, p2, p3, p0};
  if (Fig.Kind == fkFilledTriangle) Canvas.Polygon(pts);
  else Canvas.Polyline(pts);
}

void DrawQuarterArc(TCanvas& Canvas, const TPoint* Pts, int Kind) {
  TPoint a = Pts[0], b = Pts[2];
  switch (Quadrant(a, b)) {
    case 1: b.X += 1, b.Y += 1; break;
    case 2: a.X += 1, b.Y += 1; break;
    case 0: a.Y += 1, b.X += 1; break;
    default: a.X += 1, a.Y += 1; break;
  }
  const int dx = b.X - a.X, dy = b.Y - a.Y;
  const TRect box(a.X - dx, a.Y, b.X, b.Y + dy);
  if (Kind == fkArcNWSE) Canvas.Arc(box.Left, box.Top, box.Right, box.Bottom, a.X, a.Y, b.X, b.Y);
  else if (Kind == fkArcNESW) Canvas.Arc(box.Left, box.Top, box.Right, box.Bottom, b.X, b.Y, a.X, a.Y);
}

void DrawPolyFigure(TCanvas& Canvas, const TPoint* Pts, int Count, int Kind) {
  if (Kind == fkClosedIrregPolygon) Canvas.Polygon(Pts, Count);
  else if (Kind == fkOpenIrregPolygon) Canvas.Polyline(Pts, Count);
}

void RegularPolygonPoints(const TMappingRec& Map, std::vector<TPoint>& Pts, TRealXYZ Vertex, TRealXYZ Centre, int n) {
  const long double r = RealPointDistance(Vertex, Centre);
  if (r == 0 || n <= 0) return;
  if (Pts.size() < size_t(n) + 1) Pts.resize(size_t(n) + 1);
  const long double a0 = std::atan2(static_cast<long double>(Vertex.y) - Centre.y,
                                    static_cast<long double>(Vertex.x) - Centre.x);
  for (int i = 1; i <= n; ++i) {
    const long double a = a0 + 2 * Pi * i / n;
    Pts[size_t(i)] = WorldToScreen(Map, Centre.x + r * std::cos(a), Centre.y + r * std::sin(a));
  }
  Pts[0] = Pts[size_t(n)];
}

void DrawRegularPolygon(const TMappingRec& Map, TCanvas& Canvas, int n, int Kind, TRealXYZ Vertex, TRealXYZ Centre) {
  // A side count read from a file may be anything: a polygon has 3 sides at least and no more than
  // the figure's nodes can hold.
  n = std::clamp(n, 3, std::max(3, MaxPolygonSides()));
  if (RealPointDistance(Vertex, Centre) == 0) return;
  std::vector<TPoint> pts(size_t(n) + 1);
  RegularPolygonPoints(Map, pts, Vertex, Centre, n);
  if (Kind == fkPolygon) Canvas.Polyline(pts.data(), n + 1);
  else if (Kind == fkFilledPolygon) Canvas.Polygon(pts.data(), n);
}

// ---- Grid -----------------------------------------------------------------------------------------

bool IsSnapMultiple(double v, double Step) {
  if (v == 0 || !(Step > 0) || !std::isfinite(v)) return false;
  const long double q = static_cast<long double>(v) / Step;
  if (std::fabs(static_cast<double>(q)) > 9.0e18) return false;
  const int64_t k = std::llround(static_cast<double>(q));
  return std::fabs(static_cast<double>(v - static_cast<long double>(k) * Step)) < 1e-6;
}

void DrawGridFigure(const TMappingRec& Map, TCanvas& Canvas, const TRealFig& Fig, TGridCellSize& CellSize,
                    uint8_t Mode, bool InnerLines) {
  const int32_t scale = MappingScale(Map);
  const int savedWidth = Canvas.Pen.Width;
  const TPenStyle savedStyle = Canvas.Pen.Style;
  const TRealXYZ n0 = Fig.Point(0), n2 = Fig.Point(2);
  const long double x0 = n0.x, y0 = n0.y, x2 = n2.x, y2 = n2.y;
  // The cell counts of a figure read from a file may be anything: at least one cell each way,
  // and no more inner lines than there are pixels to put them on.
  const int cellsX = std::max(1, Fig.GridCellsX), cellsY = std::max(1, Fig.GridCellsY);
  const long double stepX = (x2 - x0) / cellsX, stepY = (y0 - y2) / cellsY;
  CellSize = {float(stepX), float(stepY)};
  const int wOut = CadRound(static_cast<long double>(scale) * Fig.PenWidth);
  const int half = CadRound(wOut / 2.0L);
  TRect R;
  FigureScreenRect(Map, Fig, R);
  const int sx = x0 <= x2 ? 1 : -1, ex = x0 <= x2 ? 0 : 1;
  const int sy = y2 <= y0 ? 1 : -1, ey = y2 <= y0 ? 1 : 0;
  const TPoint c0(R.Left - half * sx, R.Top + ey - half * sy);
  const TPoint c1(R.Right + ex + half * sx, R.Top + ey - half * sy);
  const TPoint c2(R.Right + ex + half * sx, R.Bottom + half * sy);
  const TPoint c3(R.Left - half * sx, R.Bottom + half * sy);
  struct Restore {
    TCanvas& c;
    int w;
    TPenStyle s;
    ~Restore() {
      c.Pen.Width = w;
      c.Pen.Style = s;
    }
  } restore{Canvas, savedWidth, savedStyle};
  Canvas.Pen.Width = CadRound(Canvas.GetDeviceCaps(LOGPIXELSY) * 0.004L);
  if (InnerLines) {
    const int pixW = std::abs(R.Width()) + 2, pixH = std::abs(R.Height()) + 2;
    const int linesX = std::min(cellsX - 1, pixW), linesY = std::min(cellsY - 1, pixH);
    std::vector<TPoint> pts;
    pts.reserve(size_t(std::max(0, linesX) + std::max(0, linesY)) * 2);
    for (int k = 1; k <= linesX; ++k) {
      const long double x = x0 + k * stepX;
      pts.push_back(WorldToScreen(Map, x, y0));
      pts.push_back(WorldToScreen(Map, x, y2));
    }
    for (int k = 1; k <= linesY; ++k) {
      const long double y = y2 + k * stepY;
      pts.push_back(WorldToScreen(Map, x0, y));
      pts.push_back(WorldToScreen(Map, x2, y));
    }
    if (!pts.empty()) {
      std::vector<int> counts(pts.size() / 2, 2);
      Canvas.PolyPolyline(pts.data(), counts.data(), int(counts.size()));
    }
  }
  Canvas.Pen.Width = wOut;
  Canvas.Pen.Style = psSolid;
  if (Mode <= 1) {
    Canvas.Pen.Color = Fig.BrushColor;
    Canvas.Polyline(std::vector<TPoint>{c0, c1, c2, c3, c0});
  } else {
    Canvas.Pen.Color = clOlive;
    const int p = Canvas.Pen.Width;
    if (IsSnapMultiple(double(stepX), Map.SnapStep)) {
      Canvas.MoveTo(c1.X, c1.Y + p * sy);
      Canvas.LineTo(c2.X, c2.Y - p * sy);
      Canvas.MoveTo(c3.X, c3.Y - p * sy);
      Canvas.LineTo(c0.X, c0.Y + p * sy);
    }
    if (IsSnapMultiple(double(stepY), Map.SnapStep)) {
      Canvas.MoveTo(c2.X, c2.Y);
      Canvas.LineTo(c3.X, c3.Y);
      Canvas.MoveTo(c0.X, c0.Y);
      Canvas.LineTo(c1.X, c1.Y);
    }
  }
  CellSize = {float(stepX), float(stepY)};
}

// ---- Angle arcs and scalene triangles -----------------------------------------------------------

long double DrawAngleArc(const TMappingRec& Map, TCanvas& Canvas, TRealXYZ V, float& RadiusUsed, int Kind,
                         TRealXYZ A, TRealXYZ B, float TickLength, float ArcRadius) {
  const int32_t scale = MappingScale(Map);
  const long double d = Kind == fkDoubleAngleArc && scale != 0 ? static_cast<long double>(PenPixelWidth(Canvas)) / scale + 0.03L : 0;
  const long double R = ArcRadius;
  RadiusUsed = float(R);
  const long double rMax = 2 * R, rMin = R / 2;
  const long double a1 = std::atan2(static_cast<long double>(B.y) - V.y, static_cast<long double>(B.x) - V.x);
  const long double a2 = std::atan2(static_cast<long double>(A.y) - V.y, static_cast<long double>(A.x) - V.x);
  if (!std::isfinite(static_cast<double>(a1)) || !std::isfinite(static_cast<double>(a2))) return 0;
  const long double p = RealPointDistance(A, V), q = RealPointDistance(B, V), c = RealPointDistance(A, B);
  long double angle;
  if (p == 0 || q == 0) {
    angle = 180;
  } else {
    const long double cosine = (p * p + q * q - c * c) / (2 * p * q);
    angle = (cosine >= -1 && cosine <= 1) ? std::acos(cosine) * 180 / Pi : 0;
  }
  long double r = (angle > 0 && angle < 180) ? std::sqrt(180 / angle) * rMin : rMin;
  r = std::clamp(r, std::min(rMin, rMax), std::max(rMin, rMax));
  RadiusUsed = float(r - d);
  const TPoint e1 = WorldToScreen(Map, V.x + r * std::cos(a1), V.y + r * std::sin(a1));
  const TPoint e2 = WorldToScreen(Map, V.x + r * std::cos(a2), V.y + r * std::sin(a2));
  const int rp = CadRound(static_cast<long double>(scale) * RadiusUsed);
  const TPoint cp = WorldToScreen(Map, V);
  const int savedDirection = Canvas.SetArcDirection(AD_COUNTERCLOCKWISE);
  try {
    Canvas.Arc(cp.X - rp + 1, cp.Y - rp + 1, cp.X + rp + 1, cp.Y + rp + 1, e1.X, e1.Y, e2.X, e2.Y);
    if (Kind == fkAngleArc1Slash || Kind == fkAngleArc2Slash) DrawArcSlashes(Map, Canvas, Kind, rp, A, B, V, TickLength);
  } catch (...) {
    Canvas.SetArcDirection(savedDirection);
    throw;
  }
  Canvas.SetArcDirection(savedDirection);
  return angle;
}

long double DrawArcSlashes(const TMappingRec& Map, TCanvas& Canvas, int Kind, int Rp, TRealXYZ A, TRealXYZ B,
                           TRealXYZ V, float TickLength) {
  const int32_t scale = MappingScale(Map);
  const long double tA = RealSegmentAngle(V, A), tB = RealSegmentAngle(V, B);
  const TPoint c = WorldToScreen(Map, V);
  const int h = CadRound(static_cast<long double>(scale) * TickLength);
  const int g = CadRound(static_cast<long double>(scale) * TickLength / 2.5L);
  const long double m = tA >= tB ? (tA + tB) / 2 : (tA + tB) / 2 - Pi;
  auto slash = [&](int dy) {
    const TPoint a = Rotated(c, TPoint(c.X + Rp - h, c.Y + dy), m);
    const TPoint b = Rotated(c, TPoint(c.X + Rp + h, c.Y + dy), m);
    Canvas.MoveTo(a.X, a.Y);
    Canvas.LineTo(b.X, b.Y);
  };
  if (Kind == fkAngleArc1Slash) {
    slash(0);
  } else if (Kind == fkAngleArc2Slash && ArcHasRoom(Rp, 4 * g, std::fabs(static_cast<double>(tB - tA)))) {
    slash(-g);
    slash(g);
  }
  return m;
}

bool ArcHasRoom(int W, int Len, long double Angle) {
  return 1.5L * Len < std::fabs(2.0L * W * std::sin(Angle / 2));
}

void DrawScaleneTriangle(const TMappingRec& Map, TCanvas& Canvas, const TRealFig& Fig) {
  const TPoint p0 = WorldToScreen(Map, Fig.Point(0)), p1 = WorldToScreen(Map, Fig.Point(1)),
               p2 = WorldToScreen(Map, Fig.Point(2));
  const int kind = Fig.Kind;
  if (kind == fkScalarTA || kind == fkScalarTAArcs) Canvas.Polyline(std::vector<TPoint>{p0, p1, p2, p0});
  else Canvas.Polygon(std::vector<TPoint>{p0, p1, p2});
  if (kind == fkScalarTAArcs || kind == fkFillScalarTAArcs) {
    float used = 0;
    const TRealXYZ n0 = Fig.Point(0), n1 = Fig.Point(1), n2 = Fig.Point(2);
    DrawAngleArc(Map, Canvas, n0, used, kind, n2, n1, Fig.TickLength, Fig.ArcRadius);
    DrawAngleArc(Map, Canvas, n1, used, kind, n0, n2, Fig.TickLength, Fig.ArcRadius);
    DrawAngleArc(Map, Canvas, n2, used, kind, n1, n0, Fig.TickLength, Fig.ArcRadius);
  }
}
