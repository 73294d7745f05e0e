// Drawing and editing figures with the mouse, driven by synthetic event sequences on a raster
// canvas: what ends up in the list, what is left on the canvas, snapping, the speed rule, cursors
// and undo.
#include <gtest/gtest.h>

#include "cad_drawing_support.h"

namespace {

class MouseEditing : public CadDrawTest {
protected:
  void SetUp() override {
    CadDrawTest::SetUp();
    Engine->CurrentFigure->PenColor = clBlack;
    Engine->CurrentFigure->PenWidth = 0;
    Engine->CurrentFigure->WantDimensions = false;
    Engine->Template->Assign(*Engine->CurrentFigure);
  }
  void UseKind(int Kind) {
    Engine->Template->Kind = uint8_t(Kind);
    Engine->CurrentFigure->Assign(*Engine->Template);
  }
  // A left-button drag with the drawing tool through the given pixels.
  void DrawDrag(std::initializer_list<TPoint> path, bool snapping = false, float speed = 0) {
    TMouseSpeedRec s;
    s.Speed = speed;
    auto it = path.begin();
    Engine->MouseDown(*Canvas, mbLeft, ssLeft, it->X, it->Y, true, false, snapping, false, s);
    TPoint last = *it;
    for (++it; it != path.end(); ++it) {
      Engine->MouseMove(*Canvas, ssLeft, it->X, it->Y, true, false, snapping, false, s);
      last = *it;
    }
    Engine->MouseUpPlain(*Canvas, mbLeft, 0, last.X, last.Y, true, false, snapping, false);
  }
  // A drag with the editing tool: Button picks a node (left) or the whole figure (right).
  void EditDrag(TMouseButton Button, std::initializer_list<TPoint> path, bool snapping = true) {
    const TShiftState held = Button == mbLeft ? ssLeft : ssRight;
    auto it = path.begin();
    Engine->MouseDownPlain(*Canvas, Button, held, it->X, it->Y, false, true, snapping, false);
    TPoint last = *it;
    for (++it; it != path.end(); ++it) {
      Engine->MouseMove(*Canvas, held, it->X, it->Y, false, true, snapping, false, TMouseSpeedRec());
      last = *it;
    }
    Engine->MouseUpPlain(*Canvas, Button, 0, last.X, last.Y, false, true, snapping, false);
  }
  // The list drawn afresh on a white page.
  QImage FreshDraw() {
    QImage image(Image.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas c(&image);
    c.SetPixelsPerInch(96);
    Engine->DrawAll(c, 0, 0, false);
    return image;
  }
  void AddLine(double x0, double y0, double x2, double y2) {
    auto f = Figure(0, {{x0, y0}, {0, 0}, {x2, y2}});
    Engine->AddFigure(f.get());
  }
};

TEST_F(MouseEditing, DrawnFiguresLeaveExactlyWhatAFreshDrawOfTheListShows) {
  // Lines, shapes, a wave and a Bezier, each dragged through several points: the rubber band is
  // taken off completely, and the figure stays as the list draws it.
  for (int kind : {0, 3, 5, 6, 10, 13, 23, 27, 29, 22}) {
    SCOPED_TRACE(kind);
    Engine->Clear();
    Image.fill(Qt::white);
    UseKind(kind);
    DrawDrag({{40, 150}, {60, 140}, {90, 100}, {120, 80}, {140, 60}});
    ASSERT_EQ(Engine->Count(), 1);
    EXPECT_EQ(Engine->GetFigure(0)->Kind, kind);
    EXPECT_EQ(Image, FreshDraw());
    EXPECT_FALSE(NewFigureStarted);
    EXPECT_FALSE(Engine->RubberShown);
  }
}

TEST_F(MouseEditing, AClickWithoutADragAddsOnlyTheKindsAClickPlaces) {
  const struct {
    int kind;
    int figures;
  } cases[] = {{0, 0}, {10, 0}, {27, 0}, {16, 1}, {17, 1}, {48, 1}, {55, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Engine->Clear();
    UseKind(c.kind);
    const int depth = Engine->UndoDepth();
    DrawDrag({{70, 70}});
    EXPECT_EQ(Engine->Count(), c.figures);
    // Nothing added, nothing recorded.
    EXPECT_EQ(Engine->UndoDepth() - depth, c.figures);
  }
}

TEST_F(MouseEditing, TheMeasuringToolIsARubberBandOnly) {
  UseKind(55);
  DrawDrag({{20, 20}, {80, 60}, {150, 120}});
  EXPECT_EQ(Engine->Count(), 0);
  EXPECT_EQ(Engine->UndoDepth(), 0);
  QImage white(Image.size(), QImage::Format_RGB32);
  white.fill(Qt::white);
  EXPECT_EQ(Image, white);
  EXPECT_NE(Engine->Measure.Length, 0.0);
}

TEST_F(MouseEditing, SnappingTakesANodeWithinTheHitBoxAndTheGridOtherwise) {
  AddLine(0.5, 1.5, 1.5, 1.5);  // node 0 at pixel (50, 50)
  UseKind(0);
  const struct {
    int y;
    bool snapping;
    bool onNode;
  } cases[] = {
      {53, true, true},    // 3 pixels below: on the node
      {56, true, false},   // 6 pixels below: the snap grid point
      {53, false, false},  // snapping off: the grid point even near a node
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.y);
    DrawDrag({{50, c.y}, {90, 120}}, c.snapping);
    ASSERT_EQ(Engine->Count(), 2);
    const TRealXYZ start = Engine->GetFigure(1)->Point(0);
    const TRealPoint grid = Engine->GridPoint(50, c.y);
    EXPECT_DOUBLE_EQ(start.x, 0.5);
    EXPECT_DOUBLE_EQ(start.y, c.onNode ? 1.5 : grid.y);
    EXPECT_NE(grid.y, 1.5);
    Engine->Undo();
  }
}

TEST_F(MouseEditing, FastPointerSnapsToNothingAndShowsThePlainCursor) {
  AddLine(0.5, 1.5, 1.5, 1.5);
  UseKind(0);
  const struct {
    float speed;
    bool onNode;
    int cursor;
  } cases[] = {{3.0f, false, -3}, {2.9f, true, 15}};
  for (const auto& c : cases) {
    TMouseSpeedRec s;
    s.Speed = c.speed;
    Engine->MouseMove(*Canvas, 0, 51, 50, true, false, true, false, s);
    EXPECT_EQ(Engine->Measure.OnNode, c.onNode) << c.speed;
    EXPECT_EQ(Engine->Measure.Cursor, c.cursor) << c.speed;
  }
  Engine->LargeSnapCursor = true;
  Engine->MouseMove(*Canvas, 0, 51, 50, true, false, true, false, TMouseSpeedRec());
  EXPECT_EQ(Engine->Measure.Cursor, 16);
  Engine->MouseMove(*Canvas, 0, 51, 50, false, true, true, false, TMouseSpeedRec());
  EXPECT_EQ(Engine->Measure.Cursor, 19);
  Engine->MouseMove(*Canvas, 0, 100, 150, false, true, true, false, TMouseSpeedRec());
  EXPECT_EQ(Engine->Measure.Cursor, 7);
}

TEST_F(MouseEditing, LeftDragOfANodeNeverSnapsToItselfButMovesOnlyThatNode) {
  // A sine wave: nodes 0 and 2 are its only snap targets, at pixels (50, 50) and (150, 50).
  auto wave = Figure(27, {{0.5, 1.5}, {0, 0}, {1.5, 1.5}});
  Engine->AddFigure(wave.get());
  Engine->DrawAll(*Canvas, 0, 0, false);
  QImage expected = Image.copy();
  // From node 2 to 3 pixels beside where it was: its own old place is not a snap target.
  EditDrag(mbLeft, {{150, 50}, {152, 52}, {153, 50}});
  ASSERT_EQ(Engine->Count(), 1);
  const TRealFig& f = *Engine->GetFigure(0);
  EXPECT_DOUBLE_EQ(f.Point(0).x, 0.5);
  EXPECT_DOUBLE_EQ(f.Point(2).x, Engine->GridPoint(153, 50).x);
  EXPECT_NE(f.Point(2).x, 1.5);
  // The band is gone: the page shows the old drawing with the edited figure drawn over it.
  {
    TCanvas c(&expected);
    c.SetPixelsPerInch(96);
    TMeasureRec m;
    Engine->DrawAsListed(c, *Engine->GetFigure(0), 0, m);
  }
  EXPECT_EQ(Image, expected);
  // One mouse edit, taken back as one.
  while (Engine->UndoDepth() > 0) Engine->Undo();
  EXPECT_DOUBLE_EQ(Engine->GetFigure(0)->Point(2).x, 1.5);
}

TEST_F(MouseEditing, RightDragMovesTheWholeFigureAndUndoPutsItBack) {
  AddLine(0.5, 1.5, 1.5, 1.5);
  auto circle = Figure(10, {{1.0, 0.5}, {0, 0}, {1.2, 0.5}});
  Engine->AddFigure(circle.get());
  const std::vector<uint8_t> lineBefore = FigureFields(*Engine->GetFigure(0));
  const std::vector<uint8_t> circleBefore = FigureFields(*Engine->GetFigure(1));
  Engine->AutoFront = true;
  EditDrag(mbRight, {{50, 50}, {60, 70}, {70, 90}}, false);
  ASSERT_EQ(Engine->Count(), 2);
  // Brought to the front; moved by the drag's world distance.
  const TRealFig& moved = *Engine->GetFigure(1);
  EXPECT_EQ(moved.Kind, 0);
  EXPECT_NEAR(moved.Point(0).x, 0.7, 1e-9);
  EXPECT_NEAR(moved.Point(0).y, 1.1, 1e-9);
  EXPECT_NEAR(moved.Point(2).x, 1.7, 1e-9);
  EXPECT_EQ(Engine->Measure.LastIndex, 1);
  while (Engine->UndoDepth() > 0) ASSERT_TRUE(Engine->Undo());
  EXPECT_EQ(FigureFields(*Engine->GetFigure(0)), lineBefore);
  EXPECT_EQ(FigureFields(*Engine->GetFigure(1)), circleBefore);
}

TEST_F(MouseEditing, PixelSnapWithTheEditingToolEditsNothing) {
  AddLine(0.5, 1.5, 1.5, 1.5);
  Engine->DrawAll(*Canvas, 0, 0, false);
  Engine->PixelSnap = true;
  EditDrag(mbLeft, {{150, 50}, {160, 90}});
  EXPECT_DOUBLE_EQ(Engine->GetFigure(0)->Point(2).y, 1.5);
  EXPECT_EQ(Engine->UndoDepth(), 0);
}

TEST_F(MouseEditing, ClickBuiltFiguresCollectTheirPointsAndSnapToNodesEvenWithSnappingOff) {
  AddLine(0.5, 1.5, 1.5, 1.5);
  UseKind(38);  // angle arc: three clicks
  const TPoint clicks[] = {{52, 51}, {100, 120}, {150, 150}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Engine->Count(), 1);
    Engine->MouseDownPlain(*Canvas, mbLeft, ssLeft, clicks[i].X, clicks[i].Y, true, false, false, false);
    Engine->MouseUpPlain(*Canvas, mbLeft, 0, clicks[i].X, clicks[i].Y, true, false, false, false);
  }
  ASSERT_EQ(Engine->Count(), 2);
  const TRealFig& arc = *Engine->GetFigure(1);
  EXPECT_EQ(arc.Kind, 38);
  EXPECT_DOUBLE_EQ(arc.Point(0).x, 0.5);  // the first click fell on the line's node
  EXPECT_DOUBLE_EQ(arc.Point(0).y, 1.5);
  EXPECT_EQ(Engine->UndoDepth(), 1);
  // The working figure starts again from the template.
  EXPECT_EQ(Engine->CurrentFigure->NodeCountUsed, Engine->Template->NodeCountUsed);

  // A multiline takes points until the right button completes it.
  UseKind(49);
  Engine->CurrentFigure->NodeCountUsed = 0;
  for (TPoint p : {TPoint{20, 180}, TPoint{60, 160}, TPoint{100, 180}}) {
    Engine->MouseDownPlain(*Canvas, mbLeft, ssLeft, p.X, p.Y, true, false, false, false);
    Engine->MouseUpPlain(*Canvas, mbLeft, 0, p.X, p.Y, true, false, false, false);
  }
  EXPECT_EQ(Engine->Count(), 2);
  Engine->MouseDownPlain(*Canvas, mbRight, ssRight, 100, 180, true, false, false, false);
  Engine->MouseUpPlain(*Canvas, mbRight, 0, 100, 180, true, false, false, false);
  ASSERT_EQ(Engine->Count(), 3);
  EXPECT_EQ(Engine->GetFigure(2)->NodeCountUsed, 3);
}

TEST_F(MouseEditing, GridCrossingsAreFoundOnlyInsideTheGridWithScanningOn) {
  auto grid = Figure(22, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}});  // pixels (50, 50) .. (150, 150)
  grid->GridCellsX = 4;
  grid->GridCellsY = 4;
  Engine->AddFigure(grid.get());
  UseKind(0);
  // A crossing at pixel (75, 75): a press 2 pixels off starts on it.
  Engine->ScanGrids = true;
  DrawDrag({{77, 76}, {120, 20}}, true);
  ASSERT_EQ(Engine->Count(), 2);
  EXPECT_DOUBLE_EQ(Engine->GetFigure(1)->Point(0).x, 0.75);
  EXPECT_DOUBLE_EQ(Engine->GetFigure(1)->Point(0).y, 1.25);
  Engine->Undo();  // the new line's own node would be found next time
  Engine->ScanGrids = false;
  DrawDrag({{77, 76}, {120, 20}}, true);
  ASSERT_EQ(Engine->Count(), 2);
  EXPECT_DOUBLE_EQ(Engine->GetFigure(1)->Point(0).x, Engine->GridPoint(77, 76).x);
}

TEST_F(MouseEditing, NothingHappensWhileTheEngineIsNotReadyOrDrawing) {
  UseKind(0);
  for (int state = 0; state < 2; ++state) {
    Engine->Ready = state == 1;
    Engine->Drawing = state == 1;
    DrawDrag({{20, 20}, {100, 100}});
    EXPECT_EQ(Engine->Count(), 0);
  }
}

}  // namespace
