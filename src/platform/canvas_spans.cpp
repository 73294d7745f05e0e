#include "platform/canvas_spans.h"

#include <algorithm>
#include <cmath>

namespace {
bool FastPaths = true;
}  // namespace

void SetRasterFastPaths(bool on) { FastPaths = on; }
bool RasterFastPaths() { return FastPaths; }

void SubtractSpans(const TSpans& a, const TSpans& b, TSpans& out) {
  out.clear();
  if (b.empty()) {
    out = a;
    return;
  }
  out.reserve(a.size() + 8);
  size_t j = 0;
  size_t i = 0;
  while (i < a.size()) {
    const int32_t y = a[i].Y;
    while (j < b.size() && b[j].Y < y) ++j;
    size_t rowEnd = j;
    while (rowEnd < b.size() && b[rowEnd].Y == y) ++rowEnd;
    size_t k = j;  // the spans of b on this row, walked along with a's spans (both sorted)
    for (; i < a.size() && a[i].Y == y; ++i) {
      int32_t x = a[i].X0;
      const int32_t end = a[i].X1;
      while (k < rowEnd && b[k].X1 <= x) ++k;
      size_t m = k;
      while (x < end) {
        if (m == rowEnd || b[m].X0 >= end) {
          out.push_back({y, x, end});
          break;
        }
        if (b[m].X0 > x) out.push_back({y, x, b[m].X0});
        x = std::max(x, b[m].X1);
        ++m;
      }
    }
    j = rowEnd;
  }
}

// Sorts pixel keys: by row with a counting pass when the rows are few against the keys (outlines
// give a handful of pixels per row), then each row by column; else by a plain sort.
void SortPixelKeys(std::vector<uint64_t>& keys) {
  uint32_t lastRow = 0;
  for (const uint64_t k : keys) lastRow = std::max(lastRow, uint32_t(k >> 32));
  const size_t rows = size_t(lastRow) + 1;
  if (keys.size() < 64 || rows > keys.size() * 4) {
    std::sort(keys.begin(), keys.end());
    return;
  }
  thread_local std::vector<uint32_t> starts;
  thread_local std::vector<uint64_t> sorted;
  starts.assign(rows + 1, 0);
  for (const uint64_t k : keys) ++starts[size_t(k >> 32) + 1];
  for (size_t r = 0; r < rows; ++r) starts[r + 1] += starts[r];
  sorted.resize(keys.size());
  for (const uint64_t k : keys) sorted[starts[size_t(k >> 32)]++] = k;
  // starts[r] is now the end of row r.
  size_t begin = 0;
  for (size_t r = 0; r < rows; ++r) {
    const size_t end = starts[r];
    if (end - begin > 1) {
      uint64_t* first = sorted.data() + begin;
      uint64_t* last = sorted.data() + end;
      if (end - begin <= 16) {
        for (uint64_t* i = first + 1; i < last; ++i)
          for (uint64_t* j = i; j > first && j[-1] > j[0]; --j) std::swap(j[-1], j[0]);
      } else {
        std::sort(first, last);
      }
    }
    begin = end;
  }
  keys.swap(sorted);
}

void SpansFromPixelKeys(std::vector<uint64_t>& keys, int left, int top, TSpans& out) {
  out.clear();
  if (keys.empty()) return;
  SortPixelKeys(keys);
  out.reserve(keys.size() / 2 + 4);
  uint64_t runStart = keys[0], last = keys[0];
  auto flush = [&] {
    const int32_t y = int32_t(uint32_t(runStart >> 32)) + top;
    const int32_t x0 = int32_t(uint32_t(runStart)) + left;
    const int32_t x1 = int32_t(uint32_t(last)) + left + 1;
    out.push_back({y, x0, x1});
  };
  for (size_t i = 1; i < keys.size(); ++i) {
    const uint64_t k = keys[i];
    if (k == last) continue;
    if (k == last + 1 && (k >> 32) == (last >> 32)) {
      last = k;
      continue;
    }
    flush();
    runStart = last = k;
  }
  flush();
}

// ---- Scanline fill ------------------------------------------------------------------------------
//
// The pixel rule of QPainter's aliased fill, worked in its own fixed-point steps so that every
// tie falls the same way: vertices in 26.6 fixed point (a pixel position p stands for p + 0.5),
// an edge from a to b (a above) covers the rows whose centre lies in (a.y, b.y], its crossing
// with a row is worked in 16.16 fixed point from a slope cut to 16.16 and stepped from row to row,
// and the crossing x ends the run before pixel floor(x + 0.5). Between the crossings of a row,
// the pixels are inside where the winding count is odd (or, with the winding rule, not zero).

namespace {
struct TEdge {
  int32_t Top, Bottom;  // rows covered, inclusive
  int64_t X;            // 16.16 crossing at the current row, with the half pixel added
  int64_t Step;         // 16.16 slope
  int32_t Winding;
};
}  // namespace

bool ScanlineFill(const std::vector<std::vector<TPoint>>& polygons, bool winding, const TRect& box, TSpans& out) {
  out.clear();
  if (box.IsEmpty()) return true;
  // Far-away vertices are clipped by the painter's outline mapper first: those are left to it.
  constexpr int64_t kReach = int64_t(1) << 14;
  thread_local std::vector<TEdge> edges;
  edges.clear();
  int32_t firstRow = INT32_MAX, lastRow = INT32_MIN;
  for (const auto& poly : polygons) {
    if (poly.size() < 3) continue;
    for (const TPoint& p : poly)
      if (int64_t(p.X) - box.Left < -kReach || int64_t(p.X) - box.Left > kReach || int64_t(p.Y) - box.Top < -kReach ||
          int64_t(p.Y) - box.Top > kReach)
        return false;
    const size_t n = poly.size();
    for (size_t i = 0; i < n; ++i) {
      // 26.6 fixed point relative to the box.
      int64_t ax = (int64_t(poly[i].X) - box.Left) * 64 + 32, ay = (int64_t(poly[i].Y) - box.Top) * 64 + 32;
      const TPoint& q = poly[(i + 1) % n];
      int64_t bx = (int64_t(q.X) - box.Left) * 64 + 32, by = (int64_t(q.Y) - box.Top) * 64 + 32;
      int32_t w = 1;
      if (ay > by) std::swap(ax, bx), std::swap(ay, by), w = -1;
      // Rows above the box are not walked: the crossing is worked out at the first row in it (the
      // same value stepping would reach, the step being whole 16.16 units).
      const int32_t top = std::max(int32_t((ay + 32) >> 6), 0), bottom = int32_t((by - 32) >> 6);
      if (top > bottom) continue;
      const int64_t aFP = 0x8000 + (ax << 10);
      TEdge e{top, bottom, aFP, 0, w};
      if (bx != ax) {
        const double slope = double(bx - ax) / double(by - ay);
        e.Step = int64_t(int32_t(slope * 65536.0));
        e.X = aFP + ((e.Step * ((int64_t(top) << 16) + 0x8000 - (ay << 10))) >> 16);
      }
      edges.push_back(e);
      firstRow = std::min(firstRow, top);
      lastRow = std::max(lastRow, bottom);
    }
  }
  if (edges.empty()) return true;
  std::sort(edges.begin(), edges.end(), [](const TEdge& a, const TEdge& b) { return a.Top < b.Top; });
  const int32_t w = box.Width(), h = box.Height();
  firstRow = std::max(firstRow, 0);
  lastRow = std::min(lastRow, h - 1);
  thread_local std::vector<TEdge*> active;
  thread_local std::vector<std::pair<int32_t, int32_t>> crossings;  // pixel boundary, winding
  active.clear();
  size_t next = 0;
  for (int32_t y = firstRow; y <= lastRow; ++y) {
    while (next < edges.size() && edges[next].Top <= y) active.push_back(&edges[next++]);
    crossings.clear();
    for (size_t i = 0; i < active.size();) {
      TEdge* e = active[i];
      if (e->Bottom < y) {
        active[i] = active.back();
        active.pop_back();
        continue;
      }
      crossings.emplace_back(int32_t(e->X >> 16), e->Winding);
      e->X += e->Step;
      ++i;
    }
    if (crossings.size() < 2) continue;
    std::sort(crossings.begin(), crossings.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    int32_t count = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      count += crossings[i].second;
      const bool inside = winding ? count != 0 : (count & 1) != 0;
      if (!inside) continue;
      const int32_t x0 = std::clamp(crossings[i].first, 0, w), x1 = std::clamp(crossings[i + 1].first, 0, w);
      if (x1 <= x0) continue;
      const int32_t row = y + box.Top;
      if (!out.empty() && out.back().Y == row && out.back().X1 >= x0 + box.Left)
        out.back().X1 = std::max(out.back().X1, x1 + box.Left);
      else
        out.push_back({row, x0 + box.Left, x1 + box.Left});
    }
  }
  return true;
}
