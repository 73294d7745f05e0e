// The real main window driven with key and mouse events, as a user types.
#include <QKeyEvent>
#include <QTest>

#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "text_window_fixture.h"

using MainWindowTyping = TextPageTest;

namespace {
void Press(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(w, key, mods); }
}  // namespace

TEST_F(MainWindowTyping, TypeASuperscriptBreakTheLineDeleteAcrossItSelectAndEmbolden) {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  QTest::keyClicks(form, "ab");
  QTest::mouseClick(form->tbSuperScript, Qt::LeftButton);
  QTest::keyClicks(form, "2");
  QTest::mouseClick(form->tbSuperScript, Qt::LeftButton);
  QTest::keyClicks(form, "cd");
  EXPECT_EQ(Cells(1, 6), "ab2cd|");
  EXPECT_EQ(form->CharOffsets[3], -10);
  EXPECT_EQ(form->CharFonts[3]->Size(), 6);
  EXPECT_EQ(form->CharOffsets[4], 0);
  EXPECT_EQ(form->CharFonts[4]->Size(), 12);
  EXPECT_EQ(form->PanelText(0).toStdString(), " Font Size: 12");
  EXPECT_EQ(form->PanelText(2).toStdString(), "Times New Roman");
  EXPECT_EQ(form->PanelText(4).toStdString(), "Ins");

  // Break the line before "cd".
  Press(form, Qt::Key_Left);
  Press(form, Qt::Key_Left);
  Press(form, Qt::Key_Return);
  EXPECT_EQ(Cells(1, 7), "ab2|cd|");
  EXPECT_EQ(form->CurrentI, 5);
  EXPECT_EQ(form->CharPositions[5], TPoint(lMargin, tMargin + LineHeight));
  EXPECT_EQ(TextUndoCount, 1);

  // Delete across the break joins the lines again.
  Press(form, Qt::Key_Left);
  EXPECT_EQ(form->CurrentI, 4);
  Press(form, Qt::Key_Delete);
  EXPECT_EQ(Cells(1, 6), "ab2cd|");
  EXPECT_EQ(form->CharPositions[5].Y, tMargin);

  // Select the line and embolden it.
  Press(form, Qt::Key_Home);
  Press(form, Qt::Key_End, Qt::ShiftModifier);
  EXPECT_EQ(form->SelStart, 1);
  EXPECT_EQ(form->SelEnd, 6);
  QTest::mouseClick(form->tbBold, Qt::LeftButton);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(form->CharFonts[i]->Style, fsBold) << i;
  EXPECT_EQ(form->CharOffsets[3], -10);  // the superscript stays one
  EXPECT_TRUE(form->Modified);

  // Overtype with the Insert key, shown in the status bar.
  Press(form, Qt::Key_Insert);
  EXPECT_EQ(form->PanelText(4).toStdString(), "Ovr");
  Press(form, Qt::Key_Home);
  QTest::keyClicks(form, "x");
  EXPECT_EQ(Cells(1, 6), "xb2cd|");
  Press(form, Qt::Key_Insert);
  EXPECT_EQ(form->PanelText(4).toStdString(), "Ins");

  // A click on the page puts the caret on the nearest cell.
  const TPoint c = form->CharPositions[4];
  QTest::mouseClick(form->MainImage, Qt::LeftButton, Qt::NoModifier, QPoint(c.X, c.Y - 4));
  EXPECT_EQ(form->CurrentI, 4);
  // Ctrl with a letter never types.
  QTest::keyClick(form, Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(Cells(1, 6), "xb2cd|");
  // Select All from the menu.
  form->SelectAll1->trigger();
  EXPECT_EQ(form->SelStart, 1);
  EXPECT_EQ(form->SelEnd, 6);
}

TEST_F(MainWindowTyping, ReleasesFromAutoRepeatDoNotEndTheDeleteBurst) {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  QTest::keyClicks(form, "abcdef");
  Press(form, Qt::Key_Home);
  form->IncDelandBackinUndo1->setChecked(true);
  TextUndoCount = 0;
  // A held Delete: presses, each followed by an auto-repeat release, then the real release.
  for (int i = 0; i < 3; ++i) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(), i > 0);
    QApplication::sendEvent(form, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(form, &release);
    EXPECT_TRUE(form->DeleteUndoTaken);
  }
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
  QApplication::sendEvent(form, &release);
  EXPECT_FALSE(form->DeleteUndoTaken);
  EXPECT_EQ(Cells(1, 4), "def|");
  EXPECT_EQ(TextUndoCount, 1);
}

TEST_F(MainWindowTyping, NewGivesAnEmptyPage) {
  Type("abc\ndef");
  form->NewFile(form->New1);
  EXPECT_EQ(form->LastTextCell(), 0);
  EXPECT_EQ(form->CurrentI, 1);
  EXPECT_EQ(form->CharPositions[1], TPoint(lMargin, tMargin));
  EXPECT_EQ(form->CharPositions[2], TPoint(lMargin, tMargin + LineHeight));
  EXPECT_FALSE(form->Modified);
  Type("x");
  EXPECT_EQ(Cells(1, 2), "x|");
}

TEST_F(MainWindowTyping, FastTypingKeepsTheOrderOfQueuedKeys) {
  // Keys that arrive faster than the page handles them wait in the queue; handling one must not
  // let the next ones in ahead of it.
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  const QString text = "abcdefgh";
  for (QChar ch : text) {
    const int key = Qt::Key_A + (ch.unicode() - 'a');
    QCoreApplication::postEvent(form, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(ch)));
    QCoreApplication::postEvent(form, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch)));
  }
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(Cells(1, 9), "abcdefgh|");
}

TEST_F(MainWindowTyping, ShiftOrCtrlArrowsMoveTheSelectionRectangleOutsideTextMode) {
  form->tbSelect->SetDown(true);
  SelectionRect = TRect(10, 20, 110, 70);
  SelectionRectShown = true;
  form->InPixels1->setChecked(true);
  Key(vk::Right, ssShift);
  Key(vk::Numpad2, ssCtrl);
  Key('W', ssShift);
  EXPECT_EQ(SelectionRect, TRect(11, 30, 110, 80));
  EXPECT_EQ(form->PanelText(2).toStdString(), "L:11   T:30");
  EXPECT_EQ(form->PanelText(3).toStdString(), "W:99   H:50");
  EXPECT_FALSE(form->SelRectKeyMoved);  // the key release finished the move
  Key(vk::Right, ssShift | ssCtrl);      // both held: not the rectangle
  EXPECT_EQ(SelectionRect, TRect(11, 30, 110, 80));
  SelectionRectShown = false;
}

TEST_F(MainWindowTyping, ScriptSizeTakesTheMainFontPercentOfAtLeastTwenty) {
  MainFontDlg->ScriptPercent = 5;  // raised to 20
  EXPECT_EQ(form->ScriptFontSize(10), 2);
  MainFontDlg->ScriptPercent = 50;
}

TEST_F(MainWindowTyping, CtrlArrowsWithASelectionMoveTheIndentMarker) {
  Type("abc");
  form->SelStart = 1;
  form->SelEnd = 3;
  const int start = form->ParaPanel1->GetMarkerPos();
  const int inc = form->ParaPanel1->Increment();
  Key(vk::Numpad6, ssCtrl);
  EXPECT_EQ(form->ParaPanel1->GetMarkerPos(), std::min(start + inc, form->ParaPanel1->Max()));
  EXPECT_TRUE(form->HasTextSelection());
}
