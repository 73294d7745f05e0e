// The raster canvas's fast paths (coverage as spans, our own scanline fill, coverage kept per call)
// against its plain rule (byte masks, fills rasterised by QPainter): the same pixels, call for
// call, on the first drawing and on a drawing again from what was kept.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>
#include <random>
#include <set>

#include "platform/canvas.h"
#include "platform/canvas_spans.h"

namespace {

// The fast paths on for the length of a test, whatever the test sets meanwhile.
struct TFastPathsScope {
  TFastPathsScope() { ForgetKeptCoverage(); }
  ~TFastPathsScope() {
    SetRasterFastPaths(true);
    ForgetKeptCoverage();
  }
};

QImage NoisyImage(int w, int h, uint32_t seed) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      img.setPixel(x, y, 0xFF000000u | (seed >> 8));
    }
  return img;
}

// The pixels QPainter's aliased fill covers (the plain rule's fill) in box, one byte per pixel.
std::vector<uint8_t> PainterFill(const std::vector<std::vector<TPoint>>& polys, bool winding, const TRect& box) {
  QImage img(box.Width(), box.Height(), QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.translate(-box.Left, -box.Top);
    TShapeGeometry g;
    g.FillPolygons = polys;
    g.Winding = winding;
    p.fillPath(FillPathOf(g), Qt::black);
  }
  std::vector<uint8_t> out(size_t(box.Width()) * size_t(box.Height()));
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) out[size_t(y) * size_t(box.Width()) + size_t(x)] = qAlpha(row[x]) >= 128;
  }
  return out;
}

// The same of spans (which must lie in box).
std::vector<uint8_t> MaskOf(const TSpans& spans, const TRect& box) {
  std::vector<uint8_t> out(size_t(box.Width()) * size_t(box.Height()));
  for (const TSpan& s : spans)
    for (int x = s.X0; x < s.X1; ++x) out[size_t(s.Y - box.Top) * size_t(box.Width()) + size_t(x - box.Left)] = 1;
  return out;
}

std::set<std::pair<int, int>> PixelsOf(const TSpans& spans) {
  std::set<std::pair<int, int>> out;
  for (const TSpan& s : spans)
    for (int x = s.X0; x < s.X1; ++x) out.insert({x, s.Y});
  return out;
}

bool WellFormed(const TSpans& spans) {
  for (size_t i = 0; i < spans.size(); ++i) {
    if (spans[i].X1 <= spans[i].X0) return false;
    if (i > 0 && (spans[i].Y < spans[i - 1].Y || (spans[i].Y == spans[i - 1].Y && spans[i].X0 <= spans[i - 1].X1)))
      return false;
  }
  return true;
}

}  // namespace

TEST(CanvasFastPaths, ScanlineFillCoversThePixelsOfThePainterFill) {
  std::mt19937 rng(7);
  using TPolys = std::vector<std::vector<TPoint>>;
  struct TCase {
    const char* Name;
    std::function<TPolys()> Make;
  };
  auto randomPolygon = [&](int vertices, int range) {
    std::vector<TPoint> p;
    for (int i = 0; i < vertices; ++i) p.emplace_back(int(rng() % range) + 40, int(rng() % range) + 30);
    return p;
  };
  const TCase cases[] = {
      {"small triangles", [&] { return TPolys{randomPolygon(3, 6)}; }},
      {"small crossing polygons", [&] { return TPolys{randomPolygon(3 + int(rng() % 8), 10)}; }},
      {"large star polygons", [&] { return TPolys{randomPolygon(5 + int(rng() % 40), 200)}; }},
      {"two overlapping polygons", [&] { return TPolys{randomPolygon(4, 60), randomPolygon(5, 60)}; }},
      {"ellipses", [&] {
         const int x = 40 + int(rng() % 20), y = 30 + int(rng() % 20);
         return TPolys{TCanvas::EllipsePoints(x, y, x + 1 + int(rng() % 200), y + 1 + int(rng() % 150))};
       }},
      {"round rectangles", [&] {
         const int x = 40 + int(rng() % 20), y = 30 + int(rng() % 20);
         return TPolys{TCanvas::RoundRectPoints(x, y, x + 2 + int(rng() % 150), y + 2 + int(rng() % 150),
                                                     int(rng() % 60), int(rng() % 60))};
       }},
      {"pies", [&] {
         auto pts = TCanvas::ArcPoints(40, 30, 40 + 3 + int(rng() % 120), 30 + 3 + int(rng() % 120), int(rng() % 300),
                                       int(rng() % 300), int(rng() % 300), int(rng() % 300), rng() % 2);
         pts.emplace_back(100, 90);
         return TPolys{pts};
       }},
      {"axis-aligned rectangles and slivers", [&] {
         const int x = 40 + int(rng() % 9), y = 30 + int(rng() % 9), w = int(rng() % 5), h = int(rng() % 5);
         return TPolys{std::vector<TPoint>{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}};
       }},
  };
  for (const TCase& c : cases) {
    for (int round = 0; round < 120; ++round) {
      const auto polys = c.Make();
      int r = 0, b = 0;
      for (const auto& p : polys)
        for (const TPoint& q : p) r = std::max(r, q.X), b = std::max(b, q.Y);
      TRect box(35, 25, r + 4, b + 4);
      if (round % 2) {
        // A box that cuts the shape (the call clipped): the runs inside it are the painter's.
        const int w = box.Width(), h = box.Height();
        box = TRect(box.Left + int(rng() % w), box.Top + int(rng() % h), 0, 0);
        box.Right = box.Left + 1 + int(rng() % w), box.Bottom = box.Top + 1 + int(rng() % h);
      }
      for (const bool winding : {false, true}) {
        TSpans spans;
        ASSERT_TRUE(ScanlineFill(polys, winding, box, spans)) << c.Name;
        ASSERT_TRUE(WellFormed(spans)) << c.Name;
        ASSERT_TRUE(MaskOf(spans, box) == PainterFill(polys, winding, box))
            << c.Name << " round " << round << (winding ? " winding" : " odd-even");
      }
    }
  }
  // Vertices far outside the box are left to the painter.
  TSpans spans;
  EXPECT_FALSE(ScanlineFill({{{0, 0}, {50000, 0}, {0, 50}}}, false, TRect(10, 10, 60, 60), spans));
}

TEST(CanvasFastPaths, SpanSubtractionAndPixelListsGiveTheSetsOfTheMasks) {
  std::mt19937 rng(3);
  for (int round = 0; round < 500; ++round) {
    const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 6), left = int(rng() % 50) - 25, top = int(rng() % 50) - 25;
    auto randomKeys = [&] {
      std::vector<uint64_t> keys;
      const int n = int(rng() % (w * h * 2 + 1));
      for (int i = 0; i < n; ++i) keys.push_back(uint64_t(rng() % h) << 32 | (rng() % w));
      return keys;
    };
    auto setOf = [&](const std::vector<uint64_t>& keys) {
      std::set<std::pair<int, int>> s;
      for (uint64_t k : keys) s.insert({int(uint32_t(k)) + left, int(k >> 32) + top});
      return s;
    };
    std::vector<uint64_t> ka = randomKeys(), kb = randomKeys();
    const auto sa = setOf(ka), sb = setOf(kb);
    TSpans a, b, diff;
    SpansFromPixelKeys(ka, left, top, a);
    SpansFromPixelKeys(kb, left, top, b);
    ASSERT_TRUE(WellFormed(a));
    ASSERT_EQ(PixelsOf(a), sa);
    SubtractSpans(a, b, diff);
    ASSERT_TRUE(WellFormed(diff));
    std::set<std::pair<int, int>> expected;
    for (const auto& p : sa)
      if (!sb.count(p)) expected.insert(p);
    ASSERT_EQ(PixelsOf(diff), expected) << "round " << round;
  }
}

namespace {

// One random drawing call with a random pen, brush, mix mode, background and clip.
void RandomCall(TCanvas& c, std::mt19937& rng, int w, int h) {
  auto X = [&] { return int(rng() % (w + 40)) - 20; };
  auto Y = [&] { return int(rng() % (h + 40)) - 20; };
  static const TPenMode modes[] = {pmCopy, pmXor, pmNotXor, pmNot, pmMerge, pmMask, pmNotCopy, pmMergePenNot};
  static const TPenStyle styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame};
  static const TBrushStyle brushes[] = {bsSolid, bsClear, bsHorizontal, bsCross, bsDiagCross, bsFDiagonal};
  c.Pen.Color = TColor(rng() & 0xFFFFFF);
  c.Pen.Width = int(rng() % 4);
  c.Pen.Style = styles[rng() % 7];
  c.Pen.Mode = modes[rng() % 8];
  c.Brush.Color = TColor(rng() & 0xFFFFFF);
  c.Brush.Style = brushes[rng() % 6];
  c.BkMode = int(rng() % 3);
  c.BkColor = TColor(rng() & 0xFFFFFF);
  c.PolyFillMode = rng() % 2 ? WINDING : ALTERNATE;
  c.ArcDirection = rng() % 2 ? AD_CLOCKWISE : AD_COUNTERCLOCKWISE;
  if (rng() % 4 == 0) c.SetClipRect(TRect(X(), Y(), X(), Y()));
  else c.ClearClipRect();
  std::vector<TPoint> pts;
  for (int i = 0, n = 2 + int(rng() % 7); i < n; ++i) pts.emplace_back(X(), Y());
  switch (rng() % 11) {
    case 0: c.MoveTo(pts[0].X, pts[0].Y), c.LineTo(pts[1].X, pts[1].Y); break;
    case 1: c.Polyline(pts); break;
    case 2: c.Polygon(pts); break;
    case 3: {
      std::vector<TPoint> b(pts.begin(), pts.begin() + 1);
      for (int i = 0; i < 3 * (1 + int(rng() % 2)); ++i) b.emplace_back(X(), Y());
      c.PolyBezier(b);
      break;
    }
    case 4: {
      const int counts[] = {int(pts.size()) / 2, int(pts.size()) - int(pts.size()) / 2};
      c.PolyPolyline(pts.data(), counts, 2);
      break;
    }
    case 5: c.Rectangle(X(), Y(), X(), Y()); break;
    case 6: c.RoundRect(X(), Y(), X(), Y(), int(rng() % 30), int(rng() % 30)); break;
    case 7: c.Ellipse(X(), Y(), X(), Y()); break;
    case 8: c.Arc(X(), Y(), X(), Y(), X(), Y(), X(), Y()); break;
    case 9: c.Chord(X(), Y(), X(), Y(), X(), Y(), X(), Y()); break;
    default: c.Pie(X(), Y(), X(), Y(), X(), Y(), X(), Y()); break;
  }
}

// The image after the seeded calls, drawn through the fast paths or the plain rule.
QImage DrawCalls(uint32_t seed, int calls, bool fast) {
  SetRasterFastPaths(fast);
  QImage img = NoisyImage(90, 70, seed);
  TCanvas c(&img);
  std::mt19937 rng(seed);
  for (int i = 0; i < calls; ++i) RandomCall(c, rng, img.width(), img.height());
  SetRasterFastPaths(true);
  return img;
}

}  // namespace

TEST(CanvasFastPaths, EveryShapeCallDrawsThePixelsOfThePlainRuleFirstAndFromWhatWasKept) {
  TFastPathsScope scope;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    const QImage plain = DrawCalls(seed, 12, false);
    ForgetKeptCoverage();
    const QImage first = DrawCalls(seed, 12, true);
    const QImage again = DrawCalls(seed, 12, true);  // every call found kept
    ASSERT_TRUE(first == plain) << "seed " << seed;
    ASSERT_TRUE(again == plain) << "seed " << seed;
  }
}

TEST(CanvasFastPaths, KeptCoverageFollowsTheCallStateAndXorDrawingsTwiceRestore) {
  TFastPathsScope scope;
  // The same arguments under another pen, brush, fill rule, arc direction or clip are other calls.
  auto draw = [](bool fast, const std::function<void(TCanvas&)>& state) {
    SetRasterFastPaths(fast);
    QImage img = NoisyImage(80, 80, 99);
    TCanvas c(&img);
    const std::vector<TPoint> star{{10, 10}, {70, 40}, {10, 70}, {60, 5}, {40, 75}};
    for (int k = 0; k < 2; ++k) {
      state(c);
      c.Polygon(star);
      c.Pie(5, 5, 75, 75, 70, 10, 10, 70);
      c.Ellipse(20, 15, 61, 50);
      c.RoundRect(3, 40, 77, 77, 20, 12);
    }
    SetRasterFastPaths(true);
    return img;
  };
  const std::function<void(TCanvas&)> states[] = {
      [](TCanvas& c) { c.PolyFillMode = WINDING; },
      [](TCanvas& c) { c.ArcDirection = AD_CLOCKWISE; },
      [](TCanvas& c) { c.Pen.Style = psDot; },
      [](TCanvas& c) { c.Pen.Width = 3; },
      [](TCanvas& c) { c.Pen.Style = psClear; },
      [](TCanvas& c) { c.Brush.Style = bsClear; },
      [](TCanvas& c) { c.SetClipRect(TRect(12, 9, 50, 61)); },
      [](TCanvas& c) { c.Brush.Style = bsDiagCross, c.BkMode = OPAQUE, c.BkColor = clRed; },
  };
  for (size_t i = 0; i < std::size(states); ++i) {
    const QImage plain = draw(false, states[i]);
    // Kept coverage of the other states is at hand when this state draws.
    for (size_t j = 0; j < std::size(states); ++j) draw(true, states[j]);
    EXPECT_TRUE(draw(true, states[i]) == plain) << "state " << i;
  }
  // Xor and not-xor drawings twice, from kept coverage, leave the image as it was.
  for (const TPenMode mode : {pmXor, pmNotXor}) {
    QImage img = NoisyImage(80, 80, 5);
    const QImage before = img;
    TCanvas c(&img);
    c.Pen.Mode = mode;
    c.Pen.Style = psDashDot;
    c.Brush.Style = bsCross;
    for (int k = 0; k < 4; ++k) {
      c.Ellipse(10, 10, 70, 60);
      c.Polygon({{5, 5}, {75, 30}, {5, 75}, {60, 2}});
      c.PolyBezier({{2, 70}, {30, -20}, {50, 100}, {78, 10}});
    }
    EXPECT_TRUE(img == before) << mode;
  }
}

TEST(CanvasFastPaths, TextsDrawThePixelsOfThePainterFirstAndFromWhatWasKept) {
  TFastPathsScope scope;
  struct TTextCase {
    const char* Name;
    std::function<void(TCanvas&)> Draw;
  };
  const TTextCase cases[] = {
      {"plain", [](TCanvas& c) { c.TextOut(5, 5, "0.123\""); }},
      {"opaque background", [](TCanvas& c) { c.Brush.Style = bsSolid, c.Brush.Color = clYellow, c.TextOut(3, 20, "Wg|"); }},
      {"rotated a quarter", [](TCanvas& c) { c.Font.Escapement = 900, c.TextOut(40, 70, "0.456\""); }},
      {"rotated opaque", [](TCanvas& c) { c.Font.Escapement = 300, c.SetBkMode(OPAQUE), c.TextOut(10, 60, "Slanted"); }},
      {"centred at the base line", [](TCanvas& c) { c.SetTextAlign(TA_CENTER | TA_BASELINE), c.TextOut(45, 40, "Mid"); }},
      {"right, bottom, bold italic", [](TCanvas& c) {
         c.Font.Style = fsBold | fsItalic, c.Font.SetSize(14), c.SetTextAlign(TA_RIGHT | TA_BOTTOM);
         c.TextOut(88, 68, "fjord");
       }},
      {"clipped by the canvas", [](TCanvas& c) { c.SetClipRect(TRect(12, 8, 40, 30)), c.TextOut(2, 6, "Clipped text"); }},
      {"text rectangle, opaque", [](TCanvas& c) { c.SetBkMode(OPAQUE), c.TextRect(TRect(10, 10, 50, 30), 4, 12, "Boxed in"); }},
      {"formatted into a rectangle", [](TCanvas& c) {
         TRect r(5, 5, 80, 65);
         c.DrawText("A line that breaks\r\nand &more", r, DT_WORDBREAK | DT_CENTER);
       }},
      {"past the edge of the image", [](TCanvas& c) { c.Font.SetSize(20), c.TextOut(70, 55, "Edge"); }},
  };
  for (const TTextCase& tc : cases) {
    for (const bool alpha : {false, true}) {
      auto draw = [&](bool fast) {
        SetRasterFastPaths(fast);
        QImage img = NoisyImage(90, 70, 21);
        if (alpha) {
          img = img.convertToFormat(QImage::Format_ARGB32);
          for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, (img.pixel(x, y) & 0xFFFFFF) | uint32_t((x * 37 + y) & 0xFF) << 24);
        }
        TCanvas c(&img);
        c.Font.Color = clNavy;
        c.Brush.Style = bsClear;
        tc.Draw(c);
        SetRasterFastPaths(true);
        return img;
      };
      ForgetKeptCoverage();
      const QImage plain = draw(false);
      EXPECT_TRUE(draw(true) == plain) << tc.Name << (alpha ? " on alpha" : "");
      EXPECT_TRUE(draw(true) == plain) << tc.Name << (alpha ? " on alpha" : "") << " drawn again";
    }
  }
}
