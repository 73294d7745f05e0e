// The node search under the mouse: hit box edges, the speed rule, the dragged node passed over and
// the topmost figure first.
#include <gtest/gtest.h>

#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "cad_test_support.h"

class NodeSearch : public CadTest {};

TEST_F(NodeSearch, Table) {
  TZQVCad e(nullptr, 16, 96, 96);
  for (int i = 0; i < 2; ++i) {
    TRealFig f(&e);
    f.Kind = 0;
    SetXY(f, 0, 2, 8);
    SetXY(f, 2, 3 + i, 7);
    UpdateFigurePoints(f);
    e.AddFigure(&f);
  }
  const TPoint node0 = WorldToScreen(e.Mapping, TRealXYZ{2, 8, 0});
  const TPoint middle = WorldToScreen(e.Mapping, e.GetFigure(0)->Point(1));
  struct Case {
    const char* name;
    TPoint at;
    float speed;
    TShiftState shift;
    TNodeHitRec current;
    int figure, node;  // -1: nothing found
  } cases[] = {
      {"on the node", node0, 0, 0, {}, 1, 0},
      {"box edge", {node0.X + 4, node0.Y - 4}, 0, 0, {}, 1, 0},
      {"outside the box", {node0.X + 5, node0.Y}, 0, 0, {}, -1, -1},
      {"speed 2.9", node0, 2.9f, 0, {}, 1, 0},
      {"speed 3.0", node0, 3.0f, 0, {}, -1, -1},
      {"left drag passes over its own node", node0, 0, ssLeft, {1, 0}, 0, 0},
      {"right drag does not", node0, 0, ssRight, {1, 0}, 1, 0},
      {"a line's middle node is no target", middle, 0, 0, {}, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    double x = c.at.X, y = c.at.Y;
    TNodeHitRec hit;
    int32_t col = 0, row = 0;
    const bool found = e.FindNodeAt(e.HitRect(c.at.X, c.at.Y), x, y, hit, c.speed, true, c.shift, c.current,
                                    mbLeft, col, row);
    EXPECT_EQ(found, c.figure >= 0);
    EXPECT_EQ(hit.Found, found);
    EXPECT_EQ(col, -1);
    if (found) {
      EXPECT_EQ(hit.FigureIndex, c.figure);
      EXPECT_EQ(hit.NodeIndex, c.node);
      EXPECT_EQ(x, 2.0);  // the node's exact world point, not the pixel's
      EXPECT_EQ(y, 8.0);
    }
  }
}
