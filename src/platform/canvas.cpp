#include "platform/canvas.h"

#include <cstring>

#include <QFontMetrics>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <list>
#include <numbers>
#include <unordered_map>

#include "platform/canvas_rows.h"
#include "platform/canvas_spans.h"
#include "platform/curve_limit.h"
#include "platform/graphic.h"
#include "platform/screen.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KV_ROW_KERNELS_X86 1
#endif

// ---- Raster operations --------------------------------------------------------------------------

uint32_t MixPixel(TPenMode mode, uint32_t p, uint32_t d) {
  switch (mode) {
    case pmBlack: return 0;
    case pmWhite: return ~0u;
    case pmNop: return d;
    case pmNot: return ~d;
    case pmCopy: return p;
    case pmNotCopy: return ~p;
    case pmMergePenNot: return p | ~d;
    case pmMaskPenNot: return p & ~d;
    case pmMergeNotPen: return ~p | d;
    case pmMaskNotPen: return ~p & d;
    case pmMerge: return p | d;
    case pmNotMerge: return ~(p | d);
    case pmMask: return p & d;
    case pmNotMask: return ~(p & d);
    case pmXor: return p ^ d;
    case pmNotXor: return ~(p ^ d);
  }
  return p;
}

namespace {
constexpr TPenMode kRop2Modes[16] = {pmBlack, pmNotMerge, pmMaskNotPen, pmNotCopy,     pmMaskPenNot, pmNot,
                                     pmXor,   pmNotMask,  pmMask,       pmNotXor,      pmNop,        pmMergeNotPen,
                                     pmCopy,  pmMergePenNot, pmMerge,   pmWhite};
}

TPenMode PenModeFromRop2(int rop2) { return rop2 >= 1 && rop2 <= 16 ? kRop2Modes[rop2 - 1] : pmCopy; }

int Rop2FromPenMode(TPenMode mode) {
  for (int i = 0; i < 16; ++i)
    if (kRop2Modes[i] == mode) return i + 1;
  return R2_COPYPEN;
}

uint8_t HatchRow(TBrushStyle style, int row) {
  // Bit 7 is the leftmost pixel of the 8-pixel row.
  static const uint8_t hatches[6][8] = {
      {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF},  // horizontal
      {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical
      {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal "\"
      {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal "/"
      {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0xFF},  // cross
      {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
  };
  if (style < bsHorizontal || style > bsDiagCross) return style == bsSolid ? 0xFF : 0;
  return hatches[style - bsHorizontal][row & 7];
}

uint32_t Rop3Pixel(TCopyMode rop, uint32_t p, uint32_t s, uint32_t d) {
  const uint32_t op = (rop >> 16) & 0xFF;
  switch (op) {
    case 0xCC: return s;
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    default: break;
  }
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(op & (1u << i))) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & 0xFFFFFF;
}

namespace {

// Pictures held in another pixel format are converted for drawing once and kept while they are
// drawn again: a page repaints the same pictures over and over. The entries are found by the
// picture's cache key (which changes when its pixels change); the oldest go first beyond the cap.
QImage DrawableSource(const QImage& source) {
  struct TEntry {
    qint64 Key;
    QImage Image;
  };
  constexpr qsizetype kCapBytes = qsizetype(128) << 20;
  thread_local std::deque<TEntry> entries;
  thread_local qsizetype bytes = 0;
  const qint64 key = source.cacheKey();
  for (const TEntry& e : entries)
    if (e.Key == key) return e.Image;
  QImage converted = source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (converted.sizeInBytes() > kCapBytes / 4) return converted;  // too large to keep
  bytes += converted.sizeInBytes();
  entries.push_front({key, converted});
  while (bytes > kCapBytes && entries.size() > 1) {
    bytes -= entries.back().Image.sizeInBytes();
    entries.pop_back();
  }
  return converted;
}

// A stretched picture drawn again with the same rectangles meets the same source pixels in the same
// places: the pixels picked for the drawn area are kept, row after row, and the next draw copies
// them as an unscaled picture. The entries are found by the picture's cache key (which changes when
// its pixels change) and every rectangle that decides the picking; the oldest go first beyond the cap.
struct TScaledKey {
  qint64 Picture = 0;
  TRect Source, Target, Area;
  bool FlipX = false, FlipY = false;
  bool operator==(const TScaledKey& o) const {
    return Picture == o.Picture && Source == o.Source && Target == o.Target && Area == o.Area && FlipX == o.FlipX &&
           FlipY == o.FlipY;
  }
};

class TScaledPictures {
public:
  static constexpr size_t kCapPixels = size_t(16) << 20;   // 64 MB
  static constexpr size_t kEntryPixels = size_t(2) << 20;  // 8 MB
  const uint32_t* Find(const TScaledKey& key) {
    for (auto it = Entries.begin(); it != Entries.end(); ++it)
      if (it->Key == key) {
        if (it != Entries.begin()) Entries.splice(Entries.begin(), Entries, it);
        return Entries.front().Pixels.data();
      }
    return nullptr;
  }
  // Room for a new entry of `pixels` pixels, filled by the caller.
  uint32_t* Add(const TScaledKey& key, size_t pixels) {
    while (!Entries.empty() && Pixels + pixels > kCapPixels) {
      Pixels -= Entries.back().Pixels.size();
      Entries.pop_back();
    }
    Entries.push_front({key, std::vector<uint32_t>(pixels)});
    Pixels += pixels;
    return Entries.front().Pixels.data();
  }

private:
  struct TEntry {
    TScaledKey Key;
    std::vector<uint32_t> Pixels;
  };
  std::list<TEntry> Entries;
  size_t Pixels = 0;
};

TScaledPictures& ScaledPictures() {
  thread_local TScaledPictures cache;
  return cache;
}

// offset * sourceSpan / targetSpan for offset in [0, targetSpan), spans up to 2^32: in 64 bits when
// the product fits, which it does for every picture of a sane size.
inline int64_t ScaledOffset(int64_t offset, int64_t sourceSpan, int64_t targetSpan) {
  constexpr int64_t kNarrow = int64_t(1) << 31;
  if (offset < kNarrow && sourceSpan < kNarrow) return offset * sourceSpan / targetSpan;
  return int64_t(__int128(offset) * sourceSpan / targetSpan);
}

// Asks for the cache lines of a run of bytes ahead of their use.
inline void PrefetchRun(const uchar* p, size_t bytes) {
  for (size_t i = 0; i < bytes; i += 64) __builtin_prefetch(p + i);
}

// MixPixel with the mode known at compile time.
template <TPenMode M>
inline uint32_t MixT(uint32_t p, uint32_t d) {
  if constexpr (M == pmBlack) return 0;
  else if constexpr (M == pmWhite) return ~0u;
  else if constexpr (M == pmNop) return d;
  else if constexpr (M == pmNot) return ~d;
  else if constexpr (M == pmCopy) return p;
  else if constexpr (M == pmNotCopy) return ~p;
  else if constexpr (M == pmMergePenNot) return p | ~d;
  else if constexpr (M == pmMaskPenNot) return p & ~d;
  else if constexpr (M == pmMergeNotPen) return ~p | d;
  else if constexpr (M == pmMaskNotPen) return ~p & d;
  else if constexpr (M == pmMerge) return p | d;
  else if constexpr (M == pmNotMerge) return ~(p | d);
  else if constexpr (M == pmMask) return p & d;
  else if constexpr (M == pmNotMask) return ~(p & d);
  else if constexpr (M == pmXor) return p ^ d;
  else return ~(p ^ d);
}

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
TRect Intersect(const TRect& a, const TRect& b) {
  TRect r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom));
  if (r.IsEmpty()) return TRect();
  return r;
}
TRect Normalized(int x1, int y1, int x2, int y2) {
  return TRect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
}

uint32_t Rgb24(TColor c) {
  c = ColorToRGB(c);
  return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | uint32_t(GetBValue(c));
}
TColor FromRgb24(uint32_t v) { return RGBColor((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF); }

// Nearest integer, halves up; far-away values are held at +-2^30, well outside any surface.
int RoundHalfUp(double v) {
  const double r = std::floor(v + 0.5);
  if (!(r > -1073741824.0)) return -1073741824;
  if (r > 1073741824.0) return 1073741824;
  return int(r);
}

// Coverage of one drawing call: one byte per pixel of Box (device coordinates).
struct TMask {
  TRect Box;
  std::vector<uint8_t> Bits;
  explicit TMask(const TRect& box) : Box(box), Bits(size_t(std::max(0, box.Width())) * std::max(0, box.Height())) {}
  bool Empty() const { return Box.IsEmpty(); }
  bool Contains(int x, int y) const { return x >= Box.Left && x < Box.Right && y >= Box.Top && y < Box.Bottom; }
  uint8_t& At(int x, int y) { return Bits[size_t(y - Box.Top) * Box.Width() + (x - Box.Left)]; }
  uint8_t Get(int x, int y) const {
    return Contains(x, y) ? Bits[size_t(y - Box.Top) * Box.Width() + (x - Box.Left)] : 0;
  }
  void Set(int x, int y) {
    if (Contains(x, y)) At(x, y) = 1;
  }
  void Subtract(const TMask& other) {
    if (other.Empty() || Empty()) return;
    if (other.Box == Box) {
      for (size_t i = 0; i < Bits.size(); ++i) Bits[i] &= uint8_t(!other.Bits[i]);
      return;
    }
    for (int y = Box.Top; y < Box.Bottom; ++y)
      for (int x = Box.Left; x < Box.Right; ++x)
        if (other.Get(x, y)) At(x, y) = 0;
  }
};

// Renders a Qt path (in device coordinates) into a mask without antialiasing.
void PaintIntoMask(TMask& mask, const std::function<void(QPainter&)>& paint) {
  if (mask.Empty()) return;
  QImage img(mask.Box.Width(), mask.Box.Height(), QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.translate(-mask.Box.Left, -mask.Box.Top);
    paint(p);
  }
  const int w = img.width(), h = img.height();
  const uchar* base = img.constBits();
  const qsizetype bpl = img.bytesPerLine();
  for (int y = 0; y < h; ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(base + y * bpl);
    uint8_t* out = &mask.Bits[size_t(y) * size_t(w)];
    for (int x = 0; x < w; ++x) out[x] |= uint8_t(qAlpha(row[x]) >> 7);
  }
}

// Coverage masks that QPainter rasterised (wide pen outlines and polygon fills), kept by the exact
// geometry they came from: a repaint of an unchanged page meets the same outlines again and takes
// their masks from here instead of stroking them anew. The key holds everything the mask depends
// on (what was drawn, the mask's box, the pen width or fill rule and every point), and a hit is
// compared in full, so a kept mask is the very mask the painter would give. The store is per
// thread and forgets everything when it passes its byte budget.
class TCoverageCache {
public:
  using TKey = std::vector<int32_t>;

  // The kept mask for key, copied into mask; false when there is none.
  bool Find(const TKey& key, TMask& mask) {
    const auto it = Entries.find(HashOf(key));
    if (it == Entries.end() || it->second.Key != key || it->second.Bits.size() != mask.Bits.size()) return false;
    std::memcpy(mask.Bits.data(), it->second.Bits.data(), mask.Bits.size());
    return true;
  }

  void Keep(TKey&& key, const TMask& mask) {
    const size_t bytes = mask.Bits.size() + key.size() * sizeof(int32_t);
    if (bytes > Budget / 8) return;  // a mask this large is cheaper to paint than to hold
    if (Bytes + bytes > Budget) {
      Entries.clear();
      Bytes = 0;
    }
    const uint64_t hash = HashOf(key);
    auto [it, added] = Entries.try_emplace(hash);
    if (!added) Bytes -= it->second.Bits.size() + it->second.Key.size() * sizeof(int32_t);
    it->second.Key = std::move(key);
    it->second.Bits = mask.Bits;
    Bytes += bytes;
  }

  void Clear() {
    Entries.clear();
    Bytes = 0;
  }

  static TCoverageCache& Instance() {
    thread_local TCoverageCache cache;
    return cache;
  }

private:
  static uint64_t HashOf(const TKey& key) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (const int32_t v : key) {
      h ^= uint32_t(v);
      h *= 0x100000001b3ull;
    }
    return h;
  }
  struct TEntry {
    TKey Key;
    std::vector<uint8_t> Bits;
  };
  static constexpr size_t Budget = size_t(64) << 20;
  std::unordered_map<uint64_t, TEntry> Entries;
  size_t Bytes = 0;
};

// The key of a mask: what was drawn (1 wide outlines, 2 fills), the box, the pen width or fill rule
// and the point lists with their lengths (and for outlines whether they are closed).
TCoverageCache::TKey OutlineKey(const TRect& box, int width, const std::vector<TShapeOutline>& outlines) {
  TCoverageCache::TKey key{1, box.Left, box.Top, box.Right, box.Bottom, width, int32_t(outlines.size())};
  for (const TShapeOutline& o : outlines) {
    key.push_back(int32_t(o.Points.size()));
    key.push_back(o.Closed ? 1 : 0);
    for (const TPoint& p : o.Points) key.push_back(p.X), key.push_back(p.Y);
  }
  return key;
}
TCoverageCache::TKey FillKey(const TRect& box, bool winding, const std::vector<std::vector<TPoint>>& polygons) {
  TCoverageCache::TKey key{2, box.Left, box.Top, box.Right, box.Bottom, winding ? 1 : 0, int32_t(polygons.size())};
  for (const std::vector<TPoint>& poly : polygons) {
    key.push_back(int32_t(poly.size()));
    for (const TPoint& p : poly) key.push_back(p.X), key.push_back(p.Y);
  }
  return key;
}

// PaintIntoMask through the cache.
void PaintIntoMaskKept(TMask& mask, TCoverageCache::TKey&& key, const std::function<void(QPainter&)>& paint) {
  if (mask.Empty()) return;
  TCoverageCache& cache = TCoverageCache::Instance();
  if (cache.Find(key, mask)) return;
  PaintIntoMask(mask, paint);
  cache.Keep(std::move(key), mask);
}

// Dash patterns of one-pixel pens, in pixels: on, off, on, off...
const std::vector<int>* DashPattern(TPenStyle style) {
  static const std::vector<int> dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6}, dashDotDot{9, 3, 3, 3, 3, 3};
  switch (style) {
    case psDash: return &dash;
    case psDot: return &dot;
    case psDashDot: return &dashDot;
    case psDashDotDot: return &dashDotDot;
    default: return nullptr;
  }
}

// The pixels of a call's box that a one-pixel pen sets, as keys of SpansFromPixelKeys (the fast
// paths' counterpart of a byte mask for outlines: a few hundred pixels of a large box).
struct TPixelKeys {
  TRect Box;
  std::vector<uint64_t>& Keys;  // a buffer of the caller's, emptied here
  TPixelKeys(const TRect& box, std::vector<uint64_t>& keys) : Box(box), Keys(keys) { Keys.clear(); }
  void Set(int x, int y) {
    if (x >= Box.Left && x < Box.Right && y >= Box.Top && y < Box.Bottom)
      Keys.push_back(uint64_t(uint32_t(y - Box.Top)) << 32 | uint32_t(x - Box.Left));
  }
};

// One-pixel lines: Bresenham from a to b, leaving out b; the dash phase runs on across segments.
// Target is a byte mask or a pixel list (a Box and Set(x, y) that ignores pixels outside it).
template <class Target>
struct TThinLiner {
  Target& On;
  Target& Gap;
  const std::vector<int>* Pattern;
  int64_t Phase = 0;
  int PatternLength = 0;

  TThinLiner(Target& on, Target& gap, const std::vector<int>* pattern) : On(on), Gap(gap), Pattern(pattern) {
    if (Pattern)
      for (int v : *Pattern) PatternLength += v;
  }

  void Plot(int x, int y) {
    if (!Pattern) {
      On.Set(x, y);
      return;
    }
    int p = int(Phase % PatternLength), slot = 0;
    while (p >= (*Pattern)[slot]) p -= (*Pattern)[slot++];
    if (slot % 2 == 0) On.Set(x, y);
    else Gap.Set(x, y);
    ++Phase;
  }

  void Segment(TPoint a, TPoint b) {
    const int64_t dx = int64_t(b.X) - a.X, dy = int64_t(b.Y) - a.Y;
    const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    if (n > (int64_t(1) << 16)) {
      // A very long line: only the part near the mask is walked (Liang-Barsky clipping).
      const TRect& box = On.Box;
      double t0 = 0, t1 = 1;
      auto clip = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double r = q / p;
        if (p < 0) t0 = std::max(t0, r);
        else t1 = std::min(t1, r);
        return t0 <= t1;
      };
      const double m = 4;
      if (!clip(-double(dx), a.X - (box.Left - m)) || !clip(double(dx), (box.Right + m) - a.X) ||
          !clip(-double(dy), a.Y - (box.Top - m)) || !clip(double(dy), (box.Bottom + m) - a.Y)) {
        Phase += n;
        return;
      }
      const TPoint s(int(std::llround(a.X + t0 * dx)), int(std::llround(a.Y + t0 * dy)));
      const TPoint e(int(std::llround(a.X + t1 * dx)), int(std::llround(a.Y + t1 * dy)));
      Phase += int64_t(t0 * double(n));
      Walk(s, e);
      return;
    }
    Walk(a, b);
  }

  void Walk(TPoint a, TPoint b) {
    int64_t dx = int64_t(b.X) - a.X, dy = int64_t(b.Y) - a.Y;
    const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    if (n == 0) return;
    // Far outside the mask only the phase matters: skip what cannot be seen.
    const TRect& box = On.Box;
    const int64_t margin = 2;
    auto outside = [&](const TPoint& p, const TPoint& q) {
      return (std::max(p.X, q.X) < box.Left - margin) || (std::min(p.X, q.X) >= box.Right + margin) ||
             (std::max(p.Y, q.Y) < box.Top - margin) || (std::min(p.Y, q.Y) >= box.Bottom + margin);
    };
    if (outside(a, b)) {
      Phase += n;
      return;
    }
    const int64_t ax = std::llabs(dx), ay = std::llabs(dy);
    const int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
    int64_t x = a.X, y = a.Y;
    if (ax >= ay) {
      int64_t err = 2 * ay - ax;
      for (int64_t i = 0; i < n; ++i) {
        Plot(int(x), int(y));
        if (err > 0 || (err == 0 && sx < 0)) y += sy, err -= 2 * ax;
        err += 2 * ay;
        x += sx;
      }
    } else {
      int64_t err = 2 * ax - ay;
      for (int64_t i = 0; i < n; ++i) {
        Plot(int(x), int(y));
        if (err > 0 || (err == 0 && sy < 0)) x += sx, err -= 2 * ay;
        err += 2 * ax;
        y += sy;
      }
    }
  }
};

QPainterPath OutlinePath(const TShapeOutline& o) {
  QPainterPath path;
  if (o.Points.empty()) return path;
  path.moveTo(o.Points[0].X + 0.5, o.Points[0].Y + 0.5);
  for (size_t i = 1; i < o.Points.size(); ++i) path.lineTo(o.Points[i].X + 0.5, o.Points[i].Y + 0.5);
  if (o.Closed) path.closeSubpath();
  return path;
}

// The one-pixel outlines of a call into on (and the dash gaps into gap).
template <class Target>
void WalkThinOutlines(Target& on, Target& gap, TPenStyle style, const TShapeGeometry& g) {
  TThinLiner<Target> liner(on, gap, DashPattern(style));
  for (const auto& o : g.Outlines) {
    const auto& pts = o.Points;
    if (pts.empty()) continue;
    bool drew = false;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
      liner.Segment(pts[i], pts[i + 1]);
      drew |= !(pts[i] == pts[i + 1]);
    }
    if (o.Closed && pts.size() > 1) {
      liner.Segment(pts.back(), pts.front());
      drew |= !(pts.back() == pts.front());
    }
    if (o.Closed && !drew) liner.Plot(pts[0].X, pts[0].Y);  // a closed shape of one pixel
  }
}

// Wide pens are solid with round ends and joins, as the platform draws them.
void PaintWideOutlines(TMask& on, const TRect& box, int width, const TShapeGeometry& g) {
  PaintIntoMaskKept(on, OutlineKey(box, width, g.Outlines), [&](QPainter& p) {
    QPen pen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (const auto& o : g.Outlines) {
      if (o.Points.size() == 1 || (o.Points.size() == 2 && o.Points[0] == o.Points[1])) {
        if (o.Closed || o.Points.size() == 1) p.drawPoint(QPointF(o.Points[0].X + 0.5, o.Points[0].Y + 0.5));
        continue;
      }
      p.drawPath(OutlinePath(o));
    }
  });
}

// The runs of set bytes of a mask.
void SpansFromMask(const TMask& m, TSpans& out) {
  out.clear();
  if (m.Empty()) return;
  const int w = m.Box.Width();
  for (int y = m.Box.Top; y < m.Box.Bottom; ++y) {
    const uint8_t* bits = &m.Bits[size_t(y - m.Box.Top) * size_t(w)];
    int i = 0;
    while (i < w) {
      // Eight bytes at a time over empty stretches.
      while (i + 8 <= w) {
        uint64_t word;
        std::memcpy(&word, bits + i, 8);
        if (word != 0) break;
        i += 8;
      }
      while (i < w && !bits[i]) ++i;
      if (i >= w) break;
      const int start = i;
      while (i < w && bits[i]) ++i;
      out.push_back({y, m.Box.Left + start, m.Box.Left + i});
    }
  }
}

// The finished coverage of one drawing call: the pen's pixels, the dash gaps' pixels (without the
// pen's) and the brush's pixels (without either), each applied once.
struct TKeptCoverage {
  TSpans On, Gap, Fill;
  size_t Bytes() const { return (On.size() + Gap.size() + Fill.size()) * sizeof(TSpan); }
};

// The coverage of known calls (the shape calls of TCanvas, which are decided by their arguments
// and the canvas state in the key), kept per thread: a repaint of unchanged figures at an unchanged
// zoom meets the very same calls again and only combines their spans with the surface. A hit is
// compared in full; the store forgets everything when it passes its budget.
class TKeptCoverageCache {
public:
  using TKey = std::vector<int32_t>;

  const TKeptCoverage* Find(const TKey& key) const {
    const auto it = Entries.find(HashOf(key));
    if (it == Entries.end() || it->second.Key != key) return nullptr;
    return &it->second.Coverage;
  }

  void Keep(TKey&& key, TKeptCoverage&& coverage) {
    const size_t bytes = coverage.Bytes() + key.size() * sizeof(int32_t) + 64;
    if (bytes > Budget / 8) return;
    if (Bytes + bytes > Budget) Clear();
    const uint64_t hash = HashOf(key);
    auto [it, added] = Entries.try_emplace(hash);
    if (!added) Bytes -= it->second.Coverage.Bytes() + it->second.Key.size() * sizeof(int32_t) + 64;
    it->second.Key = std::move(key);
    it->second.Coverage = std::move(coverage);
    Bytes += bytes;
  }

  void Clear() {
    Entries.clear();
    Bytes = 0;
  }

  static TKeptCoverageCache& Instance() {
    thread_local TKeptCoverageCache cache;
    return cache;
  }

private:
  static uint64_t HashOf(const TKey& key) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (const int32_t v : key) {
      h ^= uint32_t(v);
      h *= 0x100000001b3ull;
    }
    return h ^ (h >> 29);
  }
  struct TEntry {
    TKey Key;
    TKeptCoverage Coverage;
  };
  static constexpr size_t Budget = size_t(32) << 20;
  std::unordered_map<uint64_t, TEntry> Entries;
  size_t Bytes = 0;
};

// Texts kept as the pixels the painter covered: the page repaints the same texts (dimension
// numbers, labels) in the same fonts at the same places, and shaping and painting a text costs
// far more than putting down its pixels. The key holds the font, the text, the place, the clip,
// the alignment, the escapement and which background is drawn; the colours are applied anew.
struct TTextKey {
  QString Font, Text;
  std::array<int32_t, 16> N{};
  bool operator==(const TTextKey&) const = default;
};
struct TTextKeyHash {
  size_t operator()(const TTextKey& k) const {
    size_t h = qHash(k.Font) * 1000003u ^ qHash(k.Text);
    for (const int32_t v : k.N) h = (h ^ uint32_t(v)) * 0x100000001b3ull;
    return h;
  }
};
struct TKeptText {
  TSpans Back, Glyphs;
};
class TKeptTexts {
public:
  const TKeptText* Find(const TTextKey& key) const {
    const auto it = Entries.find(key);
    return it == Entries.end() ? nullptr : &it->second;
  }
  const TKeptText* Keep(TTextKey&& key, TKeptText&& text) {
    const size_t bytes = BytesOf(key, text);
    if (Bytes + bytes > Budget) Clear();
    auto [it, added] = Entries.try_emplace(std::move(key));
    if (!added) Bytes -= BytesOf(it->first, it->second);
    it->second = std::move(text);
    Bytes += bytes;
    return &it->second;
  }
  void Clear() {
    Entries.clear();
    Bytes = 0;
  }
  static TKeptTexts& Instance() {
    thread_local TKeptTexts texts;
    return texts;
  }

private:
  static size_t BytesOf(const TTextKey& key, const TKeptText& text) {
    return size_t(key.Font.size() + key.Text.size()) * 2 + (text.Back.size() + text.Glyphs.size()) * sizeof(TSpan) + 160;
  }
  static constexpr size_t Budget = size_t(8) << 20;
  std::unordered_map<TTextKey, TKeptText, TTextKeyHash> Entries;
  size_t Bytes = 0;
};

// ---- The raster back-end ----------------------------------------------------------------------

class TRasterBackend : public TCanvasBackend {
public:
  explicit TRasterBackend(QImage* image) : Img(image) {
    if (!Img) return;
    const auto f = Img->format();
    if (!Img->isNull() && f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
        f != QImage::Format_ARGB32_Premultiplied)
      *Img = Img->convertToFormat(Img->hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  }
  int Width() const override { return Img ? Img->width() : 0; }
  int Height() const override { return Img ? Img->height() : 0; }
  int PixelsPerInch() const override { return ScreenPixelsPerInch(); }
  QImage* Image() override { return Img; }

  uint32_t* Row(int y) { return reinterpret_cast<uint32_t*>(Img->scanLine(y)); }

  // The mask's pixels through one mix mode: Colour(x, y) gives the colour of a pixel or false to
  // leave it. The mode is a template argument so that the inner loop carries no switch.
  template <TPenMode Mode, class F>
  void Combine(const TMask& m, F&& colourAt) {
    if (m.Empty()) return;
    uchar* base = Img->bits();
    const qsizetype bpl = Img->bytesPerLine();
    const int w = m.Box.Width();
    for (int y = m.Box.Top; y < m.Box.Bottom; ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(base + y * bpl) + m.Box.Left;
      const uint8_t* bits = &m.Bits[size_t(y - m.Box.Top) * size_t(w)];
      auto pixel = [&](int i) {
        uint32_t color;
        if (colourAt(m.Box.Left + i, y, color)) {
          uint32_t& px = row[i];
          px = (px & 0xFF000000u) | (MixT<Mode>(color, px) & 0xFFFFFFu);
        }
      };
      int i = 0;
      // Eight pixels at a time: empty stretches are passed over, full ones taken without tests.
      for (; i + 8 <= w; i += 8) {
        uint64_t word;
        std::memcpy(&word, bits + i, 8);
        if (word == 0) continue;
        if (word == 0x0101010101010101ull) {
          for (int k = 0; k < 8; ++k) pixel(i + k);
        } else {
          for (int k = 0; k < 8; ++k)
            if (bits[i + k]) pixel(i + k);
        }
      }
      for (; i < w; ++i)
        if (bits[i]) pixel(i);
    }
  }

  template <class F>
  void CombineAny(const TMask& m, TPenMode mode, F&& colourAt) {
    switch (mode) {
#define KV_MODE(M) \
  case M: Combine<M>(m, colourAt); break;
      KV_MODE(pmBlack) KV_MODE(pmWhite) KV_MODE(pmNop) KV_MODE(pmNot) KV_MODE(pmCopy) KV_MODE(pmNotCopy)
      KV_MODE(pmMergePenNot) KV_MODE(pmMaskPenNot) KV_MODE(pmMergeNotPen) KV_MODE(pmMaskNotPen) KV_MODE(pmMerge)
      KV_MODE(pmNotMerge) KV_MODE(pmMask) KV_MODE(pmNotMask) KV_MODE(pmXor) KV_MODE(pmNotXor)
#undef KV_MODE
    }
  }

  void ApplyPen(const TMask& m, uint32_t color, TPenMode mode) {
    if (mode == pmNop) return;
    CombineAny(m, mode, [color](int, int, uint32_t& out) {
      out = color;
      return true;
    });
  }

  void ApplyBrush(const TMask& m, const TCanvas& c, TPenMode mode) {
    if (c.Brush.Style == bsClear || mode == pmNop) return;
    const uint32_t color = Rgb24(c.Brush.Color);
    if (c.Brush.Style == bsSolid) {
      ApplyPen(m, color, mode);
      return;
    }
    const bool opaque = c.BackgroundOpaque();
    const uint32_t back = Rgb24(c.BackgroundColor());
    const TBrushStyle style = c.Brush.Style;
    CombineAny(m, mode, [=](int x, int y, uint32_t& out) {
      if (HatchRow(style, y) & (0x80u >> (x & 7))) {
        out = color;
        return true;
      }
      out = back;
      return opaque;
    });
  }

  // The same through spans.
  template <TPenMode Mode, class F>
  void Combine(const TSpans& spans, F&& colourAt) {
    if (spans.empty()) return;
    uchar* base = Img->bits();
    const qsizetype bpl = Img->bytesPerLine();
    for (const TSpan& s : spans) {
      uint32_t* row = reinterpret_cast<uint32_t*>(base + s.Y * bpl);
      for (int x = s.X0; x < s.X1; ++x) {
        uint32_t color;
        if (colourAt(x, s.Y, color)) {
          uint32_t& px = row[x];
          px = (px & 0xFF000000u) | (MixT<Mode>(color, px) & 0xFFFFFFu);
        }
      }
    }
  }

  template <class F>
  void CombineAny(const TSpans& m, TPenMode mode, F&& colourAt) {
    switch (mode) {
#define KV_MODE(M) \
  case M: Combine<M>(m, colourAt); break;
      KV_MODE(pmBlack) KV_MODE(pmWhite) KV_MODE(pmNop) KV_MODE(pmNot) KV_MODE(pmCopy) KV_MODE(pmNotCopy)
      KV_MODE(pmMergePenNot) KV_MODE(pmMaskPenNot) KV_MODE(pmMergeNotPen) KV_MODE(pmMaskNotPen) KV_MODE(pmMerge)
      KV_MODE(pmNotMerge) KV_MODE(pmMask) KV_MODE(pmNotMask) KV_MODE(pmXor) KV_MODE(pmNotXor)
#undef KV_MODE
    }
  }

  void ApplyPen(const TSpans& spans, uint32_t color, TPenMode mode) {
    if (mode == pmNop || spans.empty()) return;
    if (mode == pmCopy) {
      uchar* base = Img->bits();
      const qsizetype bpl = Img->bytesPerLine();
      const auto fill = RowKernels().FillRow;
      for (const TSpan& s : spans) {
        uint32_t* px = reinterpret_cast<uint32_t*>(base + s.Y * bpl) + s.X0;
        const int n = s.X1 - s.X0;
        if (n >= 16) {
          fill(px, n, color);
        } else {
          // Outlines are mostly runs of a pixel or two: not worth a call.
          for (int i = 0; i < n; ++i) px[i] = (px[i] & 0xFF000000u) | color;
        }
      }
      return;
    }
    CombineAny(spans, mode, [color](int, int, uint32_t& out) {
      out = color;
      return true;
    });
  }

  void ApplyBrush(const TSpans& spans, const TCanvas& c, TPenMode mode) {
    if (c.Brush.Style == bsClear || mode == pmNop || spans.empty()) return;
    const uint32_t color = Rgb24(c.Brush.Color);
    if (c.Brush.Style == bsSolid) {
      ApplyPen(spans, color, mode);
      return;
    }
    const bool opaque = c.BackgroundOpaque();
    const uint32_t back = Rgb24(c.BackgroundColor());
    const TBrushStyle style = c.Brush.Style;
    CombineAny(spans, mode, [=](int x, int y, uint32_t& out) {
      if (HatchRow(style, y) & (0x80u >> (x & 7))) {
        out = color;
        return true;
      }
      out = back;
      return opaque;
    });
  }

  TRect ShapeBounds(const TCanvas& c, const TShapeGeometry& g) const {
    int l = INT32_MAX, t = INT32_MAX, r = INT32_MIN, b = INT32_MIN;
    auto add = [&](const TPoint& p) {
      l = std::min(l, p.X), t = std::min(t, p.Y), r = std::max(r, p.X), b = std::max(b, p.Y);
    };
    for (const auto& o : g.Outlines)
      for (const auto& p : o.Points) add(p);
    for (const auto& poly : g.FillPolygons)
      for (const auto& p : poly) add(p);
    if (g.FillIsRect) add(g.FillRect.TopLeft()), add(g.FillRect.BottomRight());
    if (l > r) return TRect();
    const int64_t pad = int64_t(std::max(1, c.Pen.Width)) + 2;
    const TRect box(int(std::max<int64_t>(INT32_MIN, l - pad)), int(std::max<int64_t>(INT32_MIN, t - pad)),
                    int(std::min<int64_t>(INT32_MAX, int64_t(r) + pad + 1)),
                    int(std::min<int64_t>(INT32_MAX, int64_t(b) + pad + 1)));
    return Intersect(box, c.EffectiveClip());
  }

  void DrawShape(const TCanvas& c, const TShapeGeometry& g) override {
    if (!Img || Img->isNull()) return;
    if (RasterFastPaths()) DrawShapeFast(c, g);
    else DrawShapePlain(c, g);
  }

  bool DrawKnownShape(const TCanvas& c, const TShapeGeometry& g) override {
    if (!Img || Img->isNull()) return true;
    if (!RasterFastPaths()) return false;
    TKeptCoverageCache::TKey key = CallKey(c, g);
    if (key.empty()) return false;
    const TKeptCoverage* kept = TKeptCoverageCache::Instance().Find(key);
    if (!kept) return false;
    ApplyCoverage(c, *kept);
    return true;
  }

  // The fast paths: the same coverage as DrawShapePlain, found as spans (see canvas_spans.h), kept
  // by the call that drew it.
  void DrawShapeFast(const TCanvas& c, const TShapeGeometry& g) {
    TKeptCoverage cov;
    const TRect box = ShapeBounds(c, g);
    if (!box.IsEmpty()) CoverageOf(c, g, box, cov);
    ApplyCoverage(c, cov);
    TKeptCoverageCache::TKey key = CallKey(c, g);
    if (!key.empty()) TKeptCoverageCache::Instance().Keep(std::move(key), std::move(cov));
  }

  void CoverageOf(const TCanvas& c, const TShapeGeometry& g, const TRect& box, TKeptCoverage& cov) {
    const bool penVisible = c.Pen.Style != psClear && !g.Outlines.empty();
    const int width = std::clamp(c.Pen.Width, 1, 1 << 16);
    if (penVisible) {
      if (width == 1) {
        thread_local std::vector<uint64_t> onKeys, gapKeys;
        TPixelKeys on(box, onKeys), gap(box, gapKeys);
        WalkThinOutlines(on, gap, c.Pen.Style, g);
        SpansFromPixelKeys(on.Keys, box.Left, box.Top, cov.On);
        if (!gap.Keys.empty()) {
          TSpans all;
          SpansFromPixelKeys(gap.Keys, box.Left, box.Top, all);
          SubtractSpans(all, cov.On, cov.Gap);
        }
      } else {
        TMask on(box);
        PaintWideOutlines(on, box, width, g);
        SpansFromMask(on, cov.On);
      }
    }
    if (c.Brush.Style != bsClear && (g.FillIsRect || !g.FillPolygons.empty())) {
      TSpans fill;
      if (g.FillIsRect) {
        const TRect r = Intersect(g.FillRect, box);
        for (int y = r.Top; y < r.Bottom; ++y) fill.push_back({y, r.Left, r.Right});
      } else if (!ScanlineFill(g.FillPolygons, g.Winding, box, fill)) {
        TMask m(box);
        PaintIntoMaskKept(m, FillKey(box, g.Winding, g.FillPolygons),
                          [&](QPainter& p) { p.fillPath(FillPathOf(g), Qt::black); });
        SpansFromMask(m, fill);
      }
      if (penVisible) {
        TSpans less;
        SubtractSpans(fill, cov.On, less);
        SubtractSpans(less, cov.Gap, cov.Fill);
      } else {
        cov.Fill = std::move(fill);
      }
    }
  }

  void ApplyCoverage(const TCanvas& c, const TKeptCoverage& cov) {
    ApplyBrush(cov.Fill, c, c.Pen.Mode);
    if (cov.Gap.size() && c.Pen.Width <= 1 && c.BackgroundOpaque() && DashPattern(c.Pen.Style))
      ApplyPen(cov.Gap, Rgb24(c.BackgroundColor()), c.Pen.Mode);
    ApplyPen(cov.On, Rgb24(c.Pen.Color), c.Pen.Mode);
  }

  // What decides a known call's coverage: the call and its arguments, the canvas state its outline
  // and fill depend on, the pen's width and kind of line, whether the brush fills, and the clip box.
  // Empty for calls that are not known by their arguments.
  static TKeptCoverageCache::TKey CallKey(const TCanvas& c, const TShapeGeometry& g) {
    if (g.Call == scOther) return {};
    const TRect clip = c.EffectiveClip();
    const bool penVisible = c.Pen.Style != psClear;
    const int lineKind = !penVisible ? 0 : (std::clamp(c.Pen.Width, 1, 1 << 16) == 1 && DashPattern(c.Pen.Style)) ? 2 + int(c.Pen.Style) : 1;
    TKeptCoverageCache::TKey key{int32_t(g.Call), c.Pen.Width, lineKind, c.Brush.Style != bsClear ? 1 : 0,
                                 g.Winding ? 1 : 0, c.ArcDirection, clip.Left, clip.Top, clip.Right, clip.Bottom,
                                 int32_t(g.CallPoints.size())};
    key.reserve(key.size() + g.CallPoints.size() * 2 + (g.Call == scPolyPolyline ? g.Outlines.size() : 0));
    for (const TPoint& p : g.CallPoints) key.push_back(p.X), key.push_back(p.Y);
    if (g.Call == scPolyPolyline)
      for (const TShapeOutline& o : g.Outlines) key.push_back(int32_t(o.Points.size()));
    return key;
  }

  // The rule: byte masks of the call's box.
  void DrawShapePlain(const TCanvas& c, const TShapeGeometry& g) {
    const TRect box = ShapeBounds(c, g);
    if (box.IsEmpty()) return;
    const bool penVisible = c.Pen.Style != psClear && !g.Outlines.empty();
    const int width = std::clamp(c.Pen.Width, 1, 1 << 16);
    const bool dashed = width == 1 && DashPattern(c.Pen.Style) != nullptr;
    TMask on(penVisible ? box : TRect()), gap(penVisible && dashed ? box : TRect());
    if (penVisible) {
      if (width == 1) {
        WalkThinOutlines(on, gap, c.Pen.Style, g);
        if (c.Pen.Style != psSolid && c.Pen.Style != psInsideFrame) gap.Subtract(on);
      } else {
        PaintWideOutlines(on, box, width, g);
      }
    }
    // The interior: the brush, minus what the pen covers.
    if (c.Brush.Style != bsClear && (g.FillIsRect || !g.FillPolygons.empty())) {
      TMask fill(box);
      if (g.FillIsRect) {
        const TRect r = Intersect(g.FillRect, box);
        for (int y = r.Top; y < r.Bottom; ++y) std::fill_n(&fill.At(r.Left, y), r.Width(), uint8_t(1));
      } else {
        PaintIntoMaskKept(fill, FillKey(box, g.Winding, g.FillPolygons),
                          [&](QPainter& p) { p.fillPath(FillPathOf(g), Qt::black); });
      }
      if (penVisible) fill.Subtract(on), fill.Subtract(gap);
      ApplyBrush(fill, c, c.Pen.Mode);
    }
    if (penVisible) {
      if (width == 1 && c.BackgroundOpaque() && DashPattern(c.Pen.Style))
        ApplyPen(gap, Rgb24(c.BackgroundColor()), c.Pen.Mode);
      ApplyPen(on, Rgb24(c.Pen.Color), c.Pen.Mode);
    }
  }

  void DrawText(const TCanvas& c, int x, int y, const QString& text, const TRect* clip, bool opaqueClip) override {
    if (!Img || Img->isNull()) return;
    TRect area = c.EffectiveClip();
    if (clip) area = Intersect(area, *clip);
    if (area.IsEmpty()) return;
    if (RasterFastPaths() && DrawTextKept(c, x, y, text, clip, opaqueClip, area)) return;
    DrawTextPlain(c, x, y, text, clip, opaqueClip, area);
  }

  // Text as the painter draws it, from the pixels it covered when it drew the same text in the
  // same font at the same place before (see TKeptTexts). False when the text cannot be kept (the
  // painter then draws it).
  bool DrawTextKept(const TCanvas& c, int x, int y, const QString& text, const TRect* clip, bool opaqueClip,
                    const TRect& area) {
    const bool back = !opaqueClip && c.BackgroundOpaque();
    TTextKey key;
    key.Font = c.QtFont().key();
    key.Text = text;
    const TRect clipBox = clip ? *clip : TRect();
    key.N = {x, y, area.Left, area.Top, area.Right, area.Bottom, clip ? 1 : 0, clipBox.Left, clipBox.Top,
             clipBox.Right, clipBox.Bottom, opaqueClip ? 1 : 0, back ? 1 : 0, c.TextAlign, c.Font.Escapement,
             c.Font.PixelsPerInch()};
    TKeptTexts& kept = TKeptTexts::Instance();
    const TKeptText* found = kept.Find(key);
    if (!found) {
      TKeptText made;
      if (!CoverText(c, x, y, text, clip, opaqueClip, back, area, made)) return false;
      found = kept.Keep(std::move(key), std::move(made));
    }
    // The painter writes opaque colours: every covered pixel becomes the colour at full alpha.
    auto paint = [&](const TSpans& spans, uint32_t color) {
      uchar* base = Img->bits();
      const qsizetype bpl = Img->bytesPerLine();
      color |= 0xFF000000u;
      for (const TSpan& s : spans) std::fill_n(reinterpret_cast<uint32_t*>(base + s.Y * bpl) + s.X0, s.X1 - s.X0, color);
    };
    paint(found->Back, Rgb24(c.BackgroundColor()));
    paint(found->Glyphs, Rgb24(c.Font.Color));
    return true;
  }

  // What the painter covers for a text: the background and the glyphs, each rendered into a mask
  // exactly as DrawTextPlain renders them into the surface (the same transform moved by whole
  // pixels). False when a mask is not all-or-nothing or ink reaches the edge of the box around the
  // text, so that what the painter would draw might not all be in it.
  bool CoverText(const TCanvas& c, int x, int y, const QString& text, const TRect* clip, bool opaqueClip, bool back,
                 const TRect& area, TKeptText& out) {
    const QFont& font = c.QtFont();
    const QFontMetrics& fm = c.FontMetrics();
    if (clip && opaqueClip) {
      const TRect r = Intersect(*clip, area);
      for (int row = r.Top; row < r.Bottom; ++row) out.Back.push_back({row, r.Left, r.Right});
    }
    if (text.isEmpty()) return true;
    const int width = c.TextWidth(text);
    const int ascent = fm.ascent(), descent = fm.descent();
    int ox = 0;
    if ((c.TextAlign & TA_CENTER) == TA_CENTER) ox = -width / 2;
    else if (c.TextAlign & TA_RIGHT) ox = -width;
    int baseline = ascent;
    if ((c.TextAlign & TA_BASELINE) == TA_BASELINE) baseline = 0;
    else if (c.TextAlign & TA_BOTTOM) baseline = -descent;
    QTransform t;
    t.translate(x, y);
    if (c.Font.Escapement % 3600 != 0) t.rotate(-c.Font.Escapement / 10.0);
    const QRect backRect(ox, baseline - ascent, width, ascent + descent);
    const QRect inkRect = fm.boundingRect(text).translated(ox, baseline).united(backRect);
    const int margin = 4 + (ascent + descent) / 2;
    const QRect local = inkRect.adjusted(-margin, -margin, margin, margin);
    const QRect device = t.mapRect(QRectF(local)).toAlignedRect();
    const TRect box = Intersect(TRect(device.left(), device.top(), device.right() + 1, device.bottom() + 1), area);
    if (box.IsEmpty()) return true;
    if (int64_t(box.Width()) * box.Height() > (int64_t(1) << 22)) return false;
    auto render = [&](const std::function<void(QPainter&)>& paint, TSpans& spans) {
      QImage img(box.Width(), box.Height(), QImage::Format_ARGB32_Premultiplied);
      img.fill(Qt::transparent);
      {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setClipRect(ToQRect(area).translated(-box.Left, -box.Top));
        p.translate(x - box.Left, y - box.Top);
        if (c.Font.Escapement % 3600 != 0) p.rotate(-c.Font.Escapement / 10.0);
        paint(p);
      }
      TMask m(box);
      const int w = img.width(), h = img.height();
      for (int row = 0; row < h; ++row) {
        const QRgb* px = reinterpret_cast<const QRgb*>(img.constScanLine(row));
        for (int col = 0; col < w; ++col) {
          const int a = qAlpha(px[col]);
          if (a != 0 && a != 255) return false;
          if (a == 0) continue;
          // Ink on an edge of the box that the clip does not make: the text may reach beyond.
          if ((row == 0 && box.Top > area.Top) || (row == h - 1 && box.Bottom < area.Bottom) ||
              (col == 0 && box.Left > area.Left) || (col == w - 1 && box.Right < area.Right))
            return false;
          m.At(box.Left + col, box.Top + row) = 1;
        }
      }
      SpansFromMask(m, spans);
      return true;
    };
    if (back) {
      TSpans spans;
      if (!render([&](QPainter& p) { p.fillRect(backRect, Qt::black); }, spans)) return false;
      out.Back = std::move(spans);
    }
    return render(
        [&](QPainter& p) {
          p.setFont(font);
          p.setPen(Qt::black);
          p.drawText(QPoint(ox, baseline), text);
        },
        out.Glyphs);
  }

  void DrawTextPlain(const TCanvas& c, int x, int y, const QString& text, const TRect* clip, bool opaqueClip,
                     const TRect& area) {
    const QFont& font = c.QtFont();
    const QFontMetrics& fm = c.FontMetrics();
    QPainter p(Img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setClipRect(ToQRect(area));
    if (clip && opaqueClip) p.fillRect(ToQRect(*clip), QColor(QRgb(Rgb24(c.BackgroundColor()))));
    if (text.isEmpty()) return;
    const int width = fm.horizontalAdvance(text);
    const int ascent = fm.ascent(), descent = fm.descent();
    int ox = 0;
    if ((c.TextAlign & TA_CENTER) == TA_CENTER) ox = -width / 2;
    else if (c.TextAlign & TA_RIGHT) ox = -width;
    int baseline = ascent;
    if ((c.TextAlign & TA_BASELINE) == TA_BASELINE) baseline = 0;
    else if (c.TextAlign & TA_BOTTOM) baseline = -descent;
    p.translate(x, y);
    if (c.Font.Escapement % 3600 != 0) p.rotate(-c.Font.Escapement / 10.0);
    if (!opaqueClip && c.BackgroundOpaque())
      p.fillRect(QRect(ox, baseline - ascent, width, ascent + descent), QColor(QRgb(Rgb24(c.BackgroundColor()))));
    p.setFont(font);
    p.setPen(QColor(QRgb(Rgb24(c.Font.Color))));
    p.drawText(QPoint(ox, baseline), text);
  }

  void DrawPath(const TCanvas& c, const QPainterPath& path, bool stroke, bool fill) override {
    TShapeGeometry g;
    g.Winding = path.fillRule() == Qt::WindingFill;
    for (const QPolygonF& poly : path.toSubpathPolygons()) {
      std::vector<TPoint> pts;
      for (const QPointF& q : poly) {
        const TPoint pt(RoundHalfUp(q.x() - 0.5), RoundHalfUp(q.y() - 0.5));
        if (pts.empty() || !(pts.back() == pt)) pts.push_back(pt);
      }
      if (pts.size() > 1 && pts.front() == pts.back()) pts.pop_back();
      if (pts.empty()) continue;
      if (fill) g.FillPolygons.push_back(pts);
      if (stroke) g.Outlines.push_back({pts, true});
    }
    DrawShape(c, g);
  }

  void FillRect(const TCanvas& c, const TRect& rect) override {
    if (!Img || Img->isNull() || c.Brush.Style == bsClear) return;
    const TRect r = Intersect(rect, c.EffectiveClip());
    if (r.IsEmpty()) return;
    if (c.Brush.Style == bsSolid) {
      // Every pixel of the rectangle takes the brush colour (its alpha byte stays).
      const uint32_t color = Rgb24(c.Brush.Color);
      uchar* base = Img->bits();
      const qsizetype bpl = Img->bytesPerLine();
      const auto fill = RowKernels().FillRow;
      for (int y = r.Top; y < r.Bottom; ++y) fill(reinterpret_cast<uint32_t*>(base + y * bpl) + r.Left, r.Width(), color);
      return;
    }
    TMask m(r);
    std::fill(m.Bits.begin(), m.Bits.end(), 1);
    ApplyBrush(m, c, pmCopy);
  }

  void InvertRect(const TCanvas& c, const TRect& rect) override {
    if (!Img || Img->isNull()) return;
    const TRect r = Intersect(rect, c.EffectiveClip());
    for (int y = r.Top; y < r.Bottom; ++y) {
      uint32_t* row = Row(y);
      for (int x = r.Left; x < r.Right; ++x) row[x] ^= 0xFFFFFFu;
    }
  }

  TColor GetPixel(int x, int y) const override {
    if (!Img || x < 0 || y < 0 || x >= Img->width() || y >= Img->height()) return clNone;
    return FromRgb24(reinterpret_cast<const uint32_t*>(Img->constScanLine(y))[x] & 0xFFFFFFu);
  }

  void SetPixel(const TCanvas& c, int x, int y, TColor color) override {
    if (!Img || !c.EffectiveClip().Contains(TPoint(x, y))) return;
    uint32_t& px = Row(y)[x];
    px = (px & 0xFF000000u) | Rgb24(color);
  }

  bool FloodFill(const TCanvas& c, int x, int y, TColor color, TFillStyle style) override {
    const TRect area = c.EffectiveClip();
    if (!Img || !area.Contains(TPoint(x, y))) return false;
    const uint32_t key = Rgb24(color);
    auto inside = [&](int px, int py) {
      const uint32_t v = reinterpret_cast<const uint32_t*>(Img->constScanLine(py))[px] & 0xFFFFFFu;
      return style == fsSurface ? v == key : v != key;
    };
    if (!inside(x, y)) return false;
    TMask m(area);
    std::vector<TPoint> stack{TPoint(x, y)};
    while (!stack.empty()) {
      TPoint p = stack.back();
      stack.pop_back();
      if (m.Get(p.X, p.Y) || !inside(p.X, p.Y)) continue;
      int l = p.X, r = p.X;
      while (l - 1 >= area.Left && !m.Get(l - 1, p.Y) && inside(l - 1, p.Y)) --l;
      while (r + 1 < area.Right && !m.Get(r + 1, p.Y) && inside(r + 1, p.Y)) ++r;
      for (int i = l; i <= r; ++i) m.At(i, p.Y) = 1;
      for (int ny : {p.Y - 1, p.Y + 1}) {
        if (ny < area.Top || ny >= area.Bottom) continue;
        bool inRun = false;
        for (int i = l; i <= r; ++i) {
          const bool ok = !m.Get(i, ny) && inside(i, ny);
          if (ok && !inRun) stack.emplace_back(i, ny);
          inRun = ok;
        }
      }
    }
    ApplyBrush(m, c, pmCopy);
    return true;
  }

  void StretchBlt(const TCanvas& c, const TRect& dest, const QImage& source, const TRect& srcRect, TCopyMode rop,
                  TColor transparent) override {
    auto span = [](int a, int b) { return int64_t(b) - a; };
    const int64_t destW = span(dest.Left, dest.Right), destH = span(dest.Top, dest.Bottom);
    const int64_t srcW = span(srcRect.Left, srcRect.Right), srcH = span(srcRect.Top, srcRect.Bottom);
    if (!Img || Img->isNull() || destW == 0 || destH == 0) return;
    const bool usesSource = (((rop >> 16) ^ (rop >> 18)) & 0x33) != 0;
    QImage src;
    if (usesSource) {
      if (source.isNull() || srcW == 0 || srcH == 0) return;
      const auto f = source.format();
      if ((f == QImage::Format_RGB32 || f == QImage::Format_ARGB32) && &source != Img)
        src = source;
      else if (&source == Img)
        src = source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
      else
        src = DrawableSource(source);
    }
    const bool blend = usesSource && src.format() == QImage::Format_ARGB32 && rop == cmSrcCopy;
    const bool keyed = usesSource && transparent != clNone;
    const uint32_t key = keyed ? Rgb24(transparent) : 0;
    // Mirroring: a negative width or height on either side flips the picture.
    const TRect d = Normalized(dest.Left, dest.Top, dest.Right, dest.Bottom);
    const bool flipX = (destW < 0) != (srcW < 0);
    const bool flipY = (destH < 0) != (srcH < 0);
    const TRect s = Normalized(srcRect.Left, srcRect.Top, srcRect.Right, srcRect.Bottom);
    const TRect area = Intersect(d, c.EffectiveClip());
    if (area.IsEmpty()) return;
    const uint32_t brush = Rgb24(c.Brush.Color), back = Rgb24(c.BackgroundColor());
    const int64_t dw = std::llabs(destW), dh = std::llabs(destH), sw = std::llabs(srcW), sh = std::llabs(srcH);
    // Pixel (x, y) of the target takes source pixel (s.Left + ox * sw / dw, s.Top + oy * sh / dh),
    // with ox, oy its offsets in the target rectangle (counted from the far side when mirrored).
    // The source column of every target column is worked out once per call; -1 marks columns whose
    // source pixel lies outside the picture (they are left as they are).
    const int areaW = area.Width();
    std::vector<int32_t> cols;
    if (usesSource) {
      cols.resize(size_t(areaW));
      for (int i = 0; i < areaW; ++i) {
        int64_t ox = int64_t(area.Left) + i - d.Left;
        if (flipX) ox = dw - 1 - ox;
        const int64_t sx = s.Left + ScaledOffset(ox, sw, dw);
        cols[size_t(i)] = sx < 0 || sx >= src.width() ? -1 : int32_t(sx);
      }
    }
    const uint32_t op = (rop >> 16) & 0xFF;
    enum { General, Copy, CopyKeyed } kind = General;
    if (usesSource && op == 0xCC && !blend) kind = keyed ? CopyKeyed : Copy;
    // Unscaled and not mirrored across: the valid columns form one run of consecutive source pixels.
    bool contiguous = usesSource && !flipX && sw == dw;
    int contiguousFirst = 0, contiguousEnd = 0;
    int64_t contiguousBase = 0;
    if (contiguous) {
      while (contiguousFirst < areaW && cols[size_t(contiguousFirst)] < 0) ++contiguousFirst;
      contiguousEnd = contiguousFirst;
      while (contiguousEnd < areaW && cols[size_t(contiguousEnd)] >= 0) ++contiguousEnd;
      if (contiguousFirst < contiguousEnd) contiguousBase = int64_t(cols[size_t(contiguousFirst)]) - contiguousFirst;
      for (int i = contiguousFirst; i < contiguousEnd; ++i)
        if (cols[size_t(i)] != contiguousBase + i) contiguous = false;
    }
    // The source row of target row y.
    auto sourceRow = [&](int y) {
      int64_t oy = int64_t(y) - d.Top;
      if (flipY) oy = dh - 1 - oy;
      return s.Top + ScaledOffset(oy, sh, dh);
    };
    // A stretched or mirrored copy whose every target pixel has a source pixel takes its pixels
    // from the kept picture of an earlier draw with the same rectangles, or keeps them for the next.
    const uint32_t* scaled = nullptr;
    if (usesSource && (kind == Copy || kind == CopyKeyed) && !contiguous && &source != Img &&
        size_t(areaW) * size_t(area.Height()) <= TScaledPictures::kEntryPixels) {
      bool whole = std::find(cols.begin(), cols.end(), -1) == cols.end();
      for (int y : {area.Top, area.Bottom - 1}) {
        const int64_t sy = sourceRow(y);
        if (sy < 0 || sy >= src.height()) whole = false;
      }
      if (whole) {
        const TScaledKey sk{src.cacheKey(), s, d, area, flipX, flipY};
        scaled = ScaledPictures().Find(sk);
        if (!scaled) {
          uint32_t* out = ScaledPictures().Add(sk, size_t(areaW) * size_t(area.Height()));
          for (int y = area.Top; y < area.Bottom; ++y) {
            const uint32_t* srow = reinterpret_cast<const uint32_t*>(src.constScanLine(int(sourceRow(y))));
            uint32_t* o = out + size_t(y - area.Top) * size_t(areaW);
            for (int i = 0; i < areaW; ++i) o[i] = srow[cols[size_t(i)]];
          }
          scaled = out;
        }
      }
    }
    // The pixels are reached through base pointers taken here, once (a shared image detaches here).
    uchar* base = Img->bits();
    const qsizetype bpl = Img->bytesPerLine();
    const uchar* srcBase = usesSource ? src.constBits() : nullptr;
    const qsizetype srcBpl = usesSource ? src.bytesPerLine() : 0;
    const int64_t srcRows = usesSource ? src.height() : 0;
    const TRowKernels& kernels = RowKernels();
    for (int y = area.Top; y < area.Bottom; ++y) {
      if (scaled) {
        uint32_t* row = reinterpret_cast<uint32_t*>(base + y * bpl) + area.Left;
        const uint32_t* sp = scaled + size_t(y - area.Top) * size_t(areaW);
        if (kind == Copy) kernels.CopyRow(row, sp, areaW);
        else kernels.CopyRowKeyed(row, sp, areaW, key);
        continue;
      }
      const int64_t sy = usesSource ? sourceRow(y) : 0;
      const uint32_t* srow = nullptr;
      if (usesSource) {
        if (sy < 0 || sy >= srcRows) continue;
        srow = reinterpret_cast<const uint32_t*>(srcBase + sy * srcBpl);
      }
      uint32_t* row = reinterpret_cast<uint32_t*>(base + y * bpl) + area.Left;
      if (contiguous && (kind == Copy || kind == CopyKeyed)) {
        // One source pixel per target pixel, in order: whole rows through the row kernels. The
        // next row's source pixels are asked for ahead: a large picture comes from main memory,
        // and each row starts a new run that the processor would otherwise find late.
        const uint32_t* sp = srow + contiguousBase + contiguousFirst;
        const size_t runBytes = size_t(contiguousEnd - contiguousFirst) * sizeof(uint32_t);
        if (y + 1 < area.Bottom) {
          const int64_t next = sourceRow(y + 1);
          if (next != sy && next >= 0 && next < srcRows)
            PrefetchRun(srcBase + next * srcBpl + (contiguousBase + contiguousFirst) * int64_t(sizeof(uint32_t)),
                        runBytes);
        }
        if (kind == Copy) kernels.CopyRow(row + contiguousFirst, sp, contiguousEnd - contiguousFirst);
        else kernels.CopyRowKeyed(row + contiguousFirst, sp, contiguousEnd - contiguousFirst, key);
        continue;
      }
      if (kind == Copy) {
        for (int i = 0; i < areaW; ++i) {
          const int32_t sx = cols[size_t(i)];
          if (sx >= 0) row[i] = (row[i] & 0xFF000000u) | (srow[sx] & 0xFFFFFFu);
        }
        continue;
      }
      if (kind == CopyKeyed) {
        for (int i = 0; i < areaW; ++i) {
          const int32_t sx = cols[size_t(i)];
          if (sx < 0) continue;
          const uint32_t sv = srow[sx] & 0xFFFFFFu;
          if (sv != key) row[i] = (row[i] & 0xFF000000u) | sv;
        }
        continue;
      }
      const uint8_t hatch = HatchRow(c.Brush.Style, y);
      for (int i = 0; i < areaW; ++i) {
        const int x = area.Left + i;
        uint32_t sv = 0;
        if (usesSource) {
          const int32_t sx = cols[size_t(i)];
          if (sx < 0) continue;
          sv = srow[sx];
          if (keyed && (sv & 0xFFFFFFu) == key) continue;
          if (blend) {
            const uint32_t a = sv >> 24;
            if (a == 0) continue;
            if (a < 255) {
              const uint32_t dv = row[i];
              auto ch = [&](int shift) {
                const uint32_t sc = (sv >> shift) & 0xFF, dc = (dv >> shift) & 0xFF;
                return ((sc * a + dc * (255 - a) + 127) / 255) << shift;
              };
              row[i] = (dv & 0xFF000000u) | ch(16) | ch(8) | ch(0);
              continue;
            }
          }
        }
        const uint32_t pv = (hatch & (0x80u >> (x & 7))) ? brush : back;
        uint32_t& px = row[i];
        px = (px & 0xFF000000u) | Rop3Pixel(rop, pv, sv & 0xFFFFFFu, px & 0xFFFFFFu);
      }
    }
  }

private:
  QImage* Img;
};

constexpr double kPi = std::numbers::pi;

void PushUnique(std::vector<TPoint>& pts, TPoint p) {
  if (pts.empty() || !(pts.back() == p)) pts.push_back(p);
}

}  // namespace

void ForgetKeptCoverage() {
  TKeptCoverageCache::Instance().Clear();
  TKeptTexts::Instance().Clear();
  TCoverageCache::Instance().Clear();
}

// ---- Row kernels --------------------------------------------------------------------------------

// The plain loops are the rule (the compiler vectorises them for the baseline instruction set);
// the wider versions give the same pixels and are chosen once by what the processor offers.
namespace {
void CopyRowPlain(uint32_t* d, const uint32_t* s, int n) {
  for (int i = 0; i < n; ++i) d[i] = (d[i] & 0xFF000000u) | (s[i] & 0xFFFFFFu);
}
void CopyRowKeyedPlain(uint32_t* d, const uint32_t* s, int n, uint32_t key) {
  for (int i = 0; i < n; ++i) {
    const uint32_t sv = s[i] & 0xFFFFFFu;
    d[i] = sv != key ? (d[i] & 0xFF000000u) | sv : d[i];
  }
}
void FillRowPlain(uint32_t* d, int n, uint32_t color) {
  for (int i = 0; i < n; ++i) d[i] = (d[i] & 0xFF000000u) | color;
}

#ifdef KV_ROW_KERNELS_X86
__attribute__((target("avx2"))) void CopyRowAvx2(uint32_t* d, const uint32_t* s, int n) {
  const __m256i low = _mm256_set1_epi32(0xFFFFFF), high = _mm256_set1_epi32(int(0xFF000000u));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                        _mm256_or_si256(_mm256_and_si256(dv, high), _mm256_and_si256(sv, low)));
  }
  CopyRowPlain(d + i, s + i, n - i);
}
__attribute__((target("avx2"))) void CopyRowKeyedAvx2(uint32_t* d, const uint32_t* s, int n, uint32_t key) {
  const __m256i low = _mm256_set1_epi32(0xFFFFFF), high = _mm256_set1_epi32(int(0xFF000000u));
  const __m256i k = _mm256_set1_epi32(int(key));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i sv = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)), low);
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i drawn = _mm256_or_si256(_mm256_and_si256(dv, high), sv);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_blendv_epi8(drawn, dv, _mm256_cmpeq_epi32(sv, k)));
  }
  CopyRowKeyedPlain(d + i, s + i, n - i, key);
}
__attribute__((target("avx2"))) void FillRowAvx2(uint32_t* d, int n, uint32_t color) {
  const __m256i high = _mm256_set1_epi32(int(0xFF000000u)), c = _mm256_set1_epi32(int(color));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_or_si256(_mm256_and_si256(dv, high), c));
  }
  FillRowPlain(d + i, n - i, color);
}
__attribute__((target("avx512f"))) void CopyRowAvx512(uint32_t* d, const uint32_t* s, int n) {
  const __m512i low = _mm512_set1_epi32(0xFFFFFF);
  for (int i = 0; i < n; i += 16) {
    const __mmask16 m = n - i >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << (n - i)) - 1);
    const __m512i sv = _mm512_maskz_loadu_epi32(m, s + i);
    const __m512i dv = _mm512_maskz_loadu_epi32(m, d + i);
    // Bitwise select: the colour bytes from the source, the spare byte from the target.
    _mm512_mask_storeu_epi32(d + i, m, _mm512_ternarylogic_epi32(low, sv, dv, 0xCA));
  }
}
__attribute__((target("avx512f"))) void CopyRowKeyedAvx512(uint32_t* d, const uint32_t* s, int n, uint32_t key) {
  const __m512i low = _mm512_set1_epi32(0xFFFFFF), k = _mm512_set1_epi32(int(key));
  for (int i = 0; i < n; i += 16) {
    const __mmask16 m = n - i >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << (n - i)) - 1);
    const __m512i sv = _mm512_and_si512(_mm512_maskz_loadu_epi32(m, s + i), low);
    const __mmask16 drawn = _mm512_mask_cmpneq_epi32_mask(m, sv, k);
    const __m512i dv = _mm512_maskz_loadu_epi32(drawn, d + i);
    _mm512_mask_storeu_epi32(d + i, drawn, _mm512_ternarylogic_epi32(low, sv, dv, 0xCA));
  }
}
__attribute__((target("avx512f"))) void FillRowAvx512(uint32_t* d, int n, uint32_t color) {
  const __m512i low = _mm512_set1_epi32(0xFFFFFF), c = _mm512_set1_epi32(int(color));
  for (int i = 0; i < n; i += 16) {
    const __mmask16 m = n - i >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << (n - i)) - 1);
    const __m512i dv = _mm512_maskz_loadu_epi32(m, d + i);
    _mm512_mask_storeu_epi32(d + i, m, _mm512_ternarylogic_epi32(low, c, dv, 0xCA));
  }
}
#endif

}  // namespace

std::vector<TRowKernels> AvailableRowKernels() {
  std::vector<TRowKernels> sets{{"plain", CopyRowPlain, CopyRowKeyedPlain, FillRowPlain}};
#ifdef KV_ROW_KERNELS_X86
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) sets.push_back({"avx2", CopyRowAvx2, CopyRowKeyedAvx2, FillRowAvx2});
  if (__builtin_cpu_supports("avx512f")) sets.push_back({"avx512", CopyRowAvx512, CopyRowKeyedAvx512, FillRowAvx512});
#endif
  return sets;
}

const TRowKernels& RowKernels() {
  static const TRowKernels kernels = AvailableRowKernels().back();
  return kernels;
}

// ---- Canvas ---------------------------------------------------------------------------------

TCanvas::TCanvas(QImage* target) : Impl(std::make_unique<TRasterBackend>(target)) {
  RasterImage = Impl->Image();
  Font.SetPixelsPerInch(PixelsPerInch());
}
TCanvas::TCanvas(std::unique_ptr<TCanvasBackend> backend) : Impl(std::move(backend)) {
  RasterImage = Impl->Image();
  Font.SetPixelsPerInch(PixelsPerInch());
}
TCanvas::~TCanvas() = default;

void TCanvas::SetTarget(QImage* target) {
  auto hook = Impl ? Impl->OnAccess : std::function<void()>();
  Impl = std::make_unique<TRasterBackend>(target);
  Impl->OnAccess = std::move(hook);
  RasterImage = Impl->Image();
}

namespace {
// Reports a drawing call to the canvas's change handler once the call has drawn.
struct TDrawn {
  const TCanvas& Canvas;
  ~TDrawn() {
    if (Canvas.OnChange) Canvas.OnChange();
  }
};
}  // namespace

void TCanvas::Access(bool writes) const {
  if (Impl->OnAccess) Impl->OnAccess();
  if (writes) ++Impl->Changes;
}

int TCanvas::SetTextAlign(int align) { return std::exchange(TextAlign, align); }
int TCanvas::SetArcDirection(int dir) {
  return std::exchange(ArcDirection, dir == AD_CLOCKWISE ? AD_CLOCKWISE : AD_COUNTERCLOCKWISE);
}
int TCanvas::SetBkMode(int mode) { return std::exchange(BkMode, mode); }
TColor TCanvas::SetBkColor(TColor color) { return std::exchange(BkColor, color); }
TPenMode TCanvas::SetROP2(TPenMode mode) { return std::exchange(Pen.Mode, mode); }
int TCanvas::SetROP2(int rop2) { return Rop2FromPenMode(std::exchange(Pen.Mode, PenModeFromRop2(rop2))); }
int TCanvas::SetPolyFillMode(int mode) { return std::exchange(PolyFillMode, mode); }

bool TCanvas::BackgroundOpaque() const {
  if (BkMode == OPAQUE) return true;
  if (BkMode == TRANSPARENT) return false;
  return Brush.Style == bsSolid;
}

TColor TCanvas::BackgroundColor() const { return BkMode == 0 ? Brush.Color : BkColor; }

int TCanvas::Width() const { return Impl->Width(); }
int TCanvas::Height() const { return Impl->Height(); }
int TCanvas::PixelsPerInch() const { return Ppi > 0 ? Ppi : Impl->PixelsPerInch(); }
void TCanvas::SetPixelsPerInch(int ppi) {
  Ppi = ppi > 0 ? ppi : 0;
  Font.SetPixelsPerInch(PixelsPerInch());
}
QImage* TCanvas::Image() const { return Impl->Image(); }

int TCanvas::GetDeviceCaps(int index) const {
  switch (index) {
    case HORZRES: return Width();
    case VERTRES: return Height();
    case BITSPIXEL: return Image() ? 32 : 24;
    case PLANES: return 1;
    case LOGPIXELSX:
    case LOGPIXELSY: return PixelsPerInch();
    default: return 0;
  }
}

TRect TCanvas::ClipRect() const { return Clipped ? Clip : TRect(0, 0, Width(), Height()); }
void TCanvas::SetClipRect(const TRect& rect) {
  Clip = Normalized(rect.Left, rect.Top, rect.Right, rect.Bottom);
  Clipped = true;
}
void TCanvas::IntersectClipRect(const TRect& rect) {
  const TRect r = Normalized(rect.Left, rect.Top, rect.Right, rect.Bottom);
  Clip = Clipped ? Intersect(Clip, r) : r;
  Clipped = true;
}
void TCanvas::ClearClipRect() { Clipped = false; }
TRect TCanvas::EffectiveClip() const { return Intersect(ClipRect(), TRect(0, 0, Width(), Height())); }

// ---- Geometry ---------------------------------------------------------------------------------

// Ellipses and arcs are outlined with about four points per pixel of radius, but never more than
// kMostCurvePoints: past a radius of about 5,200 pixels the chords then stray less than a tenth
// of a pixel from the true curve, and a picture full of huge circles costs no more to draw
// than the outline it can show.
constexpr int kMostCurvePoints = 1 << 16;
int CurvePointLimit = kMostCurvePoints;

int MostCurvePoints() { return CurvePointLimit; }
TCurveDetailLimit::TCurveDetailLimit(int most) : Saved(CurvePointLimit) {
  CurvePointLimit = std::clamp(most, 8, kMostCurvePoints);
}
TCurveDetailLimit::~TCurveDetailLimit() { CurvePointLimit = Saved; }

std::vector<TPoint> TCanvas::EllipsePoints(int x1, int y1, int x2, int y2) {
  const TRect b = Normalized(x1, y1, x2, y2);
  std::vector<TPoint> pts;
  if (b.Right == b.Left || b.Bottom == b.Top) return pts;
  const double cx = (double(b.Left) + b.Right - 1) / 2.0, cy = (double(b.Top) + b.Bottom - 1) / 2.0;
  const double rx = (double(b.Right) - b.Left - 1) / 2.0, ry = (double(b.Bottom) - b.Top - 1) / 2.0;
  const int n = int(std::clamp(std::ceil(2 * kPi * std::max(rx, ry) * 2), 8.0, double(CurvePointLimit)));
  for (int k = 0; k < n; ++k) {
    const double t = 2 * kPi * k / n;
    PushUnique(pts, TPoint(RoundHalfUp(cx + rx * std::cos(t)), RoundHalfUp(cy - ry * std::sin(t))));
  }
  while (pts.size() > 1 && pts.back() == pts.front()) pts.pop_back();
  return pts;
}

bool TCanvas::ArcAngles(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, bool clockwise,
                        double& start, double& sweep) {
  const TRect b = Normalized(x1, y1, x2, y2);
  if (b.Right == b.Left || b.Bottom == b.Top) return false;
  const double cx = (double(b.Left) + b.Right - 1) / 2.0, cy = (double(b.Top) + b.Bottom - 1) / 2.0;
  const double rx = (double(b.Right) - b.Left - 1) / 2.0, ry = (double(b.Bottom) - b.Top - 1) / 2.0;
  // Directions as on a map: counter-clockwise positive, y up.
  auto param = [&](int x, int y) {
    const double a = std::atan2(-(y - cy), x - cx);
    return (rx > 0 && ry > 0) ? std::atan2(rx * std::sin(a), ry * std::cos(a)) : a;
  };
  const double t0 = param(x3, y3);
  double t1 = param(x4, y4);
  if (!clockwise) {
    while (t1 <= t0) t1 += 2 * kPi;  // equal rays: the whole ellipse
  } else {
    while (t1 >= t0) t1 -= 2 * kPi;
  }
  start = t0;
  sweep = t1 - t0;
  return true;
}

std::vector<TPoint> TCanvas::ArcPoints(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                                       bool clockwise) {
  std::vector<TPoint> pts;
  double t0, sweep;
  if (!ArcAngles(x1, y1, x2, y2, x3, y3, x4, y4, clockwise, t0, sweep)) return pts;
  const TRect b = Normalized(x1, y1, x2, y2);
  const double cx = (double(b.Left) + b.Right - 1) / 2.0, cy = (double(b.Top) + b.Bottom - 1) / 2.0;
  const double rx = (double(b.Right) - b.Left - 1) / 2.0, ry = (double(b.Bottom) - b.Top - 1) / 2.0;
  const int n = int(std::clamp(std::ceil(std::fabs(sweep) * std::max(rx, ry) * 2), 2.0, double(CurvePointLimit)));
  for (int k = 0; k <= n; ++k) {
    const double t = t0 + sweep * k / n;
    PushUnique(pts, TPoint(RoundHalfUp(cx + rx * std::cos(t)), RoundHalfUp(cy - ry * std::sin(t))));
  }
  return pts;
}

std::vector<TPoint> TCanvas::BezierPoints(const TPoint* p, int count) {
  std::vector<TPoint> pts;
  if (count < 1) return pts;
  PushUnique(pts, p[0]);
  for (int i = 0; i + 3 < count; i += 3) {
    const double x0 = p[i].X, y0 = p[i].Y, x1 = p[i + 1].X, y1 = p[i + 1].Y, x2 = p[i + 2].X, y2 = p[i + 2].Y,
                 x3 = p[i + 3].X, y3 = p[i + 3].Y;
    const double len = std::hypot(x1 - x0, y1 - y0) + std::hypot(x2 - x1, y2 - y1) + std::hypot(x3 - x2, y3 - y2);
    const int n = int(std::clamp(std::ceil(len), 2.0, 100000.0));
    for (int k = 1; k <= n; ++k) {
      const double t = double(k) / n, u = 1 - t;
      const double bx = u * u * u * x0 + 3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t * x3;
      const double by = u * u * u * y0 + 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t * y3;
      PushUnique(pts, k == n ? p[i + 3] : TPoint(RoundHalfUp(bx), RoundHalfUp(by)));
    }
  }
  return pts;
}

std::vector<TPoint> TCanvas::RoundRectPoints(int x1, int y1, int x2, int y2, int w, int h) {
  const TRect b = Normalized(x1, y1, x2, y2);
  std::vector<TPoint> pts;
  if (b.Right == b.Left || b.Bottom == b.Top) return pts;
  const double l = b.Left, t = b.Top, r = double(b.Right) - 1, btm = double(b.Bottom) - 1;
  const double rx = std::clamp((std::abs(w) - 1) / 2.0, 0.0, (r - l) / 2.0);
  const double ry = std::clamp((std::abs(h) - 1) / 2.0, 0.0, (btm - t) / 2.0);
  const double centres[4][2] = {{r - rx, t + ry}, {l + rx, t + ry}, {l + rx, btm - ry}, {r - rx, btm - ry}};
  const int n = int(std::clamp(std::ceil(std::max(rx, ry) * kPi), 2.0, double(1 << 16)));
  for (int q = 0; q < 4; ++q)
    for (int k = 0; k <= n; ++k) {
      const double a = kPi / 2 * q + kPi / 2 * k / n;
      PushUnique(pts, TPoint(RoundHalfUp(centres[q][0] + rx * std::cos(a)), RoundHalfUp(centres[q][1] - ry * std::sin(a))));
    }
  while (pts.size() > 1 && pts.back() == pts.front()) pts.pop_back();
  return pts;
}

// ---- Shapes -------------------------------------------------------------------------------------

void TCanvas::Shape(TShapeGeometry& g) { Shape(g, nullptr); }

void TCanvas::Shape(TShapeGeometry& g, const std::function<void(TShapeGeometry&)>& build) {
  Access(true);
  const TDrawn drawn{*this};
  if (g.Call != scOther && Impl->DrawKnownShape(*this, g)) return;
  if (build) build(g);
  Impl->DrawShape(*this, g);
}

TRect TCanvas::ShapeBox(int x1, int y1, int x2, int y2) const {
  TRect b = Normalized(x1, y1, x2, y2);
  if (Pen.Style == psInsideFrame && Pen.Width > 1) {
    // Shrunk so that the wide pen stays inside the box (in 64 bits: boxes may be far off).
    const int64_t w = std::min(Pen.Width, 1 << 20), in = w / 2, out = w - 1 - in;
    auto clampInt = [](int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    const int64_t l = b.Left + in, t = b.Top + in;
    const int64_t r = std::max<int64_t>(int64_t(b.Right) - out, l + 1), bt = std::max<int64_t>(int64_t(b.Bottom) - out, t + 1);
    b = TRect(clampInt(l), clampInt(t), clampInt(r), clampInt(bt));
  }
  return b;
}

void TCanvas::MoveTo(int x, int y) {
  PenPos = TPoint(x, y);
  if (PathOpen) CurrentPath.moveTo(x + 0.5, y + 0.5);
}

void TCanvas::LineTo(int x, int y) {
  if (PathOpen) {
    if (CurrentPath.elementCount() == 0) CurrentPath.moveTo(PenPos.X + 0.5, PenPos.Y + 0.5);
    CurrentPath.lineTo(x + 0.5, y + 0.5);
  } else {
    TShapeGeometry g;
    g.Outlines.push_back({{PenPos, TPoint(x, y)}, false});
    g.Call = scLineTo;
    g.CallPoints = {PenPos, TPoint(x, y)};
    Shape(g);
  }
  PenPos = TPoint(x, y);
}

void TCanvas::Polyline(const std::vector<TPoint>& points) { Polyline(points.data(), int(points.size())); }
void TCanvas::Polyline(const TPoint* points, int count) {
  if (count < 2) return;
  TShapeGeometry g;
  g.Call = scPolyline;
  g.CallPoints.assign(points, points + count);
  Shape(g, [](TShapeGeometry& g) { g.Outlines.push_back({g.CallPoints, false}); });
}

void TCanvas::Polygon(const std::vector<TPoint>& points) { Polygon(points.data(), int(points.size())); }
void TCanvas::Polygon(const TPoint* points, int count) {
  if (count < 2) return;
  TShapeGeometry g;
  g.Winding = PolyFillMode == WINDING;
  g.Call = scPolygon;
  g.CallPoints.assign(points, points + count);
  Shape(g, [](TShapeGeometry& g) {
    g.Outlines.push_back({g.CallPoints, true});
    g.FillPolygons.push_back(g.CallPoints);
  });
}

void TCanvas::PolyBezier(const std::vector<TPoint>& points) { PolyBezier(points.data(), int(points.size())); }
void TCanvas::PolyBezier(const TPoint* points, int count) {
  if (count < 4 || (count - 1) % 3 != 0) return;
  if (PathOpen) {
    if (CurrentPath.elementCount() == 0 || !(PenPos == points[0])) CurrentPath.moveTo(points[0].X + 0.5, points[0].Y + 0.5);
    for (int i = 1; i + 2 < count; i += 3)
      CurrentPath.cubicTo(points[i].X + 0.5, points[i].Y + 0.5, points[i + 1].X + 0.5, points[i + 1].Y + 0.5,
                          points[i + 2].X + 0.5, points[i + 2].Y + 0.5);
    PenPos = points[count - 1];
    return;
  }
  TShapeGeometry g;
  g.Call = scPolyBezier;
  g.CallPoints.assign(points, points + count);
  Shape(g, [&](TShapeGeometry& g) { g.Outlines.push_back({BezierPoints(points, count), false}); });
}

void TCanvas::PolyPolyline(const TPoint* points, const int* counts, int polylines) {
  TShapeGeometry g;
  g.Call = scPolyPolyline;
  size_t at = 0;
  for (int i = 0; i < polylines; ++i) {
    const int n = std::max(0, counts[i]);
    if (n >= 2) {
      g.Outlines.push_back({std::vector<TPoint>(points + at, points + at + size_t(n)), false});
      g.CallPoints.insert(g.CallPoints.end(), points + at, points + at + size_t(n));
    }
    at += size_t(n);
  }
  if (g.Outlines.empty()) return;
  Shape(g);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  const TRect b = ShapeBox(x1, y1, x2, y2);
  if (b.Right == b.Left || b.Bottom == b.Top) return;
  TShapeGeometry g;
  const int r = b.Right - 1, bt = b.Bottom - 1;
  if (Pen.Style != psClear) {
    g.Outlines.push_back({{TPoint(b.Left, b.Top), TPoint(r, b.Top), TPoint(r, bt), TPoint(b.Left, bt)}, true});
    g.FillRect = TRect(b.Left, b.Top, r + 1, bt + 1);
  } else {
    // Without a pen the platform fills one pixel less to the right and bottom.
    g.FillRect = TRect(b.Left, b.Top, r, bt);
  }
  g.FillIsRect = true;
  g.Call = scRectangle;
  g.CallPoints = {b.TopLeft(), b.BottomRight()};
  Shape(g);
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
  const TRect b = ShapeBox(x1, y1, x2, y2);
  if (b.Right == b.Left || b.Bottom == b.Top) return;  // no outline
  TShapeGeometry g;
  g.Call = scRoundRect;
  g.CallPoints = {b.TopLeft(), b.BottomRight(), TPoint(w, h)};
  Shape(g, [&b, w, h](TShapeGeometry& g) {
    auto pts = RoundRectPoints(b.Left, b.Top, b.Right, b.Bottom, w, h);
    g.Outlines.push_back({pts, true});
    g.FillPolygons.push_back(std::move(pts));
  });
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  const TRect b = ShapeBox(x1, y1, x2, y2);
  if (b.Right == b.Left || b.Bottom == b.Top) return;  // no outline
  TShapeGeometry g;
  g.Call = scEllipse;
  g.CallPoints = {b.TopLeft(), b.BottomRight()};
  Shape(g, [&b](TShapeGeometry& g) {
    auto pts = EllipsePoints(b.Left, b.Top, b.Right, b.Bottom);
    g.Outlines.push_back({pts, true});
    g.FillPolygons.push_back(std::move(pts));
  });
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  const TRect b = ShapeBox(x1, y1, x2, y2);
  if (b.Right == b.Left || b.Bottom == b.Top) return;  // no outline
  TShapeGeometry g;
  g.Call = scArc;
  g.CallPoints = {b.TopLeft(), b.BottomRight(), TPoint(x3, y3), TPoint(x4, y4)};
  const bool clockwise = ArcDirection == AD_CLOCKWISE;
  Shape(g, [&](TShapeGeometry& g) {
    g.Outlines.push_back({ArcPoints(b.Left, b.Top, b.Right, b.Bottom, x3, y3, x4, y4, clockwise), false});
  });
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  const TRect b = ShapeBox(x1, y1, x2, y2);
  if (b.Right == b.Left || b.Bottom == b.Top) return;  // no outline
  TShapeGeometry g;
  g.Call = scChord;
  g.CallPoints = {b.TopLeft(), b.BottomRight(), TPoint(x3, y3), TPoint(x4, y4)};
  const bool clockwise = ArcDirection == AD_CLOCKWISE;
  Shape(g, [&](TShapeGeometry& g) {
    auto pts = ArcPoints(b.Left, b.Top, b.Right, b.Bottom, x3, y3, x4, y4, clockwise);
    if (pts.size() > 1 && pts.back() == pts.front()) pts.pop_back();
    g.Outlines.push_back({pts, true});
    g.FillPolygons.push_back(std::move(pts));
  });
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  const TRect b = ShapeBox(x1, y1, x2, y2);
  if (b.Right == b.Left || b.Bottom == b.Top) return;  // no outline
  TShapeGeometry g;
  g.Call = scPie;
  g.CallPoints = {b.TopLeft(), b.BottomRight(), TPoint(x3, y3), TPoint(x4, y4)};
  const bool clockwise = ArcDirection == AD_CLOCKWISE;
  Shape(g, [&](TShapeGeometry& g) {
    auto pts = ArcPoints(b.Left, b.Top, b.Right, b.Bottom, x3, y3, x4, y4, clockwise);
    PushUnique(pts, TPoint(RoundHalfUp((double(b.Left) + b.Right - 1) / 2.0),
                           RoundHalfUp((double(b.Top) + b.Bottom - 1) / 2.0)));
    g.Outlines.push_back({pts, true});
    g.FillPolygons.push_back(std::move(pts));
  });
}

void TCanvas::FillRect(const TRect& rect) {
  Access(true);
  const TDrawn drawn{*this};
  Impl->FillRect(*this, Normalized(rect.Left, rect.Top, rect.Right, rect.Bottom));
}

void TCanvas::FrameRect(const TRect& rect) {
  const TRect r = Normalized(rect.Left, rect.Top, rect.Right, rect.Bottom);
  if (r.IsEmpty()) return;
  const TBrushStyle style = Brush.Style;
  Brush.Style = bsSolid;
  FillRect(TRect(r.Left, r.Top, r.Right, r.Top + 1));
  if (r.Height() > 1) FillRect(TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
  FillRect(TRect(r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1));
  if (r.Width() > 1) FillRect(TRect(r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1));
  Brush.Style = style;
}

void TCanvas::InvertRect(const TRect& rect) {
  Access(true);
  const TDrawn drawn{*this};
  Impl->InvertRect(*this, Normalized(rect.Left, rect.Top, rect.Right, rect.Bottom));
}

void TCanvas::DrawFocusRect(const TRect& rect) {
  const TRect r = Normalized(rect.Left, rect.Top, rect.Right, rect.Bottom);
  if (r.IsEmpty()) return;
  Access(true);
  const TDrawn drawn{*this};
  const TPen saved = Pen;
  Pen = TPen{clWhite, 1, psSolid, pmXor};
  // Every other pixel of the frame, in a checkerboard anchored at the device origin.
  TShapeGeometry g;
  for (int x = r.Left; x < r.Right; ++x)
    for (int y : {r.Top, r.Bottom - 1})
      if (((x + y) & 1) == 0) g.Outlines.push_back({{TPoint(x, y)}, true});
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
    for (int x : {r.Left, r.Right - 1})
      if (((x + y) & 1) == 0) g.Outlines.push_back({{TPoint(x, y)}, true});
  const TBrush brush = Brush;
  Brush.Style = bsClear;
  Impl->DrawShape(*this, g);
  Brush = brush;
  Pen = saved;
}

TColor TCanvas::Pixel(int x, int y) const {
  Access(false);
  return Impl->GetPixel(x, y);
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  Access(true);
  const TDrawn drawn{*this};
  Impl->SetPixel(*this, x, y, color);
}

bool TCanvas::FloodFill(int x, int y, TColor color, TFillStyle style) {
  Access(true);
  const TDrawn drawn{*this};
  return Impl->FloodFill(*this, x, y, color, style);
}

// ---- Text ---------------------------------------------------------------------------------------

void TCanvas::Text(int x, int y, const QString& text, const TRect* clip, bool opaqueClip) {
  const bool updateCp = TextAlign & TA_UPDATECP;
  if (updateCp) x = PenPos.X, y = PenPos.Y;
  const QFont& font = QtFont();
  const QFontMetrics& fm = FontMetrics();
  const int width = TextWidth(text);
  if (PathOpen) {
    int ox = 0;
    if ((TextAlign & TA_CENTER) == TA_CENTER) ox = -width / 2;
    else if (TextAlign & TA_RIGHT) ox = -width;
    int baseline = fm.ascent();
    if ((TextAlign & TA_BASELINE) == TA_BASELINE) baseline = 0;
    else if (TextAlign & TA_BOTTOM) baseline = -fm.descent();
    QPainterPath glyphs;
    glyphs.addText(QPointF(ox, baseline), font, text);
    QTransform t;
    t.translate(x, y);
    t.rotate(-Font.Escapement / 10.0);
    CurrentPath.addPath(t.map(glyphs));
  } else {
    Access(true);
    const TDrawn drawn{*this};
    Impl->DrawText(*this, x, y, text, clip, opaqueClip);
  }
  // The pen position moves on by the text's width: along the base line when the platform keeps
  // the current position (TA_UPDATECP), else to the right as the class library's TextOut does.
  if (updateCp) {
    const double a = Font.Escapement / 10.0 * std::numbers::pi / 180.0;
    PenPos = TPoint(x + RoundHalfUp(width * std::cos(a)), y - RoundHalfUp(width * std::sin(a)));
  } else {
    PenPos = TPoint(x + width, y);
  }
}

void TCanvas::TextOut(int x, int y, const QString& text) { Text(x, y, text, nullptr, false); }

void TCanvas::TextOutBytes(int x, int y, std::string_view bytes) { TextOut(x, y, BytesToFontText(Font, bytes)); }

void TCanvas::TextRect(const TRect& rect, int x, int y, const QString& text) {
  const TRect r = Normalized(rect.Left, rect.Top, rect.Right, rect.Bottom);
  Text(x, y, text, &r, BackgroundOpaque());
}

const QFont& TCanvas::QtFont() const {
  if (!CachedMetrics || !(CachedFont == Font)) {
    CachedFont = Font;
    CachedQFont = Font.ToQFont();
    CachedMetrics.emplace(CachedQFont);
  }
  return CachedQFont;
}

const QFontMetrics& TCanvas::FontMetrics() const {
  QtFont();
  return *CachedMetrics;
}

int TCanvas::DrawText(const QString& text, TRect& rect, unsigned format) {
  const QFontMetrics& fm = FontMetrics();
  QString plain;
  if (format & DT_NOPREFIX) {
    plain = text;
  } else {
    for (qsizetype i = 0; i < text.size(); ++i) {
      if (text[i] == u'&' && i + 1 < text.size()) ++i;
      else if (text[i] == u'&') continue;
      plain.append(text[i]);
    }
  }
  if (format & DT_EXPANDTABS) plain.replace(u'\t', QStringLiteral("        "));
  // Lines: at line ends unless single line, then at blanks when words are broken.
  QStringList lines;
  if (format & DT_SINGLELINE) {
    plain.replace(u'\r', u' ').replace(u'\n', u' ');
    lines.append(plain);
  } else {
    const QStringList paragraphs = QString(plain).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
    for (const QString& para : paragraphs) {
      if (!(format & DT_WORDBREAK)) {
        lines.append(para);
        continue;
      }
      QString line;
      for (const QString& word : para.split(u' ')) {
        const QString next = line.isEmpty() ? word : line + u' ' + word;
        if (!line.isEmpty() && fm.horizontalAdvance(next) > rect.Width()) {
          lines.append(line);
          line = word;
        } else {
          line = next;
        }
      }
      lines.append(line);
    }
  }
  const int lineHeight = fm.ascent() + fm.descent();
  const int height = lineHeight * int(lines.size());
  int widest = 0;
  for (const QString& l : lines) widest = std::max(widest, fm.horizontalAdvance(l));
  if (format & DT_CALCRECT) {
    rect.Right = rect.Left + widest;
    rect.Bottom = rect.Top + height;
    return height;
  }
  int y = rect.Top;
  if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) y = rect.Top + (rect.Height() - height) / 2;
  else if ((format & DT_SINGLELINE) && (format & DT_BOTTOM)) y = rect.Bottom - height;
  const int savedAlign = std::exchange(TextAlign, TA_LEFT | TA_TOP);
  const TPoint savedPos = PenPos;
  const TRect clip = rect;
  for (QString line : lines) {
    if ((format & DT_END_ELLIPSIS) && fm.horizontalAdvance(line) > rect.Width())
      line = fm.elidedText(line, Qt::ElideRight, rect.Width());
    const int w = fm.horizontalAdvance(line);
    int x = rect.Left;
    if (format & DT_CENTER) x = rect.Left + (rect.Width() - w) / 2;
    else if (format & DT_RIGHT) x = rect.Right - w;
    Text(x, y, line, (format & DT_NOCLIP) ? nullptr : &clip, false);
    y += lineHeight;
  }
  TextAlign = savedAlign;
  PenPos = savedPos;
  return height;
}

int TCanvas::TextWidth(const QString& text) const {
  const QFontMetrics& fm = FontMetrics();
  size_t i = 0;
  while (i < CachedWidths.size() && !(CachedWidths[i].first == Font)) ++i;
  if (i == CachedWidths.size()) {
    if (CachedWidths.size() >= 4) CachedWidths.erase(CachedWidths.begin());
    CachedWidths.emplace_back(Font, std::unordered_map<QString, int>());
    i = CachedWidths.size() - 1;
  }
  auto& widths = CachedWidths[i].second;
  const auto it = widths.find(text);
  if (it != widths.end()) return it->second;
  const int width = fm.horizontalAdvance(text);
  if (widths.size() > 4096) widths.clear();
  widths.emplace(text, width);
  return width;
}
int TCanvas::TextHeight(const QString&) const {
  const QFontMetrics& fm = FontMetrics();
  return fm.ascent() + fm.descent();
}
TPoint TCanvas::TextExtent(const QString& text) const { return TPoint(TextWidth(text), TextHeight(text)); }
int TCanvas::TextWidthBytes(std::string_view bytes) const { return TextWidth(BytesToFontText(Font, bytes)); }
TTextMetric TCanvas::TextMetrics() const { return GetTextMetrics(Font); }

void TCanvas::BeginPath() {
  PathOpen = true;
  PathClosed = false;
  CurrentPath = QPainterPath();
  CurrentPath.setFillRule(PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
}
void TCanvas::EndPath() {
  if (!PathOpen) return;
  PathOpen = false;
  PathClosed = true;
}
void TCanvas::AbortPath() {
  PathOpen = PathClosed = false;
  CurrentPath = QPainterPath();
}
void TCanvas::CloseFigure() {
  if (PathOpen && CurrentPath.elementCount() > 0) CurrentPath.closeSubpath();
}
void TCanvas::StrokePath() {
  if (!PathClosed) return;
  Access(true);
  const TDrawn drawn{*this};
  Impl->DrawPath(*this, CurrentPath, true, false);
  AbortPath();
}
void TCanvas::FillPath() {
  if (!PathClosed) return;
  Access(true);
  const TDrawn drawn{*this};
  Impl->DrawPath(*this, CurrentPath, false, true);
  AbortPath();
}
void TCanvas::StrokeAndFillPath() {
  if (!PathClosed) return;
  Access(true);
  const TDrawn drawn{*this};
  Impl->DrawPath(*this, CurrentPath, true, true);
  AbortPath();
}

// ---- Block transfers ----------------------------------------------------------------------------

void TCanvas::StretchBltImage(const TRect& dest, const QImage& source, const TRect& srcRect, TCopyMode rop,
                              TColor transparent) {
  Access(true);
  const TDrawn drawn{*this};
  Impl->StretchBlt(*this, dest, source, srcRect, rop, transparent);
}

void TCanvas::StretchBlt(int x, int y, int w, int h, const TCanvas& source, int sx, int sy, int sw, int sh,
                         TCopyMode rop) {
  source.Access(false);
  const QImage* img = source.Image();
  if (!img) return;
  // A copy keeps overlapping transfers on one surface right.
  const QImage src = source.Image() == Image() ? img->copy() : *img;
  StretchBltImage(TRect(x, y, x + w, y + h), src, TRect(sx, sy, sx + sw, sy + sh), rop);
}

void TCanvas::BitBlt(int x, int y, int w, int h, const TCanvas& source, int sx, int sy, TCopyMode rop) {
  StretchBlt(x, y, w, h, source, sx, sy, w, h, rop);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& srcRect) {
  StretchBlt(dest.Left, dest.Top, dest.Width(), dest.Height(), source, srcRect.Left, srcRect.Top, srcRect.Width(),
             srcRect.Height(), CopyMode);
}

void TCanvas::DrawImage(const TRect& dest, const QImage& image, TColor transparent) {
  if (image.isNull()) return;
  StretchBltImage(dest, image, TRect(0, 0, image.width(), image.height()), CopyMode, transparent);
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.Draw(*this, Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.Draw(*this, rect);
}

void TCanvas::PatBlt(int x, int y, int w, int h, TCopyMode rop) {
  Access(true);
  const TDrawn drawn{*this};
  Impl->StretchBlt(*this, TRect(x, y, x + w, y + h), QImage(), TRect(), rop, clNone);
}

QPainterPath FillPathOf(const TShapeGeometry& g) {
  QPainterPath path;
  path.setFillRule(g.Winding ? Qt::WindingFill : Qt::OddEvenFill);
  for (const auto& poly : g.FillPolygons) {
    if (poly.size() < 3) continue;
    path.moveTo(poly[0].X + 0.5, poly[0].Y + 0.5);
    for (size_t i = 1; i < poly.size(); ++i) path.lineTo(poly[i].X + 0.5, poly[i].Y + 0.5);
    path.closeSubpath();
  }
  return path;
}
