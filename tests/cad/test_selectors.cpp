// The on-node indicator and the reference selector: bitmaps, placement, the world position it
// reports and the right-button drag that moves the selection.
#include <gtest/gtest.h>

#include <QScrollArea>
#include <QScrollBar>

#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/selectors.h"
#include "cad_test_support.h"

namespace {

TEST(Led, ShowsRedWhileTheStateIsTrueAndGreenOtherwise) {
  TLed led;
  EXPECT_TRUE(led.State());
  // The centre of each bitmap is its fill colour; its corner the button face.
  EXPECT_EQ(led.RedBitmap().pixel(4, 9) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(led.GreenBitmap().pixel(4, 9) & 0xFFFFFF, 0x00FF00u);
  EXPECT_NE(led.RedBitmap().pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
  led.SetState(false);
  EXPECT_FALSE(led.State());
  QImage shown(14, 14, QImage::Format_RGB32);
  led.resize(14, 14);
  led.render(&shown);
  EXPECT_EQ(shown.pixel(4, 9) & 0xFFFFFF, 0x00FF00u);
  led.SetState(true);
  led.render(&shown);
  EXPECT_EQ(shown.pixel(4, 9) & 0xFFFFFF, 0xFF0000u);
}

struct ReferenceSelector : CadTest {
  QScrollArea area;
  QWidget* page = new QWidget;
  std::unique_ptr<TZQVCad> engine;
  void SetUp() override {
    CadTest::SetUp();
    area.resize(300, 300);
    page->resize(1000, 1000);
    area.setWidget(page);
    engine = std::make_unique<TZQVCad>(&area, 16, 96, 96);
    engine->Ready = true;
    // World (0, 10) .. (10, 0) on 1000 pixels: 100 pixels per unit.
    engine->Mapping = TMappingRec{0, 10, 10, 0, 0, 0, 1000, 1000, 0.0125};
  }
  void TearDown() override {
    engine.reset();
    CadTest::TearDown();
  }
  void AddLine(double x0, double y0, double x2, double y2) {
    TRealFig f(engine.get());
    f.Kind = 0;
    f.LineDivisions = 1;
    SetXY(f, 0, x0, y0);
    SetXY(f, 2, x2, y2);
    engine->AddFigure(&f);
  }
};

TEST_F(ReferenceSelector, SitsOnTheViewportKeptHalfInsideItsTopLeftCorner) {
  TReferenceSelector* s = engine->Selector;
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->parentWidget(), area.viewport());
  EXPECT_FALSE(s->isVisibleTo(area.viewport()));
  EXPECT_EQ(s->pos(), QPoint(200, 200));
  s->SetBounds(2, 50, 9, 9);
  EXPECT_EQ(s->geometry(), QRect(5, 50, 9, 9));
  s->SetBounds(0, 0, 9, 9);
  EXPECT_EQ(s->pos(), QPoint(5, 5));
}

TEST_F(ReferenceSelector, CentreAddsTheScrollPositionsAndSnapsToANodeUnderIt) {
  TReferenceSelector* s = engine->Selector;
  area.show();
  s->SetBounds(96, 196, 9, 9);  // centre (100, 200)
  EXPECT_EQ(s->GetCentre(), TPoint(100, 200));
  area.horizontalScrollBar()->setValue(30);
  area.verticalScrollBar()->setValue(40);
  EXPECT_EQ(s->GetCentre(), TPoint(130, 240));
  area.horizontalScrollBar()->setValue(0);
  area.verticalScrollBar()->setValue(0);
  // No figure: the centre converted to world units.
  TRealPoint w = s->GetWorldPosition();
  EXPECT_DOUBLE_EQ(w.x, 1.0);
  EXPECT_DOUBLE_EQ(w.y, 8.0);
  // A node 2 pixels off the centre: its exact world point.
  AddLine(1.02, 7.99, 5, 5);
  w = s->GetWorldPosition();
  EXPECT_DOUBLE_EQ(w.x, 1.02);
  EXPECT_DOUBLE_EQ(w.y, 7.99);
  EXPECT_EQ(engine->ReferenceWorldPosition(), w);
}

TEST_F(ReferenceSelector, SnapsToAGridCrossingEvenWithGridScanningOff) {
  // A 4 x 4 grid from world (2, 8) to (6, 4): a crossing at (3, 7), pixel (300, 300).
  TRealFig grid(engine.get());
  grid.Kind = fkGrid;
  grid.GridCellsX = grid.GridCellsY = 4;
  SetXY(grid, 0, 2, 8);
  SetXY(grid, 2, 6, 4);
  engine->AddFigure(&grid);
  engine->ScanGrids = false;
  TReferenceSelector* s = engine->Selector;
  s->SetBounds(298, 297, 9, 9);  // centre (302, 301): two pixels off the crossing
  const TRealPoint w = s->GetWorldPosition();
  EXPECT_DOUBLE_EQ(w.x, 3.0);
  EXPECT_DOUBLE_EQ(w.y, 7.0);
  // Dragged over it, the selector reports that it is on a node.
  s->MouseDown(Qt::LeftButton, QPoint(4, 4));
  s->MouseMove(Qt::LeftButton, QPoint(4, 4));
  EXPECT_TRUE(s->OnNode);
  s->MouseUp(Qt::LeftButton, QPoint(4, 4));
}

TEST_F(ReferenceSelector, RightDragMovesTheSelectionByTheSameWorldDistanceLeftDragOnlyTheSelector) {
  AddLine(3, 3, 4, 3);
  AddLine(3, 2, 4, 2);
  engine->Selection = {0, 1};
  int moved = 0, changed = 0;
  engine->OnSelectionMoved = [&](TZQVCad*) { ++moved; };
  engine->OnChange = [&](TZQVCad*) { ++changed; };
  TReferenceSelector* s = engine->Selector;
  s->SetBounds(496, 496, 9, 9);  // centre (500, 500): world (5, 5)
  // Left drag: only the selector moves.
  s->MouseDown(Qt::LeftButton, QPoint(4, 4));
  s->MouseMove(Qt::LeftButton, QPoint(54, 4));
  s->MouseUp(Qt::LeftButton, QPoint(54, 4));
  EXPECT_EQ(s->pos(), QPoint(546, 496));
  EXPECT_DOUBLE_EQ(engine->GetFigure(0)->Point(0).x, 3);
  EXPECT_EQ(engine->UndoDepth(), 0);
  // Right drag one unit (100 pixels) left and one down.
  s->MouseDown(Qt::RightButton, QPoint(4, 4));
  s->MouseMove(Qt::RightButton, QPoint(-96, 104));
  s->MouseUp(Qt::RightButton, QPoint(-96, 104));
  EXPECT_EQ(s->pos(), QPoint(446, 596));
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(engine->GetFigure(i)->Point(0).x, 2.0, 1e-9);
    EXPECT_NEAR(engine->GetFigure(i)->Point(0).y, 2.0 - i, 1e-9);
  }
  EXPECT_EQ(engine->UndoDepth(), 1);
  EXPECT_EQ(moved, 1);
  EXPECT_GE(changed, 1);
  engine->Undo();
  EXPECT_DOUBLE_EQ(engine->GetFigure(0)->Point(0).x, 3);
}

}  // namespace
