// Dependent nodes of each kind family and the last control point index.
#include <gtest/gtest.h>

#include <cmath>

#include "cad/node_layout.h"
#include "cad_test_support.h"


class NodeLayout : public CadTest {
protected:
  std::unique_ptr<TRealFig> Fig(int kind, double x0, double y0, double x2, double y2) {
    auto f = std::make_unique<TRealFig>(nullptr);
    f->Kind = uint8_t(kind);
    SetXY(*f, 0, x0, y0);
    SetXY(*f, 2, x2, y2);
    SetXY(*f, 1, 9, 9);  // stale values that the layout must clear where node 1 is unused
    return f;
  }
};

TEST_F(NodeLayout, Rectangle) {
  for (int kind : {5, 6, 7, 8, 22}) {
    auto f = Fig(kind, 0, 0, 4, -2);
    UpdateFigurePoints(*f);
    const double want[9][2] = {{0, 0}, {4, 0}, {4, -2}, {0, -2}, {2, 0}, {4, -1}, {2, -2}, {0, -1}, {2, -1}};
    for (int i = 0; i < 9; ++i) EXPECT_NODE(*f, i, want[i][0], want[i][1]);
  }
}

TEST_F(NodeLayout, HorizontalAndVerticalLines) {
  auto h = Fig(18, 0, 0, 3, 1);
  UpdateFigurePoints(*h);
  EXPECT_NODE(*h, 2, 3, 0);
  EXPECT_NODE(*h, 1, 0, 0);
  for (int i = 3; i <= 12; ++i) EXPECT_NODE(*h, i, 0.3 * (i - 2), 0);
  for (int i = 13; i < 16; ++i) EXPECT_NODE(*h, i, 0, 0);
  auto v = Fig(19, 0, 0, 1, 2);
  UpdateFigurePoints(*v);
  EXPECT_NODE(*v, 2, 0, 2);
  for (int i = 3; i <= 12; ++i) EXPECT_NODE(*v, i, 0, 0.2 * (i - 2));
  auto line = Fig(0, 1, 1, 3, 5);
  line->LineDivisions = 0;
  UpdateFigurePoints(*line);
  EXPECT_EQ(line->LineDivisions, 1);
  EXPECT_NODE(*line, 3, 3, 5);
  EXPECT_NODE(*line, 4, 0, 0);
}

TEST_F(NodeLayout, CentredSquare) {
  auto f = Fig(11, 1, 1, 1.5, 3);
  UpdateFigurePoints(*f);
  const double want[11][2] = {{1, 1},     {0, 0},   {1.5, 1},   {0.5, 1.5}, {1, 1.5}, {1.5, 1.5},
                              {1.5, 1},   {1.5, 0.5}, {1, 0.5}, {0.5, 0.5}, {0.5, 1}};
  for (int i = 0; i < 11; ++i) EXPECT_NODE(*f, i, want[i][0], want[i][1]);
}

TEST_F(NodeLayout, RegularPolygonAndCircle) {
  auto hex = Fig(24, 0, 0, 1, 0);
  hex->PolygonSides = 6;
  UpdateFigurePoints(*hex);
  EXPECT_NODE(*hex, 1, 0, 0);
  EXPECT_NODE(*hex, 3, std::cos(M_PI / 3), std::sin(M_PI / 3));
  EXPECT_NODE(*hex, 7, std::cos(5 * M_PI / 3), std::sin(5 * M_PI / 3));
  auto circle = Fig(10, 1, 1, 2, 1);
  circle->LineDivisions = 4;
  UpdateFigurePoints(*circle);
  EXPECT_NODE(*circle, 3, 1, 2);
  EXPECT_NODE(*circle, 4, 0, 1);
  EXPECT_NODE(*circle, 5, 1, 0);
}

TEST_F(NodeLayout, TrianglesAndControlPoints) {
  auto t = Fig(13, 0, 2, 3, 0);
  UpdateFigurePoints(*t);
  EXPECT_NODE(*t, 3, 0, 0);
  TRealFig b(nullptr);
  SetXY(b, 0, 0, 0);
  SetXY(b, 3, 3, 6);
  SpaceControlPoints(b.Nodes, 4);
  EXPECT_NODE(b, 1, 1, 2);
  EXPECT_NODE(b, 2, 2, 4);
}

TEST_F(NodeLayout, LastPointIndexTable) {
  struct Case {
    int kind, divisions, sides, used, want;
  } cases[] = {{0, 10, 7, 0, 12},  {10, 10, 7, 0, 11}, {24, 10, 7, 0, 8},  {49, 10, 7, 5, 4}, {27, 10, 7, 0, 2},
               {16, 10, 7, 0, 2},  {21, 10, 7, 0, 2},  {38, 10, 7, 0, 2},  {14, 10, 7, 0, 2}, {43, 10, 7, 0, 2},
               {11, 10, 7, 0, 10}, {13, 10, 7, 0, 3},  {51, 10, 7, 0, 3},  {5, 10, 7, 0, 8},  {4, 10, 7, 0, 2},
               {55, 10, 7, 0, 2},  {54, 10, 7, 0, -1}, {0, 500, 7, 0, 15}, {24, 10, 500, 0, 15}, {50, 10, 7, 99, 15}};
  for (const auto& c : cases) {
    TRealFig f(nullptr);
    f.Kind = uint8_t(c.kind);
    f.LineDivisions = c.divisions;
    f.PolygonSides = c.sides;
    f.NodeCountUsed = c.used;
    EXPECT_EQ(LastPointIndex(f), c.want) << "kind " << c.kind;
  }
}
