// Mirror, rotation, scaling and conversion of figures; moving, dragging, clicking and hit tests.
#include <gtest/gtest.h>

#include <numbers>

#include "cad/figure_transforms.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "cad/point_operations.h"
#include "cad/units.h"
#include "cad_test_support.h"

namespace {
constexpr long double kPi = std::numbers::pi_v<long double>;

std::unique_ptr<TRealFig> Fig(int kind, std::initializer_list<std::pair<double, double>> nodes, int used = 0) {
  auto f = std::make_unique<TRealFig>(nullptr);
  f->Kind = uint8_t(kind);
  int i = 0;
  for (auto [x, y] : nodes) SetXY(*f, i++, x, y);
  f->NodeCountUsed = used;
  return f;
}

TMappingRec UnitMap() {  // world 0..10 x 0..10 on pixels 0..100 x 0..100
  TMappingRec m{};
  m.WorldRight = 10;
  m.WorldTop = 10;
  m.PixRight = 100;
  m.PixBottom = 100;
  m.SnapStep = 0.1;
  return m;
}
}  // namespace

class Transforms : public CadTest {};

TEST_F(Transforms, MirrorPointsAndParticipation) {
  EXPECT_EQ(MirrorRealPoint({3, 1, 5}, 0, {1, 0}), (TRealXYZ{-1, 1, 0}));
  EXPECT_EQ(MirrorRealPoint({1, 5, 5}, 0, {1, 0}), (TRealXYZ{1, 5, 5}));
  EXPECT_EQ(MirrorRealPoint({1, 5, 0}, 3, {0, 2}), (TRealXYZ{1, -1, 0}));
  EXPECT_EQ(MirrorRealPoint({1, 5, 0}, 7, {0, 2}), (TRealXYZ{0, 0, 0}));
  auto line = Fig(0, {{0, 0}, {0, 0}, {2, 0}});
  EXPECT_TRUE(MirrorApplies(*line, 0, {1, 0}));
  EXPECT_FALSE(MirrorApplies(*line, 0, {2, 0}));
  auto poly = Fig(49, {{0, 0}, {2, 0}, {2, 2}}, 3);
  EXPECT_TRUE(MirrorApplies(*poly, 0, {2, 0}));
  poly->NodeCountUsed = 0;
  EXPECT_FALSE(MirrorApplies(*poly, 0, {-5, 0}));
  auto wave = Fig(27, {{0, 0}, {0, 0}, {5, 0}});
  EXPECT_FALSE(MirrorApplies(*wave, 0, {1, 0}));
  TRealFig dest(nullptr);
  dest.Kind = 3;
  MirrorFigurePoints(*wave, dest, 0, {1, 0});
  EXPECT_EQ(dest.Kind, 3);
}

TEST_F(Transforms, MirrorArcs) {
  auto quarter = Fig(14, {{0, 0}, {0, 0}, {2, 1}});
  TRealFig dest(nullptr);
  MirrorFigurePoints(*quarter, dest, 0, {1, 0});
  EXPECT_EQ(dest.Kind, 15);
  EXPECT_NODE(dest, 0, 2, 0);
  EXPECT_NODE(dest, 2, 0, 1);
  auto arc = Fig(38, {{0, 0}, {2, 0}, {0, 2}});
  MirrorFigurePoints(*arc, dest, 0, {0, 0});
  EXPECT_EQ(dest.Kind, 38);
  EXPECT_NODE(dest, 1, 0, 2);  // nodes 1 and 2 exchanged after the reflection
  EXPECT_NODE(dest, 2, -2, 0);
}

TEST_F(Transforms, RotateRectangleKeepsItsBox) {
  auto r = Fig(5, {{0, 0}, {0, 0}, {2, -1}});
  RotateFigureByKind({0, 0}, *r, kPi / 2);
  UpdateFigurePoints(*r);
  // Centre (1, -0.5) turns clockwise to (-0.5, -1); the box stays 2 wide and 1 high.
  EXPECT_NODE(*r, 0, -1.5, -0.5);
  EXPECT_NODE(*r, 2, 0.5, -1.5);
  EXPECT_NODE(*r, 8, -0.5, -1);
}

TEST_F(Transforms, RotateByHalfTurnAndMore) {
  auto line = Fig(0, {{1, 0}, {0, 0}, {2, 0}});
  RotateFigureByKind({0, 0}, *line, kPi);
  EXPECT_NODE(*line, 0, -1, 0);
  EXPECT_NODE(*line, 2, -2, 0);
  RotateFigureByKind({0, 0}, *line, 3 * kPi / 2);
  EXPECT_NODE(*line, 0, 0, -1);
  auto wave = Fig(27, {{0, 0}, {0, 0}, {5, 0}});
  RotateFigureByKind({0, 0}, *wave, kPi / 4);
  EXPECT_EQ(wave->Wave.Rotation, -45);
  EXPECT_NODE(*wave, 2, 5, 0);
}

TEST_F(Transforms, ScaleCentredSquareByMeanFactor) {
  auto sq = Fig(11, {{1, 1}, {0, 0}, {2, 1}});
  ScaleFigureNodes(*sq, {0, 0}, 2, 1);
  EXPECT_NODE(*sq, 0, 2, 1);
  EXPECT_NODE(*sq, 2, 3.5, 1);  // half side 1 -> 1.5
  auto circle = Fig(10, {{1, 1}, {0, 0}, {2, 1}});
  ScaleFigureNodes(*circle, {0, 0}, 2, 3);
  EXPECT_NODE(*circle, 2, 4, 3);
  TRealXYZ p{2, 3, 1};
  ScaleRealPoint(p, {1, 1}, 2, -1);
  EXPECT_EQ(p, (TRealXYZ{3, -1, 0}));
}

TEST_F(Transforms, ConvertToMultiline) {
  auto ellipse = Fig(6, {{0, 2}, {0, 0}, {4, 0}});
  ConvertToMultiline(*ellipse);
  EXPECT_EQ(ellipse->Kind, 54);
  EXPECT_EQ(ellipse->NodeCountUsed, 13);
  EXPECT_EQ(ellipse->Point(0), ellipse->Point(12));
  EXPECT_NODE(*ellipse, 3, 2, 2);
  EXPECT_NODE(*ellipse, 6, 4, 1);
  auto filled = Fig(5, {{0, 0}, {0, 0}, {2, -1}});
  ConvertToMultiline(*filled);
  EXPECT_EQ(filled->Kind, 49);
  EXPECT_EQ(filled->NodeCountUsed, 4);
  EXPECT_NODE(*filled, 1, 2, 0);
  EXPECT_NODE(*filled, 3, 0, -1);
  auto frame = Fig(8, {{0, 0}, {0, 0}, {2, -1}});
  ConvertToMultiline(*frame);
  EXPECT_EQ(frame->Kind, 50);
  EXPECT_EQ(frame->NodeCountUsed, 5);
  EXPECT_EQ(frame->Point(4), frame->Point(0));
  auto tri = Fig(26, {{0, 2}, {0, 0}, {3, 0}, {0, 0}});
  ConvertToMultiline(*tri);
  EXPECT_EQ(tri->Kind, 43);
  EXPECT_NODE(*tri, 1, 3, 0);
  EXPECT_NODE(*tri, 2, 0, 0);
  auto hline = Fig(18, {{0, 0}, {0, 0}, {2, 0}});
  ConvertToMultiline(*hline);
  EXPECT_EQ(hline->Kind, 0);
  auto round = Fig(7, {{0, 0}, {0, 0}, {2, -1}});
  ConvertToMultiline(*round);
  EXPECT_EQ(round->Kind, 7);
}

class PointOps : public CadTest {};

TEST_F(PointOps, MoveFigureMovesEveryNodeInUse) {
  TMappingRec m{};
  SetPaperSize(1, 96, 96, false, m);
  auto line = Fig(0, {{1, 1}, {0, 0}, {2, 0}});
  line->LineDivisions = 1;
  UpdateFigurePoints(*line);
  MoveFigure(m, *line, 0.5, 0.5);
  EXPECT_NODE(*line, 0, 1.5, 0.5);
  EXPECT_NODE(*line, 2, 2.5, -0.5);  // a node at y = 0 moves as well
  EXPECT_NODE(*line, 3, 2.5, -0.5);
  EXPECT_NODE(*line, 1, 0, 0);  // node 1 is not a point of a line
  auto top = Fig(5, {{1, m.WorldTop}, {0, 0}, {3, 5}});
  UpdateFigurePoints(*top);
  MoveFigure(m, *top, 1, 1);
  EXPECT_NODE(*top, 0, 2, m.WorldTop - 1);
  EXPECT_NODE(*top, 1, 4, m.WorldTop - 1);
}

TEST_F(PointOps, Dragging) {
  const TMappingRec m = UnitMap();
  auto circle = Fig(10, {{1, 1}, {0, 0}, {2, 1}});
  TRealFig dest(nullptr);
  dest.Assign(*circle);
  DragFigurePoint(m, *circle, dest, ssRight, 5, 0, 0, -1, -1);
  EXPECT_NODE(dest, 0, 2, 2);
  EXPECT_NODE(dest, 2, 3, 2);
  dest.Assign(*circle);
  DragFigurePoint(m, *circle, dest, ssLeft, 5, 3, 1, 0, 0);
  EXPECT_NODE(dest, 0, 1, 1);
  EXPECT_NODE(dest, 2, 3, 1);

  auto rect = Fig(5, {{0, 2}, {0, 0}, {4, 0}});
  UpdateFigurePoints(*rect);
  dest.Assign(*rect);
  DragFigurePoint(m, *rect, dest, ssLeft, 5, 5, 1, -1, 0);
  EXPECT_NODE(dest, 0, 0, 2);
  EXPECT_NODE(dest, 2, 5, 0);
  dest.Assign(*rect);
  DragFigurePoint(m, *rect, dest, ssLeft, 8, 3, 3, -1, -1);
  EXPECT_NODE(dest, 0, 0, 2);
  EXPECT_NODE(dest, 2, 4, 0);
  struct HandleCase {
    int handle;
    double x0, y0, x2, y2;
  } handles[] = {{0, 1, 3, 4, 0}, {1, 0, 3, 5, 0}, {3, 1, 2, 4, 1}, {4, 0, 3, 4, 0}, {6, 0, 2, 4, 1}, {7, 1, 2, 4, 0}};
  for (const auto& h : handles) {
    dest.Assign(*rect);
    DragRectangleHandle(*rect, dest, h.handle, -1, -1);
    EXPECT_NODE(dest, 0, h.x0, h.y0);
    EXPECT_NODE(dest, 2, h.x2, h.y2);
  }

  auto chain = Fig(54, {{0, 0}, {1, 1}, {2, 1}, {3, 0}, {4, 1}, {5, 1}, {0, 0}}, 7);
  dest.Assign(*chain);
  DragFigurePoint(m, *chain, dest, ssLeft, 0, 7, 7, 0, 0);
  EXPECT_NODE(dest, 6, 7, 7);
  DragFigurePoint(m, *chain, dest, ssLeft, 6, 8, 8, 0, 0);
  EXPECT_NODE(dest, 0, 8, 8);

  auto tri = Fig(13, {{0, 2}, {0, 0}, {3, 0}, {0, 0}});
  dest.Assign(*tri);
  DragFigurePoint(m, *tri, dest, ssLeft, 0, 1, 3, 0, 0);
  EXPECT_NODE(dest, 3, 1, 0);
  auto hline = Fig(18, {{0, 0}, {0, 0}, {2, 0}});
  dest.Assign(*hline);
  DragFigurePoint(m, *hline, dest, ssLeft, 2, 5, 5, 0, 0);
  EXPECT_NODE(dest, 2, 5, 0);
}

TEST_F(PointOps, ClickBuiltFigures) {
  auto arc = Fig(38, {});
  EXPECT_FALSE(AddClickedPoint(*arc, mbLeft, 1, 1));
  EXPECT_FALSE(AddClickedPoint(*arc, mbLeft, 2, 1));
  EXPECT_TRUE(AddClickedPoint(*arc, mbLeft, 1, 2));
  EXPECT_EQ(arc->NodeCountUsed, 3);
  EXPECT_EQ(arc->Point(3), arc->Point(0));
  auto poly = Fig(49, {});
  EXPECT_FALSE(AddClickedPoint(*poly, mbLeft, 1, 1));
  EXPECT_TRUE(AddClickedPoint(*poly, mbRight, 2, 2));
  EXPECT_EQ(poly->NodeCountUsed, 1);
  poly->NodeCountUsed = NodeCount;
  EXPECT_TRUE(AddClickedPoint(*poly, mbLeft, 3, 3));
  EXPECT_EQ(poly->NodeCountUsed, NodeCount);
  auto line = Fig(0, {});
  EXPECT_FALSE(AddClickedPoint(*line, mbLeft, 3, 3));
  EXPECT_EQ(line->NodeCountUsed, 0);
}

TEST_F(PointOps, RectangleTests) {
  const TMappingRec m = UnitMap();
  EXPECT_TRUE(PtInWorldRect({0, 2, 2, 0}, {2, 0, 0}));
  EXPECT_TRUE(PtInWorldRect({0, 2, 2, 0}, {0, 2, 0}));
  EXPECT_FALSE(PtInWorldRect({0, 2, 2, 0}, {2.001, 1, 0}));
  EXPECT_TRUE(PtInRectInclusive(TRect(0, 0, 10, 10), TPoint(10, 10)));
  EXPECT_EQ(NormalizeRect(TRect(5, 6, 1, 2)), TRect(1, 2, 5, 6));
  TRealRect wr;
  ScreenRectToWorld(m, {0, 0, 50, 50}, wr);
  EXPECT_EQ(wr, (TRealRect{0, 10, 5, 5}));
  EXPECT_TRUE(PointInScreenRect(m, {0, 0, 50, 50}, {5, 5, 0}));

  auto bezier = Fig(23, {{1, 9}, {2, 9}, {3, 9}, {8, 1}});
  EXPECT_FALSE(FigureInRect(m, *bezier, {0, 0, 50, 50}));
  EXPECT_TRUE(FigureInRect(m, *bezier, {0, 0, 100, 100}));
  auto empty = Fig(50, {}, 0);
  EXPECT_TRUE(FigureInRect(m, *empty, {0, 0, 1, 1}));
  TRect r;
  auto line = Fig(0, {{5, 5}, {0, 0}, {1, 8}});
  FigureScreenRect(m, *line, r);
  EXPECT_EQ(r, TRect(10, 20, 50, 50));

  auto grid = Fig(22, {{1, 1}, {0, 0}, {6, 6}});
  double x = 0, y = 0;
  int col = 0, row = 0;
  EXPECT_TRUE(FindGridNode(m, {8, 88, 12, 92}, x, y, col, row, *grid));
  EXPECT_EQ(col, 0);
  EXPECT_EQ(row, 10);
  EXPECT_DOUBLE_EQ(x, 1);
  EXPECT_TRUE(FindGridNode(m, {33, 63, 37, 67}, x, y, col, row, *grid));  // crossing (3.5, 3.5)
  EXPECT_EQ(col, 5);
  EXPECT_EQ(row, 5);
  EXPECT_FALSE(FindGridNode(m, {90, 0, 99, 5}, x, y, col, row, *grid));
  EXPECT_EQ(col, -1);
  EXPECT_EQ(row, -1);
}

TEST_F(PointOps, WaveHitRectangleFollowsTheMappingOrigin) {
  TMappingRec m = UnitMap();
  auto wave = Fig(27, {{2, 5}, {0, 0}, {6, 5}});
  wave->Wave.WaveHeight[0] = 1;
  TRect r;
  WaveFigureScreenRect(m, *wave, r);
  EXPECT_EQ(r, TRect(20, 40, 60, 61));
  m.PixLeft += 300;  // a view shifted right by 300 pixels
  m.PixRight += 300;
  WaveFigureScreenRect(m, *wave, r);
  EXPECT_EQ(r, TRect(320, 40, 360, 61));
  auto half = Fig(28, {{2, 5}, {0, 0}, {6, 5}});
  half->Wave.WaveHeight[0] = 1;
  WaveFigureScreenRect(UnitMap(), *half, r);
  EXPECT_EQ(r, TRect(20, 40, 60, 51));
}
