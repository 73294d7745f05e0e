#include "cad/node_layout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "cad/mapping.h"

namespace {
int NodeArraySize(const TRealFig& Fig) { return int(Fig.Nodes.size()); }

void Put(TRealFig& Fig, int i, long double x, long double y) {
  if (i >= 0 && i < NodeArraySize(Fig)) Fig.Nodes[size_t(i)].SetPoint({double(x), double(y), 0});
}
}  // namespace

void RegularNodes(TRealFig& Fig) {
  const int nc = NodeArraySize(Fig);
  if (nc < 3) return;
  Put(Fig, 1, 0, 0);
  const TRealXYZ n0 = Fig.Nodes[0].GetPoint();
  const TRealXYZ n2 = Fig.Nodes[2].GetPoint();
  const long double r = RealPointDistance(n0, n2);
  const long double a0 = RealSegmentAngle(n0, n2);
  int n;
  if (Fig.Kind == fkPolygon || Fig.Kind == fkFilledPolygon) {
    // Vertices 3 .. n + 1 must lie inside the node array.
    if (Fig.PolygonSides > nc - 3) Fig.SetPolygonSides(nc - 3);
    n = std::min(Fig.PolygonSides, nc - 3);
  } else {
    if (Fig.LineDivisions > nc - 3) Fig.SetLineDivisions(nc - 3);
    n = std::min(Fig.LineDivisions, nc - 3);
  }
  const long double twoPi = 2 * std::numbers::pi_v<long double>;
  for (int i = 1; i <= n - 1; ++i) {
    const long double a = a0 + twoPi * i / n;
    Put(Fig, i + 2, n0.x + r * std::cos(a), n0.y + r * std::sin(a));
  }
}

void UpdateFigurePoints(TRealFig& Fig) {
  const int nc = NodeArraySize(Fig);
  if (nc < 3) return;
  const int kind = Fig.Kind;
  auto node = [&](int i) { return Fig.Nodes[size_t(i)].GetPoint(); };
  const TRealXYZ n0 = node(0);
  const long double dx = static_cast<long double>(node(2).x) - n0.x;
  const long double dy = static_cast<long double>(node(2).y) - n0.y;

  if (RectangleKinds.Has(kind)) {
    const TRealXYZ n2 = node(2);
    Put(Fig, 1, n2.x, n0.y);
    Put(Fig, 3, n0.x, n2.y);
    Put(Fig, 4, n0.x + dx / 2, n0.y);
    Put(Fig, 6, n0.x + dx / 2, n2.y);
    Put(Fig, 5, n2.x, n2.y - dy / 2);
    Put(Fig, 7, n0.x, n2.y - dy / 2);
    Put(Fig, 8, n0.x + dx / 2, n2.y - dy / 2);
  }

  if (HorizontalLineKinds.Has(kind)) Fig.Nodes[2].Y = Fig.Nodes[0].Y;

  if (DivisionNodeKinds.Has(kind) && kind != fkCircle) {
    Put(Fig, 1, 0, 0);
    if (kind == fkVerticalLine) Fig.Nodes[2].X = Fig.Nodes[0].X;
    if (Fig.LineDivisions < 1) Fig.SetLineDivisions(1);
    // Division points 3 .. n + 2 must lie inside the node array.
    if (Fig.LineDivisions > nc - 3) Fig.SetLineDivisions(nc - 3);
    const int n = std::clamp(Fig.LineDivisions, 1, nc - 3);
    const long double stepX = kind == fkVerticalLine ? 0 : dx / n;
    const long double stepY = HorizontalLineKinds.Has(kind) ? 0 : dy / n;
    for (int i = 3; i <= n + 2; ++i) Put(Fig, i, n0.x + (i - 2) * stepX, n0.y + (i - 2) * stepY);
    for (int i = n + 3; i <= nc - 1; ++i) Put(Fig, i, 0, 0);
  }

  if (kind == fkTriangle || kind == fkFilledTriangle) Put(Fig, 3, Fig.Nodes[0].X, Fig.Nodes[2].Y);

  if (CentredKinds.Has(kind) && kind != fkCircle) {
    Put(Fig, 1, 0, 0);
    Fig.Nodes[2].Y = Fig.Nodes[0].Y;
    const long double h = static_cast<long double>(Fig.Nodes[2].X) - Fig.Nodes[0].X;
    const long double x = Fig.Nodes[0].X;
    const long double y = Fig.Nodes[0].Y;
    Put(Fig, 3, x - h, y + h);
    Put(Fig, 5, x + h, y + h);
    Put(Fig, 7, x + h, y - h);
    Put(Fig, 9, x - h, y - h);
    Put(Fig, 4, x, y + h);
    Put(Fig, 6, x + h, y);
    Put(Fig, 8, x, y - h);
    Put(Fig, 10, x - h, y);
  }

  if (kind == fkCircle || kind == fkPolygon || kind == fkFilledPolygon) RegularNodes(Fig);
}

void SpaceControlPoints(TRealXYZPts& Nodes, int Count) {
  Count = std::min(Count, int(Nodes.size()));
  if (Count < 2 || Nodes.size() < 3) return;
  const TRealXYZ first = Nodes[0].GetPoint();
  const TRealXYZ last = Nodes[size_t(Count - 1)].GetPoint();
  const long double sx = (static_cast<long double>(last.x) - first.x) / (Count - 1);
  const long double sy = (static_cast<long double>(last.y) - first.y) / (Count - 1);
  const TRealXYZ n1{double(first.x + sx), double(first.y + sy), 0};
  Nodes[1].SetPoint(n1);
  Nodes[2].SetPoint({double(n1.x + sx), double(n1.y + sy), 0});
}

int LastPointIndex(const TRealFig& Fig) {
  const int kind = Fig.Kind;
  int result;
  if (WaveKinds.Has(kind) || kind == fkFill || kind == fkHorizontalWavyLine || AngleArcKinds.Has(kind) ||
      QuarterArcKinds.Has(kind) || ScaleneKinds.Has(kind))
    result = 2;
  else if (DivisionNodeKinds.Has(kind) && kind != fkCircle)
    result = Fig.LineDivisions + 2;
  else if (kind == fkCircle)
    result = Fig.LineDivisions + 1;
  else if (CentredKinds.Has(kind))
    result = 10;
  else if (kind == fkTriangle || kind == fkFilledTriangle || BezierKinds.Has(kind))
    result = 3;
  else if (RectangleKinds.Has(kind))
    result = 8;
  else if (kind == fkPolygon || kind == fkFilledPolygon)
    result = Fig.PolygonSides + 1;
  else if (MultiNodeKinds.Has(kind))
    result = Fig.NodeCountUsed - 1;
  else
    result = 2;
  // Never beyond the node array, whatever the counts say.
  if (NodeArraySize(Fig) == 0) return -1;
  return std::clamp(result, MultiNodeKinds.Has(kind) ? -1 : 0, NodeArraySize(Fig) - 1);
}
