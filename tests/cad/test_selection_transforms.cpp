// Transforms, arrays and z-order of the selected figures.
#include <gtest/gtest.h>

#include <cmath>

#include "cad/engine.h"
#include "cad/node_layout.h"
#include "cad_test_support.h"

class SelectionTransforms : public CadTest {};

TEST_F(SelectionTransforms, PolarArrayTurnsEveryKindByWholeSteps) {
  // A point kind (line), a box kind (rectangle) and a centred kind (circle): the copies of a
  // clockwise array lie at 90, 180 and 270 degrees whatever the kind's rotation rule.
  for (int kind : {0, 5, 9}) {
    SCOPED_TRACE(kind);
    TZQVCad e(nullptr, 16, 96, 96);
    TRealFig f(&e);
    f.Kind = uint8_t(kind);
    SetXY(f, 0, 5, 4.5);
    SetXY(f, 2, 6, 4);
    UpdateFigurePoints(f);
    e.AddFigure(&f);
    e.Selection = {0};
    e.PolarArray({4, 4}, true, 4, false, 0);
    ASSERT_EQ(e.Count(), 4);
    // The figure's centre (node 0 of a circle, else the middle of nodes 0 and 2), turned
    // clockwise (world y up) about (4, 4).
    auto middle = [&](int i) {
      const TRealFig& g = *e.GetFigure(i);
      if (CentredKinds.Has(g.Kind)) return TRealPoint{g.Point(0).x, g.Point(0).y};
      return TRealPoint{(g.Point(0).x + g.Point(2).x) / 2, (g.Point(0).y + g.Point(2).y) / 2};
    };
    const TRealPoint m0 = middle(0);
    for (int k = 1; k < 4; ++k) {
      const double a = -k * M_PI / 2, dx = m0.x - 4, dy = m0.y - 4;
      EXPECT_NEAR(middle(k).x, 4 + dx * std::cos(a) - dy * std::sin(a), 1e-9) << k;
      EXPECT_NEAR(middle(k).y, 4 + dx * std::sin(a) + dy * std::cos(a), 1e-9) << k;
    }
  }
}

TEST_F(SelectionTransforms, ArraysCountsAndPenWidths) {
  TZQVCad e(nullptr, 16, 96, 96);
  for (double width : {0.01, 0.05}) {
    TRealFig f(&e);
    f.Kind = 0;
    f.PenWidth = width;
    SetXY(f, 0, 1, 1);
    SetXY(f, 2, 2, 2);
    UpdateFigurePoints(f);
    e.AddFigure(&f);
  }
  e.Selection = {0, 1};
  e.ScaledArray(3, {0, 0}, 2, 2, 0, true);
  ASSERT_EQ(e.Count(), 8);
  for (int i = 2; i < 5; ++i) EXPECT_DOUBLE_EQ(e.GetFigure(i)->PenWidth, 0.01);
  for (int i = 5; i < 8; ++i) EXPECT_DOUBLE_EQ(e.GetFigure(i)->PenWidth, 0.05);
  EXPECT_NODE(*e.GetFigure(4), 2, 4, 4);  // the last copy has the final factors

  e.Selection = {0};
  EXPECT_TRUE(e.RectArray(3, 2, false, 0, 1, 0.5));
  ASSERT_EQ(e.Count(), 13);  // the original's cell is skipped
  EXPECT_NODE(*e.GetFigure(12), 0, 3, 0.5);
}

TEST_F(SelectionTransforms, SelectionToFrontOrBackKeepsItsOrder) {
  TZQVCad e(nullptr, 16, 96, 96);
  for (int i = 0; i < 6; ++i) {
    TRealFig f(&e);
    f.PenColor = TColor(i);
    e.AddFigure(&f);
  }
  auto order = [&] {
    std::vector<int> out;
    for (const auto& f : e.FigureList) out.push_back(int(f->PenColor));
    return out;
  };
  struct Case {
    std::vector<int32_t> selection;
    uint8_t mode;
    std::vector<int> expected;
    int entries;
  } cases[] = {
      {{1, 3}, 0, {0, 2, 4, 5, 1, 3}, 2},
      {{2, 5}, 1, {2, 5, 0, 1, 3, 4}, 2},
      {{4, 5}, 0, {0, 1, 2, 3, 4, 5}, 0},  // already on top
      {{0, 1, 2, 3, 4, 5}, 0, {0, 1, 2, 3, 4, 5}, 0},
      {{3}, 1, {3, 0, 1, 2, 4, 5}, 1},
  };
  for (const auto& c : cases) {
    const int depth = e.UndoDepth();
    e.Selection = c.selection;
    e.SelectionToFrontOrBack(c.mode);
    EXPECT_EQ(order(), c.expected);
    EXPECT_EQ(e.UndoDepth() - depth, c.entries);
    if (c.selection.size() < 6) {
      EXPECT_TRUE(e.Selection.empty());
    }
    while (e.UndoDepth() > depth) e.Undo();
    EXPECT_EQ(order(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  }
}

TEST_F(SelectionTransforms, AWaveTurnedPastAFullTurnKeepsItsDirection) {
  struct TCase {
    int Start;
    bool Clockwise;
    std::vector<int> Copies;
  } cases[] = {
      {-100, true, {-190, -280, -10}},
      {100, false, {190, 280, 10}},
      {0, true, {-90, -180, -270}},
  };
  for (const TCase& c : cases) {
    TZQVCad e(nullptr, 16, 96, 96);
    TRealFig f(&e);
    f.Kind = 27;
    f.Wave.Rotation = c.Start;
    SetXY(f, 0, 1, 1);
    SetXY(f, 2, 3, 1);
    e.AddFigure(&f);
    e.Selection = {0};
    e.PolarArray({2, 2}, c.Clockwise, 4, false, 0);
    ASSERT_EQ(e.Count(), 4);
    for (int k = 1; k < 4; ++k) EXPECT_EQ(e.GetFigure(k)->Wave.Rotation, c.Copies[size_t(k - 1)]) << c.Start << " " << k;
  }
}

TEST_F(SelectionTransforms, AnArrayThatCannotAppendSaysWhichArrayStopped) {
  struct TCase {
    bool Polar;
    const char* Message;
  } cases[] = {{true, "Unable to continue Polar array due to\rMaximum shapes is: 3"},
               {false, "Unable to continue Rectangular array due to\rMaximum shapes is: 3"}};
  for (const TCase& c : cases) {
    TZQVCad e(nullptr, 16, 96, 96);
    int changes = 0;
    e.OnChange = [&](TZQVCad*) { ++changes; };
    TRealFig f(&e);
    f.Kind = 0;
    SetXY(f, 0, 1, 1);
    SetXY(f, 2, 2, 2);
    e.AddFigure(&f);
    e.FigureLimit = 3;
    e.Selection = {0};
    changes = 0;
    try {
      if (c.Polar) e.PolarArray({0, 0}, true, 6, false, 0);
      else e.RectArray(3, 2, false, 0, 1, 1);
      ADD_FAILURE() << "the array went on past the limit";
    } catch (const EZQVCadException& x) {
      EXPECT_EQ(x.Message, c.Message);
    }
    // The copies made stay, as one undoable group, and the engine is ready for more work.
    EXPECT_EQ(e.Count(), 3);
    EXPECT_FALSE(e.Updating);
    EXPECT_FALSE(e.Busy);
    EXPECT_EQ(changes, 1);
    e.Undo();
    EXPECT_EQ(e.Count(), 1);
  }
}

TEST_F(SelectionTransforms, AFigureOutsideTheListIsNamedByItsIndex) {
  TZQVCad e(nullptr, 16, 96, 96);
  for (int index : {-1, 0, 7}) {
    try {
      e.GetFigure(index);
      ADD_FAILURE() << index;
    } catch (const EListError& x) {
      EXPECT_EQ(x.Message, "List index out of bounds = " + std::to_string(index));
    }
  }
}
