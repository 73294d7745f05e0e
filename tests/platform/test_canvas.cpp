#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <functional>
#include <set>

#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/canvas_rows.h"

namespace {

// A background where every pixel differs from its neighbours, so that a misplaced or doubled
// pixel shows.
QImage NoisyImage(int w = 64, int h = 64) {
  QImage img(w, h, QImage::Format_RGB32);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      img.setPixel(x, y, 0xFF000000u | (seed >> 8));
    }
  return img;
}

QImage WhiteImage(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(qRgb(255, 255, 255));
  return img;
}

bool IsBlack(const QImage& img, int x, int y) { return (img.pixel(x, y) & 0xFFFFFF) == 0; }

struct TShapeCase {
  const char* Name;
  std::function<void(TCanvas&)> Draw;
};

}  // namespace

TEST(Canvas, XorAndNotXorDrawingsTwiceLeaveTheImageUnchanged) {
  const std::vector<TShapeCase> shapes = {
      {"line", [](TCanvas& c) { c.MoveTo(3, 5); c.LineTo(57, 41); }},
      {"steep line", [](TCanvas& c) { c.MoveTo(40, 60); c.LineTo(33, 2); }},
      {"rectangle", [](TCanvas& c) { c.Rectangle(4, 6, 50, 40); }},
      {"ellipse", [](TCanvas& c) { c.Ellipse(3, 3, 60, 45); }},
      {"arc", [](TCanvas& c) { c.Arc(5, 5, 55, 55, 60, 30, 30, 0); }},
      {"pie", [](TCanvas& c) { c.Pie(5, 5, 55, 55, 0, 0, 60, 60); }},
      {"chord", [](TCanvas& c) { c.Chord(5, 5, 55, 55, 0, 30, 60, 10); }},
      {"round rect", [](TCanvas& c) { c.RoundRect(2, 2, 60, 50, 14, 10); }},
      {"polyline", [](TCanvas& c) { c.Polyline({{1, 1}, {60, 10}, {10, 60}, {50, 50}, {1, 1}}); }},
      {"crossing polygon", [](TCanvas& c) { c.Polygon({{5, 5}, {58, 50}, {58, 5}, {5, 50}}); }},
      {"bezier", [](TCanvas& c) { c.PolyBezier({{2, 60}, {10, -20}, {50, 90}, {61, 3}, {40, 40}, {20, 10}, {5, 30}}); }},
  };
  struct TStyle {
    int Width;
    TPenStyle Style;
    TBrushStyle Brush;
    int BkMode;
  };
  const TStyle styles[] = {{1, psSolid, bsSolid, 0},    {1, psDot, bsClear, OPAQUE}, {1, psDashDot, bsDiagCross, OPAQUE},
                           {4, psSolid, bsFDiagonal, 0}, {3, psInsideFrame, bsSolid, 0}};
  for (TPenMode mode : {pmXor, pmNotXor}) {
    for (const auto& style : styles) {
      for (const auto& shape : shapes) {
        QImage img = NoisyImage();
        const QImage before = img;
        TCanvas c(&img);
        c.Pen = TPen{RGBColor(200, 30, 90), style.Width, style.Style, mode};
        c.Brush = TBrush{RGBColor(10, 220, 40), style.Brush};
        c.BkMode = style.BkMode;
        c.BkColor = RGBColor(1, 2, 3);
        shape.Draw(c);
        EXPECT_NE(img, before) << shape.Name << " drew nothing";
        shape.Draw(c);
        EXPECT_EQ(img, before) << shape.Name << " mode " << mode << " width " << style.Width << " style " << style.Style;
      }
    }
  }
}

TEST(Canvas, LineToLeavesOutItsLastPixelAndPolylinesJoinOnce) {
  QImage img = WhiteImage(20, 20);
  TCanvas c(&img);
  c.MoveTo(2, 2);
  c.LineTo(10, 2);
  for (int x = 2; x < 10; ++x) EXPECT_TRUE(IsBlack(img, x, 2)) << x;
  EXPECT_FALSE(IsBlack(img, 10, 2));
  EXPECT_EQ(c.PenPos, TPoint(10, 2));
  c.MoveTo(3, 5);
  c.LineTo(8, 10);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(IsBlack(img, 3 + i, 5 + i));
  EXPECT_FALSE(IsBlack(img, 8, 10));

  // A xor polyline turning back on itself does not wipe out its own corner pixels.
  QImage white = WhiteImage(20, 20);
  TCanvas x(&white);
  x.Pen = TPen{clWhite, 1, psSolid, pmXor};
  x.Polyline({{2, 2}, {12, 2}, {12, 12}});
  EXPECT_TRUE(IsBlack(white, 12, 2));
  EXPECT_TRUE(IsBlack(white, 12, 11));
  EXPECT_FALSE(IsBlack(white, 12, 12));
}

TEST(Canvas, EveryPenModeCombinesPenAndPixelAsSpecified) {
  const uint32_t p = 0x3C5AA5, d = 0x96F00F;  // 0xRRGGBB
  const std::vector<std::pair<TPenMode, uint32_t>> cases = {
      {pmBlack, 0},           {pmWhite, 0xFFFFFF},    {pmNop, d},           {pmNot, ~d},
      {pmCopy, p},            {pmNotCopy, ~p},        {pmMergePenNot, p | ~d}, {pmMaskPenNot, p & ~d},
      {pmMergeNotPen, ~p | d}, {pmMaskNotPen, ~p & d}, {pmMerge, p | d},      {pmNotMerge, ~(p | d)},
      {pmMask, p & d},        {pmNotMask, ~(p & d)},  {pmXor, p ^ d},       {pmNotXor, ~(p ^ d)}};
  for (const auto& [mode, want] : cases) {
    QImage img(4, 1, QImage::Format_RGB32);
    img.fill(QColor(QRgb(d)));
    TCanvas c(&img);
    c.Pen = TPen{RGBColor(p >> 16, (p >> 8) & 0xFF, p & 0xFF), 1, psSolid, mode};
    c.MoveTo(1, 0);
    c.LineTo(2, 0);
    EXPECT_EQ(img.pixel(1, 0) & 0xFFFFFF, want & 0xFFFFFF) << "mode " << mode;
    EXPECT_EQ(img.pixel(2, 0) & 0xFFFFFF, d) << "mode " << mode;
    EXPECT_EQ(PenModeFromRop2(Rop2FromPenMode(mode)), mode);
  }
  EXPECT_EQ(PenModeFromRop2(R2_MASKPEN), pmMask);
  QImage img(1, 1, QImage::Format_RGB32);
  TCanvas c(&img);
  EXPECT_EQ(c.SetROP2(R2_MASKPEN), R2_COPYPEN);
  EXPECT_EQ(c.Pen.Mode, pmMask);
  EXPECT_EQ(PenModeFromRop2(R2_NOTXORPEN), pmNotXor);
}

TEST(Canvas, ArcDirectionChoosesWhichPartOfTheEllipseIsDrawn) {
  // From the ray to the right to the ray upwards: a quarter counter-clockwise, three quarters
  // clockwise.
  auto draw = [](int dir) {
    QImage img = WhiteImage(41, 41);
    TCanvas c(&img);
    c.SetArcDirection(dir);
    c.Arc(0, 0, 41, 41, 40, 20, 20, 0);
    return img;
  };
  const QImage ccw = draw(AD_COUNTERCLOCKWISE), cw = draw(AD_CLOCKWISE);
  auto blackNear = [](const QImage& img, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (IsBlack(img, x + dx, y + dy)) return true;
    return false;
  };
  // 45 degrees up-right lies on the counter-clockwise quarter; down-left on the clockwise part.
  EXPECT_TRUE(blackNear(ccw, 34, 6));
  EXPECT_FALSE(blackNear(ccw, 6, 34));
  EXPECT_FALSE(blackNear(cw, 34, 6));
  EXPECT_TRUE(blackNear(cw, 6, 34));
  EXPECT_TRUE(blackNear(cw, 6, 6));
}

TEST(Canvas, HatchedBrushesFollowTheEightByEightPatternsFromTheDeviceOrigin) {
  struct TCase {
    TBrushStyle Style;
    std::vector<TPoint> Black, White;
  };
  const TCase cases[] = {
      {bsHorizontal, {{0, 7}, {5, 15}}, {{0, 6}, {3, 8}}},
      {bsVertical, {{4, 0}, {12, 9}}, {{3, 0}, {5, 5}}},
      {bsFDiagonal, {{0, 0}, {1, 1}, {9, 1}}, {{1, 0}, {7, 0}}},
      {bsBDiagonal, {{7, 0}, {6, 1}, {15, 8}}, {{0, 0}, {1, 1}}},
      {bsCross, {{4, 0}, {0, 7}, {12, 15}}, {{0, 0}, {5, 6}}},
      {bsDiagCross, {{0, 0}, {7, 0}, {3, 3}, {4, 4}, {3, 4}}, {{1, 0}, {4, 0}}},
  };
  for (const auto& k : cases) {
    QImage img = WhiteImage(16, 16);
    TCanvas c(&img);
    c.Brush = TBrush{clBlack, k.Style};
    c.FillRect(TRect(0, 0, 16, 16));
    for (auto p : k.Black) EXPECT_TRUE(IsBlack(img, p.X, p.Y)) << k.Style << " at " << p.X << "," << p.Y;
    for (auto p : k.White) EXPECT_FALSE(IsBlack(img, p.X, p.Y)) << k.Style << " at " << p.X << "," << p.Y;
    // Opaque background: the gaps take the background colour.
    c.BkMode = OPAQUE;
    c.BkColor = clRed;
    c.FillRect(TRect(0, 0, 16, 16));
    for (auto p : k.White) EXPECT_EQ(img.pixel(p.X, p.Y) & 0xFFFFFF, 0xFF0000u) << k.Style;
  }
}

TEST(Canvas, FloodFillSurfaceAndBorder) {
  QImage img = WhiteImage(30, 30);
  TCanvas c(&img);
  c.Brush.Style = bsClear;
  c.Rectangle(5, 5, 20, 20);  // black frame 5..19
  c.Brush = TBrush{clRed, bsSolid};
  ASSERT_TRUE(c.FloodFill(10, 10, clWhite, fsSurface));
  EXPECT_EQ(c.Pixel(10, 10), clRed);
  EXPECT_EQ(c.Pixel(6, 18), clRed);
  EXPECT_EQ(c.Pixel(5, 10), clBlack);
  EXPECT_EQ(c.Pixel(2, 2), clWhite);
  EXPECT_FALSE(c.FloodFill(10, 10, clWhite, fsSurface));  // not the colour there

  c.Brush.Color = clBlue;
  ASSERT_TRUE(c.FloodFill(1, 1, clBlack, fsBorder));  // everything outside the frame
  EXPECT_EQ(c.Pixel(0, 0), clBlue);
  EXPECT_EQ(c.Pixel(29, 29), clBlue);
  EXPECT_EQ(c.Pixel(10, 10), clRed);
  EXPECT_EQ(c.Pixel(5, 5), clBlack);
}

TEST(Canvas, BlockTransfersApplyTheirCopyModes) {
  const TColor s = RGBColor(0xA5, 0x0F, 0x3C), d = RGBColor(0x5A, 0xF0, 0x33), p = RGBColor(0x11, 0x22, 0x44);
  auto rgb = [](TColor c) { return uint32_t(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c); };
  const uint32_t S = rgb(s), D = rgb(d), P = rgb(p);
  const std::vector<std::pair<TCopyMode, uint32_t>> cases = {
      {cmSrcCopy, S},          {cmSrcAnd, S & D},       {cmSrcPaint, S | D},  {cmSrcInvert, S ^ D},
      {cmNotSrcCopy, ~S},      {cmDstInvert, ~D},       {cmBlackness, 0},     {cmWhiteness, 0xFFFFFF},
      {cmPatCopy, P},          {cmMergeCopy, P & S},    {cmMergePaint, ~S | D}, {cmSrcErase, S & ~D},
      {cmNotSrcErase, ~(S | D)}, {cmPatInvert, P ^ D}};
  QImage src = WhiteImage(4, 4);
  TCanvas sc(&src);
  sc.Brush.Color = s;
  sc.FillRect(TRect(0, 0, 4, 4));
  for (const auto& [rop, want] : cases) {
    QImage dst = WhiteImage(4, 4);
    TCanvas dc(&dst);
    dc.Brush.Color = d;
    dc.FillRect(TRect(0, 0, 4, 4));
    dc.Brush.Color = p;
    dc.BitBlt(1, 1, 2, 2, sc, 0, 0, rop);
    EXPECT_EQ(dst.pixel(1, 1) & 0xFFFFFF, want & 0xFFFFFF) << std::hex << rop;
    EXPECT_EQ(dst.pixel(0, 0) & 0xFFFFFF, D) << std::hex << rop;
    EXPECT_EQ(dst.pixel(3, 3) & 0xFFFFFF, D) << std::hex << rop;
  }
}

TEST(Canvas, StretchAndMirrorAndTransparentBitmaps) {
  QImage src(2, 1, QImage::Format_RGB32);
  src.setPixel(0, 0, qRgb(255, 0, 0));
  src.setPixel(1, 0, qRgb(0, 0, 255));
  QImage dst = WhiteImage(8, 2);
  TCanvas c(&dst);
  c.StretchBltImage(TRect(0, 0, 8, 2), src, TRect(0, 0, 2, 1), cmSrcCopy);
  EXPECT_EQ(c.Pixel(3, 1), clRed);
  EXPECT_EQ(c.Pixel(4, 0), clBlue);
  c.StretchBltImage(TRect(8, 0, 0, 1), src, TRect(0, 0, 2, 1), cmSrcCopy);  // mirrored
  EXPECT_EQ(c.Pixel(0, 0), clBlue);
  EXPECT_EQ(c.Pixel(7, 0), clRed);

  TBitmap bmp(2, 2);
  bmp.Canvas().Brush.Color = clLime;
  bmp.Canvas().FillRect(TRect(0, 0, 2, 2));
  bmp.Canvas().SetPixel(1, 1, clFuchsia);
  bmp.Transparent = true;
  bmp.TransparentColor = clLime;
  QImage page = WhiteImage(4, 4);
  TCanvas pc(&page);
  pc.Draw(1, 1, bmp);
  EXPECT_EQ(pc.Pixel(1, 1), clWhite);
  EXPECT_EQ(pc.Pixel(2, 2), clFuchsia);
  bmp.Transparent = false;
  pc.StretchDraw(TRect(0, 0, 4, 4), bmp);
  EXPECT_EQ(pc.Pixel(0, 0), clLime);
  EXPECT_EQ(pc.Pixel(3, 3), clFuchsia);
}

TEST(Canvas, ClipRectangleLimitsEveryDrawing) {
  QImage img = WhiteImage(20, 20);
  TCanvas c(&img);
  c.SetClipRect(TRect(5, 5, 10, 10));
  EXPECT_EQ(c.ClipRect(), TRect(5, 5, 10, 10));
  c.Brush.Color = clBlack;
  c.FillRect(TRect(0, 0, 20, 20));
  c.Pen.Color = clRed;
  c.MoveTo(0, 12);
  c.LineTo(20, 12);
  EXPECT_EQ(c.Pixel(4, 5), clWhite);
  EXPECT_EQ(c.Pixel(5, 5), clBlack);
  EXPECT_EQ(c.Pixel(9, 9), clBlack);
  EXPECT_EQ(c.Pixel(10, 9), clWhite);
  EXPECT_EQ(c.Pixel(7, 12), clWhite);
  c.ClearClipRect();
  EXPECT_EQ(c.ClipRect(), TRect(0, 0, 20, 20));
}

TEST(Canvas, TextIsDrawnWithoutAntialiasingAlignedAndRotated) {
  QImage img = WhiteImage(120, 120);
  TCanvas c(&img);
  c.Font = TFont("DejaVu Sans", 14);
  c.Font.Color = clBlack;
  c.Brush.Style = bsClear;
  const int w = c.TextWidth("Wave"), h = c.TextHeight("Wave");
  ASSERT_GT(w, 10);
  ASSERT_GT(h, 10);
  c.TextOut(10, 10, "Wave");
  EXPECT_EQ(c.PenPos, TPoint(10 + w, 10));
  std::set<uint32_t> colours;
  int minX = 999, maxX = -1, minY = 999, maxY = -1;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      colours.insert(img.pixel(x, y) & 0xFFFFFF);
      if (IsBlack(img, x, y)) minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
  EXPECT_EQ(colours.size(), 2u);  // black and white only
  EXPECT_GE(minX, 10);
  EXPECT_LE(maxX, 10 + w);
  EXPECT_GE(minY, 10);
  EXPECT_LE(maxY, 10 + h);

  // Baseline alignment puts the glyphs above the reference point; escapement 900 writes upwards.
  QImage up = WhiteImage(120, 120);
  TCanvas u(&up);
  u.Font = c.Font;
  u.Font.Escapement = 900;
  u.Brush.Style = bsClear;
  u.SetTextAlign(TA_BASELINE);
  u.TextOut(60, 100, "Wave");
  minX = minY = 999, maxX = maxY = -1;
  for (int y = 0; y < up.height(); ++y)
    for (int x = 0; x < up.width(); ++x)
      if (IsBlack(up, x, y)) minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
  EXPECT_GT(maxY - minY, maxX - minX);
  EXPECT_LE(maxX, 60);
  EXPECT_LE(maxY, 100);
  std::set<uint32_t> rotatedColours;
  for (int y = 0; y < up.height(); ++y)
    for (int x = 0; x < up.width(); ++x) rotatedColours.insert(up.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(rotatedColours.size(), 2u);

  // Text drawn again in the background colour takes itself off the page.
  u.Font.Color = clWhite;
  u.TextOut(60, 100, "Wave");
  EXPECT_EQ(up, WhiteImage(120, 120));

  // TextRect keeps the text inside its rectangle.
  QImage clipped = WhiteImage(120, 40);
  TCanvas r(&clipped);
  r.Font = c.Font;
  r.Brush.Style = bsClear;
  r.TextRect(TRect(0, 0, 12, 40), 2, 2, "WWWW");
  bool inside = false;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x)
      if (IsBlack(clipped, x, y)) {
        EXPECT_LT(x, 12);
        inside = true;
      }
  EXPECT_TRUE(inside);

  // Opaque text fills its cell with the brush colour.
  QImage op = WhiteImage(120, 40);
  TCanvas o(&op);
  o.Font = c.Font;
  o.Brush = TBrush{clYellow, bsSolid};
  o.TextOut(0, 0, "W");
  EXPECT_EQ(o.Pixel(0, h - 1), clYellow);
}

#include <QPdfWriter>
#include <QTemporaryDir>

#include "platform/device_canvas.h"
#include "platform/streams.h"

TEST(DeviceCanvas, DrawsThroughQPainterWithCopyModesFallingBackToCopy) {
  QImage img = WhiteImage(40, 40);
  {
    auto c = CreateDeviceCanvas(&img, 96);
    EXPECT_EQ(c->PixelsPerInch(), 96);
    EXPECT_EQ(c->Image(), nullptr);
    c->Brush.Color = clRed;
    c->Pen.Mode = pmNotXor;  // falls back to drawing the pen colour
    c->Rectangle(5, 5, 20, 20);
    c->BitBlt(0, 0, 1, 1, *c, 0, 0, cmSrcCopy);  // reading a device gives nothing
    EXPECT_EQ(c->Pixel(1, 1), clNone);
  }
  EXPECT_EQ(img.pixel(10, 10) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(img.pixel(5, 10) & 0xFFFFFF, 0u);
  EXPECT_EQ(img.pixel(30, 30) & 0xFFFFFF, 0xFFFFFFu);

  QTemporaryDir dir;
  const QString file = dir.filePath("page.pdf");
  {
    QPdfWriter pdf(file);
    pdf.setResolution(300);
    auto c = CreateDeviceCanvas(&pdf);
    EXPECT_EQ(c->GetDeviceCaps(LOGPIXELSY), 300);
    EXPECT_EQ(c->Font.PixelsPerInch(), 300);
    c->Font = TFont("DejaVu Sans", 12);
    c->TextOut(100, 100, "Korvalis");
    c->Ellipse(50, 50, 400, 300);
  }
  EXPECT_GT(FileSizeOf(file.toStdString()), 500);
}

TEST(Canvas, FarAwayCoordinatesAreClippedWithoutOverflow) {
  QImage img = NoisyImage(32, 32);
  const QImage before = img;
  TCanvas c(&img);
  c.Pen.Mode = pmXor;
  c.Pen.Color = clWhite;
  for (int pass = 0; pass < 2; ++pass) {
    c.MoveTo(INT32_MIN, INT32_MIN + 5);
    c.LineTo(INT32_MAX, INT32_MAX - 7);
    c.Ellipse(-1000000000, -1000000000, 1000000000, 1000000016);
    c.Rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    c.Arc(INT32_MIN, -5, INT32_MAX, 40, 0, 0, 10, 10);
  }
  EXPECT_EQ(img, before);
  c.Pen = TPen{clRed, INT32_MAX, psInsideFrame, pmCopy};
  c.Rectangle(2, 2, 30, 30);
  c.StretchBltImage(TRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), before, TRect(0, 0, 32, 32), cmSrcCopy);
  SUCCEED();
}

TEST(DeviceCanvas, CurvesFollowTheRasterGeometry) {
  // The same arc, pie and ellipse on a raster canvas and on a device canvas over an image cover
  // nearly the same pixels.
  auto draw = [](TCanvas& c) {
    c.Brush = TBrush{clRed, bsSolid};
    c.Pie(10, 10, 90, 70, 90, 40, 50, 0);
    c.SetArcDirection(AD_CLOCKWISE);
    c.Arc(5, 75, 95, 95, 95, 85, 5, 85);
    c.Ellipse(60, 5, 95, 30);
  };
  QImage raster = WhiteImage(100, 100), device = WhiteImage(100, 100);
  {
    TCanvas r(&raster);
    draw(r);
  }
  {
    auto d = CreateDeviceCanvas(&device, 96);
    draw(*d);
  }
  int differ = 0, inked = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      differ += raster.pixel(x, y) != device.pixel(x, y);
      inked += (raster.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    }
  EXPECT_GT(inked, 1000);
  EXPECT_LT(differ, inked / 10) << differ << " of " << inked;
}

TEST(Canvas, DrawTextMeasuresAlignsAndBreaksLines) {
  QImage img = WhiteImage(200, 100);
  TCanvas c(&img);
  c.Font = TFont("DejaVu Sans", 10);
  c.Brush.Style = bsClear;
  const int lineH = c.TextHeight("Ag");
  TRect calc(0, 0, 60, 0);
  const int h = c.DrawText("one two three four", calc, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(h, calc.Height());
  EXPECT_GE(calc.Height(), 2 * lineH);
  EXPECT_LE(calc.Width(), 60);
  TRect single(0, 0, 0, 0);
  c.DrawText("&File", single, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(single.Width(), c.TextWidth("File"));
  EXPECT_EQ(single.Height(), lineH);

  TRect right(0, 0, 200, 100);
  c.DrawText("End", right, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
  int minX = 999, minY = 999;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x)
      if (IsBlack(img, x, y)) minX = std::min(minX, x), minY = std::min(minY, y);
  EXPECT_GE(minX, 200 - c.TextWidth("End"));
  EXPECT_GE(minY, 100 - lineH);
}

namespace {
// Stretched transfers worked out pixel by pixel, the plain way: target pixel (x, y) of the dest
// rectangle takes source pixel (Left + ox * sw / dw, Top + oy * sh / dh), its offsets counted from
// the far side when the two rectangles face different ways. The brush is solid white.
QImage PlainStretch(QImage target, const TRect& dest, const QImage& src, const TRect& srcRect, TCopyMode rop,
                    TColor transparent, const TRect& clip) {
  const int64_t destW = int64_t(dest.Right) - dest.Left, destH = int64_t(dest.Bottom) - dest.Top;
  const int64_t srcW = int64_t(srcRect.Right) - srcRect.Left, srcH = int64_t(srcRect.Bottom) - srcRect.Top;
  const bool flipX = (destW < 0) != (srcW < 0), flipY = (destH < 0) != (srcH < 0);
  const int64_t dw = std::llabs(destW), dh = std::llabs(destH), sw = std::llabs(srcW), sh = std::llabs(srcH);
  const int64_t dl = std::min(dest.Left, dest.Right), dt = std::min(dest.Top, dest.Bottom);
  const int64_t sl = std::min(srcRect.Left, srcRect.Right), st = std::min(srcRect.Top, srcRect.Bottom);
  const uint32_t key = transparent == clNone ? 0xFFFFFFFFu
                                             : uint32_t(GetRValue(transparent)) << 16 |
                                                   uint32_t(GetGValue(transparent)) << 8 | GetBValue(transparent);
  for (int y = 0; y < target.height(); ++y)
    for (int x = 0; x < target.width(); ++x) {
      if (x < dl || x >= dl + dw || y < dt || y >= dt + dh || !clip.Contains(TPoint(x, y))) continue;
      int64_t ox = x - dl, oy = y - dt;
      if (flipX) ox = dw - 1 - ox;
      if (flipY) oy = dh - 1 - oy;
      const int64_t sx = sl + ox * sw / dw, sy = st + oy * sh / dh;
      if (sx < 0 || sy < 0 || sx >= src.width() || sy >= src.height()) continue;
      const uint32_t sv = src.pixel(int(sx), int(sy));
      if ((sv & 0xFFFFFFu) == key) continue;
      if (src.hasAlphaChannel() && rop == cmSrcCopy) {
        const uint32_t a = sv >> 24;
        if (a == 0) continue;
        if (a < 255) {
          const uint32_t dv = target.pixel(x, y);
          uint32_t out = dv & 0xFF000000u;
          for (int shift : {16, 8, 0}) {
            const uint32_t sc = (sv >> shift) & 0xFF, dc = (dv >> shift) & 0xFF;
            out |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
          }
          target.setPixel(x, y, out);
          continue;
        }
      }
      const uint32_t dv = target.pixel(x, y);
      target.setPixel(x, y, (dv & 0xFF000000u) | Rop3Pixel(rop, 0xFFFFFF, sv & 0xFFFFFFu, dv & 0xFFFFFFu));
    }
  return target;
}
}  // namespace

TEST(Canvas, StretchedTransfersGiveThePixelsOfThePlainRule) {
  QImage picture = NoisyImage(23, 17);
  QImage translucent = NoisyImage(23, 17).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 23; ++x) {
      const uint32_t alpha = (x * 37 + y * 11) % 4 == 0 ? 0 : (x * 37 + y * 11) % 3 == 0 ? 255 : uint32_t(x * 9 + y);
      translucent.setPixel(x, y, (translucent.pixel(x, y) & 0xFFFFFFu) | alpha << 24);
    }
  const TColor key = [&] {
    const QRgb v = picture.pixel(4, 4);
    return RGBColor(qRed(v), qGreen(v), qBlue(v));
  }();
  struct TCase {
    const char* Name;
    TRect Dest, Src;
    TRect Clip;  // empty: no clip rectangle
    TCopyMode Rop;
    bool Keyed, Alpha;
  } cases[] = {
      {"same size", {5, 6, 28, 23}, {0, 0, 23, 17}, {}, cmSrcCopy, false, false},
      {"enlarged", {-3, 2, 61, 50}, {0, 0, 23, 17}, {}, cmSrcCopy, false, false},
      {"shrunk", {10, 10, 19, 15}, {0, 0, 23, 17}, {}, cmSrcCopy, false, false},
      {"part of the source", {0, 0, 40, 40}, {3, 4, 12, 9}, {}, cmSrcCopy, false, false},
      {"source beyond the picture", {0, 0, 40, 30}, {-5, -2, 30, 20}, {}, cmSrcCopy, false, false},
      {"mirrored across", {50, 3, 7, 40}, {0, 0, 23, 17}, {}, cmSrcCopy, false, false},
      {"mirrored upside down", {4, 44, 30, 1}, {0, 0, 23, 17}, {}, cmSrcCopy, false, false},
      {"mirrored source", {2, 2, 50, 30}, {23, 17, 0, 0}, {}, cmSrcCopy, false, false},
      {"clipped", {-10, -10, 70, 70}, {0, 0, 23, 17}, {12, 9, 41, 33}, cmSrcCopy, false, false},
      {"transparent colour", {1, 1, 60, 47}, {0, 0, 23, 17}, {}, cmSrcCopy, true, false},
      {"transparent and mirrored", {60, 1, 1, 47}, {0, 0, 23, 17}, {5, 0, 64, 64}, cmSrcCopy, true, false},
      {"and", {3, 3, 33, 29}, {0, 0, 23, 17}, {}, cmSrcAnd, false, false},
      {"invert", {31, 40, 3, 3}, {0, 0, 23, 17}, {}, cmSrcInvert, true, false},
      {"merge paint", {0, 0, 64, 64}, {2, 2, 21, 15}, {8, 8, 50, 50}, cmMergePaint, false, false},
      {"alpha blended", {2, 5, 57, 40}, {0, 0, 23, 17}, {}, cmSrcCopy, false, true},
      {"alpha blended and mirrored", {57, 40, 2, 5}, {0, 0, 23, 17}, {0, 0, 30, 64}, cmSrcCopy, false, true},
  };
  for (const TCase& t : cases) {
    const QImage& source = t.Alpha ? translucent : picture;
    QImage page = NoisyImage();
    TCanvas c(&page);
    if (!t.Clip.IsEmpty()) c.SetClipRect(t.Clip);
    c.StretchBltImage(t.Dest, source, t.Src, t.Rop, t.Keyed ? key : clNone);
    const QImage expected = PlainStretch(NoisyImage(), t.Dest, source, t.Src, t.Rop, t.Keyed ? key : clNone,
                                         t.Clip.IsEmpty() ? TRect(0, 0, 64, 64) : t.Clip);
    EXPECT_EQ(page, expected) << t.Name;
  }
}

TEST(Canvas, WidePensAndFillsDrawTheSameWhenDrawnAgainOrMoved) {
  // Outlines of wide pens and polygon fills are rasterised once and met again on later drawings
  // of the same geometry: a drawing again must give the pixels of the first, and a drawing moved
  // by a pixel (new geometry) the first one's pixels moved.
  struct TMovedShape {
    const char* Name;
    std::function<void(TCanvas&, int)> Draw;
  };
  auto star = [](int d) {
    return std::vector<TPoint>{{20 + d, 4 + d}, {26 + d, 34 + d}, {4 + d, 14 + d}, {36 + d, 14 + d}, {12 + d, 34 + d}};
  };
  const TMovedShape shapes[] = {
      {"ellipse", [](TCanvas& c, int d) { c.Ellipse(6 + d, 8 + d, 37 + d, 30 + d); }},
      {"round rectangle", [](TCanvas& c, int d) { c.RoundRect(5 + d, 5 + d, 35 + d, 33 + d, 12, 9); }},
      {"pie", [](TCanvas& c, int d) { c.Pie(4 + d, 4 + d, 36 + d, 36 + d, 36 + d, 20 + d, 20 + d, d); }},
      {"star, alternate", [&](TCanvas& c, int d) { c.Polygon(star(d)); }},
      {"star, winding",
       [&](TCanvas& c, int d) {
         c.SetPolyFillMode(WINDING);
         c.Polygon(star(d));
       }},
      {"polyline", [](TCanvas& c, int d) {
         c.Polyline(std::vector<TPoint>{{3 + d, 30 + d}, {15 + d, 5 + d}, {22 + d, 28 + d}, {37 + d, 6 + d}});
       }},
  };
  for (const TMovedShape& s : shapes)
    for (int width : {1, 4, 7}) {
      auto render = [&](int d) {
        QImage img = WhiteImage(56, 56);
        TCanvas c(&img);
        c.Pen = TPen{clBlue, width, psSolid, pmCopy};
        c.Brush = TBrush{clYellow, bsSolid};
        s.Draw(c, d);
        return img;
      };
      const QImage first = render(0), again = render(0), moved = render(1);
      EXPECT_EQ(again, first) << s.Name << " width " << width;
      EXPECT_EQ(moved.copy(1, 1, 55, 55), first.copy(0, 0, 55, 55)) << s.Name << " width " << width;
    }
}

TEST(Canvas, PicturesOfOtherPixelFormatsDrawTheirCurrentPixelsEachTime) {
  // Drawing converts such a picture once and keeps the result: a change of its pixels must still
  // show at the next drawing, and two pictures must never be mixed up.
  for (QImage::Format format : {QImage::Format_RGB888, QImage::Format_Indexed8}) {
    SCOPED_TRACE(int(format));
    QImage a(4, 2, QImage::Format_RGB32), b(4, 2, QImage::Format_RGB32);
    a.fill(qRgb(200, 10, 10));
    b.fill(qRgb(10, 10, 200));
    QImage pa = a.convertToFormat(format), pb = b.convertToFormat(format);
    QImage dst = WhiteImage(8, 4);
    TCanvas c(&dst);
    c.StretchBltImage(TRect(0, 0, 4, 2), pa, TRect(0, 0, 4, 2), cmSrcCopy);
    c.StretchBltImage(TRect(4, 0, 8, 2), pb, TRect(0, 0, 4, 2), cmSrcCopy);
    EXPECT_EQ(c.Pixel(1, 1), RGBColor(200, 10, 10));
    EXPECT_EQ(c.Pixel(5, 1), RGBColor(10, 10, 200));
    // The same picture changed: its new pixels are drawn.
    pa = b.convertToFormat(format);
    QImage changed = pb;
    if (format == QImage::Format_Indexed8) changed.setColor(changed.pixelIndex(0, 0), qRgb(10, 200, 10));
    else changed.fill(qRgb(10, 200, 10));
    c.StretchBltImage(TRect(0, 2, 4, 4), pa, TRect(0, 0, 4, 2), cmSrcCopy);
    c.StretchBltImage(TRect(4, 2, 8, 4), changed, TRect(0, 0, 4, 2), cmSrcCopy);
    EXPECT_EQ(c.Pixel(1, 3), RGBColor(10, 10, 200));
    EXPECT_EQ(c.Pixel(5, 3), RGBColor(10, 200, 10));
  }
}

TEST(Canvas, RowKernelsKeepTheSpareByteAndLeaveTheKeyedPixels) {
  // Every kernel set this processor runs against the rule, for row lengths around each vector
  // width, at aligned and unaligned starts; the pixels after the row must stay as they are.
  constexpr uint32_t key = 0x00C0FFEEu;
  const std::vector<TRowKernels> sets = AvailableRowKernels();
  ASSERT_FALSE(sets.empty());
  EXPECT_STREQ(RowKernels().Name, sets.back().Name);
  uint32_t seed = 99;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (const TRowKernels& k : sets)
    for (int count : {0, 1, 3, 7, 8, 9, 15, 16, 17, 31, 33, 63, 64, 65, 100, 1027})
      for (int start : {0, 1, 3}) {
        SCOPED_TRACE(std::string(k.Name) + " count " + std::to_string(count) + " start " + std::to_string(start));
        std::vector<uint32_t> source(size_t(start + count + 20)), target(source.size());
        for (size_t i = 0; i < source.size(); ++i) {
          source[i] = next() % 5 == 0 ? (next() & 0xFF000000u) | key : next();
          target[i] = next();
        }
        std::vector<uint32_t> copied = target, keyed = target, filled = target;
        k.CopyRow(copied.data() + start, source.data() + start, count);
        k.CopyRowKeyed(keyed.data() + start, source.data() + start, count, key);
        k.FillRow(filled.data() + start, count, 0x00123456u);
        for (size_t i = 0; i < target.size(); ++i) {
          const bool inRow = int(i) >= start && int(i) < start + count;
          const uint32_t spare = target[i] & 0xFF000000u, colour = source[i] & 0xFFFFFFu;
          ASSERT_EQ(copied[i], inRow ? spare | colour : target[i]) << i;
          ASSERT_EQ(keyed[i], inRow && colour != key ? spare | colour : target[i]) << i;
          ASSERT_EQ(filled[i], inRow ? spare | 0x00123456u : target[i]) << i;
        }
      }
}

TEST(Canvas, StretchedPicturesDrawnAgainFollowTheirPixelsAndRectangles) {
  // A stretched picture drawn again with the same rectangles reuses the pixels picked by the
  // earlier draw; every draw below must still give the plain rule's pixels for the picture as it
  // is at that moment and the rectangles of that draw.
  QImage pictures[2] = {NoisyImage(41, 29), NoisyImage(41, 29).mirrored(true, false)};
  const TColor key = [&] {
    const QRgb v = pictures[0].pixel(3, 3);
    return RGBColor(qRed(v), qGreen(v), qBlue(v));
  }();
  struct TStep {
    const char* Name;
    int Picture;
    TRect Dest, Clip;  // empty clip: none
    bool Keyed;
    std::function<void(QImage&)> Change;  // done to the picture before the draw
  };
  const TStep steps[] = {
      {"shrunk", 0, {5, 4, 25, 19}, {}, false, nullptr},
      {"the same again", 0, {5, 4, 25, 19}, {}, false, nullptr},
      {"after one pixel changed", 0, {5, 4, 25, 19}, {}, false,
       [](QImage& p) {
         for (int y = 0; y < p.height(); ++y)
           for (int x = 0; x < p.width(); ++x) p.setPixel(x, y, p.pixel(x, y) ^ 0x00FFFFFFu);
       }},
      {"keyed", 0, {5, 4, 25, 19}, {}, true, nullptr},
      {"clipped", 0, {5, 4, 25, 19}, {8, 6, 20, 15}, false, nullptr},
      {"moved by a pixel", 0, {6, 4, 26, 19}, {}, false, nullptr},
      {"mirrored", 0, {25, 4, 5, 19}, {}, false, nullptr},
      {"upside down", 0, {5, 19, 25, 4}, {}, false, nullptr},
      {"another picture of the same size", 1, {5, 4, 25, 19}, {}, false, nullptr},
      {"after the picture was replaced", 0, {5, 4, 25, 19}, {}, false,
       [](QImage& p) { p = NoisyImage(41, 29).mirrored(false, true); }},
      {"enlarged over the edges", 0, {-7, 3, 90, 70}, {}, false, nullptr},
      {"enlarged again after a fill", 0, {-7, 3, 90, 70}, {}, true, [](QImage& p) { p.fill(0xFF00FF00u); }},
  };
  QImage page = NoisyImage(), expected = page;
  for (const TStep& t : steps) {
    QImage& picture = pictures[t.Picture];
    if (t.Change) t.Change(picture);
    TCanvas c(&page);
    if (!t.Clip.IsEmpty()) c.SetClipRect(t.Clip);
    c.StretchBltImage(t.Dest, picture, TRect(0, 0, 41, 29), cmSrcCopy, t.Keyed ? key : clNone);
    expected = PlainStretch(expected, t.Dest, picture, TRect(0, 0, 41, 29), cmSrcCopy, t.Keyed ? key : clNone,
                            t.Clip.IsEmpty() ? TRect(0, 0, 64, 64) : t.Clip);
    EXPECT_EQ(page, expected) << t.Name;
  }
}

TEST(Canvas, LargeTransfersAndFillsGiveThePixelsOfThePlainRule) {
  // Page-sized transfers and fills: whole rows through the row kernels, unscaled, stretched and kept.
  const QImage picture = NoisyImage(700, 430), small = NoisyImage(23, 17);
  const TColor key = [&] {
    const QRgb v = picture.pixel(5, 5);
    return RGBColor(qRed(v), qGreen(v), qBlue(v));
  }();
  struct TCase {
    const char* Name;
    const QImage& Source;
    TRect Dest, Src;
    bool Keyed;
  } cases[] = {
      {"unscaled", picture, {-3, 2, 697, 432}, {0, 0, 700, 430}, false},
      {"unscaled, keyed", picture, {-3, 2, 697, 432}, {0, 0, 700, 430}, true},
      {"enlarged", small, {0, 0, 640, 480}, {0, 0, 23, 17}, false},
      {"mirrored", picture, {640, 480, 0, 0}, {0, 0, 700, 430}, true},
  };
  for (const TCase& t : cases) {
    QImage page = NoisyImage(640, 480);
    TCanvas c(&page);
    c.StretchBltImage(t.Dest, t.Source, t.Src, cmSrcCopy, t.Keyed ? key : clNone);
    const QImage expected = PlainStretch(NoisyImage(640, 480), t.Dest, t.Source, t.Src, cmSrcCopy,
                                         t.Keyed ? key : clNone, TRect(0, 0, 640, 480));
    EXPECT_EQ(page, expected) << t.Name;
  }
  QImage page = NoisyImage(640, 480), expected = page;
  TCanvas c(&page);
  c.Brush = TBrush{clTeal, bsSolid};
  c.FillRect(TRect(-5, 1, 639, 481));
  for (int y = 1; y < 480; ++y)
    for (int x = 0; x < 639; ++x) expected.setPixel(x, y, (expected.pixel(x, y) & 0xFF000000u) | 0x008080u);
  EXPECT_EQ(page, expected);
}
