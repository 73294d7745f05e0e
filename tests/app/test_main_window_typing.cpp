// The real main window driven with key and mouse events, as a user types.
#include <algorithm>

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

#include "dialogs/page_setup_dialog.h"
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
  // A held Delete: presses, each followed by an auto-repeat release, then the real release. The
  // key's text is DEL (127), a control character that is never typed.
  const QString del(QChar(0x7f));
  for (int i = 0; i < 3; ++i) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, del, i > 0);
    QApplication::sendEvent(form, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier, del, true);
    QApplication::sendEvent(form, &release);
    EXPECT_TRUE(form->DeleteUndoTaken);
  }
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier, del);
  QApplication::sendEvent(form, &release);
  EXPECT_FALSE(form->DeleteUndoTaken);
  EXPECT_EQ(Cells(1, 4), "def|");
  EXPECT_EQ(form->CurrentI, 1);
  EXPECT_EQ(TextUndoCount, 1);
}

TEST_F(MainWindowTyping, NewGivesAnEmptyPage) {
  Type("abc\ndef");
  form->CharZOrder[1] = form->CharZOrder[6] = form->CharZOrder[MaxCharacters] = true;  // front layer
  form->NewFile(form->New1);
  EXPECT_TRUE(std::none_of(form->CharZOrder.begin(), form->CharZOrder.end(), [](bool front) { return front; }));
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

TEST_F(MainWindowTyping, AtTheCellLimitQueuedTypingGivesOneMessage) {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  form->CharCodes[4092] = 'x';  // the page is full
  rec->Clear();
  for (QChar ch : QString("abcdefgh")) {
    const int key = Qt::Key_A + (ch.unicode() - 'a');
    QCoreApplication::postEvent(form, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(ch)));
    QCoreApplication::postEvent(form, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch)));
  }
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  ASSERT_EQ(rec->Texts().size(), 1u);
  EXPECT_EQ(rec->Texts()[0].rfind("The maximum number of characters per page is 4095.\r", 0), 0u);
  EXPECT_EQ(Cells(1, 1), "|");
  // Typing after the message is refused with the message again.
  QTest::keyClicks(form, "z");
  EXPECT_EQ(rec->Texts().size(), 2u);
}

TEST_F(MainWindowTyping, PageSettingsKeepThePageText) {
  Type("Bold\nline two");
  form->RefreshAllImages(nullptr, false);
  const QImage before = form->MainImage->Bitmap().Image().copy();
  const auto positions = form->CharPositions;
  auto ok = [] { PageSetupDialog->OKBtn->click(); };
  auto dark = [this](int first, int last) {
    // Dark pixels on the baseline rows of cells first .. last.
    const QImage& page = form->MainImage->Bitmap().Image();
    int n = 0;
    for (int i = first; i <= last; ++i) {
      const TPoint p = form->CharPositions[size_t(i)];
      for (int y = p.Y - 12; y < p.Y; ++y)
        for (int x = p.X; x <= p.X + W(i); ++x) n += qGray(page.pixel(x, y)) < 128;
    }
    return n;
  };
  // OK with nothing changed: the page as it was.
  PageSetupDialog->show();
  ok();
  EXPECT_FALSE(PageSetupDialog->isVisible());
  EXPECT_EQ(form->MainImage->Bitmap().Image(), before);
  // Another paper and orientation: a new page image with the same text in the same place.
  PageSetupDialog->show();
  PageSetupDialog->PageStyles->button(0)->click();  // A4 Landscape
  ok();
  EXPECT_EQ(form->MainImage->width(), 1123);
  EXPECT_EQ(form->MainImage->Bitmap().Image().height(), 794);
  for (int i = 1; i <= 15; ++i) EXPECT_EQ(form->CharPositions[size_t(i)], positions[size_t(i)]) << i;
  EXPECT_EQ(form->MainImage->Bitmap().Image().copy(0, 0, 794, 794), before.copy(0, 0, 794, 794));
  EXPECT_EQ(form->CurrentI, 1);
  // A wider left margin moves the text right with it.
  PageSetupDialog->show();
  PageSetupDialog->Left1->SetValue(PageSetupDialog->Left1->Value() * 2);
  ok();
  EXPECT_EQ(lMargin, 96);
  for (int i = 1; i <= 15; ++i) EXPECT_EQ(form->CharPositions[size_t(i)].X, positions[size_t(i)].X + 48) << i;
  EXPECT_GT(dark(1, 4), 30);
  EXPECT_GT(dark(6, 13), 30);
  // Cancel puts back the values shown when the dialog opened and changes nothing.
  PageSetupDialog->show();
  PageSetupDialog->PageStyles->button(1)->click();
  PageSetupDialog->CancelBtn->click();
  EXPECT_EQ(PageSetupDialog->PageStyle(), 0);
  EXPECT_EQ(form->MainImage->width(), 1123);
  EXPECT_GT(dark(1, 4), 30);
}
