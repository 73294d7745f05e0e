#include "cad/point_operations.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "cad/units.h"
#include "helpers/small_helpers.h"

bool NodeInUse(const TRealFig& Fig, int Index) {
  if (Index < 0 || Index > LastPointIndex(Fig)) return false;
  return Index != 1 || ExtentNode1Kinds.Has(Fig.Kind);
}

void MoveFigure(const TMappingRec& /*Map*/, TRealFig& Fig, double Dx, double Dy) {
  // Every node in use moves, wherever it lies on the page: nodes that only look unplaced (on the
  // page's top or bottom edge) belong to the figure as much as any other.
  const int last = LastPointIndex(Fig);
  for (int i = 0; i <= last; ++i) {
    if (!NodeInUse(Fig, i)) continue;
    TRealXYZObj& n = Fig.Nodes[size_t(i)];
    n.SetPoint({n.X + Dx, n.Y - Dy, 0});
  }
}

void DragSizeHandle(const TRealFig&, TRealFig& Dest, int, long double NewX, long double NewY, long double,
                    long double) {
  Dest.SetNodePoint(2, {double(NewX), double(NewY), 0});
}

void DragRectangleHandle(const TRealFig& Src, TRealFig& Dest, int Index, long double Dx, long double Dy) {
  const TRealXYZ s0 = Src.Point(0);
  const TRealXYZ s2 = Src.Point(2);
  TRealXYZObj& d0 = *Dest.GetNode(0);
  TRealXYZObj& d2 = *Dest.GetNode(2);
  switch (Index) {
    case 0: d0.X = double(s0.x - Dx); d0.Y = double(s0.y - Dy); break;
    case 2: d2.X = double(s2.x - Dx); d2.Y = double(s2.y - Dy); break;
    case 1: d0.Y = double(s0.y - Dy); d2.X = double(s2.x - Dx); break;
    case 3: d0.X = double(s0.x - Dx); d2.Y = double(s2.y - Dy); break;
    case 4: d0.Y = double(s0.y - Dy); break;
    case 5: d2.X = double(s2.x - Dx); break;
    case 6: d2.Y = double(s2.y - Dy); break;
    case 7: d0.X = double(s0.x - Dx); break;
    default: break;  // the centre: the figure moves whole instead
  }
}

void DragTriangleNode(const TRealFig&, TRealFig& Dest, int Index, double NewX, double NewY) {
  if (Index < 0 || Index >= int(Dest.Nodes.size())) return;
  Dest.SetNodePoint(Index, {NewX, NewY, 0});
  if (Index == 0) Dest.GetNode(3)->X = NewX;
  if (Index == 2) Dest.GetNode(3)->Y = Dest.GetNode(2)->Y;
  if (Index == 3) Dest.GetNode(0)->X = NewX;
}

void DragFigurePoint(const TMappingRec& /*Map*/, const TRealFig& Src, TRealFig& Dest, TShiftState Shift, int Index,
                     long double NewX, long double NewY, long double Dx, long double Dy) {
  const int kind = Src.Kind;
  const bool left = (Shift & ssLeft) != 0;
  const bool right = (Shift & ssRight) != 0;
  if (right || (left && kind == fkFill)) {
    // The whole figure moves: every node in use, as in MoveFigure.
    const int last = std::min(LastPointIndex(Src), int(Dest.Nodes.size()) - 1);
    for (int i = 0; i <= last; ++i) {
      if (!NodeInUse(Src, i)) continue;
      const TRealXYZ s = Src.Point(i);
      Dest.SetNodePoint(i, {double(s.x - Dx), double(s.y - Dy), 0});
    }
  }
  if (!left) return;
  if (Index < 0 || Index >= int(Dest.Nodes.size())) return;
  if (StraightLineKinds.Has(kind) || BezierKinds.Has(kind) || MultiNodeKinds.Has(kind) ||
      AngleArcKinds.Has(kind) || ScaleneKinds.Has(kind) || QuarterArcKinds.Has(kind) || kind == fkText ||
      kind == fkTextNoLine || kind == fkBezierEllipse || (WaveKinds.Has(kind) && Index != 0)) {
    Dest.SetNodePoint(Index, {double(NewX), double(NewY), 0});
    if (kind == fkBezierEllipse) {
      const int last = LastPointIndex(Dest);
      if (last > 0 && Index == last) Dest.GetNode(0)->Assign(*Dest.GetNode(last));
      else if (Index == 0 && last > 0) Dest.GetNode(last)->Assign(*Dest.GetNode(0));
    }
  } else if (RectangleKinds.Has(kind)) {
    DragRectangleHandle(Src, Dest, Index, Dx, Dy);
  } else if (CentredKinds.Has(kind) || kind == fkPolygon || kind == fkFilledPolygon) {
    DragSizeHandle(Src, Dest, Index, NewX, NewY, Dx, Dy);
  } else if (kind == fkTriangle || kind == fkFilledTriangle) {
    DragTriangleNode(Src, Dest, Index, double(NewX), double(NewY));
  } else if (HorizontalLineKinds.Has(kind)) {
    Dest.GetNode(Index)->X = double(NewX);
  } else if (kind == fkVerticalLine) {
    Dest.GetNode(Index)->Y = double(NewY);
  }
}

bool AddClickedPoint(TRealFig& Fig, TMouseButton Button, double X, double Y) {
  const int u = Fig.NodeCountUsed;
  const int size = int(Fig.Nodes.size());
  if (AngleArcKinds.Has(Fig.Kind) || ScaleneKinds.Has(Fig.Kind)) {
    if (u < 0 || u > 2) return u > 2;  // the figure already has its three points
    Fig.SetNodePoint(u, {X, Y, 0});
    if (u == 2) Fig.GetNode(3)->Assign(*Fig.GetNode(0));
    Fig.NodeCountUsed = u + 1;
    return u == 2;
  }
  if (Fig.Kind == fkClosedIrregPolygon || Fig.Kind == fkOpenIrregPolygon) {
    if (Button == mbRight || u >= size || u >= NodeCount || u < 0) return true;
    Fig.SetNodePoint(u, {X, Y, 0});
    Fig.NodeCountUsed = u + 1;
    return false;
  }
  return false;
}

void NormalizeRect(const TRect& R, TRect& Result) {
  Result = {std::min(R.Left, R.Right), std::min(R.Top, R.Bottom), std::max(R.Left, R.Right),
            std::max(R.Top, R.Bottom)};
}

TRect NormalizeRect(const TRect& R) {
  TRect result;
  NormalizeRect(R, result);
  return result;
}

void FigureScreenRect(const TMappingRec& Map, const TRealFig& Fig, TRect& R) {
  const TPoint a = WorldToScreen(Map, Fig.Point(0));
  const TPoint b = WorldToScreen(Map, Fig.Point(2));
  NormalizeRect({a.X, a.Y, b.X, b.Y}, R);
}

void WaveFigureScreenRect(const TMappingRec& Map, const TRealFig& Fig, TRect& R) {
  const long double a = Fig.Wave.Rotation * std::numbers::pi_v<long double> / 180;
  const float h = float(Fig.Wave.WaveHeight[0]);
  const TRealXYZ n0 = Fig.Point(0);
  const long double L = RealPointDistance(n0, Fig.Point(2));
  TRect r;
  r.Left = WorldToScreenX(Map, n0.x);
  // The length is converted through the mapping itself, so that a mapping whose origin is not
  // at pixel 0 (a shifted or zoomed view) gives the right width.
  r.Right = WorldToScreenX(Map, n0.x + L);
  switch (Fig.Kind) {
    case fkHalfWave: case fkFullWave: case fkPulse:
      r.Top = WorldToScreenY(Map, n0.y + h);
      r.Bottom = WorldToScreenY(Map, n0.y) + 1;
      break;
    case fkHalfWaveNegative: case fkFullWaveNegative: case fkNegativePulse:
      r.Top = WorldToScreenY(Map, n0.y);
      r.Bottom = WorldToScreenY(Map, n0.y - h) + 1;
      break;
    default:  // sine, square wave, wave sum, AM, FM
      r.Top = WorldToScreenY(Map, n0.y + h);
      r.Bottom = WorldToScreenY(Map, n0.y - h) + 1;
      break;
  }
  const TPoint centre = WorldToScreen(Map, n0);
  TPoint tl{r.Left, r.Top};
  TPoint br{r.Right, r.Bottom};
  RotatePoint(centre, tl, a);
  RotatePoint(centre, br, a);
  NormalizeRect({tl.X, tl.Y, br.X, br.Y}, R);
}

void ScreenRectToWorld(const TMappingRec& Map, const TRect& R, TRealRect& WR) {
  WR = {double(ScreenToWorldX(Map, R.Left)), double(ScreenToWorldY(Map, R.Top)),
        double(ScreenToWorldX(Map, R.Right)), double(ScreenToWorldY(Map, R.Bottom))};
}

bool PtInWorldRect(const TRealRect& WR, const TRealXYZ& P) {
  return WR.Left <= P.x && P.x <= WR.Right && WR.Bottom <= P.y && P.y <= WR.Top;
}

bool PointInScreenRect(const TMappingRec& Map, const TRect& R, const TRealXYZ& P) {
  TRealRect wr;
  ScreenRectToWorld(Map, R, wr);
  return PtInWorldRect(wr, P);
}

bool PtInRectInclusive(const TRect& R, TPoint P) { return PtInRectInclusive(P.X, P.Y, R); }

bool FigureInRect(const TMappingRec& Map, const TRealFig& Fig, const TRect& R) {
  TRealRect wr;
  ScreenRectToWorld(Map, R, wr);
  const int kind = Fig.Kind;
  if (MultiNodeKinds.Has(kind)) {
    const int used = std::min(Fig.NodeCountUsed, int(Fig.Nodes.size()));
    for (int i = 0; i < used; ++i)
      if (!PtInWorldRect(wr, Fig.Point(i))) return false;
    return true;
  }
  static constexpr int kTwo[] = {0, 2}, kThree[] = {0, 1, 2}, kFour[] = {0, 1, 2, 3};
  std::span<const int> nodes = kTwo;
  if (BezierKinds.Has(kind))
    nodes = kFour;
  else if (AngleArcKinds.Has(kind) || ScaleneKinds.Has(kind))
    nodes = kThree;
  for (int i : nodes)
    if (!PtInWorldRect(wr, Fig.Point(i))) return false;
  return true;
}

bool FindGridNode(const TMappingRec& Map, const TRect& PickRect, double& X, double& Y, int& Col, int& Row,
                  const TRealFig& Fig) {
  Row = -1;
  Col = -1;
  TRealRect wr;
  ScreenRectToWorld(Map, PickRect, wr);
  if (Fig.GridCellsX < 1 || Fig.GridCellsY < 1) return false;
  const TRealXYZ n0 = Fig.Point(0);
  const TRealXYZ n2 = Fig.Point(2);
  const long double stepX = (static_cast<long double>(n2.x) - n0.x) / Fig.GridCellsX;
  const long double stepY = (static_cast<long double>(n2.y) - n0.y) / Fig.GridCellsY;
  for (int j = 0; j <= Fig.GridCellsY; ++j) {
    const double y = double(n0.y + j * stepY);
    for (int i = 0; i <= Fig.GridCellsX; ++i) {
      const double x = double(n0.x + i * stepX);
      if (PtInWorldRect(wr, {x, y, 0})) {
        X = x;
        Y = y;
        Col = i;
        Row = Fig.GridCellsY - j;
        return true;
      }
    }
  }
  return false;
}
