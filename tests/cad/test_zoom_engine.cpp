// Zoom levels and the engine object's figure list, units, page and node-count services.
#include <gtest/gtest.h>

#include "cad/engine.h"
#include "cad/node_layout.h"
#include "cad/units.h"
#include "cad_test_support.h"

TEST(Zoom, LevelFourIsThePageForEveryPaperUnitAndDensity) {
  for (int dpi : {72, 96, 120, 144}) {
    for (bool metric : {false, true}) {
      TZQVCad engine(nullptr, 16, dpi, dpi);
      engine.Metric = metric;
      for (uint8_t paper = 0; paper < 8; ++paper) {
        TMappingRec page{};
        SetPaperSize(paper, dpi, dpi, metric, page);
        TZoom zoom(&engine, dpi, dpi);
        zoom.Build(paper, dpi, dpi);
        const TMappingRec l4 = zoom.GetLevelMapping(4);
        EXPECT_EQ(l4.PixRight, page.PixRight) << int(paper) << " " << dpi;
        EXPECT_EQ(l4.PixBottom, page.PixBottom) << int(paper) << " " << dpi;
        EXPECT_EQ(zoom.GetLevelMapping(0).PixRight, page.PixRight / 5);
        EXPECT_EQ(zoom.GetLevelMapping(11).PixRight, page.PixRight * 50);
        for (int level = 0; level < 12; ++level) {
          const TMappingRec m = zoom.GetLevelMapping(level);
          EXPECT_EQ(m.WorldRight, page.WorldRight);
          EXPECT_EQ(m.WorldTop, page.WorldTop);
          EXPECT_GT(m.SnapStep, 0);
        }
      }
    }
  }
}

TEST(Zoom, B5PortraitLevelFour) {
  TZoom zoom(nullptr, 96, 96);
  zoom.Build(7, 96, 96);
  EXPECT_EQ(zoom.GetLevelMapping(4).PixRight, 665);
  EXPECT_EQ(zoom.GetLevelMapping(4).PixBottom, 945);
}

TEST(Zoom, RectanglesSnapStepsAndLevels) {
  TZoom zoom(nullptr, 96, 96);  // A4 portrait in inches: 794 x 1123
  struct Case {
    int level, w, h;
    double step;
  } cases[] = {{0, 158, 223, 0.1},    {1, 317, 448, 0.04},        {4, 794, 1123, 0.0125},
               {6, 1588, 2246, 0.01}, {11, 39700, 56150, 0.00025}};
  for (const auto& c : cases) {
    const TMappingRec m = zoom.GetLevelMapping(c.level);
    EXPECT_EQ(m.PixRight, c.w) << c.level;
    EXPECT_EQ(m.PixBottom, c.h) << c.level;
    EXPECT_DOUBLE_EQ(m.SnapStep, c.step) << c.level;
  }
  zoom.SetLevel(7);
  EXPECT_EQ(zoom.Level, 7);
  EXPECT_DOUBLE_EQ(zoom.ZoomFactor(), 4.0);
  zoom.SetLevel(12);
  EXPECT_EQ(zoom.Level, 4);
  zoom.SetLevel(-1);
  EXPECT_EQ(zoom.Level, 4);
  EXPECT_EQ(zoom.PixelsPerUnitX(), 96);
  EXPECT_DOUBLE_EQ(zoom.GetSnapStep(), 0.0125);
  EXPECT_EQ(SnapStepForPixelsPerUnit(1), 1.0);
  EXPECT_EQ(SnapStepForPixelsPerUnit(0), 1.0);
}

class EngineTest : public CadTest {};

TEST_F(EngineTest, ConstructionDefaults) {
  TZQVCad engine(nullptr, 16, 96, 96);
  EXPECT_EQ(engine.PaperIndex, 1);
  EXPECT_EQ(engine.ZoomLevel(), 4);
  EXPECT_EQ(engine.Mapping.PixRight, 794);
  EXPECT_EQ(engine.Mapping.PixBottom, 1123);
  EXPECT_DOUBLE_EQ(engine.Mapping.SnapStep, 0.0125);
  EXPECT_EQ(engine.PixelsPerInch(), 96);
  EXPECT_EQ(engine.GetMapping(), engine.Mapping);
  EXPECT_EQ(int(engine.ScreenPoints.size()), 16);
  EXPECT_TRUE(engine.WaveBuffer.empty()) << "made by the first wave";
  EXPECT_EQ(engine.CurrentFigure->PixelsPerInch, 96);
  EXPECT_EQ(engine.Count(), 0);
  EXPECT_THROW(engine.GetFigure(0), EListError);
}

TEST_F(EngineTest, AddFigureSkipsTheMeasuringTool) {
  TZQVCad engine(nullptr, 16, 96, 96);
  int changes = 0;
  engine.OnChange = [&](TZQVCad*) { ++changes; };
  engine.AddFigure(nullptr);
  EXPECT_EQ(engine.Count(), 1);
  EXPECT_EQ(engine.Measure.LastIndex, 0);
  EXPECT_EQ(changes, 1);
  TRealFig measure(&engine);
  measure.SetKind(55);
  engine.AddFigure(&measure);
  EXPECT_EQ(engine.Count(), 1);
  EXPECT_EQ(engine.Measure.LastIndex, 0);
  EXPECT_EQ(changes, 1);
  TRealFig line(&engine);
  SetXY(line, 2, 3, 4);
  engine.AddFigure(&line);
  EXPECT_EQ(engine.GetFigure(1)->Point(2).x, 3);
  EXPECT_EQ(engine.GetFigure(1)->Owner, &engine);
}

TEST_F(EngineTest, TemplateChangesReachTheCurrentFigure) {
  TZQVCad engine(nullptr, 16, 96, 96);
  engine.Template->SetPenColor(clRed);
  EXPECT_EQ(engine.CurrentFigure->PenColor, clRed);
  engine.Template->SetKind(24);
  EXPECT_EQ(engine.CurrentFigure->Kind, 24);
}

TEST_F(EngineTest, UnitsAndPage) {
  TZQVCad engine(nullptr, 16, 96, 96);
  int changes = 0, units = 0;
  engine.OnChange = [&](TZQVCad*) { ++changes; };
  engine.OnUnitsChange = [&](TZQVCad*) { ++units; };
  engine.SetMetric(false);
  EXPECT_EQ(changes, 0);
  engine.SetMetric(true);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(engine.Template->Metric);
  EXPECT_EQ(engine.Template->DimSuffix, "cm");
  EXPECT_NEAR(engine.Mapping.WorldTop, 29.7, 1e-12);
  EXPECT_NEAR(engine.Template->PenWidth, 2.54 / 96, 1e-12);
  TRealFig fig(&engine);  // a new figure takes the owner's units
  EXPECT_TRUE(fig.Metric);
  EXPECT_EQ(fig.DimSuffix, "cm");
  EXPECT_NEAR(fig.ArrowHeadLength, 0.254, 1e-6);
  EXPECT_DOUBLE_EQ(fig.DefaultY, engine.Mapping.WorldTop);
  EXPECT_DOUBLE_EQ(fig.Point(5).y, engine.Mapping.WorldTop);

  engine.SetZoomLevel(6);
  EXPECT_EQ(changes, 2);
  changes = 0;
  engine.SetupPage(0, false);
  EXPECT_EQ(units, 1);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(engine.ZoomLevel(), 4);
  EXPECT_EQ(engine.Mapping.PixRight, 1123);
  EXPECT_FALSE(engine.Template->Metric);
  EXPECT_EQ(engine.PaperIndex, 1);  // the page set-up leaves the paper index alone

  // A paper change in centimetres at another zoom level still builds the page at the screen's
  // resolution.
  engine.SetMetric(true);
  engine.SetZoomLevel(2);
  engine.SetMappingMode(0);
  const TMappingRec page = engine.Zoom->GetLevelMapping(4);
  EXPECT_EQ(page.PixRight, 1123);
  EXPECT_NEAR(page.WorldRight, 29.7, 1e-12);
  EXPECT_EQ(engine.Mapping, engine.Zoom->GetLevelMapping(2));
}

TEST_F(EngineTest, NodeCountSettingOutsideItsRange) {
  TZQVCad small(nullptr, 5, 96, 96);
  EXPECT_EQ(NodeCount, 16);
  EXPECT_EQ(small.CurrentFigure->Nodes.size(), 16u);
  TZQVCad large(nullptr, 1000, 96, 96);
  EXPECT_EQ(NodeCount, 123);
}

TEST_F(EngineTest, NodeCountSetting) {
  TZQVCad engine(nullptr, 16, 96, 96);
  engine.AddFigure(nullptr);
  EXPECT_FALSE(engine.SetNodeCount(15));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Calls()[0].Kind, mcShowMessage);
  EXPECT_EQ(Messages()[0], "Minimum node setting is 16. Aborting node reset");
  EXPECT_FALSE(engine.SetNodeCount(124));
  EXPECT_EQ(Messages().back(),
            "The requested value exceeds the absolute maximum (123) node setting for\rthis version.");
  EXPECT_EQ(NodeCount, 16);
  EXPECT_TRUE(engine.SetNodeCount(40));
  EXPECT_EQ(NodeCount, 40);
  EXPECT_EQ(engine.GetFigure(0)->Nodes.size(), 40u);
  EXPECT_EQ(engine.Template->Nodes.size(), 40u);
  EXPECT_EQ(engine.CurrentFigure->Point(39), (TRealXYZ{0, 0, 0}));
  engine.GetFigure(0)->SetLineDivisions(30);
  EXPECT_EQ(engine.MaxUsedNodeCount(), 33);
  EXPECT_FALSE(engine.SetNodeCount(20));
  EXPECT_EQ(Messages().back().rfind("The vectors in the current workspace are using more\rnodes", 0), 0u);
  engine.GetFigure(0)->SetLineDivisions(10);
  engine.Template->SetLineDivisions(37);
  EXPECT_TRUE(engine.SetNodeCount(16));
  EXPECT_EQ(engine.Template->LineDivisions, 13);
  EXPECT_EQ(engine.GetFigure(0)->Nodes.size(), 16u);
}

namespace {
// World 0..10 by 0..10 on pixels 0..100 by 0..100.
TMappingRec TenByTen() {
  TMappingRec m{};
  m.WorldRight = 10;
  m.WorldTop = 10;
  m.PixRight = 100;
  m.PixBottom = 100;
  m.SnapStep = 0.1;
  return m;
}

void AddLine(TZQVCad& engine, int kind, double x0, double y0, double x2, double y2) {
  TRealFig f(&engine);
  f.Kind = uint8_t(kind);
  f.LineDivisions = 1;
  SetXY(f, 0, x0, y0);
  SetXY(f, 2, x2, y2);
  UpdateFigurePoints(f);
  engine.AddFigure(&f);
}
}  // namespace

TEST_F(EngineTest, SelectionByRectangle) {
  TZQVCad engine(nullptr, 16, 96, 96);
  engine.Mapping = TenByTen();
  AddLine(engine, 0, 1, 1, 2, 2.5);  // inside
  AddLine(engine, 0, 2, 2, 8, 8);    // one node inside
  AddLine(engine, 5, 8, 8, 9, 9);    // outside
  int selects = 0;
  engine.OnSelectRect = [&](TZQVCad*) { ++selects; };
  engine.SelectInRect({0, 70, 30, 100});  // world x 0..3, y 0..3
  EXPECT_EQ(engine.Selection, (std::vector<int32_t>{0}));
  EXPECT_EQ(engine.TouchedSelection, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(engine.FirstSelected, engine.GetFigure(0));
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(engine.SelectionTopLeft, (TRealPoint{1, 2.5}));
  EXPECT_EQ(engine.SelectionBottomRight, (TRealPoint{2, 1}));
  double x1, y1, x2, y2;
  engine.GetSelectionBounds(x1, y1, x2, y2);
  EXPECT_EQ(x2, 2);
  TRect extents;
  engine.GetExtents({0, 70, 30, 100}, extents);
  EXPECT_EQ(extents, TRect(10, 75, 20, 90));

  engine.SelectInRect({0, 0, 0, 0});
  EXPECT_FALSE(engine.HasSelection());
  EXPECT_EQ(selects, 1);

  // The unused node 1 of a line (at the world origin) does not touch a rectangle there.
  engine.SelectInRect({0, 90, 5, 100});
  EXPECT_FALSE(engine.HasSelection());
  engine.SelectInRect({75, 5, 95, 25});
  EXPECT_EQ(engine.Selection, (std::vector<int32_t>{2}));
  EXPECT_EQ(engine.TouchedSelection, (std::vector<int32_t>{1, 2}));
}

TEST_F(EngineTest, ConvertSelectionAndSmallServices) {
  TZQVCad engine(nullptr, 16, 96, 96);
  engine.Mapping = TenByTen();
  EXPECT_EQ(engine.LastSelectedIndex(), -1);
  engine.ConvertSelectedToMultiline();
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Nothing Selected"}));
  AddLine(engine, 5, 1, 3, 3, 1);
  AddLine(engine, 0, 1, 1, 2, 2);
  engine.SelectInRect({0, 0, 100, 100});
  engine.ConvertSelectedToMultiline();
  EXPECT_EQ(engine.GetFigure(0)->Kind, 49);
  EXPECT_EQ(engine.GetFigure(0)->NodeCountUsed, 4);
  EXPECT_EQ(engine.GetFigure(1)->Kind, 0);
  EXPECT_EQ(engine.LastSelectedIndex(), 1);
  engine.Measure.LastIndex = 9;
  EXPECT_EQ(engine.LastSelectedIndex(), -1);
  EXPECT_EQ(engine.Measure.LastIndex, 1);
  EXPECT_EQ(engine.DrawInfo.LastIndex, 1);
  engine.SetCopyMagnification(0);
  engine.SetCopyMagnification(11);
  EXPECT_EQ(engine.CopyMagnification, 1);
  engine.SetCopyMagnification(10);
  EXPECT_EQ(engine.CopyMagnification, 10);
  engine.SetLargeSnapArea(true);
  EXPECT_TRUE(engine.LargeSnapCursor);
  int colours = 0;
  engine.OnBackgroundColorChange = [&](TZQVCad*) { ++colours; };
  engine.SetBackgroundColor(clWhite);
  engine.SetBackgroundColor(clWhite);
  EXPECT_EQ(colours, 2);
}
