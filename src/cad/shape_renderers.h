// The renderers of the figure kinds: each draws one figure in pixels on a TCanvas with the
// canvas's current pen and brush. Sizes kept in world units become pixels through the mapping's
// whole number of pixels per world unit (MappingScale).
#pragma once

#include <cstdint>
#include <vector>

#include "cad/figure.h"
#include "platform/canvas.h"

// Round((PixRight - PixLeft) / (WorldRight - WorldLeft)); 0 for a mapping without width.
int32_t MappingScale(const TMappingRec& Map);
// The width in pixels of the canvas's pen as the platform draws it (a width of 0 is one pixel).
int PenPixelWidth(const TCanvas& Canvas);

// ---- Lines ----
// Straight-line kinds: the segment Pts[0] -> Pts[2] with the decoration of its kind.
void DrawLineFigure(const TMappingRec& Map, TCanvas& Canvas, const TPoint* Pts, float ArrowHeadLength,
                    float TickLength, int Kind);
// A filled head with its tip at To pointing along From -> To; none on a segment not longer than it.
void DrawArrowHead(int32_t Scale, TCanvas& Canvas, TPoint From, TPoint To, float Factor);
// One (kind 46) or two (kind 47) strokes across the middle of P0 -> P2.
void DrawSlashTicks(int32_t Scale, TCanvas& Canvas, TPoint P0, int Kind, TPoint P2, float Factor);
// Half-ellipse arcs alternating above and below the row from the left end to the right end.
void DrawWavyLine(int32_t Scale, TCanvas& Canvas, TPoint P0, TPoint P2, float Height);
void DrawPolylinePoints(TCanvas& Canvas, const TPoint* Pts, int Count);
// Limits Len to the diagonal of the canvas's clip box and to Max.
void ClampToCanvasDiagonal(const TCanvas& Canvas, int& Len, int Max);

// ---- Shapes ----
void DrawBezierFigure(int32_t Scale, TCanvas& Canvas, const TPoint* Pts, int Count, bool Selected, int Kind,
                      float ArrowHeadLength);
void DrawBezierHandles(TCanvas& Canvas, const TPoint* Pts);
// The direction of B seen from A: 1 down-right, 0 up-right, 2 down-left, 3 up-left.
uint8_t Quadrant(TPoint A, TPoint B);
void DrawRectFigure(const TMappingRec& Map, TCanvas& Canvas, const TPoint* Pts, double Radius, int Kind);
void DrawSquareFigure(const TMappingRec& Map, TCanvas& Canvas, const TRealXYZPts& Nodes, float Radius, int Kind);
// Kinds 13 and 26; the right-angle corner is taken as (node 0.x, node 2.y) whatever node 3 holds.
void DrawTriangleFigure(const TMappingRec& Map, TCanvas& Canvas, const TRealFig& Fig);
void DrawQuarterArc(TCanvas& Canvas, const TPoint* Pts, int Kind);
void DrawPolyFigure(TCanvas& Canvas, const TPoint* Pts, int Count, int Kind);
// The n + 1 vertices in pixels (Pts[0] = Pts[n], the vertex itself); nothing for radius 0 or n 0.
void RegularPolygonPoints(const TMappingRec& Map, std::vector<TPoint>& Pts, TRealXYZ Vertex, TRealXYZ Centre, int n);
void DrawRegularPolygon(const TMappingRec& Map, TCanvas& Canvas, int n, int Kind, TRealXYZ Vertex, TRealXYZ Centre);

// ---- Grid ----
struct TGridCellSize {
  float Width = 0;
  float Height = 0;
};
// Whether v is a non-zero whole multiple of Step (False for a step of 0 or less).
bool IsSnapMultiple(double v, double Step);
void DrawGridFigure(const TMappingRec& Map, TCanvas& Canvas, const TRealFig& Fig, TGridCellSize& CellSize,
                    uint8_t Mode, bool InnerLines);

// ---- Angle arcs and scalene triangles ----
// Draws the arc at V from the arm through B counter-clockwise to the arm through A; returns the
// angle at V in degrees (0..180).
long double DrawAngleArc(const TMappingRec& Map, TCanvas& Canvas, TRealXYZ V, float& RadiusUsed, int Kind,
                         TRealXYZ A, TRealXYZ B, float TickLength, float ArcRadius);
long double DrawArcSlashes(const TMappingRec& Map, TCanvas& Canvas, int Kind, int Rp, TRealXYZ A, TRealXYZ B,
                           TRealXYZ V, float TickLength);
bool ArcHasRoom(int W, int Len, long double Angle);
void DrawScaleneTriangle(const TMappingRec& Map, TCanvas& Canvas, const TRealFig& Fig);
