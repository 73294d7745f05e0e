// World-to-pixel mapping, snapping, point constructors and plane geometry of the CAD engine.
// All routines are stateless: the mapping is passed by value and never changed. Arithmetic is
// done in long double; rounding is to the nearest integer with exact halves to the even neighbour.
#pragma once

#include "cad/cad_types.h"

// Nearest integer, halves to even, clamped to the 32-bit range (NaN gives 0).
int32_t CadRound(long double v);

int32_t WorldToScreenX(TMappingRec Map, long double x);
int32_t WorldToScreenY(TMappingRec Map, long double y);
long double ScreenToWorldX(TMappingRec Map, int32_t px);
long double ScreenToWorldY(TMappingRec Map, int32_t py);
TPoint WorldToScreen(TMappingRec Map, long double x, long double y);
TPoint WorldToScreen(TMappingRec Map, TRealPoint p);
TPoint WorldToScreen(TMappingRec Map, TRealXYZ p);
// The entry point of the wave set-up dialog: the mapping is copied on entry.
int32_t WorldToScreenXByRef(const TMappingRec& Map, double x);
TRealPoint ScreenToWorldSnapped(TMappingRec Map, TPoint p);
TRealPoint ScreenToWorldSnapped(TMappingRec Map, int32_t X, int32_t Y);
// Round(v / step) * step with the quotient taken as a 32-bit integer; v itself when step <= 0.
double RoundToStep(double v, double step);

TRealPoint RealPoint(double x, double y);
TRealRect RealRect(double Left, double Top, double Right, double Bottom);
TRealXYZ RealXYZ(long double x, long double y);
TRealXYZ RealXYZ(long double x, long double y, long double z);
TPoint MakePoint(int32_t X, int32_t Y);

// P turned counter-clockwise on the screen by Angle (radians) about Centre.
void RotatePoint(TPoint Centre, TPoint& P, long double Angle);
// P turned clockwise as seen on the page by Angle (radians) about Centre; z is kept.
void RotateRealPoint(TRealPoint Centre, TRealXYZ& P, long double Angle);
// Direction of P1 -> P2 in [0, 2 pi), counter-clockwise as seen on the screen (y down).
long double SegmentAngle(TPoint P1, TPoint P2);
// Direction of P1 -> P2 in [0, 2 pi), counter-clockwise in world coordinates (y up).
long double RealSegmentAngle(TRealXYZ P1, TRealXYZ P2);
long double PointDistance(TPoint P1, TPoint P2);
long double RealPointDistance(TRealXYZ P1, TRealXYZ P2);
