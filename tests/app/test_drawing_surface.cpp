// The page's mouse in the real main window: drawing, selecting and moving figures with synthetic
// mouse events, the status readouts, the node indicator and undo of shape operations.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QTest>

#include "app/main_window_fixture.h"
#include "cad/engine.h"
#include "cad/selectors.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "app/text_window_fixture.h"

namespace {

struct DrawingSurface : MainWindowFixture {
  TForm1* form = nullptr;
  void SetUp() override {
    MainWindowFixture::SetUp();
    form = CreateStartupWindows();
    ASSERT_NE(Figures, nullptr);
    Figures->Template->SetKind(0);
    Figures->Template->SetPenColor(clBlack);
  }
  void Press(QWidget*, TZQVSpeedButton* tool) {
    tool->SetDown(true);
    tool->click();
  }
  void Drag(Qt::MouseButton button, std::initializer_list<TPoint> path) {
    auto it = path.begin();
    form->MainImageMouseDown(button, Qt::NoModifier, it->X, it->Y);
    TPoint last = *it;
    for (++it; it != path.end(); ++it) {
      form->MainImageMouseMove(button, Qt::NoModifier, it->X, it->Y);
      last = *it;
    }
    form->MainImageMouseUp(button, Qt::NoModifier, last.X, last.Y);
  }
  QImage Page() const { return form->MainImage->Bitmap().Image().copy(); }
  static bool Ink(const QImage& img, int x, int y) { return (img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF; }
};

TEST_F(DrawingSurface, ALineDrawnWithTheDrawingToolIsInTheListAndOnThePage) {
  Press(form, form->tbDraw);
  EXPECT_TRUE(Figures->Selector->isVisibleTo(form->ScrollBox1->viewport()));
  Drag(Qt::LeftButton, {{100, 200}, {150, 200}, {300, 200}});
  ASSERT_EQ(Figures->Count(), 1);
  EXPECT_EQ(Figures->GetFigure(0)->Kind, 0);
  const QImage page = Page();
  EXPECT_TRUE(Ink(page, 200, 200));
  EXPECT_FALSE(Ink(page, 200, 230));
  // The readouts: the pointer's place after the button went up.
  EXPECT_EQ(form->PanelText(3), "X: 300 Y: 200");
  EXPECT_TRUE(form->tbUndo->isEnabled());
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(DrawingSurface, UndoTakesBackExactlyTheLastShapeOperation) {
  Press(form, form->tbDraw);
  Drag(Qt::LeftButton, {{100, 200}, {300, 200}});
  Drag(Qt::LeftButton, {{100, 300}, {300, 300}});
  // A click without a drag adds nothing and leaves no undo entry.
  Drag(Qt::LeftButton, {{400, 400}});
  ASSERT_EQ(Figures->Count(), 2);
  EXPECT_EQ(ShapeUndoCount(form->UndoState), 2);
  form->tbUndoClick(form->tbUndo);
  ASSERT_EQ(Figures->Count(), 1);
  EXPECT_DOUBLE_EQ(Figures->GetFigure(0)->Point(0).y, Figures->GetFigure(0)->Point(2).y);
  const QImage page = Page();
  EXPECT_TRUE(Ink(page, 200, 200));
  EXPECT_FALSE(Ink(page, 200, 300));  // the page was composed again without the second line
  form->tbUndoClick(form->tbUndo);
  EXPECT_EQ(Figures->Count(), 0);
  EXPECT_FALSE(form->tbUndo->isEnabled());
}

TEST_F(DrawingSurface, SelectionRectangleSelectsAndASmallOneLeavesNoTrace) {
  Press(form, form->tbDraw);
  Drag(Qt::LeftButton, {{100, 200}, {300, 200}});
  Press(form, form->tbSelect);
  const QImage before = Page();
  Drag(Qt::LeftButton, {{90, 190}, {92, 192}, {95, 195}});  // 5 by 5: dropped
  EXPECT_FALSE(SelectionRectShown);
  EXPECT_EQ(Page(), before);
  EXPECT_FALSE(Figures->HasSelection());
  Drag(Qt::LeftButton, {{90, 190}, {200, 205}, {310, 210}});
  EXPECT_TRUE(SelectionRectShown);
  EXPECT_TRUE(Figures->HasSelection());
  EXPECT_EQ(form->PanelText(3), "px=220 py=20");
  // A click outside takes the rectangle off and leaves the page as it was.
  form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, 500, 500);
  form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, 500, 500);
  EXPECT_FALSE(SelectionRectShown);
  EXPECT_EQ(Page(), before);
}

TEST_F(DrawingSurface, TheMoveToolMovesAFigureAndUndoPutsItBack) {
  Press(form, form->tbDraw);
  Drag(Qt::LeftButton, {{100, 200}, {300, 200}});
  const TRealXYZ start = Figures->GetFigure(0)->Point(0);
  Press(form, form->tbMove);
  Drag(Qt::RightButton, {{100, 200}, {120, 250}, {140, 300}});
  ASSERT_EQ(Figures->Count(), 1);
  const TRealXYZ moved = Figures->GetFigure(0)->Point(0);
  EXPECT_GT(moved.x, start.x);
  EXPECT_LT(moved.y, start.y);
  // Only the moved line is on the page: nothing is left where it was.
  const QImage page = Page();
  EXPECT_FALSE(Ink(page, 200, 200));
  EXPECT_TRUE(Ink(page, 240, 300));
  form->tbUndoClick(form->tbUndo);
  EXPECT_EQ(Figures->GetFigure(0)->Point(0), start);
}

TEST_F(DrawingSurface, TheNodeIndicatorAndCursorFollowThePointer) {
  Press(form, form->tbDraw);
  Drag(Qt::LeftButton, {{100, 200}, {300, 200}});
  form->ToggleOnOff1->setChecked(true);
  form->MainImageMouseMove(Qt::NoButton, Qt::NoModifier, 101, 200);
  EXPECT_TRUE(Figures->Measure.OnNode);
  EXPECT_FALSE(form->NodeLed->State());  // green: on a node
  form->MainImageMouseMove(Qt::NoButton, Qt::NoModifier, 200, 400);
  EXPECT_TRUE(form->NodeLed->State());
  EXPECT_EQ(form->MainImage->cursor().shape(), Qt::CrossCursor);
}

TEST_F(DrawingSurface, DrawingKeysSetFigureParametersNudgeAndDelete) {
  Press(form, form->tbDraw);
  // Digits: line divisions, and the sides of a regular polygon (0 gives 10, minus 11, equals 12).
  const struct {
    int kind;
    uint16_t key;
    int sides;
    int divisions;
  } cases[] = {{0, '5', 7, 5}, {24, '5', 5, 5}, {24, '0', 10, 10}, {24, vk::OemMinus, 11, 11},
               {25, vk::OemPlus, 12, 12}, {24, '2', 12, 2}};
  for (const auto& c : cases) {
    Figures->Template->SetKind(uint8_t(c.kind));
    if (c.kind == 0) Figures->Template->SetPolygonSides(7);
    uint16_t key = c.key;
    form->FormKeyDown(form, key, 0);
    EXPECT_EQ(Figures->Template->PolygonSides, c.sides) << c.key;
    EXPECT_EQ(Figures->Template->LineDivisions, c.divisions) << c.key;
  }
  Figures->Template->SetKind(0);
  Drag(Qt::LeftButton, {{100, 200}, {300, 200}});
  Drag(Qt::LeftButton, {{100, 300}, {300, 300}});
  ASSERT_EQ(Figures->Count(), 2);
  // With the figures selected a digit goes to them and the template keeps its value.
  Press(form, form->tbSelect);
  Drag(Qt::LeftButton, {{90, 190}, {310, 310}});
  ASSERT_TRUE(Figures->HasSelection());
  uint16_t key = '4';
  form->FormKeyDown(form, key, 0);
  EXPECT_EQ(Figures->GetFigure(0)->LineDivisions, 4);
  EXPECT_EQ(Figures->Template->LineDivisions, 2);
  // The move tool's arrows nudge the last figure; Undo puts it back.
  Press(form, form->tbMove);
  ASSERT_EQ(Figures->Count(), 2);
  const TRealXYZ before = Figures->GetFigure(1)->Point(0);
  key = vk::Right;
  form->FormKeyDown(form, key, 0);
  EXPECT_GT(Figures->GetFigure(1)->Point(0).x, before.x);
  form->tbUndoClick(form->tbUndo);
  EXPECT_EQ(Figures->GetFigure(1)->Point(0), before);
  // Delete outside text mode removes the last figure, and Undo brings it back.
  form->ClearSelectionRect();
  key = vk::Delete;
  form->FormKeyDown(form, key, 0);
  EXPECT_EQ(Figures->Count(), 1);
  form->tbUndoClick(form->tbUndo);
  EXPECT_EQ(Figures->Count(), 2);
  // D on key-up toggles the template's dimensions and its menu tick.
  const bool dims = Figures->Template->WantDimensions;
  key = 'D';
  form->FormKeyUp(form, key, 0);
  EXPECT_NE(Figures->Template->WantDimensions, dims);
  EXPECT_EQ(form->On1->isChecked(), Figures->Template->WantDimensions);
}

struct TextDragSelection : TextPageTest {};

TEST_F(TextDragSelection, ADragInTextModeSelectsTheTextUnderThePointer) {
  ASSERT_TRUE(form->tbText->Down());
  Type("Drag me");
  const TPoint first = form->CharPositions[1];
  const TPoint last = form->CharPositions[7];
  // Cell positions are on the baseline: the pointer goes a little above it.
  form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, first.X + 1, first.Y - 4);
  EXPECT_EQ(form->CurrentI, 1);
  form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, last.X + 1, last.Y - 4);
  form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, last.X + 1, last.Y - 4);
  EXPECT_TRUE(form->HasTextSelection());
  EXPECT_EQ(form->SelStart, 1);
  EXPECT_GE(form->SelEnd, 7);
  // Drawing never started in text mode.
  EXPECT_EQ(Figures->Count(), 0);
}

}  // namespace

namespace {
// Real mouse events on the page widget: a right-button drag reaches the engine whole, with no
// popup menu taking the mouse when the button goes down.
TEST_F(DrawingSurface, ARightButtonDragOfRealEventsMovesTheFigure) {
  Press(form, form->tbDraw);
  Drag(Qt::LeftButton, {{100, 200}, {300, 200}});
  const TRealXYZ start = Figures->GetFigure(0)->Point(0);
  Press(form, form->tbMove);
  form->show();
  QWidget* page = form->MainImage;
  QTest::mousePress(page, Qt::RightButton, Qt::NoModifier, QPoint(100, 200));
  // X11 asks for the context menu as the button goes down.
  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(100, 200), page->mapToGlobal(QPoint(100, 200)));
  QApplication::sendEvent(page, &menu);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  for (const QPoint p : {QPoint(120, 250), QPoint(140, 300)}) {
    QMouseEvent move(QEvent::MouseMove, QPointF(p), page->mapToGlobal(QPointF(p)), Qt::NoButton, Qt::RightButton,
                     Qt::NoModifier);
    QApplication::sendEvent(page, &move);
  }
  QTest::mouseRelease(page, Qt::RightButton, Qt::NoModifier, QPoint(140, 300));
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  const TRealXYZ moved = Figures->GetFigure(0)->Point(0);
  EXPECT_GT(moved.x, start.x);
  EXPECT_LT(moved.y, start.y);
}
}  // namespace
