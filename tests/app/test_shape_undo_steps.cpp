// One undo step per shape command in the real main window: each command that changes the figures
// marks the document modified, and one press of the toolbar's Undo button gives back the figures
// exactly as they were, older shapes included.
#include <gtest/gtest.h>

#include <QTest>

#include <functional>
#include <vector>

#include "app/main_window_fixture.h"
#include "app/text_window_fixture.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "cad/selectors.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/streams.h"

namespace {

std::vector<uint8_t> ShapesBytes() {
  TMemoryStream m;
  Figures->SaveToStream(m);
  return m.Data;
}

struct ShapeUndoSteps : StartedWindowFixture {
  void SetUp() override {
    StartedWindowFixture::SetUp();
    Figures->Template->SetPenColor(clBlack);
    form->tbDraw->SetDown(true);
    form->tbDraw->click();
    // A rectangle and a line below it, drawn with the mouse.
    Figures->Template->SetKind(5);
    form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, 100, 100);
    form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, 200, 150);
    form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, 300, 200);
    Figures->Template->SetKind(0);
    DragOnPage(form, 100, 300, 300);
  }
  QAction* Item(const char* name) { return form->findChild<QAction*>(name); }
  void SelectAround(int top, int bottom) {
    SelectionRect = TRect(50, top, 350, bottom);
    SelectionRectShown = true;
    Figures->SelectInRect(SelectionRect);
  }
};

}  // namespace

TEST_F(ShapeUndoSteps, EachShapeCommandIsOneUndoStepAndMarksTheDocument) {
  ASSERT_EQ(Figures->Count(), 2);
  struct Row {
    const char* action;
    std::function<void(ShapeUndoSteps&)> prepare;
  };
  const Row rows[] = {
      {"CutSelectedShapes1", [](ShapeUndoSteps& t) { t.SelectAround(80, 220); }},
      {"PasteSelectedFigures1",
       [](ShapeUndoSteps& t) {
         t.SelectAround(80, 220);
         Figures->CopySelected(SelectionRect);
       }},
      {"PasteCutFiguresatCaret1",
       [](ShapeUndoSteps& t) {
         t.SelectAround(80, 220);
         Figures->CopySelected(SelectionRect);
         t.form->CaretPoint = TPoint(400, 500);
       }},
      {"BringLastShapetoFront1", [](ShapeUndoSteps&) { Figures->Measure.LastIndex = 0; }},
      {"SendLastShapetoBack1", [](ShapeUndoSteps&) { Figures->Measure.LastIndex = 1; }},
      {"BringShapestoFront1", [](ShapeUndoSteps& t) { t.SelectAround(80, 220); }},
      {"SendShapestoBack1", [](ShapeUndoSteps& t) { t.SelectAround(250, 350); }},
      {"ConverttoMultiline1", [](ShapeUndoSteps& t) { t.SelectAround(80, 220); }},
      {"DeleteSelectedShapes2", [](ShapeUndoSteps& t) { SelectionRect = TRect(50, 80, 350, 220); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.action);
    const std::vector<uint8_t> before = ShapesBytes();
    const int entries = form->UndoState.UndoKindCount;
    form->Modified = false;
    row.prepare(*this);
    QAction* a = Item(row.action);
    ASSERT_NE(a, nullptr);
    a->setEnabled(true);
    a->trigger();
    EXPECT_NE(ShapesBytes(), before);
    EXPECT_TRUE(form->Modified);
    EXPECT_EQ(form->UndoState.UndoKindCount, entries + 1);
    QTest::mouseClick(form->tbUndo, Qt::LeftButton);
    EXPECT_EQ(ShapesBytes(), before);
    EXPECT_EQ(form->UndoState.UndoKindCount, entries);
    SelectionRect = TRect();
    SelectionRectShown = false;
    Figures->Selection.clear();
  }
  // The two shapes drawn first are still there and still undo one by one.
  EXPECT_EQ(Figures->Count(), 2);
  QTest::mouseClick(form->tbUndo, Qt::LeftButton);
  QTest::mouseClick(form->tbUndo, Qt::LeftButton);
  EXPECT_EQ(Figures->Count(), 0);
}

TEST_F(ShapeUndoSteps, ARightDragOfTheSelectorMovesOnceUndoablyAndLeavesTheRightPage) {
  form->tbSelect->SetDown(true);
  form->tbSelect->click();
  form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, 80, 80);
  form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, 200, 150);
  form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, 320, 220);
  TReferenceSelector* s = Figures->Selector;
  ASSERT_NE(s, nullptr);
  const std::vector<uint8_t> before = ShapesBytes();
  const int entries = form->UndoState.UndoKindCount;
  form->Modified = false;
  const QPoint c(s->width() / 2, s->height() / 2);
  QTest::mousePress(s, Qt::RightButton, Qt::NoModifier, c);
  QMouseEvent move(QEvent::MouseMove, QPointF(c + QPoint(60, 40)), s->mapToGlobal(QPointF(c + QPoint(60, 40))),
                   Qt::NoButton, Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(s, &move);
  QTest::mouseRelease(s, Qt::RightButton, Qt::NoModifier, c + QPoint(60, 40));
  ASSERT_NE(ShapesBytes(), before);
  EXPECT_TRUE(form->Modified);
  EXPECT_EQ(form->UndoState.UndoKindCount, entries + 1);
  // What the page shows is what a full composition of it shows.
  const QImage shown = form->MainImage->Bitmap().Image().copy();
  form->RefreshAllImages(form, false);
  EXPECT_EQ(shown, form->MainImage->Bitmap().Image());
  QTest::mouseClick(form->tbUndo, Qt::LeftButton);
  EXPECT_EQ(ShapesBytes(), before);
}

TEST_F(ShapeUndoSteps, OnePageEntryCoveringAnAddAndADeleteIsTakenBackWhole) {
  const std::vector<uint8_t> before = ShapesBytes();
  const int depth = Figures->UndoDepth();
  Figures->RecordAddUndo();
  TRealFig f(Figures);
  f.Kind = 0;
  f.NodeCountUsed = 2;
  Figures->AddFigure(&f);
  Figures->Selection = {0};
  Figures->DeleteSelected(true);
  form->PushShapeUndo(form, depth);
  form->Shapes2->trigger();
  EXPECT_EQ(Figures->UndoDepth(), depth);
  EXPECT_EQ(ShapesBytes(), before);
}

namespace {
struct TextUndoSteps : TextPageTest {};
}  // namespace

TEST_F(TextUndoSteps, TheToolbarUndoTakesBackTypingInTheTextTool) {
  // A line break keeps the text before it for undo; the toolbar button and Undo > Last take the
  // text back while the text tool is down.
  form->tbText->SetDown(true);
  Type("ab\ncd");
  ASSERT_EQ(Cells(1, 6), "ab|cd|");
  QTest::mouseClick(form->tbUndo, Qt::LeftButton);
  EXPECT_EQ(Cells(1, 3), "ab|");
  Type("\nef");
  form->UndoLast1->trigger();
  EXPECT_EQ(Cells(1, 3), "ab|");
}
