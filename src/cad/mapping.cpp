#include "cad/mapping.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>
#include <numbers>

int32_t CadRound(long double v) {
  if (std::isnan(v)) return 0;
  // The default rounding mode rounds halves to even; rint is nearbyint without keeping the
  // inexact flag, which nothing here reads.
  // Far beyond the 32-bit range only the sign matters; within 64 bits the rounding goes
  // straight to an integer (one instruction, where rounding to a long double and converting
  // takes two slow ones), then is held to the 32-bit range.
  if (!(std::fabs(v) < 4.0e18L)) return v > 0 ? std::numeric_limits<int32_t>::max() : std::numeric_limits<int32_t>::min();
  const long long r = std::llrintl(v);
  return static_cast<int32_t>(std::clamp<long long>(r, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int32_t WorldToScreenX(TMappingRec Map, long double x) {
  const long double worldW = static_cast<long double>(Map.WorldRight) - Map.WorldLeft;
  if (worldW == 0) return 0;
  const int32_t pixW = Map.PixRight - Map.PixLeft;
  return CadRound((x - Map.WorldLeft) * pixW / worldW + Map.PixLeft);
}

int32_t WorldToScreenY(TMappingRec Map, long double y) {
  const long double worldH = static_cast<long double>(Map.WorldTop) - Map.WorldBottom;
  if (worldH == 0) return 0;
  const int32_t pixH = Map.PixBottom - Map.PixTop;
  return CadRound(Map.PixBottom - (y - Map.WorldBottom) * pixH / worldH);
}

long double ScreenToWorldX(TMappingRec Map, int32_t px) {
  if (Map.PixRight == Map.PixLeft) return 0;
  return (static_cast<long double>(Map.WorldRight) - Map.WorldLeft) * (px - Map.PixLeft) /
             (Map.PixRight - Map.PixLeft) +
         Map.WorldLeft;
}

long double ScreenToWorldY(TMappingRec Map, int32_t py) {
  if (Map.PixBottom == Map.PixTop) return 0;
  return Map.WorldTop - (static_cast<long double>(Map.WorldTop) - Map.WorldBottom) *
                            (py - Map.PixTop) / (Map.PixBottom - Map.PixTop);
}

TPoint WorldToScreen(TMappingRec Map, long double x, long double y) {
  return {WorldToScreenX(Map, x), WorldToScreenY(Map, y)};
}
TPoint WorldToScreen(TMappingRec Map, TRealPoint p) { return WorldToScreen(Map, p.x, p.y); }
TPoint WorldToScreen(TMappingRec Map, TRealXYZ p) { return WorldToScreen(Map, p.x, p.y); }

int32_t WorldToScreenXByRef(const TMappingRec& Map, double x) {
  const TMappingRec copy = Map;
  return WorldToScreenX(copy, x);
}

double RoundToStep(double v, double step) {
  // A step of zero (the default snap step) or below means "no snapping": the value stays.
  if (!(step > 0)) return v;
  const int32_t q = CadRound(static_cast<long double>(v) / step);
  return static_cast<double>(static_cast<long double>(q) * step);
}

TRealPoint ScreenToWorldSnapped(TMappingRec Map, int32_t X, int32_t Y) {
  return {RoundToStep(static_cast<double>(ScreenToWorldX(Map, X)), Map.SnapStep),
          RoundToStep(static_cast<double>(ScreenToWorldY(Map, Y)), Map.SnapStep)};
}
TRealPoint ScreenToWorldSnapped(TMappingRec Map, TPoint p) { return ScreenToWorldSnapped(Map, p.X, p.Y); }

TRealPoint RealPoint(double x, double y) { return {x, y}; }
TRealRect RealRect(double Left, double Top, double Right, double Bottom) { return {Left, Top, Right, Bottom}; }
TRealXYZ RealXYZ(long double x, long double y) { return {double(x), double(y), 0}; }
TRealXYZ RealXYZ(long double x, long double y, long double z) { return {double(x), double(y), double(z)}; }
TPoint MakePoint(int32_t X, int32_t Y) { return {X, Y}; }

void RotatePoint(TPoint Centre, TPoint& P, long double Angle) {
  const long double dx = static_cast<long double>(P.X) - Centre.X;
  const long double dy = static_cast<long double>(P.Y) - Centre.Y;
  const float r = static_cast<float>(std::sqrt(dx * dx + dy * dy));  // single precision, as drawn
  const long double t = SegmentAngle(Centre, P);
  const int32_t x = CadRound(Centre.X + std::cos(Angle + t) * r);
  const int32_t y = CadRound(Centre.Y - std::sin(Angle + t) * r);
  P.X = x;
  P.Y = y;
}

void RotateRealPoint(TRealPoint Centre, TRealXYZ& P, long double Angle) {
  const long double dx = static_cast<long double>(P.x) - Centre.x;
  const long double dy = static_cast<long double>(P.y) - Centre.y;
  const double r = static_cast<double>(std::sqrt(dx * dx + dy * dy));
  const long double t = RealSegmentAngle({Centre.x, Centre.y, 0}, P);
  P.x = static_cast<double>(Centre.x + std::cos(Angle - t) * r);
  P.y = static_cast<double>(Centre.y - std::sin(Angle - t) * r);
}

long double SegmentAngle(TPoint P1, TPoint P2) {
  const long double a = std::atan2(static_cast<long double>(P2.Y) - P1.Y, static_cast<long double>(P2.X) - P1.X);
  if (!std::isfinite(a)) return 0;
  return a <= 0 ? -a : 2 * std::numbers::pi_v<long double> - a;
}

long double RealSegmentAngle(TRealXYZ P1, TRealXYZ P2) {
  const long double a = std::atan2(static_cast<long double>(P2.y) - P1.y, static_cast<long double>(P2.x) - P1.x);
  if (!std::isfinite(a)) return 0;
  return a >= 0 ? a : 2 * std::numbers::pi_v<long double> + a;
}

long double PointDistance(TPoint P1, TPoint P2) {
  const long double dx = static_cast<long double>(P2.X) - P1.X;
  const long double dy = static_cast<long double>(P2.Y) - P1.Y;
  return std::sqrt(dx * dx + dy * dy);
}

long double RealPointDistance(TRealXYZ P1, TRealXYZ P2) {
  const long double dx = static_cast<long double>(P2.x) - P1.x;
  const long double dy = static_cast<long double>(P2.y) - P1.y;
  const long double d = std::sqrt(dx * dx + dy * dy);
  return std::isfinite(d) ? d : 0;
}
