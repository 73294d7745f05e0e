// Coverage of the raster back-end kept as spans, and the switch between the canvas's fast paths
// and its plain rule.
//
// The plain rule rasterises every drawing call into byte masks of the call's box (one byte per
// pixel) and walks them. The fast paths give the same pixels from runs of covered pixels per row:
// outlines as sorted pixel lists, fills by a scanline converter of our own, and the finished
// coverage of a call kept by the call and its arguments, so that a repaint of an unchanged figure
// only combines its runs with the surface. Tests draw the same calls both ways and compare.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_types.h"

// Pixels [X0, X1) of row Y.
struct TSpan {
  int32_t Y, X0, X1;
  friend bool operator==(const TSpan&, const TSpan&) = default;
};
// Sorted by row, then by X0; spans of one row neither overlap nor touch.
using TSpans = std::vector<TSpan>;

// a minus b, into out (which may not be a or b).
void SubtractSpans(const TSpans& a, const TSpans& b, TSpans& out);

// The spans of a set of pixels given as keys (row - top) << 32 | (column - left), in any order and
// possibly repeated; the keys are sorted in place.
void SpansFromPixelKeys(std::vector<uint64_t>& keys, int left, int top, TSpans& out);

// The pixels QPainter's aliased fill covers for polygons whose vertices are pixel positions
// (drawn through their pixel centres), with the odd-even or winding rule, kept to box. False
// when the polygons reach too far (beyond 2^14 pixels of the box's corner, where the painter
// clips outlines before filling them) and the caller has to ask QPainter.
bool ScanlineFill(const std::vector<std::vector<TPoint>>& polygons, bool winding, const TRect& box, TSpans& out);

// True (the default): the raster back-end draws through the fast paths. False: through the plain
// rule only (tests compare the two; benchmarks measure both).
void SetRasterFastPaths(bool on);
bool RasterFastPaths();
// Forgets the kept coverage of earlier calls (benchmarks of a first drawing).
void ForgetKeptCoverage();
