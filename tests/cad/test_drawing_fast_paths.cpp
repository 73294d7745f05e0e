// Figures drawn through the canvas's fast paths and the engine's kept projections and waves give
// the pixels of the plain rule: every kind, in copy and not-xor mode, with wide and dashed pens,
// the first time and drawn again; a list drawn again after a figure changed; the rubber band.
#include <gtest/gtest.h>

#include "cad_drawing_support.h"
#include "platform/canvas_spans.h"

namespace {

class DrawingFastPathsTest : public CadDrawTest {
protected:
  void TearDown() override {
    SetRasterFastPaths(true);
    ForgetKeptCoverage();
    CadDrawTest::TearDown();
  }
  // The image after drawing f (in the pen mode, with the pen width and style) over a noisy page.
  QImage DrawnWith(bool fast, TRealFig& f, int penMode) {
    SetRasterFastPaths(fast);
    for (int y = 0; y < Image.height(); ++y)
      for (int x = 0; x < Image.width(); ++x) Image.setPixel(x, y, 0xFF000000u | ((x * 7919u + y * 104729u) & 0xFFFFFF));
    Draw(f, penMode, 0, clBlue);
    SetRasterFastPaths(true);
    return Image;
  }
};

}  // namespace

TEST_F(DrawingFastPathsTest, EveryKindDrawsThePixelsOfThePlainRuleFirstAndAgain) {
  struct TPenCase {
    const char* Name;
    double Width;
    uint8_t Style;
    uint8_t Brush;
  };
  const TPenCase pens[] = {{"thin", 0, psSolid, bsSolid},
                           {"wide", 0.04, psSolid, bsSolid},
                           {"dashed", 0, psDashDot, bsClear},
                           {"hatched", 0, psSolid, bsDiagCross}};
  for (int kind = 0; kind <= MaxFigureKind; ++kind) {
    if (kind == 16) continue;  // a flood fill: no outline to keep
    for (const TPenCase& pen : pens) {
      for (const int mode : {int(pmCopy), int(pmNotXor)}) {
        auto f = ExampleFigure(*Engine, kind);
        f->PenWidth = pen.Width;
        f->PenStyle = pen.Style;
        f->BrushStyle = pen.Brush;
        f->WantDimensions = kind == 8 || kind == 5;
        ForgetKeptCoverage();
        const QImage plain = DrawnWith(false, *f, mode);
        const QImage first = DrawnWith(true, *f, mode);
        const QImage again = DrawnWith(true, *f, mode);
        ASSERT_TRUE(first == plain) << "kind " << kind << " " << pen.Name << " mode " << mode;
        ASSERT_TRUE(again == plain) << "kind " << kind << " " << pen.Name << " mode " << mode << " drawn again";
      }
    }
  }
}

TEST_F(DrawingFastPathsTest, AListDrawnAgainAfterAFigureChangedShowsTheChange) {
  SetScale(150);
  for (const int kind : {10, 25, 27, 23, 3, 8, 22}) {
    auto f = ExampleFigure(*Engine, kind);
    Engine->AddFigure(f.get());
  }
  auto drawList = [&](bool fast) {
    SetRasterFastPaths(fast);
    Image.fill(Qt::white);
    Engine->DrawAll(*Canvas, 0, 0, false);
    SetRasterFastPaths(true);
    return Image;
  };
  EXPECT_TRUE(drawList(true) == drawList(false));
  // Every figure of the list is moved, its wave changed, the view scrolled: each drawing again is
  // that of the plain rule.
  for (int step = 0; step < 3; ++step) {
    for (int i = 0; i < Engine->Count(); ++i) {
      TRealFig& f = *Engine->FigureList[size_t(i)];
      for (int n = 0; n < 4; ++n) {
        TRealXYZ p = f.Point(n);
        p.x += 0.01 * (step + 1);
        f.SetNodePoint(n, p);
      }
      TWaveRec w = f.Wave;
      w.WaveHeight[0] += 0.02;
      f.Wave = w;
    }
    const QImage fast = drawList(true);
    EXPECT_TRUE(fast == drawList(false)) << "step " << step;
  }
  SetRasterFastPaths(true);
  Image.fill(Qt::white);
  Engine->DrawAll(*Canvas, 7, 3, false);
  const QImage scrolled = Image;
  SetRasterFastPaths(false);
  Image.fill(Qt::white);
  Engine->DrawAll(*Canvas, 7, 3, false);
  EXPECT_TRUE(scrolled == Image);
}

TEST_F(DrawingFastPathsTest, TheRubberBandDrawnTwiceFromKeptCoverageLeavesThePage) {
  for (const int kind : {10, 25, 27, 23, 3, 8, 22, 54}) {
    auto f = ExampleFigure(*Engine, kind);
    Image.fill(Qt::white);
    Canvas->Pen.Color = clRed;
    Canvas->Ellipse(10, 10, 150, 120);
    const QImage before = Image;
    for (int move = 0; move < 6; ++move) {
      TMeasureRec m;
      // Shown, then taken off at the next move, as the mouse drags it; every other move goes back.
      for (int n = 0; n < 4; ++n) {
        TRealXYZ p = f->Point(n);
        p.x += move % 2 ? 0.05 : -0.05;
        f->SetNodePoint(n, p);
      }
      Draw(*f, pmNotXor, 2);
      Draw(*f, pmNotXor, 2);
      ASSERT_TRUE(Image == before) << "kind " << kind << " move " << move;
    }
  }
}
