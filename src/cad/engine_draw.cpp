// Drawing of single figures and of the figure list.
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <numbers>

#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "cad/shape_renderers.h"
#include "helpers/error_report.h"

namespace {
constexpr long double Pi = std::numbers::pi_v<long double>;

int64_t Clamp32(int64_t v) { return std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2); }

// While the list is drawn, pending messages run so that the user can ask to stop; no other input
// may reach the program then, since a command could change the list being drawn. Escape becomes
// the stop request; every other key, mouse and close event is dropped.
class TDrawPumpFilter : public QObject {
public:
  explicit TDrawPumpFilter(TZQVCad& engine) : Engine(engine) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) Engine.SetStopRequest(true);
        return true;
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::Close:
      case QEvent::ContextMenu:
      case QEvent::Drop: return true;
      default: return QObject::eventFilter(watched, event);
    }
  }

private:
  TZQVCad& Engine;
};

void PumpMessages(TZQVCad& engine) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  TDrawPumpFilter filter(engine);
  app->installEventFilter(&filter);
  QCoreApplication::processEvents();
  app->removeEventFilter(&filter);
}

// ProjectPoints for a figure, through the nodes' pixel positions of its last drawing: a repaint
// at the same mapping meets the same node positions again (compared bit for bit), and a long
// double projection per node is the larger part of drawing a small figure. Per thread, by the
// figure's address (a figure at a reused address simply misses), forgotten wholesale past a bound.
void ProjectPointsKept(const TMappingRec& Map, const TRealFig& Figure, int Count, std::vector<TPoint>& points) {
  struct TKept {
    TMappingRec Map;
    std::vector<double> Coords;
    std::vector<TPoint> Points;
  };
  thread_local std::unordered_map<const TRealFig*, TKept> kept;
  if (kept.size() > 20000) kept.clear();
  Count = std::min({Count, int(Figure.Nodes.size()), int(points.size())});
  if (Count <= 0) return;
  TKept& k = kept[&Figure];
  thread_local std::vector<double> coords;
  coords.resize(size_t(Count) * 2);
  for (int i = 0; i < Count; ++i) {
    coords[size_t(i) * 2] = Figure.Nodes[size_t(i)].X;
    coords[size_t(i) * 2 + 1] = Figure.Nodes[size_t(i)].Y;
  }
  const double m[5] = {Map.WorldLeft, Map.WorldTop, Map.WorldRight, Map.WorldBottom, Map.SnapStep};
  const double km[5] = {k.Map.WorldLeft, k.Map.WorldTop, k.Map.WorldRight, k.Map.WorldBottom, k.Map.SnapStep};
  if (k.Coords.size() == coords.size() && std::memcmp(m, km, sizeof m) == 0 && k.Map.PixLeft == Map.PixLeft &&
      k.Map.PixTop == Map.PixTop && k.Map.PixRight == Map.PixRight && k.Map.PixBottom == Map.PixBottom &&
      std::memcmp(k.Coords.data(), coords.data(), coords.size() * sizeof(double)) == 0) {
    std::copy(k.Points.begin(), k.Points.end(), points.begin());
    return;
  }
  ProjectPoints(Map, Figure.Nodes, Count, points);
  k.Map = Map;
  k.Coords = coords;
  k.Points.assign(points.begin(), points.begin() + Count);
}

void Include(TRect& r, bool& any, int64_t x, int64_t y) {
  const int ix = int(Clamp32(x)), iy = int(Clamp32(y));
  if (!any) {
    r = TRect(ix, iy, ix, iy);
    any = true;
    return;
  }
  r.Left = std::min(r.Left, ix), r.Top = std::min(r.Top, iy);
  r.Right = std::max(r.Right, ix), r.Bottom = std::max(r.Bottom, iy);
}
}  // namespace

TRect FigureInkBounds(const TMappingRec& Map, const TRealFig& Fig) {
  TRect r;
  bool any = false;
  const int kind = Fig.Kind;
  const int32_t scale = MappingScale(Map);
  auto px = [&](TRealXYZ p) { return WorldToScreen(Map, p); };
  auto around = [&](TPoint c, int64_t radius) {
    radius = std::llabs(radius);
    Include(r, any, int64_t(c.X) - radius, int64_t(c.Y) - radius);
    Include(r, any, int64_t(c.X) + radius, int64_t(c.Y) + radius);
  };
  const TRealXYZ n0 = Fig.Point(0), n2 = Fig.Point(2);
  if (kind == fkFill) return TRect(INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2);
  if (WaveKinds.Has(kind)) {
    const TPoint p0 = px(n0);
    const int64_t len = int64_t(std::llround(static_cast<double>(PointDistance(p0, px(n2))))) + 10;
    const int64_t h = std::llround((std::fabs(Fig.Wave.WaveHeight[0]) + std::fabs(Fig.Wave.WaveHeight[1])) *
                                   static_cast<double>(scale)) + 1;
    if (Fig.Wave.Rotation % 360 == 0) {
      Include(r, any, p0.X, int64_t(p0.Y) - h);
      Include(r, any, int64_t(p0.X) + len, int64_t(p0.Y) + h);
    } else {
      around(p0, len + h);
    }
  } else if (CentredKinds.Has(kind) || kind == fkPolygon || kind == fkFilledPolygon) {
    const long double h = (kind == fkCircle || kind == fkPolygon || kind == fkFilledPolygon) ? RealPointDistance(n0, n2)
                                                                      : std::fabs(static_cast<long double>(n2.x) - n0.x);
    const TPoint a = WorldToScreen(Map, n0.x - h, n0.y - h), b = WorldToScreen(Map, n0.x + h, n0.y + h);
    Include(r, any, a.X, a.Y);
    Include(r, any, b.X, b.Y);
  } else if (QuarterArcKinds.Has(kind)) {
    const TPoint a = px(n0), b = px(n2);
    const int64_t dx = std::llabs(int64_t(b.X) - a.X) + 1, dy = std::llabs(int64_t(b.Y) - a.Y) + 1;
    Include(r, any, int64_t(a.X) - dx, int64_t(b.Y) - dy);
    Include(r, any, int64_t(a.X) + dx, int64_t(b.Y) + dy);
  } else {
    const int last = std::min(LastPointIndex(Fig), int(Fig.Nodes.size()) - 1);
    for (int i = 0; i <= last; ++i)
      if (NodeInUse(Fig, i) || i == 0 || i == 2) {
        const TPoint p = px(Fig.Point(i));
        Include(r, any, p.X, p.Y);
      }
    if (kind == fkTriangle || kind == fkFilledTriangle) {
      const TPoint k = WorldToScreen(Map, n0.x, n2.y);
      Include(r, any, k.X, k.Y);
    }
    if (AngleArcKinds.Has(kind) || kind == fkScalarTAArcs || kind == fkFillScalarTAArcs) {
      const int64_t arc = std::llround(2.0 * std::fabs(Fig.ArcRadius) * scale) + 2;
      around(px(n0), arc);
      if (kind >= 44) {
        around(px(Fig.Point(1)), arc);
        around(px(n2), arc);
      }
    }
  }
  if (!any) return r;
  // Decorations: arrow heads, slashes, the second underline, wavy arcs, the pen itself.
  const long double deco = std::max({static_cast<long double>(std::fabs(Fig.ArrowHeadLength)),
                                     static_cast<long double>(std::fabs(Fig.TickLength)) * 2,
                                     static_cast<long double>(std::fabs(Fig.WavyLineHeight)) * 2, 0.05L});
  const int64_t margin = int64_t(std::min<long double>(deco * scale, 1e6L)) +
                         std::abs(ZoomedPenWidth(Map, Fig.PenWidth)) + 4;
  r.Left = int(Clamp32(int64_t(r.Left) - margin)), r.Top = int(Clamp32(int64_t(r.Top) - margin));
  r.Right = int(Clamp32(int64_t(r.Right) + margin + 1)), r.Bottom = int(Clamp32(int64_t(r.Bottom) + margin + 1));
  return r;
}

bool TZQVCad::FigureVisible(const TRealFig& Figure, const TRect& Clip) const {
  TRect r = FigureInkBounds(Mapping, Figure);
  if (r.IsEmpty() && r.Left == 0 && r.Right == 0 && r.Top == 0 && r.Bottom == 0) return false;
  const bool text = (Figure.WantDimensions && !NoDimensionKinds.Has(Figure.Kind)) || Figure.Kind == fkText ||
                    Figure.Kind == fkTextNoLine;
  if (text) {
    // The text runs along a side and may stand beyond its ends: the margin holds a generous line
    // of text of the figure's size.
    const size_t chars = std::max<size_t>(Figure.Text.size(), 24);
    const int64_t em = std::llround(std::fabs(Figure.FontSize / 1e4) * ViewPixelsPerInch() / 72.0) + 1;
    const int64_t m = std::min<int64_t>(em * int64_t(chars + 2), INT32_MAX / 4);
    r.Left = int(Clamp32(r.Left - m)), r.Top = int(Clamp32(r.Top - m));
    r.Right = int(Clamp32(r.Right + m)), r.Bottom = int(Clamp32(r.Bottom + m));
  }
  return r.Left < Clip.Right && Clip.Left < r.Right && r.Top < Clip.Bottom && Clip.Top < r.Bottom;
}

void TZQVCad::DrawShape(TCanvas& Canvas, TRealFig& Figure, int EndNode, int PenMode, TColor TextColor,
                        TShiftState Shift, uint8_t State, bool Handles, bool WithDimensions, TMeasureRec& Meas) {
  if (!Ready) return;
  const int kind = Figure.Kind;
  // A figure carries a node for every node slot of the engine; one without them cannot be drawn.
  if (Figure.Nodes.size() < 4 || Figure.Nodes.size() < size_t(NodeCount))
    throw EZQVCadException("The figure has " + std::to_string(Figure.Nodes.size()) + " nodes, not " +
                           std::to_string(NodeCount));
  EndNode = std::clamp(EndNode, 0, int(Figure.Nodes.size()) - 1);
  if (!Drawing) {
    Meas.Angle = 0;
    Meas.GridCellWidth = Measure.GridCellWidth;
    Meas.GridCellHeight = Measure.GridCellHeight;
    Meas.GridColumn = Measure.GridColumn;
    Meas.GridRow = Measure.GridRow;
    const TRealXYZ p0 = Figure.Point(0), pe = Figure.Point(EndNode);
    Meas.Length = std::hypot(pe.x - p0.x, pe.y - p0.y);
    Meas.DX = pe.x - p0.x;
    Meas.DY = pe.y - p0.y;
    long double deg = 360 - Figure.GetNode(2)->AngleFrom(p0) * 180 / Pi;
    if (!std::isfinite(static_cast<double>(deg)) || deg >= 360) deg = 0;
    Meas.Angle = deg;
  }
  const int32_t scale = MappingScale(Mapping);
  ProjectPointsKept(Mapping, Figure, NodeCount, ScreenPoints);
  const TPoint* sp = ScreenPoints.data();
  int len = CadRound(PointDistance(sp[0], sp[2]));
  Canvas.CopyMode = SRCCOPY;
  if (WaveKinds.Has(kind)) ClampToCanvasDiagonal(Canvas, len, 32767);

  TPen pen;
  pen.Width = ZoomedPenWidth(Mapping, Figure.PenWidth);
  pen.Color = Figure.PenColor;
  pen.Style = Figure.PenStyle <= psInsideFrame ? TPenStyle(Figure.PenStyle) : psSolid;
  TBrush brush;
  brush.Style = Figure.BrushStyle <= bsDiagCross ? TBrushStyle(Figure.BrushStyle) : bsSolid;
  const int minWidth = CadRound(Canvas.GetDeviceCaps(LOGPIXELSY) * 0.004L);
  pen.Mode = PenMode >= 0 && PenMode <= pmNotXor ? TPenMode(PenMode) : pmCopy;
  if (FilledKinds.Has(kind)) {
    brush.Color = Figure.BrushColor;
    if (brush.Style != bsClear) pen.Style = psSolid;
    if (kind == fkFill && brush.Style == bsClear) brush.Style = bsSolid;
  }
  if (pen.Style != psSolid && !FilledKinds.Has(kind)) brush.Style = bsClear;
  if (pen.Width < minWidth) pen.Width = minWidth;
  Canvas.Pen = pen;
  Canvas.Brush = brush;

  const TPoint p0 = sp[0], p2 = sp[2];
  const int used = std::clamp(Figure.NodeCountUsed, 0, std::min(int(Figure.Nodes.size()), int(ScreenPoints.size())));
  switch (kind) {
    case 0: case 1: case 2: case 3: case 17: case 18: case 19: case 20: case 46: case 47: case 48:
      DrawLineFigure(Mapping, Canvas, sp, Figure.ArrowHeadLength, Figure.TickLength, kind);
      break;
    case 4: case 5: case 6: case 7: case 8: DrawRectFigure(Mapping, Canvas, sp, Figure.RectangleRadius, kind); break;
    case 9: case 10: case 11: case 12:
      DrawSquareFigure(Mapping, Canvas, Figure.Nodes, Figure.RectangleRadius, kind);
      break;
    case 13: case 26: DrawTriangleFigure(Mapping, Canvas, Figure); break;
    case 14: case 15: DrawQuarterArc(Canvas, sp, kind); break;
    case 16: Canvas.FloodFill(p2.X, p2.Y, Canvas.Pixel(p2.X, p2.Y), fsSurface); break;
    case 21: DrawWavyLine(scale, Canvas, p0, p2, Figure.WavyLineHeight); break;
    case 22: {
      TGridCellSize cell;
      DrawGridFigure(Mapping, Canvas, Figure, cell, State, DynamicGrids);
      Meas.GridCellWidth = cell.Width;
      Meas.GridCellHeight = cell.Height;
      break;
    }
    case 23: case 51: case 52: case 53:
      DrawBezierFigure(scale, Canvas, sp, 4, State >= 2 && Handles && !TicksErased, kind, Figure.ArrowHeadLength);
      break;
    case 24: case 25:
      DrawRegularPolygon(Mapping, Canvas, Figure.PolygonSides, kind, Figure.Point(2), Figure.Point(0));
      break;
    case 38: case 39: case 40: case 41:
      try {
        float radiusUsed = 0;
        if (kind == fkDoubleAngleArc)
          DrawAngleArc(Mapping, Canvas, Figure.Point(0), radiusUsed, 38, Figure.Point(2), Figure.Point(1),
                       Figure.TickLength, Figure.ArcRadius);
        Meas.Angle = DrawAngleArc(Mapping, Canvas, Figure.Point(0), radiusUsed, kind, Figure.Point(2),
                                  Figure.Point(1), Figure.TickLength, Figure.ArcRadius);
      } catch (...) {
        ShowUnknownError("DrawShapes - AngleArc");
      }
      break;
    case 42: case 43: case 44: case 45: DrawScaleneTriangle(Mapping, Canvas, Figure); break;
    case 49: case 50: DrawPolyFigure(Canvas, sp, used, kind); break;
    case 54: {
      // A poly-Bezier takes a start point and three points per segment; extra points are left out.
      const int n = used >= 4 ? 1 + (used - 1) / 3 * 3 : 0;
      if (n >= 4) {
        Canvas.BeginPath();
        Canvas.PolyBezier(sp, n);
        Canvas.CloseFigure();
        Canvas.EndPath();
        Canvas.StrokeAndFillPath();
      }
      break;
    }
    case 55:
      Canvas.Pen = RubberPen;
      Canvas.Brush = RubberBrush;
      Canvas.MoveTo(p0.X, p0.Y);
      Canvas.LineTo(p2.X, p2.Y);
      Canvas.MoveTo(p0.X, p0.Y);
      break;
    default:
      if (WaveKinds.Has(kind)) {
        TRect R;
        WaveFigureScreenRect(Mapping, Figure, R);
        auto focus = [&] {
          const TBrushStyle bs = Canvas.Brush.Style;
          const TPenStyle ps = Canvas.Pen.Style;
          Canvas.Brush.Style = bsSolid;
          Canvas.Pen.Style = psSolid;
          Canvas.DrawFocusRect(R);
          Canvas.Brush.Style = bs;
          Canvas.Pen.Style = ps;
        };
        if (State == 1 && !(Shift & ssRight)) focus();
        if (State != 0 || Shift == 0 || (Shift & ssLeft))
          DrawPolylinePoints(Canvas, WaveBuffer.data(), std::min(len + 1, WavePointCount));
        const double width = Figure.Wave.WaveWidth[0];
        const long double angle = width != 0 ? Meas.DX * 360.0L / width : 0;
        Meas.Angle = std::isfinite(static_cast<double>(angle)) ? angle : 0;
        if (Shift & ssRight) focus();
      }
      break;
  }

  const bool dims = Figure.WantDimensions && !NoDimensionKinds.Has(kind) && WithDimensions;
  if (dims || kind == fkText || kind == fkTextNoLine) {
    TFont font;
    Figure.AssignTo(font);
    DrawDimensions(Canvas, Figure, Figure.OpaqueDimensions, font, PenMode == pmNotXor ? BackgroundColor : Figure.BrushColor,
                   TextColor, PenMode);
  }
}

void TZQVCad::DrawAsListed(TCanvas& Canvas, TRealFig& Figure, TShiftState Shift, TMeasureRec& Meas) {
  if (WaveKinds.Has(Figure.Kind)) {
    // A wave is generated for its own length (plus a little), not for the whole page.
    const TRealXYZ n0 = Figure.Point(0);
    int len = CadRound(PointDistance(WorldToScreen(Mapping, n0), WorldToScreen(Mapping, Figure.Point(2)))) + 10;
    ClampToCanvasDiagonal(Canvas, len, 32767);
    CreateWaveData(Mapping, Figure, n0.x, n0.y, len);
  }
  DrawShape(Canvas, Figure, 2, Figure.PenMode, Figure.FontColor, Shift, 0, false, true, Meas);
}

void TZQVCad::Draw(TCanvas& Canvas, int DX, int DY, int First, int Last, bool SelectedOnly) {
  const bool savedGrids = DynamicGrids;
  DynamicGrids = true;
  Drawing = true;
  const TMappingRec savedMapping = Mapping;
  struct Restore {
    TZQVCad& e;
    TMappingRec map;
    bool grids;
    ~Restore() {
      e.Mapping = map;
      e.Busy = false;
      e.StopRequest = false;
      e.TicksErased = true;
      e.Drawing = false;
      e.DynamicGrids = grids;
      e.PaletteDevice = false;
    }
  } restore{*this, savedMapping, savedGrids};
  if (First < 0 || Last > Count() - 1 || Count() == 0) return;
  Mapping.PixLeft += DX;
  Mapping.PixRight += DX;
  Mapping.PixTop += DY;
  Mapping.PixBottom += DY;
  Busy = true;
  PaletteDevice = RealizeHalftonePalette(Canvas);
  const TRect clip = Canvas.EffectiveClip();
  TMeasureRec scratch;
  // One figure that cannot be drawn is reported once per call and left out; the rest of the list
  // is still drawn.
  bool reported = false;
  auto drawOne = [&](TRealFig& f, bool testVisible, const char* label) {
    try {
      if (testVisible && !FigureVisible(f, clip)) return;
      DrawAsListed(Canvas, f, 0, scratch);
    } catch (...) {
      if (!reported) ShowUnknownError(label);
      reported = true;
    }
  };
  if (!SelectedOnly || !HasSelection()) {
    const int span = Last - First;
    for (int i = First; i <= Last; ++i) {
      if (span > 30000 && i % 500 == 0) PumpMessages(*this);
      if (StopRequest && ConfirmInterrupt("redrawing", span)) break;
      if (i >= Count()) break;
      TRealFig* f = FigureList[size_t(i)].get();
      if (f != nullptr) drawOne(*f, true, "TZQVCad.Draw (1)");
    }
  } else {
    const std::vector<int32_t> touched = TouchedSelection;
    for (int32_t i : touched) {
      if (i < 0 || i >= Count()) continue;
      TRealFig* f = FigureList[size_t(i)].get();
      if (f != nullptr) drawOne(*f, ZoomLevel() >= 7, "TZQVCad.Draw (2)");
    }
  }
}

void TZQVCad::DrawAll(TCanvas& Canvas, int DX, int DY, bool SelectedOnly) {
  if (Count() > 0) Draw(Canvas, DX, DY, 0, Count() - 1, SelectedOnly);
}

