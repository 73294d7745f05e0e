#include "cad/figure_transforms.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

#include "cad/mapping.h"
#include "cad/node_layout.h"

namespace {
TRealXYZ Centre3(TRealPoint c) { return {c.x, c.y, 0}; }
int Size(const TRealFig& f) { return int(f.Nodes.size()); }
}  // namespace

void ScaleRealPoint(TRealXYZ& P, TRealPoint Origin, long double Fx, long double Fy) {
  P = {double(Origin.x + (P.x - Origin.x) * Fx), double(Origin.y + (P.y - Origin.y) * Fy), 0};
}

void ScaleCentredFigure(TRealXYZObj& N0, TRealXYZObj& N2, TRealPoint Origin, long double Fx, long double Fy,
                        TFigureKind Kind) {
  long double m = (Fx + Fy) / 2;
  if (!std::isfinite(m)) m = 1;
  const TRealXYZ c = Centre3(Origin);
  if (Kind == fkCircle) {
    N0.ScaleAbout(c, double(Fx), double(Fy));
    N2.ScaleAbout(c, double(Fx), double(Fy));
    return;
  }
  const long double d = (static_cast<long double>(N2.X) - N0.X) * m;
  N0.ScaleAbout(c, double(Fx), double(Fy));
  N2.X = double(N0.X + d);
  N2.Y = N0.Y;
}

void ScaleFigureNodes(TRealFig& Fig, TRealPoint Centre, double Fx, double Fy) {
  const int kind = Fig.Kind;
  const TRealXYZ c = Centre3(Centre);
  if (CentredKinds.Has(kind)) {
    ScaleCentredFigure(*Fig.GetNode(0), *Fig.GetNode(2), Centre, Fx, Fy, Fig.Kind);
    return;
  }
  if (!MultiNodeKinds.Has(kind)) {
    Fig.GetNode(0)->ScaleAbout(c, Fx, Fy);
    Fig.GetNode(2)->ScaleAbout(c, Fx, Fy);
  }
  if (BezierKinds.Has(kind)) {
    Fig.GetNode(1)->ScaleAbout(c, Fx, Fy);
    Fig.GetNode(3)->ScaleAbout(c, Fx, Fy);
  }
  if (AngleArcKinds.Has(kind) || ScaleneKinds.Has(kind)) Fig.GetNode(1)->ScaleAbout(c, Fx, Fy);
  if (MultiNodeKinds.Has(kind)) {
    const int used = std::min(Fig.NodeCountUsed, Size(Fig));
    for (int i = 0; i < used; ++i) Fig.Nodes[size_t(i)].ScaleAbout(c, Fx, Fy);
  }
}

void RotateFigure(TRealPoint Centre, TRealFig& Fig, long double Angle) {
  const int kind = Fig.Kind;
  const TRealXYZ c = Centre3(Centre);
  Fig.GetNode(0)->RotateAbout(c, Angle);
  if (!MultiNodeKinds.Has(kind) && !RightTriangleKinds.Has(kind)) Fig.GetNode(2)->RotateAbout(c, Angle);
  if (BezierKinds.Has(kind)) {
    Fig.GetNode(1)->RotateAbout(c, Angle);
    Fig.GetNode(3)->RotateAbout(c, Angle);
  }
  if (AngleArcKinds.Has(kind) || ScaleneKinds.Has(kind)) Fig.GetNode(1)->RotateAbout(c, Angle);
  if (MultiNodeKinds.Has(kind)) {
    const int used = std::min(Fig.NodeCountUsed, Size(Fig));
    for (int i = 1; i < used; ++i) Fig.Nodes[size_t(i)].RotateAbout(c, Angle);
  }
}

void RotateCentredFigure(TRealPoint Centre, TRealFig& Fig, long double Angle) {
  const TRealXYZ c = Centre3(Centre);
  if (Fig.Kind == fkCircle) {
    Fig.GetNode(0)->RotateAbout(c, Angle);
    Fig.GetNode(2)->RotateAbout(c, Angle);
    return;
  }
  TRealXYZObj& n0 = *Fig.GetNode(0);
  TRealXYZObj& n2 = *Fig.GetNode(2);
  const double h = n2.X - n0.X;
  n0.RotateAbout(c, Angle);
  n2.X = n0.X + h;
  n2.Y = n0.Y;
}

void RotateBoxFigure(TRealPoint Centre, TRealFig& Fig, long double Angle) {
  TRealXYZObj& n0 = *Fig.GetNode(0);
  TRealXYZObj& n2 = *Fig.GetNode(2);
  const double hx = (n2.X - n0.X) / 2;
  const double hy = (n2.Y - n0.Y) / 2;
  TRealXYZ cp{n0.X + hx, n0.Y + hy, 0};
  RotateRealPoint(Centre, cp, Angle);
  n0.X = cp.x - hx;
  n0.Y = cp.y - hy;
  n2.X = cp.x + hx;
  n2.Y = cp.y + hy;
}

void RotatePolygonFigure(TRealPoint Centre, TRealFig& Fig, long double Angle) {
  const TRealXYZ c = Centre3(Centre);
  Fig.GetNode(0)->RotateAbout(c, Angle);
  Fig.GetNode(2)->RotateAbout(c, Angle);
  RegularNodes(Fig);
}

void RotateFigureByKind(TRealPoint Centre, TRealFig& Fig, long double Angle) {
  const int kind = Fig.Kind;
  if (CentredKinds.Has(kind))
    RotateCentredFigure(Centre, Fig, Angle);
  else if (RotatePointKinds.Has(kind))
    RotateFigure(Centre, Fig, Angle);
  else if (kind == fkPolygon || kind == fkFilledPolygon)
    RotatePolygonFigure(Centre, Fig, Angle);
  else if (RectangleKinds.Has(kind) || kind == fkTriangle || kind == fkArcNWSE || kind == fkArcNESW || kind == fkFilledTriangle)
    RotateBoxFigure(Centre, Fig, Angle);
  else if (WaveKinds.Has(kind)) {
    const long double degrees = Angle * 180 / std::numbers::pi_v<long double>;
    // The angle wraps: a wave turned past a full turn keeps its direction (-370 is -10).
    Fig.SetWaveAngle(int32_t((int64_t(Fig.Wave.Rotation) - CadRound(degrees)) % 360));
  }
}

void TriangleToScalene(TRealFig& Fig) {
  if (Fig.Kind == fkTriangle)
    Fig.SetKind(fkScalarTA);
  else if (Fig.Kind == fkFilledTriangle)
    Fig.SetKind(fkFillScalarTA);
  Fig.GetNode(1)->Assign(*Fig.GetNode(2));
  Fig.GetNode(2)->Assign(*Fig.GetNode(3));
  Fig.GetNode(3)->Assign(*Fig.GetNode(0));
}

TRealXYZ MirrorRealPoint(TRealXYZ P, uint8_t Side, TRealPoint Axis) {
  switch (Side) {
    case 0:
    case 1: {
      if (P.x == Axis.x) return P;
      const double d = 2 * std::fabs(P.x - Axis.x);
      return {P.x > Axis.x ? P.x - d : P.x + d, P.y, 0};
    }
    case 2:
    case 3: {
      if (P.y == Axis.y) return P;
      const double d = 2 * std::fabs(P.y - Axis.y);
      return {P.x, P.y > Axis.y ? P.y - d : P.y + d, 0};
    }
    default:
      return {0, 0, 0};
  }
}

namespace {
bool Beyond(const TRealXYZ& p, uint8_t Side, TRealPoint Axis, bool inclusive) {
  switch (Side) {
    case 0: return inclusive ? p.x >= Axis.x : p.x > Axis.x;
    case 1: return inclusive ? p.x <= Axis.x : p.x < Axis.x;
    case 2: return inclusive ? p.y <= Axis.y : p.y < Axis.y;
    case 3: return inclusive ? p.y >= Axis.y : p.y > Axis.y;
    default: return false;
  }
}
}  // namespace

bool MirrorApplies(const TRealFig& Fig, uint8_t Side, TRealPoint Axis) {
  const int kind = Fig.Kind;
  if (WaveKinds.Has(kind)) return false;
  if (MultiNodeKinds.Has(kind)) {
    const int used = std::min(Fig.NodeCountUsed, Size(Fig));
    for (int i = 0; i < used; ++i)
      if (Beyond(Fig.Nodes[size_t(i)].GetPoint(), Side, Axis, true)) return true;
    return false;
  }
  static constexpr int kTwo[] = {0, 2}, kThree[] = {0, 1, 2}, kFour[] = {0, 1, 2, 3};
  std::span<const int> examined = kTwo;
  if (BezierKinds.Has(kind))
    examined = kFour;
  else if (AngleArcKinds.Has(kind) || ScaleneKinds.Has(kind))
    examined = kThree;
  for (int i : examined)
    if (Beyond(Fig.Point(i), Side, Axis, false)) return true;
  return false;
}

void MirrorFigurePoints(const TRealFig& Src, TRealFig& Dest, uint8_t Side, TRealPoint Axis) {
  const int kind = Src.Kind;
  if (WaveKinds.Has(kind)) return;
  Dest.Assign(Src);
  auto mirror = [&](int i) { Dest.SetNodePoint(i, MirrorRealPoint(Src.Point(i), Side, Axis)); };
  if (!MultiNodeKinds.Has(kind)) {
    mirror(0);
    mirror(2);
  }
  if (BezierKinds.Has(kind)) {
    mirror(1);
    mirror(3);
  }
  if (AngleArcKinds.Has(kind) || ScaleneKinds.Has(kind)) {
    mirror(1);
    const TRealXYZ n1 = Dest.Point(1);
    Dest.SetNodePoint(1, Dest.Point(2));
    Dest.SetNodePoint(2, n1);
  }
  if (MultiNodeKinds.Has(kind)) {
    const int used = std::min(Src.NodeCountUsed, std::min(Size(Src), Size(Dest)));
    for (int i = 0; i < used; ++i) mirror(i);
  }
  if (kind == fkArcNWSE) Dest.SetKind(fkArcNESW);
  if (kind == fkArcNESW) Dest.SetKind(fkArcNWSE);
  if (RegeneratedKinds.Has(Dest.Kind)) UpdateFigurePoints(Dest);
}

void ConvertToMultiline(TRealFig& Fig) {
  TRealFig C(Fig.Owner);
  C.ResizeNodes(Size(Fig));
  C.Assign(Fig);
  const TRealXYZ n0 = Fig.Point(0);
  const TRealXYZ n2 = Fig.Point(2);
  const int kind = Fig.Kind;
  auto put = [&](int i, long double x, long double y) { C.SetNodePoint(i, {double(x), double(y), 0}); };
  switch (kind) {
    case 5:
    case 8:
      put(1, n2.x, n0.y);
      put(3, n0.x, n2.y);
      C.SetNodePoint(4, n0);
      break;
    case 9:
    case 11: {
      const long double h = static_cast<long double>(n2.x) - n0.x;
      put(0, n0.x - h, n0.y + h);
      put(1, n0.x + h, n0.y + h);
      put(2, n0.x + h, n2.y - h);
      put(3, n0.x - h, n2.y - h);
      C.SetNodePoint(4, C.Point(0));
      break;
    }
    case 6: {
      const long double rx = (static_cast<long double>(n2.x) - n0.x) / 2;
      const long double ry = (static_cast<long double>(n0.y) - n2.y) / 2;
      const long double cx = n0.x + rx, cy = n0.y - ry;
      const long double K = 0.5522847498L;
      put(0, cx - rx, cy);
      put(1, cx - rx, cy + K * ry);
      put(2, cx - K * rx, cy + ry);
      put(3, cx, cy + ry);
      put(4, cx + K * rx, cy + ry);
      put(5, cx + rx, cy + K * ry);
      put(6, cx + rx, cy);
      put(7, cx + rx, cy - K * ry);
      put(8, cx + K * rx, cy - ry);
      put(9, cx, cy - ry);
      put(10, cx - K * rx, cy - ry);
      put(11, cx - rx, cy - K * ry);
      C.SetNodePoint(12, C.Point(0));
      C.SetNodePoint(13, C.Point(1));
      C.SetNodePoint(14, C.Point(2));
      C.SetNodePoint(15, C.Point(3));
      break;
    }
    case 13:
    case 26:
      TriangleToScalene(C);
      break;
    default:
      break;
  }
  switch (kind) {
    case 5:
    case 11:
      C.Kind = fkClosedIrregPolygon;
      C.NodeCountUsed = 4;
      break;
    case 8:
    case 9:
      C.Kind = fkOpenIrregPolygon;
      C.NodeCountUsed = 5;
      break;
    case 6:
      C.Kind = fkBezierEllipse;
      C.NodeCountUsed = 13;
      break;
    case 18:
    case 19:
      C.Kind = fkLine;
      break;
    default:
      break;
  }
  Fig.Assign(C);
}
