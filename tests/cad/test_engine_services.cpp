// Number texts of dimensions, the property template and the small services of the engine.
#include <gtest/gtest.h>

#include "cad/mapping.h"
#include "cad_drawing_support.h"

TEST(DimensionText, FloatFormats) {
  struct Case {
    long double v;
    int format, precision, digits;
    const char* text;
  } cases[] = {
      {1.5L, 0, 12, 6, "1.5"},       {2.54L, 0, 12, 6, "2.54"},      {1e20L, 0, 12, 6, "1E20"},
      {0.000001234L, 0, 4, 0, "1.234E-6"}, {0.00001234L, 0, 4, 0, "0.00001234"}, {0.0001L, 0, 12, 0, "0.0001"}, {1.0L / 3, 0, 4, 0, "0.3333"},
      {1234.56L, 1, 4, 2, "1.235E+03"}, {1.5L, 2, 12, 3, "1.500"},    {1234567.25L, 3, 12, 2, "1,234,567.25"},
      {-0.0L, 0, 12, 0, "0"},        {12.5L, 4, 12, 2, "$12.50"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToStrF(c.v, uint8_t(c.format), c.precision, c.digits), c.text) << c.text;
}

using EngineServices = CadDrawTest;

TEST_F(EngineServices, MeasurementsReconcileUnitsAndMultiplier) {
  auto f = Figure(0, {{0, 0}, {0, 0}, {1, 0}});
  f->Metric = true;  // a centimetre figure in an inch workspace
  EXPECT_EQ(Engine->FormatMeasurement(*f, f->Point(0), f->Point(2)), "2.54");
  f->Metric = false;
  f->DimMultiplier = 6;
  EXPECT_EQ(Engine->FormatMeasurement(*f, f->Point(0), f->Point(2)), "10");
  f->DimMultiplier = 200;  // read from a damaged file: held to the table
  EXPECT_EQ(Engine->FormatMeasurement(*f, f->Point(0), f->Point(2)), "10000");
}

TEST_F(EngineServices, TextAlongASideFromRightToLeftIsDrawnUpright) {
  // "Wg": upright, the descender of the g is the lowest ink and lies in the right half.
  struct Band {
    int top = 1000, bottom = -1, left = 1000, right = -1, lowestX = -1;
  };
  auto text = [&](double x0, double x2) {
    SetScale(100);
    auto f = Figure(48, {{x0, 1}, {0, 0}, {x2, 1}});
    f->Text = "Wg";
    f->FontSize = 160000;
    Draw(*f);
    Band b;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x)
        if (Ink(x, y)) {
          b.top = std::min(b.top, y), b.left = std::min(b.left, x), b.right = std::max(b.right, x);
          if (y > b.bottom) b.bottom = y, b.lowestX = x;
        }
    return b;
  };
  const Band a = text(0.5, 1.5), b = text(1.5, 0.5);
  EXPECT_GT(a.top, 100);      // left to right: below the side
  EXPECT_LT(b.bottom, 100);   // right to left: above it
  for (const Band& t : {a, b}) EXPECT_GT(t.lowestX, (t.left + t.right) / 2);
  EXPECT_NEAR(a.bottom - a.top, b.bottom - b.top, 2);
}

TEST_F(EngineServices, FractionBarsOnlyUnderHorizontalStackedText) {
  auto count = [&](double y2) {
    SetScale(100);
    auto f = Figure(48, {{0.3, 1}, {0, 0}, {1.7, y2}});
    f->Text = "aaaa/bbbb";
    f->FontSize = 200000;
    Draw(*f);
    int longest = 0;
    for (int y = 0; y < 200; ++y) {
      int run = 0;
      for (int x = 0; x < 200; ++x) run = Ink(x, y) ? run + 1 : 0, longest = std::max(longest, run);
    }
    return longest;
  };
  EXPECT_GE(count(1), 12);  // a bar under "aaaa"
}

TEST_F(EngineServices, PropertyMaskChangesEverySelectedFigure) {
  for (int i = 0; i < 3; ++i) Engine->AddFigure(Figure(0, {{0.2 + i * 0.1, 1}, {0, 0}, {0.5, 1}}).get());
  Engine->SelectInRect(TRect(0, 0, 200, 200));
  Engine->Template->PenColor = clRed;
  Engine->Template->PenWidth = 0.03;
  int changes = 0;
  Engine->OnChange = [&](TZQVCad*) { ++changes; };
  EXPECT_EQ(Engine->ChangeSelectedProperties((1u << 7) | (1u << 9)), 3);
  for (const auto& f : Engine->FigureList) {
    EXPECT_EQ(f->PenColor, clRed);
    EXPECT_DOUBLE_EQ(f->PenWidth, 0.03);
  }
  EXPECT_GE(changes, 1);  // the document is marked modified
}

TEST_F(EngineServices, DimensionsOnKeepATextFiguresText) {
  Engine->AddFigure(Figure(48, {{0.2, 1}, {0, 0}, {0.5, 1}}).get());
  Engine->AddFigure(Figure(0, {{0.2, 1}, {0, 0}, {0.5, 1}}).get());
  Engine->Template->WantDimensions = true;
  Engine->Template->NumberFormat = 2;
  Engine->ChangeFigureProperty(*Engine->Template, 0, 0);
  Engine->ChangeFigureProperty(*Engine->Template, 1, 0);
  EXPECT_EQ(Engine->FigureList[0]->Text, "Hello");
  EXPECT_EQ(Engine->FigureList[1]->Text, "");
  EXPECT_EQ(Engine->FigureList[1]->NumberFormat, 2);
  // Out of range: nothing.
  Engine->ChangeFigureProperty(*Engine->Template, 5, 7);
  Engine->ChangeFigureProperty(*Engine->Template, 0, 26);
}

TEST_F(EngineServices, SidesOfAPolygonRegenerateItsVertices) {
  Engine->AddFigure(Figure(24, {{1, 1}, {0, 0}, {1.5, 1}}).get());
  Engine->Template->PolygonSides = 4;
  Engine->ChangeFigureProperty(*Engine->Template, 0, 19);
  const TRealFig& f = *Engine->FigureList[0];
  EXPECT_EQ(f.PolygonSides, 4);
  Draw(*Engine->FigureList[0]);
  EXPECT_TRUE(InkNear(100, 50));  // a square standing on a corner: the top vertex
}

TEST_F(EngineServices, ReferencePointColourStepsPixelSnapAndNudge) {
  Engine->SetReferencePoint(0.0000005, -0.0000002);
  EXPECT_EQ(Engine->GetReferencePoint(), (TRealPoint{0, 0}));
  Engine->SetReferencePoint(0.5, 0.25);
  EXPECT_EQ(Engine->GetReferencePoint(), (TRealPoint{0.5, 0.25}));

  auto f = Figure(0, {{0.2, 1}, {0, 0}, {0.5, 1}});
  f->PenColor = clRed;
  f->BrushColor = clBlue;
  Engine->AddFigure(f.get());
  Engine->SelectInRect(TRect(0, 0, 200, 200));
  TRealRGBVectorAR steps;
  Engine->BuildColourSteps(1, 10, steps);
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_FLOAT_EQ(steps[0].StepR, -25.5f);
  EXPECT_FLOAT_EQ(steps[0].StepB, 25.5f);
  EXPECT_EQ(steps[0].StartR, 255);
  EXPECT_EQ(Engine->FigureList[0]->BrushColor, clRed);

  double x = 100.4, y = 120.6;
  TNodeHitRec hit;
  Engine->FindDrawnPixelNear(*Canvas, x, y, hit);
  EXPECT_FALSE(hit.Found);
  EXPECT_DOUBLE_EQ(x, 1.0);
  EXPECT_NEAR(y, 0.7875, 1e-9);  // pixel 121, snapped to 0.0125
  Canvas->SetPixel(97, 122, clBlack);
  x = 100, y = 120;
  Engine->FindDrawnPixelNear(*Canvas, x, y, hit);
  EXPECT_TRUE(hit.Found);
  EXPECT_EQ(hit.Pixel, TPoint(97, 122));

  // Numeric-pad 8 moves the last figure up ten snap steps.
  Engine->Zoom->Build(1, 96, 96);
  Engine->Mapping = Engine->Zoom->GetLevelMapping(4);
  const double before = Engine->FigureList[0]->Point(0).y;
  int changes = 0;
  Engine->OnChange = [&](TZQVCad*) { ++changes; };
  Engine->NudgeLastShape(*Canvas, 104);
  EXPECT_NEAR(Engine->FigureList[0]->Point(0).y - before, 10 * Engine->ZoomStep(), 1e-9);
  EXPECT_EQ(changes, 1);
}

TEST_F(EngineServices, FirstSelectedNeverOutlivesItsFigure) {
  Engine->AddFigure(Figure(0, {{0.2, 1}, {0, 0}, {0.5, 1}}).get());
  Engine->SelectInRect(TRect(0, 0, 200, 200));
  ASSERT_NE(Engine->FirstSelectedFigure(), nullptr);
  Engine->FigureList.clear();
  EXPECT_EQ(Engine->FirstSelectedFigure(), nullptr);
  Engine->ListShrunk();
  EXPECT_EQ(Engine->FirstSelected, nullptr);
  EXPECT_FALSE(Engine->HasSelection());
}

TEST_F(EngineServices, InterruptionPromptStopsOnOkAndGoesOnOtherwise) {
  (*Recorder)->Answer(mrOk);
  (*Recorder)->Answer(mrIgnore);
  Engine->StopRequest = true;
  EXPECT_TRUE(Engine->ConfirmInterrupt("redrawing", 5));
  EXPECT_FALSE(Engine->ConfirmInterrupt("redrawing", 5));
  EXPECT_FALSE(Engine->StopRequest);
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[0].rfind("The current redrawing (5 iterations) process is being interrupted.\r", 0), 0u);
}
